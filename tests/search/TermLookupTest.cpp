// Looking terms up in index sets written by the indexing engine: exact and
// short terms, every kind of first character, wildcards, and the status and
// error codes of missing files.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "SearchTestSupport.h"
#include "search/TTARVO.h"

namespace search {
namespace {

using test_support::Members;
using test_support::TestIndex;
using Docs = std::vector<std::uint32_t>;

const std::string kLongWord = "ABCDEFGHIJKLMNOPQRSTUVWXYZA";  // 27 characters

/// Words of every shape: punctuation and accented first characters, terms
/// that share hash slots through leading zeros, and wildcard neighbours.
class TermLookup : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        index_ = std::make_unique<TestIndex>();
        auto& x = *index_;
        x.AddDocument("u1", "t1", {"CAT", "CATS"});
        x.AddDocument("u2", "t2", {"CATERPILLARS", "DOG"});
        x.AddDocument("u3", "t3", {"CATALOG", "ABCD"});
        x.AddDocument("u4", "t4", {"CATALAN", "ABCAB"});
        x.AddDocument("u5", "t5", {"CAT?S", "#TAG"});
        x.AddDocument("u6", "t6", {"CAB", "#1", "C+"});
        x.AddDocument("u7", "t7", {"0", "00", "01", "0A"});
        // clang-format off
        x.AddDocument("u8", "t8", {"00A", "1", "A", "\xC9" "COLE"});
        x.AddDocument("u9", "t9", {"[X", "{Y", "@HOME", "_U", "\x01" "CTRL", "CA\x01T", "CAT\x01S"});
        // clang-format on
        x.AddDocument("u10", "t10", {"000", "10", "99X", "C", "AB"});
        x.AddDocument("u11", "t11", {kLongWord, "CAT"});
        x.Build();
    }
    static void TearDownTestSuite() { index_.reset(); }

    static Docs Lookup(const std::string& term) {
        TTARVO engine(index_->BasePath());
        engine.ReadExt();
        TBitSet set(500);
        engine.LookupTerm(set, term);
        EXPECT_EQ(engine.GetStatus(), kStatusNone) << term;
        EXPECT_FALSE(engine.GetWildcardError()) << term;
        return Members(set);
    }

    static std::unique_ptr<TestIndex> index_;
};
std::unique_ptr<TestIndex> TermLookup::index_;

struct LookupCase {
    std::string term;
    Docs documents;
};

TEST_F(TermLookup, ExactTermsFindTheirWordOnly) {
    // CAT\x01S is the first word that begins with CAT in the dictionary's
    // order, so the slot of CAT names it: the scan must read on past it.
    const std::vector<LookupCase> cases = {
        {"cat", {1, 11}},      {"CAT", {1, 11}},  {"Cat", {1, 11}},    {"cats", {1}},     {"cab", {6}},
        {"caterpillars", {2}}, {"dog", {2}},      {"catalog", {3}},    {"ca", {}},        {"bird", {}},
        {"zzz", {}},           {"catalogue", {}}, {"caterpillar", {}}, {kLongWord, {11}},
    };
    for (const auto& c : cases) EXPECT_EQ(Lookup(c.term), c.documents) << c.term;
}

TEST_F(TermLookup, ShortTermsFindOnlyTheEqualWord) {
    const std::vector<LookupCase> cases = {
        {"c", {10}},   {"a", {8}}, {"ab", {10}}, {"1", {8}}, {"10", {10}},
        {"99x", {10}}, {"b", {}},  {"ac", {}},   {"99", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Lookup(c.term), c.documents) << c.term;
}

TEST_F(TermLookup, TermsWithoutAHashSlotOfTheirOwnAreFound) {
    // clang-format off
    const std::vector<LookupCase> cases = {
        {"#tag", {5}},  {"#1", {6}},      {"c+", {6}},     {"@home", {9}},
        {"[x", {9}},    {"_u", {9}},      {"{y", {9}},     {"\x01" "ctrl", {9}},
        {"ca\x01t", {9}}, {"\xE9" "cole", {8}},  // lower-case e acute is upper-cased first
        {"cat\x01s", {9}},  // sorts before CAT: a control character is below the padding blank
        {"\xC9" "COLE", {8}}, {"#", {}}, {"{", {}}, {"\xC9", {}},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(Lookup(c.term), c.documents) << c.term;
}

TEST_F(TermLookup, TermsWithLeadingZerosAreFoundDespiteSharedSlots) {
    // "0", "00" and "000" share slot 0; "01" shares slot 1 with "1"; "0A"
    // and "00A" share slot 10 with "A". The later write wins in the file.
    const std::vector<LookupCase> cases = {
        {"0", {7}},   {"00", {7}},  {"000", {10}}, {"01", {7}}, {"0a", {7}},
        {"00a", {8}}, {"0000", {}}, {"02", {}},    {"00b", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Lookup(c.term), c.documents) << c.term;
}

TEST_F(TermLookup, WildcardsMatchPrefixAndSuffix) {
    const std::vector<LookupCase> cases = {
        {"catal*", {3, 4}},
        {"cat*s", {1, 2, 5, 9}},  // CATS, CATERPILLARS, CAT?S, CAT\x01S; not CAT
        {"abc*cd", {3}},          // prefix and suffix overlap in ABCD
        {"abc*ab", {4}},          // the suffix also occurs earlier in ABCAB
        {"cats*", {1}},
        {"cat*", {1, 2, 3, 4, 5, 9, 11}},
        {"cat?s", {5}},  // "?" after the third character is an ordinary character
        {"cat*z", {}},
        {"abcd*", {3, 11}},
        {"abc*a*", {}},  // a second star is an ordinary character
        {"dogs*", {}},
        {"#ta*", {5}},
        // clang-format off
        {"\xC9" "co*", {8}},
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(Lookup(c.term), c.documents) << c.term;
}

TEST_F(TermLookup, WildcardWithinTheFirstThreeCharactersIsRefused) {
    for (const std::string term : {"ca*", "?ab", "a*b", "*", "ab?", "c?t*s", "**cat"}) {
        TTARVO engine(index_->BasePath());
        TBitSet set(500);
        set.SetBit(3);
        engine.LookupTerm(set, term);
        EXPECT_TRUE(engine.GetWildcardError()) << term;
        EXPECT_EQ(engine.TakeErrorCode(), kWildcardErrorCode) << term;
        EXPECT_TRUE(set.IsEmpty()) << term;
        EXPECT_EQ(engine.GetStatus(), kStatusNone) << term;
    }
}

TEST_F(TermLookup, TermLongerThanTheWordFieldNeverMatchesExactly) {
    EXPECT_TRUE(Lookup(kLongWord + "BCD").empty());
    EXPECT_TRUE(Lookup(kLongWord + "B*").empty());
    EXPECT_EQ(Lookup(kLongWord + "*"), (Docs{11}));  // a 27-character prefix still matches
}

TEST_F(TermLookup, DictionaryRecordsReadOneAfterAnother) {
    TTARVO engine(index_->BasePath());
    ASSERT_TRUE(engine.OpenDct());
    std::string previous;
    int records = 0;
    while (engine.ReadNextDictRecord()) {
        const std::string word(engine.GetDictRecord().Word.data(), engine.GetDictRecord().Word.size());
        EXPECT_LT(previous, word) << "records out of order";
        EXPECT_EQ(engine.GetPostingPos(), engine.GetDictRecord().Position);
        previous = word;
        ++records;
    }
    engine.CloseFiles();
    EXPECT_EQ(static_cast<std::size_t>(records) * 32, index_->Read(".dct").size());
}

TEST_F(TermLookup, AddPostingsReadsTheListOfTheRecordReadLast) {
    TTARVO engine(index_->BasePath());
    ASSERT_TRUE(engine.OpenDct());
    while (engine.ReadNextDictRecord() && engine.GetDictRecord().Text() != "CAT") {
    }
    engine.CloseFiles();
    ASSERT_EQ(engine.GetDictRecord().Text(), "CAT");
    TBitSet set(500);
    engine.AddPostings(set);
    EXPECT_EQ(Members(set), (Docs{1, 11}));
}

TEST(TermLookupNarrow, ShortTermDoesNotTakeANeighboursPostings) {
    TestIndex index;
    index.AddDocument("u1", "t1", {"CAB", "CAR"});
    index.AddDocument("u2", "t2", {"CATALOG"});
    index.Build();
    TTARVO engine(index.BasePath());
    TBitSet set(500);
    engine.LookupTerm(set, "cat");
    EXPECT_TRUE(set.IsEmpty());
    engine.LookupTerm(set, "car");
    EXPECT_EQ(Members(set), (Docs{1}));
}

TEST(TermLookupNarrow, WordsBesideTokensOfControlCharactersOnlyFindExactlyTheirDocuments) {
    // The tokens of control characters only are empty words: they leave no
    // record that could break the dictionary's order or lend its documents.
    TestIndex index;
    // clang-format off
    index.AddDocument("u1", "t1", {"\x01", "\x01" "CTRL", "ALPHA"});
    index.AddDocument("u2", "t2", {"\x02\x03", "\x02" "X", "\x01" "CTRL"});
    index.AddDocument("u3", "t3", {"\x1F", "\x1F" "UNIT", "!BANG"});
    index.AddDocument("u4", "t4", {"\x01", "\x02\x03", "\x1F", "#TAG", "ALPHA"});
    index.AddDocument("u5", "t5", {"\x02" "X", "\x02", "BETA"});
    // clang-format on
    index.Build();
    EXPECT_EQ(index.Read(".dct").size(), 7u * 32);
    // clang-format off
    const std::vector<std::pair<std::string, Docs>> cases = {
        {"\x01" "ctrl", {1, 2}}, {"\x02" "x", {2, 5}}, {"\x1F" "unit", {3}}, {"!bang", {3}}, {"#tag", {4}},
        {"alpha", {1, 4}},      {"beta", {5}},        {"\x01" "ct*", {1, 2}}, {"\x1F" "un*", {3}},
    };
    // clang-format on
    for (const auto& [term, documents] : cases) {
        TTARVO engine(index.BasePath());
        TBitSet set(500);
        engine.LookupTerm(set, term);
        EXPECT_EQ(Members(set), documents) << term;
    }
}

TEST(TermLookupNarrow, EmptyDictionaryFindsNothing) {
    TestIndex index;
    index.AddDocument("u1", "t1");
    index.Build();
    TTARVO engine(index.BasePath());
    TBitSet set(500);
    for (const std::string term : {"a", "cat", "cat*", "#", "0"}) {
        engine.LookupTerm(set, term);
        EXPECT_TRUE(set.IsEmpty()) << term;
    }
    EXPECT_EQ(engine.GetStatus(), kStatusNone);
}

// ---- Files that fail to open ------------------------------------------------

class TermLookupFiles : public ::testing::Test {
protected:
    void SetUp() override {
        index_.AddDocument("u1", "t1", {"CAT", "DOG"});
        index_.Build();
    }
    TestIndex index_;
    TBitSet set_{500};
};

TEST_F(TermLookupFiles, MissingDictionaryGives306WhateverTheTerm) {
    index_.Remove(".dct");
    for (const std::string term : {"cat", "ca*", "zzz"}) {
        TTARVO engine(index_.BasePath());
        set_.SetBit(1);
        engine.LookupTerm(set_, term);
        EXPECT_TRUE(set_.IsEmpty()) << term;
        EXPECT_EQ(engine.GetStatus(), kStatusDct) << term;
        EXPECT_EQ(engine.TakeErrorCode(), 306) << term;
        EXPECT_FALSE(engine.GetWildcardError()) << term;
    }
}

TEST_F(TermLookupFiles, MissingFolderGivesTheFolderCode) {
    TTARVO engine(index_.PathOf("-missing") + "/site");
    engine.LookupTerm(set_, "cat");
    EXPECT_EQ(engine.GetStatus(), kStatusDct);
    EXPECT_EQ(engine.TakeErrorCode(), 307);
}

TEST_F(TermLookupFiles, FolderInPlaceOfTheDictionaryIsDeniedAccess) {
    index_.Remove(".dct");
    std::filesystem::create_directory(index_.PathOf(".dct"));
    TTARVO engine(index_.BasePath());
    engine.LookupTerm(set_, "cat");
    EXPECT_EQ(engine.GetStatus(), kStatusDct);
    EXPECT_EQ(engine.TakeErrorCode(), 309);
}

TEST_F(TermLookupFiles, MissingHashFileGives290) {
    index_.Remove(".hsh");
    TTARVO engine(index_.BasePath());
    engine.LookupTerm(set_, "cat");
    EXPECT_TRUE(set_.IsEmpty());
    EXPECT_EQ(engine.GetStatus(), kStatusHsh);
    EXPECT_EQ(engine.TakeErrorCode(), 290);
}

TEST_F(TermLookupFiles, MissingPostingFileShowsOnlyWhenAWordMatches) {
    index_.Remove(".ndx");
    TTARVO engine(index_.BasePath());
    engine.LookupTerm(set_, "zzz");
    EXPECT_EQ(engine.GetStatus(), kStatusNone);
    engine.LookupTerm(set_, "cat");
    EXPECT_TRUE(set_.IsEmpty());
    EXPECT_EQ(engine.GetStatus(), kStatusNdx);
    EXPECT_EQ(engine.TakeErrorCode(), 322);
}

TEST_F(TermLookupFiles, StatusStaysOnceAFileFailed) {
    const std::string hsh = index_.Read(".hsh");
    index_.Remove(".hsh");
    TTARVO engine(index_.BasePath());
    engine.LookupTerm(set_, "cat");
    ASSERT_EQ(engine.GetStatus(), kStatusHsh);
    index_.Write(".hsh", hsh);
    engine.LookupTerm(set_, "cat");
    EXPECT_TRUE(set_.IsEmpty());
    EXPECT_EQ(engine.GetStatus(), kStatusHsh);
    ASSERT_TRUE(engine.OpenDct());
    EXPECT_FALSE(engine.ReadNextDictRecord());
    engine.CloseFiles();
}

TEST_F(TermLookupFiles, TakeErrorCodeResetsTheCode) {
    index_.Remove(".dct");
    TTARVO engine(index_.BasePath());
    EXPECT_EQ(engine.TakeErrorCode(), 0);
    engine.LookupTerm(set_, "cat");
    EXPECT_EQ(engine.TakeErrorCode(), 306);
    EXPECT_EQ(engine.TakeErrorCode(), 0);
}

TEST_F(TermLookupFiles, MissingTableOfContentsGives274) {
    index_.Remove(".toc");
    TTARVO engine(index_.BasePath());
    EXPECT_FALSE(engine.OpenToc());
    EXPECT_EQ(engine.GetStatus(), kStatusToc);
    EXPECT_EQ(engine.TakeErrorCode(), 274);
}

TEST_F(TermLookupFiles, MissingBlockLetterFileIsNoError) {
    TTARVO engine(index_.BasePath());
    engine.ReadExt();
    EXPECT_EQ(engine.GetExtRecord().Count, 0);
    EXPECT_EQ(engine.TakeErrorCode(), 0);
    EXPECT_EQ(engine.GetStatus(), kStatusNone);
}

}  // namespace
}  // namespace search
