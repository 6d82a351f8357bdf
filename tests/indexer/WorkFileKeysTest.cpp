// Sorting the work file's keys: the same order, indicator turns, message
// points and stops as sorting the records themselves, for chunks written
// whole or in pieces; files the parsing phase never writes are sorted in place.
#include "indexer/engine/WorkFileKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "IndexTestSupport.h"
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

/// The entries of one chunk: words from a small vocabulary (so that most
/// words recur in many chunks and documents), each at most once per
/// document, in ascending order of their whole lines.
std::vector<std::string> ChunkEntries(std::mt19937& random, int firstDocument, int documents, int wordsPerDocument) {
    static const std::vector<std::string> vocabulary = [] {
        std::vector<std::string> words = {
            "A", "AB", "ABC\x01", "ABC", "Z", "\xC9T\xC9", "0", "99", "ZZZZZZZZZZZZZZZZZZZZZZZZZZZ"};
        for (int i = 0; i < 300; ++i) words.push_back("W" + std::to_string(i * 7919 % 1000));
        return words;
    }();
    std::uniform_int_distribution<std::size_t> pick(0, vocabulary.size() - 1);
    std::set<std::string> entries;
    for (int document = firstDocument; document < firstDocument + documents; ++document)
        for (int i = 0; i < wordsPerDocument; ++i) entries.insert(FormatWorkEntry(vocabulary[pick(random)], document));
    return {entries.begin(), entries.end()};
}

std::string Lines(const std::vector<std::string>& entries) {
    std::string bytes;
    for (const auto& entry : entries) bytes += entry + "\r\n";
    return bytes;
}

/// A work file as the parsing phase writes it: sorted chunks of 25 documents.
std::string ChunkedWorkFile(int chunks, int wordsPerDocument, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes;
    for (int chunk = 0; chunk < chunks; ++chunk)
        bytes += Lines(ChunkEntries(random, chunk * 25 + 1, 25, wordsPerDocument));
    return bytes;
}

struct SortOutcome {
    std::string bytes;
    std::vector<std::string> indications;
    long messagePumps = 0;
    std::vector<std::string> steps;
};

/// Sorts a copy of `bytes` with SortWorkFile: the reference.
SortOutcome SortRecords(const TempFolder& folder, const std::string& bytes, long stopAfterPumps = 0) {
    const std::string path = folder / "records.temp";
    WriteBytes(path, bytes);
    RecordingObserver observer;
    observer.stopAfterPumps = stopAfterPumps;
    SortWorkFile(path, observer);
    return {ReadBytes(path), observer.indications, observer.messagePumps, observer.steps};
}

/// Sorts the keys of `bytes` and writes the records they stand for.
SortOutcome SortKeys(const TempFolder& folder, const std::string& bytes, const std::vector<PiecewiseChunk>& pieces,
                     long stopAfterPumps = 0) {
    const std::string path = folder / "keys.temp";
    WriteBytes(path, bytes);
    RecordingObserver observer;
    observer.stopAfterPumps = stopAfterPumps;
    std::unique_ptr<WorkFileKeys> keys = SortWorkFileKeys(path, pieces, observer);
    EXPECT_TRUE(keys != nullptr);
    if (!keys) return {};
    EXPECT_EQ(ReadBytes(path), bytes) << "the work file itself is left as it was";
    EXPECT_FALSE(test_support::Exists(path + ".keys")) << "the scratch file has no name once mapped";
    keys->WriteWorkFile(path);
    return {ReadBytes(path), observer.indications, observer.messagePumps, observer.steps};
}

TEST(WorkFileKeys, KeysEndInTheOrderOfTheRecordSortWithTheSameIndicatorAndMessages) {
    struct Case {
        int chunks;
        int wordsPerDocument;
        unsigned seed;
    };
    for (const Case c : {Case{1, 1, 1}, Case{1, 40, 2}, Case{7, 30, 3}, Case{60, 25, 4}, Case{200, 8, 5}}) {
        SCOPED_TRACE("chunks " + std::to_string(c.chunks) + ", seed " + std::to_string(c.seed));
        TempFolder folder;
        const std::string file = ChunkedWorkFile(c.chunks, c.wordsPerDocument, c.seed);
        const SortOutcome expected = SortRecords(folder, file);
        const SortOutcome actual = SortKeys(folder, file, {});
        EXPECT_TRUE(SameBytes(actual.bytes, expected.bytes));
        EXPECT_EQ(actual.indications, expected.indications);
        EXPECT_EQ(actual.messagePumps, expected.messagePumps);
        EXPECT_EQ(actual.steps, expected.steps);
    }
}

TEST(WorkFileKeys, AChunkWrittenInPiecesSortsAsTheWholeChunk) {
    TempFolder folder;
    std::mt19937 random(9);
    const std::vector<std::string> before = ChunkEntries(random, 1, 25, 20);
    const std::vector<std::string> chunk = ChunkEntries(random, 26, 25, 40);
    const std::vector<std::string> after = ChunkEntries(random, 51, 25, 20);
    // The middle chunk as three sorted pieces of its documents.
    std::vector<std::string> pieces[3];
    for (const auto& entry : chunk) pieces[std::stoi(entry.substr(kWorkNumberOffset)) % 3].push_back(entry);
    const std::string whole = Lines(before) + Lines(chunk) + Lines(after);
    const std::string piecewise = Lines(before) + Lines(pieces[0]) + Lines(pieces[1]) + Lines(pieces[2]) + Lines(after);
    ASSERT_NE(whole, piecewise);

    const SortOutcome expected = SortRecords(folder, whole);
    const SortOutcome actual = SortKeys(folder, piecewise, {{before.size(), chunk.size()}});
    EXPECT_TRUE(SameBytes(actual.bytes, expected.bytes));
    EXPECT_EQ(actual.messagePumps, expected.messagePumps);
}

TEST(WorkFileKeys, AStopLeavesTheKeysWhereItLeavesTheRecords) {
    TempFolder folder;
    const std::string file = ChunkedWorkFile(40, 20, 12);
    for (const long pumps : {2L, 3L, 50L, 400L}) {
        SCOPED_TRACE("stop after " + std::to_string(pumps) + " pumps");
        const SortOutcome expected = SortRecords(folder, file, pumps);
        const SortOutcome actual = SortKeys(folder, file, {}, pumps);
        EXPECT_NE(expected.bytes, file);
        EXPECT_TRUE(SameBytes(actual.bytes, expected.bytes));
        EXPECT_EQ(actual.messagePumps, expected.messagePumps);
    }
}

TEST(WorkFileKeys, FilesThatTheParsingPhaseNeverWritesAreSortedWhereTheyLie) {
    TempFolder folder;
    const std::string good = ChunkedWorkFile(3, 10, 21);
    std::string badSeparator = good;
    badSeparator[kWorkRecordSize + kWorkColonOffset] = ';';
    std::string badNumber = good;
    badNumber.replace(kWorkNumberOffset, kWorkNumberWidth, "00000");
    std::string badLineEnd = good;
    badLineEnd[2 * kWorkRecordSize - 1] = ' ';
    // Every record its own run: more runs than a merge takes.
    std::string manyRuns;
    for (int i = 9000; i > 0; --i) manyRuns += FormatWorkEntry("W" + std::to_string(100000 + i), 1) + "\r\n";
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"separator", badSeparator}, {"number", badNumber}, {"line end", badLineEnd}, {"runs", manyRuns}}) {
        SCOPED_TRACE(name);
        const SortOutcome expected = SortRecords(folder, bytes);
        const std::string path = folder / "fallback.temp";
        WriteBytes(path, bytes);
        RecordingObserver observer;
        EXPECT_EQ(SortWorkFileKeys(path, {}, observer), nullptr);
        EXPECT_TRUE(SameBytes(ReadBytes(path), expected.bytes));
        EXPECT_EQ(observer.messagePumps, expected.messagePumps);
    }
}

TEST(WorkFileKeys, MissingAndEmptyFilesGiveNoKeys) {
    TempFolder folder;
    RecordingObserver observer;
    EXPECT_EQ(SortWorkFileKeys(folder / "missing.temp", {}, observer), nullptr);
    EXPECT_TRUE(observer.steps.empty());
    WriteBytes(folder / "empty.temp", "");
    EXPECT_EQ(SortWorkFileKeys(folder / "empty.temp", {}, observer), nullptr);
    EXPECT_EQ(observer.steps, std::vector<std::string>{"Sorting Words"});
    EXPECT_EQ(observer.indicatorHidden, 1);
    EXPECT_EQ(ReadBytes(folder / "empty.temp"), "");
}

}  // namespace
}  // namespace indexer
