// Fuzz target: a search over a damaged index file set. The input holds the
// query and the bytes of ".ext", ".toc", ".ndx", ".dct" and ".hsh" in that
// order, each part ended by "@@@@"; a file whose part is missing (too few
// separators) does not exist. The files are written to the scratch folder,
// then the query is searched and its documents listed.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "fuzz/SearchCheck.h"
#include "indexfiles/IndexFiles.h"
#include "search/TTARVO.h"

namespace {

constexpr std::string_view kSeparator = "@@@@";

using indexfiles::IndexFile;
using indexfiles::IndexFileExtension;

constexpr std::array<std::string_view, 5> kExtensions{
    IndexFileExtension(IndexFile::BlockLetters), IndexFileExtension(IndexFile::TableOfContents),
    IndexFileExtension(IndexFile::Postings), IndexFileExtension(IndexFile::Dictionary),
    IndexFileExtension(IndexFile::PrefixHash)};

/// Cuts the next part off `rest`; nothing left gives false.
bool NextPart(std::string_view& rest, std::string_view& part, bool& present) {
    if (!present) return false;
    const auto end = rest.find(kSeparator);
    if (end == std::string_view::npos) {
        part = rest;
        present = false;
        return true;
    }
    part = rest.substr(0, end);
    rest.remove_prefix(end + kSeparator.size());
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    bool more = true;
    std::string_view query;
    NextPart(rest, query, more);

    const std::string base = fuzz::ScratchPath("Damaged");
    for (const auto extension : kExtensions) {
        const std::string path = base + std::string(extension);
        std::string_view bytes;
        if (NextPart(rest, bytes, more)) {
            fuzz::WriteFile(path, bytes);
        } else {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    }

    search::TTARVO engine(base);
    engine.Search(query);
    fuzz::CheckSearchOutcome(engine);
    return 0;
}
