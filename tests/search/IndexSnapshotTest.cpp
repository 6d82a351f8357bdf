// One search reads one index set: the files are opened together under the
// folder's shared lock, a set renamed into place after that does not reach the
// running search, and a file that was missing fails with the same codes, at
// the same point of the search, as when every open goes to the file's name.
#include "search/IndexSnapshot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "SearchTestSupport.h"
#include "platform/FileLocking.h"
#include "search/TTARVO.h"

namespace search {
namespace {

using test_support::TestIndex;
using Titles = std::vector<std::string>;

constexpr const char* kSetFiles[] = {".toc", ".dct", ".hsh", ".ndx"};

/// A set whose documents are titled "<generation> n" for n = 1..count, each
/// with the words COMMON and ITEM<n>.
void BuildGeneration(TestIndex& index, const std::string& generation, int count) {
    for (int n = 1; n <= count; ++n)
        index.AddDocument("http://site/" + std::to_string(n), generation + " " + std::to_string(n),
                          {"COMMON", "ITEM" + std::to_string(n)});
    index.Build();
}

Titles Generation(const std::string& generation, std::vector<int> numbers) {
    Titles titles;
    for (const int n : numbers) titles.push_back(generation + " " + std::to_string(n));
    return titles;
}

/// Renames every file of `from` over the same file of `to`, as the indexer
/// publishes a set.
void RenameSetOver(const TestIndex& from, const TestIndex& to) {
    for (const char* extension : kSetFiles) std::filesystem::rename(from.PathOf(extension), to.PathOf(extension));
}

struct Outcome {
    Titles titles;
    std::int32_t status = kStatusNone;
    std::int32_t code = 0;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
    out << "status " << outcome.status << ", code " << outcome.code << ", titles";
    for (const auto& title : outcome.titles) out << " [" << title << "]";
    return out;
}

Outcome SearchOf(TTARVO& engine, const std::string& query) {
    engine.Search(query);
    const std::int32_t code = engine.TakeErrorCode();
    return {engine.GetTitles(), engine.GetStatus(), code};
}

Outcome SearchOf(const std::string& basePath, const std::string& query) {
    TTARVO engine(basePath);
    return SearchOf(engine, query);
}

TEST(IndexSnapshot, ASetRenamedInPlaceAfterTheSnapshotDoesNotReachTheSearch) {
    TestIndex site;
    BuildGeneration(site, "Old", 3);
    TestIndex fresh;
    BuildGeneration(fresh, "New", 5);

    TTARVO engine(site.BasePath());
    engine.TakeSnapshot();
    ASSERT_TRUE(engine.HasSnapshot());
    RenameSetOver(fresh, site);
    std::filesystem::remove(site.PathOf(".ext"));
    EXPECT_EQ(SearchOf(engine, "common"), (Outcome{Generation("Old", {1, 2, 3}), kStatusNone, 0}));
    EXPECT_EQ(SearchOf(engine, "item3 or item5"), (Outcome{Generation("Old", {3}), kStatusNone, 0}))
        << "the snapshot outlives a search that did not take it";
    engine.DropSnapshot();
    EXPECT_FALSE(engine.HasSnapshot());
    EXPECT_EQ(SearchOf(engine, "item3 or item5"), (Outcome{Generation("New", {3, 5}), kStatusNone, 0}));
}

TEST(IndexSnapshot, FilesDeletedAfterTheSnapshotAreStillRead) {
    TestIndex site;
    BuildGeneration(site, "Old", 2);
    TTARVO engine(site.BasePath());
    engine.TakeSnapshot();
    for (const char* extension : kSetFiles) site.Remove(extension);
    EXPECT_EQ(SearchOf(engine, "item2"), (Outcome{Generation("Old", {2}), kStatusNone, 0}));
}

TEST(IndexSnapshot, AFileMissingAtTheSnapshotFailsWithTheSameCodesAtTheSamePoint) {
    const struct {
        const char* missing;
        const char* query;
        Outcome expected;
    } cases[] = {
        {".toc", "common", {{"File errors!"}, kStatusToc, 274}},
        {".dct", "common", {{"File errors!"}, kStatusDct, 306}},
        {".hsh", "common", {{"File errors!"}, kStatusHsh, 290}},
        {".ndx", "common", {{"File errors!"}, kStatusNdx, 322}},
        // The posting file is opened only for a word the dictionary holds.
        {".ndx", "zebra", {{"No records found"}, kStatusNone, 513}},
        // The wildcard rule is checked before the table of contents is opened.
        {".toc", "common co*", {{"All wildcard characters must", "be after the 3rd character."}, kStatusNone, 512}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.missing) + " missing, query " + c.query);
        TestIndex site;
        BuildGeneration(site, "Old", 2);
        const std::string saved = site.Read(c.missing);
        site.Remove(c.missing);
        EXPECT_EQ(SearchOf(site.BasePath(), c.query), c.expected) << "without a snapshot";

        TTARVO engine(site.BasePath());
        engine.TakeSnapshot();
        site.Write(c.missing, saved);  // back after the snapshot: still missing for it
        EXPECT_EQ(SearchOf(engine, c.query), c.expected) << "with a snapshot";
    }
}

TEST(IndexSnapshot, ASetInAFolderThatCannotBeLockedIsReadUnlocked) {
    test_support::TempFolder folder;
    EXPECT_EQ(SearchOf(folder / "missing/DataBase", "common"), (Outcome{{"File errors!"}, kStatusDct, 307}))
        << "a missing folder: the classic 'path not found'";
    const IndexSnapshot snapshot = IndexSnapshot::Take(folder / "missing/DataBase");
    EXPECT_TRUE(snapshot.IsTaken());
    EXPECT_EQ(snapshot.Open(indexfiles::IndexFile::TableOfContents).OpenError(), ENOENT);
    EXPECT_EQ(snapshot.Open(indexfiles::IndexFile::WordDump).OpenError(), ENOENT)
        << "a file outside the snapshot is opened by name";
}

TEST(IndexSnapshot, AFolderLockThatIsNeverReleasedDelaysTheSearchButDoesNotStopIt) {
    TestIndex site;
    BuildGeneration(site, "Old", 2);
    const std::string folder = std::filesystem::path(site.BasePath()).parent_path().string();
    const platform::FolderLock stuck = platform::FolderLock::Acquire(folder, platform::FolderLock::Kind::Exclusive);
    ASSERT_TRUE(stuck.IsHeld());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SearchOf(site.BasePath(), "common"), (Outcome{Generation("Old", {1, 2}), kStatusNone, 0}));
    // The search waits for the lock a while (two seconds) before it reads.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(IndexSnapshot, ASearchWaitsWhileTheIndexerRenamesUnderTheExclusiveLock) {
    TestIndex site;
    BuildGeneration(site, "Old", 3);
    TestIndex fresh;
    BuildGeneration(fresh, "New", 5);
    const std::string folder = std::filesystem::path(site.BasePath()).parent_path().string();

    platform::FolderLock renaming = platform::FolderLock::Acquire(folder, platform::FolderLock::Kind::Exclusive);
    ASSERT_TRUE(renaming.IsHeld());
    Outcome seen;
    std::atomic<bool> started{false};
    std::thread search([&] {
        started = true;
        seen = SearchOf(site.BasePath(), "common");
    });
    while (!started) std::this_thread::yield();
    // Time for a search that read without the lock to read the old set.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // The new set goes in file by file while the search waits (it tries the
    // lock every millisecond): a search that read without the lock would see
    // the old set, or a mix of both...
    std::filesystem::rename(fresh.PathOf(".toc"), site.PathOf(".toc"));
    std::filesystem::rename(fresh.PathOf(".ndx"), site.PathOf(".ndx"));
    std::filesystem::rename(fresh.PathOf(".hsh"), site.PathOf(".hsh"));
    std::filesystem::rename(fresh.PathOf(".dct"), site.PathOf(".dct"));
    renaming.Release();
    search.join();
    // ...and the search, once it may open, reads the whole new one.
    EXPECT_EQ(seen, (Outcome{Generation("New", {1, 2, 3, 4, 5}), kStatusNone, 0}));
}

}  // namespace
}  // namespace search
