// Index sets written byte by byte from the file format, without the indexer:
// the reader must find words in exactly these bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SearchTestSupport.h"
#include "search/TTARVO.h"

namespace search {
namespace {

using test_support::TempFolder;
using test_support::WriteBytes;

std::string Uint16(std::uint16_t value) { return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}; }

std::string DictRecord(const std::string& word, std::int32_t position) {
    std::string record(1, '\x1B');
    record += word;
    record.resize(28, ' ');
    const auto value = static_cast<std::uint32_t>(position);
    for (int shift = 0; shift < 32; shift += 8) record.push_back(static_cast<char>((value >> shift) & 0xFF));
    return record;
}

std::string TocRecord(const std::string& url, const std::string& title) {
    std::string url255 = url, title100 = title;
    url255.resize(255, ' ');
    title100.resize(100, ' ');
    return url255 + title100 + "\r\n";
}

/// A prefix hash file with the given slots set and all others empty.
std::string HashFile(const std::vector<std::pair<std::uint32_t, std::uint16_t>>& slots) {
    std::string hsh;
    for (int i = 0; i < 46664; ++i) hsh += Uint16(0xFFFF);
    for (const auto& [key, value] : slots) hsh.replace(key * 2, 2, Uint16(value));
    return hsh;
}

TEST(HandcraftedIndex, SingleWordHello) {
    TempFolder folder;
    const std::string base = folder / "hello";
    WriteBytes(base + ".toc", TocRecord("http://site/hello.html", "Hello page"));
    WriteBytes(base + ".dct", DictRecord("HELLO", 0));
    WriteBytes(base + ".ndx", Uint16(1) + Uint16(1));
    WriteBytes(base + ".hsh", HashFile({{17, 0}, {626, 0}, {22557, 0}}));
    struct Case {
        std::string query;
        std::int32_t found;
    };
    for (const Case& c : std::vector<Case>{{"hello", 1},
                                           {"HELLO", 1},
                                           {"hel*", 1},
                                           {"hell*o", 1},
                                           {"h", 0},
                                           {"hel", 0},
                                           {"hello world", 0},
                                           {"help", 0},
                                           {"hello or world", 1}}) {
        TTARVO engine(base);
        engine.Search(c.query);
        EXPECT_EQ(engine.GetFoundCount(), c.found) << c.query;
        if (c.found == 1) {
            EXPECT_EQ(engine.GetUrls(), std::vector<std::string>{"http://site/hello.html"});
            EXPECT_EQ(engine.GetTitles(), std::vector<std::string>{"Hello page"});
        }
    }
}

TEST(HandcraftedIndex, TwoWordsABAndB) {
    // AB: slots 10 (A) and 371 (AB) hold record 0; B: slot 11 holds record 1.
    TempFolder folder;
    const std::string base = folder / "ab";
    WriteBytes(base + ".toc", TocRecord("u1", "T1") + TocRecord("u2", "T2"));
    WriteBytes(base + ".dct", DictRecord("AB", 0) + DictRecord("B", 2));
    WriteBytes(base + ".ndx", Uint16(1) + Uint16(1) + Uint16(1) + Uint16(2));
    WriteBytes(base + ".hsh", HashFile({{10, 0}, {371, 0}, {11, 1}}));
    TTARVO engine(base);
    TBitSet set(500);
    engine.LookupTerm(set, "ab");
    EXPECT_EQ(test_support::Members(set), std::vector<std::uint32_t>{1});
    engine.LookupTerm(set, "b");
    EXPECT_EQ(test_support::Members(set), std::vector<std::uint32_t>{2});
    engine.LookupTerm(set, "a");
    EXPECT_TRUE(set.IsEmpty());
    engine.LookupTerm(set, "ba");
    EXPECT_TRUE(set.IsEmpty());
    EXPECT_EQ(engine.GetStatus(), kStatusNone);
}

TEST(HandcraftedIndex, BlockLetterMPlacesSlotValuesInTheirBlocks) {
    // ".ext" with the one letter M: an M word whose slot says 40000 lies at
    // record 40000 (block 0), one whose slot says 100 at record 65600 (block 1).
    // The records before MAAA are blank placeholders that sort before every word.
    TempFolder folder;
    const std::string base = folder / "blocks";
    std::string dct;
    dct.reserve(65601 * 32);
    const std::string placeholder = DictRecord("", 0);
    for (int r = 0; r < 65601; ++r) dct += placeholder;
    dct.replace(40000 * 32, 32, DictRecord("MAAA", 0));
    dct.replace(65600 * 32, 32, DictRecord("MZZZ", 4));
    // The records between the two words hold MAAB, so the dictionary stays
    // sorted and record 65499, the end of block 0, begins with M.
    for (int r = 40001; r < 65600; ++r) dct.replace(static_cast<std::size_t>(r) * 32, 32, DictRecord("MAAB", 2));
    WriteBytes(base + ".dct", dct);
    WriteBytes(base + ".ndx", Uint16(1) + Uint16(3) + Uint16(1) + Uint16(4) + Uint16(1) + Uint16(5));
    const std::uint32_t m = 22, maa = 22 * 36 + 10, mz = 22 * 36 + 35;
    WriteBytes(base + ".hsh",
               HashFile({{m, 40000}, {maa, 40000}, {maa * 36 + 10, 40000}, {mz, 100}, {mz * 36 + 35, 100}}));
    WriteBytes(base + ".ext", std::string("\x01M\0\0\0\0\0\0\0\0", 10));
    TTARVO engine(base);
    engine.ReadExt();
    ASSERT_EQ(engine.GetExtRecord().Count, 1);
    TBitSet set(500);
    engine.LookupTerm(set, "maaa");
    EXPECT_EQ(test_support::Members(set), std::vector<std::uint32_t>{3});
    engine.LookupTerm(set, "mzzz");
    EXPECT_EQ(test_support::Members(set), std::vector<std::uint32_t>{5});
}

}  // namespace
}  // namespace search
