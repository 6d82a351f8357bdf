// Helpers for the search tests: a temporary folder, an index file set built
// by the indexing engine from chosen documents and words, whole-file access
// for damaging a set, and the members of a bit set as a plain list.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "indexer/engine/IndexBuilder.h"
#include "indexfiles/IndexFiles.h"
#include "tests/support/TestFiles.h"
#include "indexer/engine/RunObserver.h"
#include "search/TBitSet.h"

namespace search::test_support {

using tarvo_test::ReadBytes;
using tarvo_test::TempFolder;
using tarvo_test::WriteBytes;

/// The set bits of a bit set, ascending.
inline std::vector<std::uint32_t> Members(const TBitSet& set) {
    std::vector<std::uint32_t> members;
    for (std::int64_t bit = set.NextSetBit(0); bit >= 0; bit = set.NextSetBit(static_cast<std::uint32_t>(bit + 1)))
        members.push_back(static_cast<std::uint32_t>(bit));
    return members;
}

/// An index file set in a temporary folder, written by the indexing engine:
/// the test adds documents (".toc" lines) and word entries (".temp" lines),
/// then Build() sorts the entries and writes ".dct", ".ndx", ".hsh", ".ext".
class TestIndex {
public:
    explicit TestIndex(std::string name = "site") : base_(folder_ / name) {}

    /// Base path of the set (no extension).
    const std::string& BasePath() const { return base_; }
    std::string PathOf(const std::string& extension) const { return base_ + extension; }

    /// Adds a document with its words (stored as given, cut to 27 bytes);
    /// returns its document number.
    int AddDocument(const std::string& url, const std::string& title, const std::vector<std::string>& words = {}) {
        toc_ += indexfiles::FormatTocLine(url, title) + "\r\n";
        ++documents_;
        for (const auto& word : words) AddEntry(word, documents_);
        return documents_;
    }
    /// Adds one word entry without a table-of-contents line.
    void AddEntry(const std::string& word, int document) {
        temp_ += indexfiles::FormatWorkEntry(word, document);
        temp_ += "\r\n";
    }
    int DocumentCount() const { return documents_; }

    /// Writes ".toc" and ".temp" and builds the rest of the set.
    void Build() {
        WriteBytes(PathOf(".toc"), toc_);
        WriteBytes(PathOf(".temp"), temp_);
        temp_.clear();
        temp_.shrink_to_fit();
        indexer::RunObserver quiet;
        indexer::BuildIndex(indexer::BuildSettings{base_, false, false}, quiet);
    }

    std::string Read(const std::string& extension) const { return ReadBytes(PathOf(extension)); }
    void Write(const std::string& extension, const std::string& bytes) const { WriteBytes(PathOf(extension), bytes); }
    void Remove(const std::string& extension) const { std::filesystem::remove(PathOf(extension)); }
    void Truncate(const std::string& extension, std::uintmax_t size) const {
        std::filesystem::resize_file(PathOf(extension), size);
    }

    /// Value of slot `key` of the ".hsh" file.
    std::uint16_t Slot(std::uint32_t key) const {
        const std::string hsh = Read(".hsh");
        const auto low = static_cast<unsigned char>(hsh.at(key * 2));
        const auto high = static_cast<unsigned char>(hsh.at(key * 2 + 1));
        return static_cast<std::uint16_t>(low | (high << 8));
    }

private:
    TempFolder folder_;
    std::string base_;
    std::string toc_;
    std::string temp_;
    int documents_ = 0;
};

}  // namespace search::test_support
