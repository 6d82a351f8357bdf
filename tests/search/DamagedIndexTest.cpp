// Damaged index sets: short, cut or garbled files never crash a search, never
// make it read out of bounds or loop, and still give what can be read.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "SearchTestSupport.h"
#include "search/TTARVO.h"

namespace search {
namespace {

using test_support::Members;
using test_support::TestIndex;
using Docs = std::vector<std::uint32_t>;

/// Words and their documents in the healthy set; ECOLE with an accent is the
/// last word, so its posting list ends the ".ndx" file.
const std::map<std::string, Docs>& Expected() {
    // clang-format off
    static const std::map<std::string, Docs> words = {
        {"#TAG", {2}}, {"0", {1}}, {"01", {3}}, {"ANT", {1, 4}}, {"CAT", {1, 2}}, {"CATALOG", {3}},
        {"DOG", {2, 3}}, {"ZEBRA", {4}}, {"\xC9" "COLE", {1, 2, 3, 4, 5}},
    };
    // clang-format on
    return words;
}

class DamagedIndex : public ::testing::Test {
protected:
    void SetUp() override {
        for (int d = 1; d <= 5; ++d) index_.AddDocument("http://site/" + std::to_string(d), "Doc " + std::to_string(d));
        for (const auto& [word, docs] : Expected())
            for (const auto d : docs) index_.AddEntry(word, static_cast<int>(d));
        index_.Build();
    }

    Docs Lookup(const std::string& term) {
        TTARVO engine(index_.BasePath());
        engine.ReadExt();
        TBitSet set(500);
        engine.LookupTerm(set, term);
        return Members(set);
    }

    void ExpectEveryWordFound(const std::string& damage) {
        for (const auto& [word, docs] : Expected()) EXPECT_EQ(Lookup(word), docs) << word << " with " << damage;
    }

    /// Overwrites bytes of a file of the set at `offset`.
    void Patch(const std::string& extension, std::size_t offset, const std::string& bytes) {
        std::string file = index_.Read(extension);
        ASSERT_LE(offset + bytes.size(), file.size());
        file.replace(offset, bytes.size(), bytes);
        index_.Write(extension, file);
    }

    /// The record number of a word in ".dct".
    std::size_t RecordOf(const std::string& word) {
        std::string field = word;
        field.resize(27, ' ');
        const std::string dct = index_.Read(".dct");
        for (std::size_t r = 0; r * 32 < dct.size(); ++r)
            if (dct.compare(r * 32 + 1, 27, field) == 0) return r;
        ADD_FAILURE() << word << " not in the dictionary";
        return 0;
    }

    TestIndex index_;
};

TEST_F(DamagedIndex, HealthySetFindsEveryWord) { ExpectEveryWordFound("no damage"); }

TEST_F(DamagedIndex, ShortHashFileFallsBackToTheDictionaryOrder) {
    // Slots that cannot be read give no start; the lookup then searches the
    // sorted dictionary itself.
    for (const std::uintmax_t size : {93326u, 1000u, 101u, 1u, 0u}) {
        index_.Truncate(".hsh", size);
        ExpectEveryWordFound("a .hsh of " + std::to_string(size) + " bytes");
    }
}

TEST_F(DamagedIndex, HashSlotsNamingWrongRecordsDoNotHideWords) {
    const std::string hsh = index_.Read(".hsh");
    for (const std::string& value :
         {std::string("\x34\x12"), std::string("\0\0", 2), std::string("\x08\0", 2), std::string("\xFE\xFF")}) {
        std::string garbled;
        for (std::size_t i = 0; i < hsh.size() / 2; ++i) garbled += value;
        index_.Write(".hsh", garbled);
        ExpectEveryWordFound("every slot set to another record");
    }
}

TEST_F(DamagedIndex, PostingPositionBeyondTheEndAddsNothing) {
    const std::size_t cat = RecordOf("CAT");
    Patch(".dct", cat * 32 + 28, std::string("\x40\x42\x0F\x00", 4));  // position 1,000,000
    EXPECT_TRUE(Lookup("cat").empty());
    Patch(".dct", cat * 32 + 28, std::string("\x00\x00\x00\x80", 4));  // negative position
    EXPECT_TRUE(Lookup("cat").empty());
    EXPECT_EQ(Lookup("cat*"), (Docs{3}));  // CATALOG is still read
    EXPECT_EQ(Lookup("dog"), (Docs{2, 3}));
}

TEST_F(DamagedIndex, CountLargerThanWhatFollowsAddsTheNumbersPresent) {
    const std::string ndx = index_.Read(".ndx");
    index_.Truncate(".ndx", ndx.size() - 6);  // the last list keeps its count 5 and two numbers
    // clang-format off
    EXPECT_EQ(Lookup("\xE9" "cole").size(), 2u);  // numbers within a list come in no fixed order
    index_.Truncate(".ndx", ndx.size() - 11);  // and then only a half number
    EXPECT_TRUE(Lookup("\xE9" "cole").empty());
    // clang-format on
    EXPECT_EQ(Lookup("cat"), (Docs{1, 2}));
}

TEST_F(DamagedIndex, TruncatedDictionaryLosesOnlyTheCutRecords) {
    const std::string dct = index_.Read(".dct");
    index_.Truncate(".dct", dct.size() - 5);  // the last record is partial
    // clang-format off
    EXPECT_TRUE(Lookup("\xC9" "COLE").empty());
    EXPECT_TRUE(Lookup("\xC9" "CO*").empty());
    // clang-format on
    EXPECT_EQ(Lookup("cat"), (Docs{1, 2}));
    EXPECT_EQ(Lookup("zebra"), (Docs{4}));
    index_.Truncate(".dct", 10);
    for (const auto& [word, docs] : Expected()) EXPECT_TRUE(Lookup(word).empty()) << word;
}

TEST_F(DamagedIndex, GarbledDictionaryEndsEveryLookup) {
    std::mt19937 random(7);
    std::string garbage(32 * 500, '\0');
    for (auto& byte : garbage) byte = static_cast<char>(random());
    index_.Write(".dct", garbage);
    // clang-format off
    for (const std::string term : {"cat", "cat*", "#tag", "0", "zebra", "\xC9" "COLE", "abc*z"}) Lookup(term);
    // clang-format on
}

TEST_F(DamagedIndex, BlockLetterRecordWithTooManyLettersIsCut) {
    // clang-format off
    index_.Write(".ext", std::string("\xFF" "ABCDEFGHIJ", 11));
    // clang-format on
    TTARVO engine(index_.BasePath());
    engine.ReadExt();
    EXPECT_EQ(engine.GetExtRecord().Count, 9);
    ExpectEveryWordFound("a block letter file that the dictionary does not need");
    // clang-format off
    index_.Write(".ext", "\x03" "AB");  // shorter than one record
    // clang-format on
    TTARVO shortExt(index_.BasePath());
    shortExt.ReadExt();
    EXPECT_EQ(shortExt.GetExtRecord().Count, 0);
}

TEST_F(DamagedIndex, TableOfContentsCutInsideARecord) {
    index_.Truncate(".toc", 357 * 3 + 100);  // documents 1 to 3 whole, 4 partial, 5 gone
    TTARVO engine(index_.BasePath());
    // clang-format off
    engine.Search("\xE9" "cole");
    // clang-format on
    EXPECT_EQ(engine.TocRecordCount(), 3);
    EXPECT_EQ(engine.GetTitles(), (std::vector<std::string>{"Doc 1", "Doc 2", "Doc 3"}));
    EXPECT_EQ(engine.TakeErrorCode(), 0);
    TTARVO partial(index_.BasePath());
    partial.Search("zebra");  // only in document 4
    EXPECT_EQ(partial.GetTitles(), std::vector<std::string>{"No records found"});
    EXPECT_EQ(partial.TakeErrorCode(), 513);
}

TEST_F(DamagedIndex, EmptyTableOfContentsListsNothing) {
    index_.Truncate(".toc", 0);
    TTARVO engine(index_.BasePath());
    engine.Search("cat");
    EXPECT_EQ(engine.GetTitles(), std::vector<std::string>{"No records found"});
    EXPECT_EQ(engine.TakeErrorCode(), 513);
}

TEST_F(DamagedIndex, RandomlyGarbledSetsNeverCrash) {
    // Each round garbles bytes of every file of a fresh copy and runs a few
    // searches; the sanitizer build checks that nothing reads out of bounds.
    std::map<std::string, std::string> healthy;
    for (const std::string extension : {".toc", ".dct", ".ndx", ".hsh"}) healthy[extension] = index_.Read(extension);
    std::mt19937 random(20261208);
    for (int round = 0; round < 40; ++round) {
        for (const auto& [extension, bytes] : healthy) {
            std::string garbled = bytes;
            for (int flips = 0; flips < 6 && !garbled.empty(); ++flips)
                garbled[random() % garbled.size()] = static_cast<char>(random());
            if (random() % 4 == 0) garbled.resize(random() % (garbled.size() + 1));
            index_.Write(extension, garbled);
        }
        TTARVO engine(index_.BasePath());
        // clang-format off
        engine.Search("cat or dog zebra not ant #tag 0 cat* \xC9" "co*");
        // clang-format on
        EXPECT_EQ(engine.GetTitles().size(), std::max<std::size_t>(engine.GetUrls().size(), 1u)) << round;
    }
}

}  // namespace
}  // namespace search
