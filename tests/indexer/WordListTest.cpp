// Sorted word list: ordinal order, dropped duplicates, Find positions and the
// flushed text.
#include "indexer/engine/WordList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using indexer::CompareOrdinal;
using indexer::TTARVOStringList;

std::vector<std::string> Entries(const TTARVOStringList& list) {
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < list.Count(); ++i) entries.emplace_back(list.At(i));
    return entries;
}

using Strings = std::vector<std::string>;

TEST(WordListOrder, OrdinalComparisonByUnsignedBytes) {
    const struct {
        std::string a, b;
        int sign;
    } cases[] = {
        {"A", "B", -1},          {"Z", "a", -1},    {"Z", "\xC9", -1},
        {"\x7F", "\x80", -1},    {"AB", "ABC", -1}, {"", "A", -1},
        {"ABC", "ABC", 0},       {"", "", 0},       {std::string("A\0", 2), "A", 1},
        {"\xFF", "\xFE\xFF", 1}, {"abc", "ABC", 1},
    };
    for (const auto& c : cases) {
        const int result = CompareOrdinal(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " vs " << c.b;
        const int reverse = CompareOrdinal(c.b, c.a);
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign) << c.b << " vs " << c.a;
    }
}

TEST(WordListOrder, ByteOrderNotLocaleOrder) {
    TTARVOStringList list;
    for (const char* word : {"a", "\xC9", "Z", "b", "A"}) list.Add(word);
    EXPECT_EQ(Entries(list), (Strings{"A", "Z", "a", "b", "\xC9"}));
}

TEST(WordListDuplicates, SameEntryTwiceLeavesOne) {
    TTARVOStringList list;
    list.Add("WORD                       :00001");
    list.Add("WORD                       :00001");
    EXPECT_EQ(list.Count(), 1u);
    list.Add("WORD                       :00001");  // after the list was read once
    EXPECT_EQ(list.Count(), 1u);
}

TEST(WordListDuplicates, EntriesDifferingInDocumentNumberAreKeptInNumberOrder) {
    TTARVOStringList list;
    list.Add("WORD                       :00012");
    list.Add("WORD                       :00002");
    list.Add("WORC                       :00099");
    EXPECT_EQ(Entries(list), (Strings{"WORC                       :00099", "WORD                       :00002",
                                      "WORD                       :00012"}));
}

TEST(WordListDuplicates, EntriesSharingTheirFirstEightBytesStayDistinct) {
    TTARVOStringList list;
    const std::string withNul("ABCDEFGH\0", 9);
    for (std::string_view word :
         {std::string_view("ABCDEFGHIJ"), std::string_view("ABCDEFGH"), std::string_view(withNul),
          std::string_view("ABCDEFGHI"), std::string_view("ABCDEFGH")})
        list.Add(word);
    EXPECT_EQ(Entries(list), (Strings{"ABCDEFGH", withNul, "ABCDEFGHI", "ABCDEFGHIJ"}));
}

TEST(WordListFind, FoundEntriesAndInsertPositions) {
    TTARVOStringList list;
    for (const char* word : {"B", "D", "F"}) list.Add(word);
    const struct {
        const char* text;
        bool found;
        std::size_t index;
    } cases[] = {
        {"A", false, 0}, {"B", true, 0},  {"C", false, 1}, {"D", true, 1},   {"E", false, 2},
        {"F", true, 2},  {"G", false, 3}, {"", false, 0},  {"BB", false, 1},
    };
    for (const auto& c : cases) {
        std::size_t index = 99;
        EXPECT_EQ(list.Find(c.text, index), c.found) << c.text;
        EXPECT_EQ(index, c.index) << c.text;
    }
}

TEST(WordListFind, EmptyListGivesPositionZero) {
    const TTARVOStringList list;
    std::size_t index = 7;
    EXPECT_FALSE(list.Find("A", index));
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(list.Count(), 0u);
}

TEST(WordListText, AppendTextWritesSortedUniqueCrLfLines) {
    TTARVOStringList list;
    for (const char* word : {"PEAR", "APPLE", "PEAR", "FIG"}) list.Add(word);
    std::string text = "head:";
    list.AppendText(text);
    EXPECT_EQ(text, "head:APPLE\r\nFIG\r\nPEAR\r\n");
    EXPECT_EQ(list.TextSize(), text.size() - 5);
}

TEST(WordListText, WriteTextHandsOverTheSameBytesInWholeEntries) {
    TTARVOStringList list;
    for (int i = 0; i < 1000; ++i) list.Add("WORD" + std::to_string(i % 700));
    list.Add(std::string(60, 'L'));  // a text too long for a fixed record
    std::string whole;
    list.AppendText(whole);
    std::string pieces;
    int calls = 0;
    list.WriteText(
        [&](std::string_view block) {
            ++calls;
            EXPECT_TRUE(block.ends_with("\r\n"));
            pieces.append(block);
        },
        100);
    EXPECT_EQ(pieces, whole);
    EXPECT_GT(calls, 50);
    EXPECT_EQ(list.Count(), 701u);
}

TEST(WordListText, ClearEmptiesTheListForTheNextChunk) {
    TTARVOStringList list;
    list.Add("X");
    list.Add("Y");
    EXPECT_EQ(list.Count(), 2u);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    std::string text;
    list.AppendText(text);
    EXPECT_EQ(text, "");
    list.Add("Z");
    list.Add("X");
    EXPECT_EQ(Entries(list), (Strings{"X", "Z"}));
}

TEST(WordListText, AtOutsideTheListThrows) {
    TTARVOStringList list;
    list.Add("A");
    EXPECT_THROW(list.At(1), std::out_of_range);
}

TEST(WordListText, RandomEntriesMatchASortedSet) {
    // Adds in several rounds, reading in between, so that sorted entries and
    // newly added ones are merged again and again.
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 48);  // fixed records and longer texts
    std::set<std::string, bool (*)(const std::string&, const std::string&)> expected(
        [](const std::string& a, const std::string& b) { return CompareOrdinal(a, b) < 0; });
    TTARVOStringList list;
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 300; ++i) {
            std::string entry;
            const int size = length(random);
            for (int k = 0; k < size; ++k)
                entry.push_back(static_cast<char>(byte(random) % 4 == 0 ? 'A' : byte(random)));
            list.Add(entry);
            expected.insert(entry);
            if (i % 50 == 0) {
                std::size_t index = 0;
                ASSERT_TRUE(list.Find(entry, index));
                ASSERT_EQ(list.At(index), entry);
            }
        }
        ASSERT_EQ(list.Count(), expected.size());
    }
    EXPECT_EQ(Entries(list), Strings(expected.begin(), expected.end()));
}

}  // namespace
