// Building the index file set from a work file: golden bytes for the small
// cases, block letters for large dictionaries, progress, stops and limits.
#include "indexer/engine/IndexBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "IndexTestSupport.h"
#include "indexer/engine/IndexingError.h"
#include "indexfiles/IndexFiles.h"
#include "platform/File.h"

namespace indexer {
namespace {

using namespace indexfiles;

using test_support::Exists;
using test_support::GoldenBytes;
using test_support::ReadBytes;
using test_support::RecordingObserver;
using test_support::SameBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

std::uint16_t SlotAt(const std::string& hash, std::size_t slot) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(hash[slot * 2]) |
                                      (static_cast<unsigned char>(hash[slot * 2 + 1]) << 8));
}

struct GoldenCase {
    std::string name;
    bool dumpwords;
    int words;
};

TEST(IndexBuilder, WritesTheGoldenFilesForSmallWorkFiles) {
    const GoldenCase cases[] = {
        {"hello", false, 1}, {"ab-b", false, 2}, {"hello-world", true, 2}, {"empty", false, 0}, {"unsorted", true, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string db = folder / "DataBase";
        WriteBytes(db + ".temp", GoldenBytes(c.name + ".temp"));
        WriteBytes(db + ".ext", "stale");
        WriteBytes(db + ".lst", "stale");
        RecordingObserver observer;
        BuildIndex({db, c.dumpwords, false}, observer);

        for (const char* ext : {".dct", ".ndx", ".hsh"})
            EXPECT_TRUE(SameBytes(ReadBytes(db + ext), GoldenBytes(c.name + ext))) << ext;
        if (c.dumpwords) EXPECT_TRUE(SameBytes(ReadBytes(db + ".lst"), GoldenBytes(c.name + ".lst")));
        else EXPECT_FALSE(Exists(db + ".lst"));
        EXPECT_FALSE(Exists(db + ".ext"));
        EXPECT_FALSE(Exists(db + ".temp"));
        ASSERT_FALSE(observer.wordTotals.empty());
        EXPECT_EQ(observer.wordTotals.back(), std::to_string(c.words));
    }
}

TEST(IndexBuilder, AStagedBuildWritesTheNewNamesAndLeavesThePublishedFilesAlone) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(db + ".temp", GoldenBytes("hello-world.temp"));
    for (const char* ext : {".dct", ".ndx", ".hsh", ".ext", ".lst"}) WriteBytes(db + ext, "published");
    WriteBytes(db + ".ext.new", "left by a killed run");
    BuildSettings settings{db, true, false};
    settings.staged = true;
    RecordingObserver observer;
    BuildIndex(settings, observer);

    for (const char* ext : {".dct", ".ndx", ".hsh", ".lst"}) {
        EXPECT_TRUE(SameBytes(ReadBytes(db + ext + ".new"), GoldenBytes(std::string("hello-world") + ext))) << ext;
        EXPECT_EQ(ReadBytes(db + ext), "published") << ext;
    }
    EXPECT_FALSE(Exists(db + ".ext.new")) << "a small dictionary stages no block letter file";
    EXPECT_EQ(ReadBytes(db + ".ext"), "published");
    EXPECT_FALSE(Exists(db + ".temp")) << "the work file keeps its own name";
}

TEST(IndexBuilder, HelloFillsTheSlotsOfItsThreePrefixes) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(db + ".temp", GoldenBytes("hello.temp"));
    RunObserver quiet;
    BuildIndex({db}, quiet);
    const std::string hash = ReadBytes(db + ".hsh");
    ASSERT_EQ(hash.size(), kHashFileSize);
    for (std::size_t slot = 0; slot < kHashSlotCount; ++slot) {
        const bool filled = slot == 17 || slot == 626 || slot == 22557;
        ASSERT_EQ(SlotAt(hash, slot), filled ? 0 : kEmptySlot) << "slot " << slot;
    }
}

TEST(IndexBuilder, ShowsPhasesInOrder) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(db + ".temp", GoldenBytes("hello-world.temp"));
    RecordingObserver observer;
    BuildIndex({db}, observer);
    EXPECT_EQ(observer.steps, (std::vector<std::string>{"Sorting Words", "Building Index"}));
}

TEST(IndexBuilder, KeepsTheSortedWorkFileWhenAsked) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(db + ".temp", GoldenBytes("unsorted.temp"));
    RunObserver quiet;
    BuildIndex({db, false, true}, quiet);
    EXPECT_TRUE(SameBytes(ReadBytes(db + ".temp"), GoldenBytes("unsorted.sorted.temp")));
}

TEST(IndexBuilder, MissingWorkFileGivesAnIndexWithoutWords) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(db + ".dct", "stale dictionary");
    RecordingObserver observer;
    BuildIndex({db}, observer);
    EXPECT_EQ(ReadBytes(db + ".dct"), "");
    EXPECT_EQ(ReadBytes(db + ".ndx"), "");
    EXPECT_TRUE(SameBytes(ReadBytes(db + ".hsh"), GoldenBytes("empty.hsh")));
    EXPECT_EQ(observer.wordTotals, std::vector<std::string>{"0"});
}

TEST(IndexBuilder, FailsWithThePathWhenTheFolderIsMissing) {
    TempFolder folder;
    RunObserver quiet;
    try {
        BuildIndex({folder / "no-such-folder/DataBase"}, quiet);
        FAIL() << "no error";
    } catch (const platform::IoError& error) {
        EXPECT_NE(std::string(error.what()).find("no-such-folder/DataBase.dct"), std::string::npos) << error.what();
    }
}

/// A sorted work file of `count` distinct words, one document each: the
/// first `aWords` start with A ("A00000"...), the rest with B.
std::string SequentialWorkFile(std::size_t count, std::size_t aWords) {
    std::string bytes;
    bytes.reserve(count * kWorkRecordSize);
    char word[16];
    for (std::size_t i = 0; i < count; ++i) {
        const bool a = i < aWords;
        std::snprintf(word, sizeof word, "%c%06zu", a ? 'A' : 'B', a ? i : i - aWords);
        bytes += FormatWorkEntry(word, 1) + "\r\n";
    }
    return bytes;
}

/// Checks, whenever wordTotal changes, how many lines the word dump holds.
class DumpWatcher : public RunObserver {
public:
    explicit DumpWatcher(std::string dumpPath) : dumpPath_(std::move(dumpPath)) {}
    void ShowWordTotal(std::string_view text) override {
        totals.emplace_back(text);
        dumpLinesAtReport.push_back(ReadBytes(dumpPath_).size() / 37);
    }
    std::vector<std::string> totals;
    std::vector<std::size_t> dumpLinesAtReport;

private:
    std::string dumpPath_;
};

TEST(IndexBuilder, LargeDictionaryGetsBlockLettersAndBlockRelativeSlots) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(db + ".temp", SequentialWorkFile(70000, 65500));
    DumpWatcher observer(db + ".lst");
    BuildIndex({db, true, false}, observer);

    EXPECT_EQ(ReadBytes(db + ".dct").size(), 70000 * kDictionaryRecordSize);
    // Record 65499 ("A065499") ends block 0; record 65500 ("B000000") starts block 1.
    // clang-format off
    EXPECT_EQ(ReadBytes(db + ".ext"), std::string("\x01" "A\0\0\0\0\0\0\0\0", 10));
    // clang-format on
    const std::string hash = ReadBytes(db + ".hsh");
    EXPECT_EQ(SlotAt(hash, 10), 0);                 // A
    EXPECT_EQ(SlotAt(hash, 11), 0);                 // B: record 65500, block-relative 0
    EXPECT_EQ(SlotAt(hash, 11 * 36), 0);            // B0
    EXPECT_EQ(SlotAt(hash, 11 * 1296), 0);          // B00
    EXPECT_EQ(SlotAt(hash, 10 * 1296 + 6), 60000);  // A06: record 60000 in block 0
    // Progress every 250 words, with the dump growing at the same points.
    ASSERT_EQ(observer.totals.size(), 70000u / 250 + 1);
    EXPECT_EQ(observer.totals[0], "250");
    EXPECT_EQ(observer.totals[1], "500");
    EXPECT_EQ(observer.totals.back(), "70000");
    // wordTotal is shown first, then the 250 new dump lines are appended.
    EXPECT_EQ(observer.dumpLinesAtReport[0], 0u);
    EXPECT_EQ(observer.dumpLinesAtReport[1], 250u);
    EXPECT_EQ(observer.dumpLinesAtReport[2], 500u);
    EXPECT_EQ(ReadBytes(db + ".lst").size(), 70000u * 37);
}

TEST(IndexBuilder, ExactlyOneBlockWritesOneLetter) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(db + ".temp", SequentialWorkFile(65500, 65500));
    RunObserver quiet;
    BuildIndex({db}, quiet);
    // clang-format off
    EXPECT_EQ(ReadBytes(db + ".ext").substr(0, 2), "\x01" "A");
    // clang-format on
    WriteBytes(db + ".temp", SequentialWorkFile(65499, 65499));
    BuildIndex({db}, quiet);
    EXPECT_FALSE(Exists(db + ".ext")) << "65,499 words need no block letter";
}

TEST(IndexBuilder, TheNineBlockLimitHoldsAndTheNextWordIsAnError) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(db + ".temp", SequentialWorkFile(kMaxDictionaryWords, kMaxDictionaryWords));
    RunObserver quiet;
    BuildIndex({db}, quiet);
    // clang-format off
    EXPECT_EQ(ReadBytes(db + ".ext"), "\x09" "AAAAAAAAA");
    // clang-format on

    WriteBytes(db + ".temp", SequentialWorkFile(kMaxDictionaryWords + 1, kMaxDictionaryWords));
    try {
        BuildIndex({db}, quiet);
        FAIL() << "a tenth block letter was accepted";
    } catch (const IndexLimitError& error) {
        EXPECT_NE(std::string(error.what()).find("654999"), std::string::npos) << error.what();
    }
}

TEST(IndexBuilder, StopBeforeTheBuildLeavesAValidSetWithoutWords) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(db + ".temp", GoldenBytes("unsorted.temp"));
    RecordingObserver observer;
    observer.stopAtStep = "Building Index";
    BuildIndex({db}, observer);
    EXPECT_EQ(ReadBytes(db + ".dct"), "");
    EXPECT_EQ(ReadBytes(db + ".ndx"), "");
    EXPECT_TRUE(SameBytes(ReadBytes(db + ".hsh"), GoldenBytes("empty.hsh")));
    EXPECT_FALSE(Exists(db + ".temp"));
}

TEST(IndexBuilder, StopDuringTheBuildKeepsTheWordsReadBeforeIt) {
    class StopAt250 : public RunObserver {
    public:
        void ShowWordTotal(std::string_view text) override { stop_ = stop_ || text == "250"; }
        bool StopRequested() override { return stop_; }

    private:
        bool stop_ = false;
    };
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(db + ".temp", SequentialWorkFile(1000, 1000));
    StopAt250 observer;
    BuildIndex({db}, observer);
    // The record that completed word 250 belongs to word 251, which is still written.
    EXPECT_EQ(ReadBytes(db + ".dct").size(), 251 * kDictionaryRecordSize);
    EXPECT_EQ(ReadBytes(db + ".ndx").size(), 251 * 2 * kPostingValueSize);
}

/// A work file of (word, document) entries in the order given; each record
/// ends in `lineEnd` ("\n\r" makes a file that is sorted where it lies).
std::string WorkFileOf(const std::vector<std::pair<std::string, int>>& entries, const std::string& lineEnd) {
    std::string bytes;
    for (const auto& [word, number] : entries) bytes += FormatWorkEntry(word, number) + lineEnd;
    return bytes;
}

TEST(IndexBuilder, WordsEmptyOnceTrimmedFormNoGroupAndLeaveNoTrace) {
    // Control characters only, and a blank field: first in the order, in
    // several documents, beside words that begin with control characters.
    // clang-format off
    const std::vector<std::pair<std::string, int>> words = {
        {"ALPHA", 4}, {"\x02X", 2}, {"#TAG", 3}, {"\x01" "CTRL", 1}, {"ALPHA", 1}, {"\x01" "CTRL", 2}};
    // clang-format on
    std::vector<std::pair<std::string, int>> withEmpty = {{"\x01", 1}, {"\x1F", 4}, {"\x01", 3}, {"", 3}};
    withEmpty.insert(withEmpty.begin() + 2, words.begin(), words.end());
    withEmpty.insert(withEmpty.end(), {{"\x02\x03", 2}, {"\x01", 2}});
    for (const std::string lineEnd : {"\r\n", "\n\r"}) {
        SCOPED_TRACE(lineEnd == "\r\n" ? "sorted by keys" : "sorted in place");
        TempFolder folder;
        const std::string with = folder / "With", without = folder / "Without";
        WriteBytes(with + ".temp", WorkFileOf(withEmpty, lineEnd));
        WriteBytes(without + ".temp", WorkFileOf(words, lineEnd));
        RecordingObserver withObserver, withoutObserver;
        BuildIndex({with, true, false}, withObserver);
        BuildIndex({without, true, false}, withoutObserver);
        for (const char* ext : {".dct", ".hsh", ".lst"})
            EXPECT_TRUE(SameBytes(ReadBytes(with + ext), ReadBytes(without + ext))) << ext;
        // The sort leaves the entries of one word in no particular order.
        EXPECT_TRUE(SameBytes(test_support::OrderedPostingLists(ReadBytes(with + ".ndx")),
                              test_support::OrderedPostingLists(ReadBytes(without + ".ndx"))));
        EXPECT_EQ(ReadBytes(with + ".dct").size(), 4 * kDictionaryRecordSize);
        EXPECT_EQ(withObserver.wordTotals.back(), "4");

        WriteBytes(with + ".temp", WorkFileOf({{"\x01", 1}, {"\x02", 1}, {"\x01", 2}}, lineEnd));
        BuildIndex({with, true, false}, withObserver);
        EXPECT_EQ(ReadBytes(with + ".dct"), "");
        EXPECT_EQ(ReadBytes(with + ".ndx"), "");
        EXPECT_FALSE(Exists(with + ".lst"));
        EXPECT_TRUE(SameBytes(ReadBytes(with + ".hsh"), GoldenBytes("empty.hsh")));
    }
}

TEST(IndexBuilder, RejectsDocumentNumbersOutsideTheIndexRange) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    RunObserver quiet;
    for (const int number : {0, 65536}) {
        WriteBytes(db + ".temp", FormatWorkEntry("WORD", number) + "\r\n");
        EXPECT_THROW(BuildIndex({db}, quiet), IndexingError) << number;
    }
}

}  // namespace
}  // namespace indexer
