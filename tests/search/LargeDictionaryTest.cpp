// Every word of a dictionary of two hundred thousand words, spread over four
// blocks, is found as a term with exactly its posting list: words that start
// with punctuation, digits with leading zeros, accented capitals, and words
// on both sides of block boundaries whose boundary letter misleads the block
// rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "SearchTestSupport.h"
#include "platform/CodePage.h"
#include "search/TTARVO.h"

namespace search {
namespace {

using test_support::Members;
using test_support::TestIndex;
using Docs = std::vector<std::uint32_t>;

constexpr std::uint32_t kDocuments = 4000;
constexpr int kWordsBeforeM = 40000;  // the "M" words start at record 40000
constexpr int kMaaWords = 25600;      // "MB" starts at record 65600: slot value 100 in block 1
constexpr int kMbaWords = 29900;      // "S" starts at record 95500: slot value 30000 in block 1
constexpr int kSaaWords = 75500;      // block 1 ends with an "S" word, so does block 2's start
constexpr int kTfWords = 29000;

std::string Numbered(const std::string& prefix, int n) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06d", n);
    return prefix + digits;
}

/// Words that begin the dictionary, before every "M" word.
std::vector<std::string> ShapesBeforeM() {
    // clang-format off
    return {
        "!BANG", "#1", "#TAG", "$5", "%X", "&&", "'QUOTE", "+PLUS", "-DASH", ".DOT", "/SLASH",
        "\x01" "CTRL", "\x1F" "UNIT", "\"Q",
        "0", "00", "000", "0000", "001", "00A", "00Z", "01", "0A", "0Z9", "007", "0#", "0\xC9",
        "1", "10", "1,000", "3.14", "9", "99X",
        ":COLON", ";SEMI", "<LT", "=EQ", ">GT", "@HOME", "@",
        "A", "AB", "A+", "A+B", "C", "C+", "C++", "C#", "CA\x01T", "CAT", "CATS", "B1", "L",
        "ABCDEFGHIJKLMNOPQRSTUVWXYZA",
    };
    // clang-format on
}

/// Words that end the dictionary: first characters above "Z".
std::vector<std::string> ShapesAfterZ() {
    // clang-format off
    return {"[X", "\\B", "]", "^C", "_U", "`T", "{Y", "|P", "}", "~T",
            "\x80" "EURO", "\xC9" "COLE", "\xC0" "B", "\xD8", "\xDF", "\xDE" "ORN", "\x9F" "Y"};
    // clang-format on
}

class LargeDictionary : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        index_ = std::make_unique<TestIndex>();
        words_ = std::make_unique<std::map<std::string, Docs>>();
        std::vector<std::string> all = ShapesBeforeM();
        for (int n = 0; static_cast<int>(all.size()) < kWordsBeforeM; ++n) all.push_back(Numbered("AF", n));
        for (int n = 0; n < kMaaWords; ++n) all.push_back(Numbered("MAA", n));
        for (int n = 0; n < kMbaWords; ++n) all.push_back(Numbered("MBA", n));
        for (int n = 0; n < kSaaWords; ++n) all.push_back(Numbered("SAA", n));
        for (int n = 0; n < kTfWords; ++n) all.push_back(Numbered("TF", n));
        for (const auto& word : ShapesAfterZ()) all.push_back(word);

        for (std::uint32_t d = 1; d <= kDocuments; ++d) index_->AddDocument("u", "t");
        std::uint32_t i = 0;
        for (const auto& word : all) {
            ASSERT_EQ(platform::AnsiUpper(word), word) << "test words must be upper case";
            Docs docs{i * 37 % kDocuments + 1};
            if (i % 3 == 0) docs.push_back((i * 91 + 7) % kDocuments + 1);
            if (word == "MAA000000")
                for (std::uint32_t d = 1; d <= 3000; ++d) docs.push_back(d);
            std::sort(docs.begin(), docs.end());
            docs.erase(std::unique(docs.begin(), docs.end()), docs.end());
            for (const auto d : docs) index_->AddEntry(word, static_cast<int>(d));
            (*words_)[word] = docs;
            ++i;
        }
        index_->Build();
    }
    static void TearDownTestSuite() {
        index_.reset();
        words_.reset();
    }

    static Docs Union(const std::string& prefix) {
        std::set<std::uint32_t> docs;
        for (auto it = words_->lower_bound(prefix); it != words_->end() && it->first.starts_with(prefix); ++it)
            docs.insert(it->second.begin(), it->second.end());
        return {docs.begin(), docs.end()};
    }

    /// The dictionary record number of a word, from the ".dct" file.
    static std::int64_t RecordOf(const std::string& word) {
        const std::string dct = index_->Read(".dct");
        std::string field = word;
        field.resize(27, ' ');
        for (std::size_t r = 0; r * 32 < dct.size(); ++r)
            if (dct.compare(r * 32 + 1, 27, field) == 0) return static_cast<std::int64_t>(r);
        return -1;
    }

    static std::unique_ptr<TestIndex> index_;
    static std::unique_ptr<std::map<std::string, Docs>> words_;
};
std::unique_ptr<TestIndex> LargeDictionary::index_;
std::unique_ptr<std::map<std::string, Docs>> LargeDictionary::words_;

TEST_F(LargeDictionary, LayoutHasTheBoundaryCasesThisSuiteIsAbout) {
    TTARVO engine(index_->BasePath());
    engine.ReadExt();
    const TExtRecord& ext = engine.GetExtRecord();
    ASSERT_EQ(ext.Count, 3);
    EXPECT_EQ(std::string(ext.Letters.data(), 3), "MST");
    EXPECT_EQ(index_->Slot(22), 40000);          // "M": record 40000, block 0
    EXPECT_EQ(index_->Slot(22 * 36 + 11), 100);  // "MB": record 65600, block 1
    EXPECT_EQ(index_->Slot(28), 30000);          // "S": record 95500, block 1 although "S" is letter 2
    // Shared slots name a record after the word for "0" and "01".
    EXPECT_GT(index_->Slot(0), RecordOf("0"));
    EXPECT_EQ(index_->Slot(1), RecordOf("1"));
    EXPECT_GT(index_->Slot(1), RecordOf("01"));
    EXPECT_EQ(index_->Read(".dct").size(), words_->size() * 32);
}

/// The sanitizer build, many times slower, checks every fourth word and the
/// words around each block boundary; the normal build checks them all.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kWordStride = 4;
#else
constexpr std::size_t kWordStride = 1;
#endif

bool NearBlockBoundary(std::size_t record) {
    const std::size_t inBlock = record % 65500;
    return inBlock < 3 || inBlock > 65496;
}

TEST_F(LargeDictionary, EveryWordIsFoundWithExactlyItsPostings) {
    TTARVO engine(index_->BasePath());
    engine.ReadExt();
    TBitSet set(500);
    int failures = 0;
    std::size_t record = 0;
    for (const auto& [word, docs] : *words_) {
        if (record++ % kWordStride != 0 && !NearBlockBoundary(record - 1)) continue;
        engine.LookupTerm(set, word);
        if (Members(set) != docs && ++failures <= 20)
            ADD_FAILURE() << "word [" << word << "] found in " << Members(set).size() << " documents, expected "
                          << docs.size();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(engine.GetStatus(), kStatusNone);
    EXPECT_EQ(engine.TakeErrorCode(), 0);
}

TEST_F(LargeDictionary, AbsentWordsBetweenAndAroundThemFindNothing) {
    TTARVO engine(index_->BasePath());
    engine.ReadExt();
    TBitSet set(500);
    // clang-format off
    for (const std::string term : {"MAA025600", "MBA", "SAA", "SAA075500", "S", "M", "TF029000", "0B", "02",
                                   "AF", "Z", "ZZZ", "\xFE", "\x81", "#2", "!", "@HOMES", "\xC9" "COLES"}) {
        // clang-format on
        engine.LookupTerm(set, term);
        EXPECT_TRUE(set.IsEmpty()) << term;
    }
}

TEST_F(LargeDictionary, BroadWildcardsGatherEveryMatchingWord) {
    TTARVO engine(index_->BasePath());
    engine.ReadExt();
    TBitSet set(500);
    for (const std::string prefix : {"MBA0000", "SAA", "SAA07549", "MAA02559", "AF0399", "TF0", "0Z9", "#TA"}) {
        engine.LookupTerm(set, prefix + "*");
        EXPECT_EQ(Members(set), Union(prefix)) << prefix;
    }
    engine.LookupTerm(set, "SAA*5");  // words ending in 5
    std::set<std::uint32_t> expected;
    for (int n = 5; n < kSaaWords; n += 10) {
        const auto& docs = words_->at(Numbered("SAA", n));
        expected.insert(docs.begin(), docs.end());
    }
    EXPECT_EQ(Members(set), Docs(expected.begin(), expected.end()));
}

}  // namespace
}  // namespace search
