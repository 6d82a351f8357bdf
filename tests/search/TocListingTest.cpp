// The kept listing of a table of contents: the same fields as reading each
// record, handed out again only for the very file it was read from, and
// read anew for a file put in its place.
#include "search/TocListing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>

#include "indexfiles/IndexFiles.h"
#include "tests/support/TestFiles.h"

namespace {

using indexfiles::kTocRecordSize;

std::string Record(const std::string& url, const std::string& title) {
    std::string record(kTocRecordSize, ' ');
    std::copy(url.begin(), url.end(), record.begin() + static_cast<std::ptrdiff_t>(indexfiles::kTocUrlOffset));
    std::copy(title.begin(), title.end(), record.begin() + static_cast<std::ptrdiff_t>(indexfiles::kTocTitleOffset));
    record[kTocRecordSize - 2] = '\r';
    record[kTocRecordSize - 1] = '\n';
    return record;
}

// Three thousand records of many lengths (more than one read's worth), with
// zero bytes and control characters in some.
std::string ManyRecords(const std::string& tag) {
    std::string toc;
    for (int i = 0; i < 3000; ++i) {
        std::string url =
            "http://site.test/" + tag + std::to_string(i) + std::string(static_cast<std::size_t>(i % 50), 'u');
        std::string title = tag + " title " + std::to_string(i) + (i % 7 == 0 ? std::string("\0tail", 5) : "\t");
        toc += Record(url, title);
    }
    return toc;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(TocListing, ListsEveryRecordAsReadingItDoes) {
    tarvo_test::TempFolder folder;
    const std::string toc = ManyRecords("a");
    WriteBytes(folder / "set.toc", toc + "partial record");
    const auto file = platform::FileHandle::Open(folder / "set.toc", platform::FileHandle::Mode::Read);
    const std::int64_t count = static_cast<std::int64_t>(toc.size() / kTocRecordSize);
    const auto listing = search::TocListing::Read(file, count);
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->Count(), count);
    for (std::int64_t i = 0; i < count; ++i) {
        const auto* bytes =
            reinterpret_cast<const unsigned char*>(toc.data()) + i * static_cast<std::int64_t>(kTocRecordSize);
        const search::TocEntry read = search::ReadTocEntry(bytes);
        const search::TocEntry kept = listing->Entry(i);
        ASSERT_EQ(kept.Url, read.Url) << i;
        ASSERT_EQ(kept.Title, read.Title) << i;
    }
}

TEST(TocListing, AFileShorterThanItsCountGivesNoListing) {
    tarvo_test::TempFolder folder;
    WriteBytes(folder / "set.toc", Record("u", "t"));
    const auto file = platform::FileHandle::Open(folder / "set.toc", platform::FileHandle::Mode::Read);
    EXPECT_FALSE(search::TocListing::Read(file, 2));
}

TEST(TocListingCache, KeepsTheListingOfTheSameFileAndReadsAReplacedOneAnew) {
    tarvo_test::TempFolder folder;
    const std::string path = folder / "set.toc";
    WriteBytes(path, ManyRecords("old"));
    search::TocListingCache cache;
    const auto open = [&] { return platform::FileHandle::Open(path, platform::FileHandle::Mode::Read); };
    const auto oldFile = open();
    const auto first = cache.For(folder / "set", oldFile, 3000);
    ASSERT_TRUE(first);
    EXPECT_EQ(cache.For(folder / "set", open(), 3000), first);

    // A new set is renamed into place, as the indexer publishes one.
    WriteBytes(folder / "set.toc.new", ManyRecords("new"));
    std::filesystem::rename(folder / "set.toc.new", path);
    const auto replaced = cache.For(folder / "set", open(), 3000);
    ASSERT_TRUE(replaced);
    EXPECT_NE(replaced, first);
    EXPECT_EQ(replaced->Entry(5).Title, "new title 5");
    // A request that opened the old file before the rename still gets its own set.
    const auto stillOld = cache.For(folder / "set", oldFile, 3000);
    ASSERT_TRUE(stillOld);
    EXPECT_EQ(stillOld->Entry(5).Title, "old title 5");
}

TEST(TocListingCache, TheSameFileReadInAnotherCodePageIsListedAnew) {
    tarvo_test::TempFolder folder;
    const std::string path = folder / "set.toc";
    WriteBytes(path, Record("http://a/", "first"));
    search::TocListingCache cache;
    const auto open = [&] { return platform::FileHandle::Open(path, platform::FileHandle::Mode::Read); };
    const auto ansi = cache.For(folder / "set", open(), 1);
    ASSERT_TRUE(ansi);
    const auto utf8 = cache.For(folder / "set", open(), 1, platform::IndexCodePage::Utf8);
    ASSERT_TRUE(utf8);
    EXPECT_NE(utf8, ansi);
    EXPECT_EQ(cache.For(folder / "set", open(), 1, platform::IndexCodePage::Utf8), utf8);
}

TEST(TocListingCache, AFileChangedInPlaceIsReadAnew) {
    tarvo_test::TempFolder folder;
    const std::string path = folder / "set.toc";
    WriteBytes(path, Record("http://a/", "first"));
    search::TocListingCache cache;
    const auto open = [&] { return platform::FileHandle::Open(path, platform::FileHandle::Mode::Read); };
    ASSERT_TRUE(cache.For(folder / "set", open(), 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WriteBytes(path, Record("http://b/", "other"));
    const auto listing = cache.For(folder / "set", open(), 1);
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->Entry(0).Title, "other");
}

}  // namespace
