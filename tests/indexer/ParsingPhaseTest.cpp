// The parsing phase: documents read on two threads keep their order, and a
// chunk too large for memory is written in pieces yet sorts as one.
#include "indexer/engine/ParsingPhase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "IndexTestSupport.h"
#include "indexer/engine/IndexingRun.h"
#include "indexer/engine/WorkFileSort.h"
#include "indexfiles/IndexFiles.h"

namespace indexer {
namespace {

using namespace indexfiles;

using test_support::ReadBytes;
using test_support::RecordingObserver;
using test_support::SameBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

RunSettings SettingsFor(const TempFolder& folder, const std::string& list) {
    RunSettings settings = test_support::SettingsForList(folder, list, "files.lst");
    settings.keepWorkFile = true;
    return settings;
}

/// A word made of letters only, distinct for every `n`.
std::string LetterWord(int n) {
    std::string word = "Q";
    for (; n > 0; n /= 26) word.push_back(static_cast<char>('a' + n % 26));
    return word;
}

TEST(ParsingPhase, AChunkTooLargeForMemoryIsWrittenInPiecesAndSortsAsTheWholeChunk) {
    TempFolder folder;
    // Three documents whose distinct words together exceed what a chunk keeps
    // in memory, with words shared between them.
    const int perDocument = static_cast<int>(kChunkEntriesInMemory / 2);
    std::set<std::string> wholeChunk;
    std::string list;
    for (int document = 1; document <= 3; ++document) {
        std::string text;
        for (int i = 0; i < perDocument; ++i) {
            const std::string word = LetterWord(i * document % (perDocument + 7));
            text += word + (i % 12 == 11 ? "\r\n" : " ");
            std::string upper = word;
            std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return c >= 'a' ? c - 32 : c; });
            wholeChunk.insert(FormatWorkEntry(upper, document));
        }
        const std::string name = "d" + std::to_string(document) + ".txt";
        WriteBytes(folder / name, text);
        list += name + "\r\n";
    }
    ASSERT_GT(wholeChunk.size(), kChunkEntriesInMemory);

    RunObserver quiet;
    const RunSummary summary = RunIndexer(SettingsFor(folder, list), quiet);
    EXPECT_EQ(summary.documents, 3);

    // The reference: the chunk written whole, sorted where it lies.
    std::string expected;
    for (const auto& entry : wholeChunk) expected += entry + "\r\n";
    WriteBytes(folder / "whole.temp", expected);
    SortWorkFile(folder / "whole.temp", quiet);
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "DataBase.temp"), ReadBytes(folder / "whole.temp")));
}

TEST(ParsingPhase, DocumentsKeepTheirNumbersAndTitlesInListOrder) {
    TempFolder folder;
    std::string list;
    std::string expectedToc;
    for (int document = 1; document <= 60; ++document) {
        const std::string name = "p" + std::to_string(document) + ".htm";
        // Documents of very different sizes, so that the two readers finish
        // them in no fixed order.
        std::string text = "<TITLE>Page " + std::to_string(document) + "</TITLE>";
        for (int i = 0; i < (document % 7) * 400; ++i) text += " filler" + std::to_string(i % 50);
        text += " only" + LetterWord(document);
        WriteBytes(folder / name, text);
        list += name + "\r\n";
        if (document == 30) list += "missing.htm\r\n";
        expectedToc += FormatTocLine(name, "Page " + std::to_string(document)) + "\r\n";
    }
    RecordingObserver observer;
    RunIndexer(SettingsFor(folder, list), observer);
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "DataBase.toc"), expectedToc));
    ASSERT_EQ(observer.filesProcessed.size(), 60u);
    for (std::size_t i = 0; i < 60; ++i) EXPECT_EQ(observer.filesProcessed[i], std::to_string(i + 1));
    ASSERT_EQ(observer.fileNames.size(), 61u);
    EXPECT_EQ(observer.fileNames[30], "") << "the entry without a file shows no name";
    // Each document's own word carries its own number.
    const std::string temp = ReadBytes(folder / "DataBase.temp");
    for (int document = 1; document <= 60; ++document) {
        std::string upper = "ONLY" + LetterWord(document);
        std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return c >= 'a' ? c - 32 : c; });
        EXPECT_NE(temp.find(FormatWorkEntry(upper, document)), std::string::npos) << document;
    }
}

/// Deletes documents of the folder once a chosen document has been read.
class DeletingObserver : public RecordingObserver {
public:
    DeletingObserver(const TempFolder& folder, std::string after, std::vector<std::string> names)
        : folder_(folder), after_(std::move(after)), names_(std::move(names)) {}
    void ShowFilesProcessed(std::string_view text) override {
        RecordingObserver::ShowFilesProcessed(text);
        if (text != after_) return;
        for (const auto& name : names_) std::filesystem::remove(folder_ / name);
    }

private:
    const TempFolder& folder_;
    std::string after_;
    std::vector<std::string> names_;
};

TEST(ParsingPhase, ADocumentDeletedDuringTheRunIsReadWhenAlreadyOpenAndSkippedOtherwise) {
    TempFolder folder;
    std::string list;
    for (int document = 1; document <= 40; ++document) {
        const std::string name = "p" + std::to_string(document) + ".htm";
        WriteBytes(folder / name, "<TITLE>Page " + std::to_string(document) + "</TITLE> words");
        list += name + "\r\n";
    }
    // When document 5 is done the next ones are already open; documents far
    // ahead are not: those are gone before the run reaches them.
    DeletingObserver observer(folder, "5", {"p6.htm", "p30.htm", "p31.htm"});
    const RunSummary summary = RunIndexer(SettingsFor(folder, list), observer);
    EXPECT_EQ(summary.documents, 38);
    const std::string toc = ReadBytes(folder / "DataBase.toc");
    EXPECT_NE(toc.find(FormatTocLine("p6.htm", "Page 6")), std::string::npos);
    EXPECT_EQ(toc.find("Page 30"), std::string::npos);
    EXPECT_EQ(toc.find("Page 31"), std::string::npos);
    EXPECT_NE(toc.find(FormatTocLine("p32.htm", "Page 32")), std::string::npos);
}

}  // namespace
}  // namespace indexer
