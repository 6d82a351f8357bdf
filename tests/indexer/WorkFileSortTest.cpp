// Sorting the work file in place: order, content kept, indicator, stop.
#include "indexer/engine/WorkFileSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "IndexTestSupport.h"
#include "indexer/engine/IndexingError.h"
#include "indexfiles/IndexFiles.h"

namespace indexer {
namespace {

using namespace indexfiles;

using test_support::ReadBytes;
using test_support::RecordingObserver;
using test_support::TempFolder;
using test_support::WriteBytes;

std::vector<std::string> SplitRecords(const std::string& bytes) {
    std::vector<std::string> records;
    for (std::size_t at = 0; at + kWorkRecordSize <= bytes.size(); at += kWorkRecordSize)
        records.push_back(bytes.substr(at, kWorkRecordSize));
    return records;
}

/// A work file of `count` entries with random words (bytes 0x21-0xFF, so
/// the unsigned order matters) and random document numbers.
std::string RandomWorkFile(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> length(1, 30), byte(0x21, 0xFF), number(1, 65535), few(0, 3);
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) {
        std::string word;
        if (few(random) == 0) {
            word = "SAME";  // many equal words
        } else {
            for (int n = length(random); n > 0; --n) word.push_back(static_cast<char>(byte(random)));
        }
        bytes += FormatWorkEntry(word, number(random)) + "\r\n";
    }
    return bytes;
}

bool SortedByWordField(const std::vector<std::string>& records) {
    return std::is_sorted(records.begin(), records.end(), [](const std::string& a, const std::string& b) {
        return std::memcmp(a.data(), b.data(), kWordWidth) < 0;
    });
}

TEST(WorkFileSort, OrdersRecordsByUnsignedWordBytesAndKeepsEveryRecord) {
    TempFolder folder;
    const std::string path = folder / "DataBase.temp";
    const std::string original = RandomWorkFile(20000, 7);
    WriteBytes(path, original);
    RecordingObserver observer;
    SortWorkFile(path, observer);

    auto sorted = SplitRecords(ReadBytes(path));
    ASSERT_EQ(sorted.size(), 20000u);
    EXPECT_TRUE(SortedByWordField(sorted));
    auto before = SplitRecords(original);
    std::sort(before.begin(), before.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, before);
    EXPECT_EQ(observer.steps, std::vector<std::string>{"Sorting Words"});
}

TEST(WorkFileSort, MatchesTheGoldenOrderOfEqualWords) {
    // Equal words end in the order the partition scheme leaves them in;
    // the golden file records that order.
    TempFolder folder;
    for (const std::string name : {"hello-world", "unsorted", "ab-b"}) {
        const std::string path = folder / (name + ".temp");
        WriteBytes(path, test_support::GoldenBytes(name + ".temp"));
        RunObserver quiet;
        SortWorkFile(path, quiet);
        EXPECT_TRUE(test_support::SameBytes(ReadBytes(path), test_support::GoldenBytes(name + ".sorted.temp"))) << name;
    }
}

TEST(WorkFileSort, LeavesSmallAndMissingFilesAlone) {
    TempFolder folder;
    const std::string one = FormatWorkEntry("ONLY", 3) + "\r\n";
    WriteBytes(folder / "one.temp", one);
    WriteBytes(folder / "empty.temp", "");
    RecordingObserver observer;
    SortWorkFile(folder / "one.temp", observer);
    SortWorkFile(folder / "empty.temp", observer);
    SortWorkFile(folder / "missing.temp", observer);
    EXPECT_EQ(ReadBytes(folder / "one.temp"), one);
    EXPECT_EQ(ReadBytes(folder / "empty.temp"), "");
    EXPECT_FALSE(test_support::Exists(folder / "missing.temp"));
    EXPECT_EQ(observer.steps.size(), 2u) << "a missing work file shows no sorting step";
}

TEST(WorkFileSort, TurnsTheIndicatorEvery51CallsAndHidesItAtTheEnd) {
    TempFolder folder;
    const std::string path = folder / "DataBase.temp";
    WriteBytes(path, RandomWorkFile(30000, 11));
    RecordingObserver observer;
    SortWorkFile(path, observer);
    ASSERT_GE(observer.indications.size(), 6u);
    // The first showing is the start; then the four characters in turn.
    const std::vector<std::string> cycle = {"\x96", "\\", "|", "/"};
    EXPECT_EQ(observer.indications[0], "\x96");
    for (std::size_t i = 1; i < observer.indications.size(); ++i)
        EXPECT_EQ(observer.indications[i], cycle[(i - 1) % 4]) << "turn " << i;
    // Every turn takes 51 partition calls, each of which lets messages through.
    EXPECT_GE(observer.messagePumps, static_cast<long>(51 * (observer.indications.size() - 1)));
    EXPECT_EQ(observer.indicatorHidden, 1);
}

TEST(WorkFileSort, StopsAtTheNextPartitionWhenAStopIsRequested) {
    TempFolder folder;
    const std::string path = folder / "DataBase.temp";
    const std::string original = RandomWorkFile(5000, 3);
    WriteBytes(path, original);
    RecordingObserver observer;
    observer.stopAtStep = "Sorting Words";
    SortWorkFile(path, observer);
    // One call: the pump after the step and the pump of the first call.
    EXPECT_EQ(observer.messagePumps, 2);
    auto after = SplitRecords(ReadBytes(path));
    EXPECT_FALSE(SortedByWordField(after));
    auto before = SplitRecords(original);
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before) << "a stopped sort still holds every record";
}

TEST(WorkFileSort, RejectsAFileThatEndsInsideARecord) {
    TempFolder folder;
    const std::string path = folder / "DataBase.temp";
    WriteBytes(path, FormatWorkEntry("A", 1) + "\r\nBROKEN");
    RunObserver quiet;
    EXPECT_THROW(SortWorkFile(path, quiet), IndexingError);
}

}  // namespace
}  // namespace indexer
