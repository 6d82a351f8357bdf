// A UTF-8 set's dictionary of two hundred thousand words in many scripts,
// spread over four blocks: Latin, Greek, Cyrillic, Armenian, Hebrew,
// Devanagari, Hangul, Han, Thai and Deseret words, words that begin with
// "{", "|" and "~", and words that begin with the bytes C0 and C1. Every
// word is found with exactly its postings, as a term and through a prefix.
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
#include "platform/Utf8Text.h"
#include "search/TTARVO.h"

namespace search {
namespace {

using platform::IndexCodePage;
using test_support::Members;
using test_support::TestIndex;
using Docs = std::vector<std::uint32_t>;

constexpr std::uint32_t kDocuments = 4000;

std::string Numbered(const std::string& prefix, int n, int digits = 6) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", digits, n);
    return prefix + text;
}

std::string Utf8Of(char32_t codePoint) {
    std::string text;
    if (codePoint < 0x800) {
        text += static_cast<char>(0xC0 | (codePoint >> 6));
    } else if (codePoint < 0x10000) {
        text += static_cast<char>(0xE0 | (codePoint >> 12));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (codePoint >> 18));
        text += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    }
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
    return text;
}

/// The words of the dictionary, upper case as a UTF-8 set stores them.
std::vector<std::string> MixedScriptWords() {
    std::vector<std::string> words;
    const auto numbered = [&](const std::string& stem, int count, int digits = 6) {
        for (int n = 0; n < count; ++n) words.push_back(Numbered(stem, n, digits));
    };
    numbered("{", 2000);
    numbered("|", 2000);
    numbered("~", 2000);
    numbered("LAT", 50000);
    numbered("ÉCOLE", 20000);
    numbered("ΛΟΓΟΣ", 30000);
    numbered("СЛОВО", 30000);
    numbered("ԲԱՌ", 10000);
    numbered("מילה", 10000);
    numbered("शब्द", 10000);
    numbered("단어", 10000);
    numbered("𐐀𐐁", 1000, 4);
    numbered("\xC0X", 500);
    numbered("\xC1Y", 500);
    // Han, Thai and Han beyond the first plane: one character, one word.
    for (char32_t c = 0x4E00; c < 0x4E00 + 20000; ++c) words.push_back(Utf8Of(c));
    for (char32_t c = 0x0E01; c <= 0x0E2E; ++c) words.push_back(Utf8Of(c));
    for (char32_t c = 0x20000; c < 0x20000 + 2000; ++c) words.push_back(Utf8Of(c));
    return words;
}

class LargeUtf8Dictionary : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        index_ = std::make_unique<TestIndex>();
        words_ = std::make_unique<std::map<std::string, Docs>>();
        for (std::uint32_t d = 1; d <= kDocuments; ++d) index_->AddDocument("u", "t");
        std::uint32_t i = 0;
        for (const auto& word : MixedScriptWords()) {
            ASSERT_EQ(platform::UpperIn(IndexCodePage::Utf8, word), word) << "test words must be upper case";
            ASSERT_LE(word.size(), indexfiles::kWordWidth);
            Docs docs{i * 37 % kDocuments + 1};
            if (i % 3 == 0) docs.push_back((i * 91 + 7) % kDocuments + 1);
            std::sort(docs.begin(), docs.end());
            docs.erase(std::unique(docs.begin(), docs.end()), docs.end());
            for (const auto d : docs) index_->AddEntry(word, static_cast<int>(d));
            (*words_)[word] = docs;
            ++i;
        }
        index_->Build();
        index_->Write(".cpg", indexfiles::FormatCodePageLine("utf-8"));
    }
    static void TearDownTestSuite() {
        index_.reset();
        words_.reset();
    }

    /// A search object on the set with its code page and block letters read.
    static std::unique_ptr<TTARVO> Engine() {
        auto engine = std::make_unique<TTARVO>(index_->BasePath());
        engine->TakeSnapshot();
        engine->ReadExt();
        return engine;
    }

    static Docs Union(const std::string& prefix) {
        std::set<std::uint32_t> docs;
        for (auto it = words_->lower_bound(prefix); it != words_->end() && it->first.starts_with(prefix); ++it)
            docs.insert(it->second.begin(), it->second.end());
        return {docs.begin(), docs.end()};
    }

    static std::unique_ptr<TestIndex> index_;
    static std::unique_ptr<std::map<std::string, Docs>> words_;
};
std::unique_ptr<TestIndex> LargeUtf8Dictionary::index_;
std::unique_ptr<std::map<std::string, Docs>> LargeUtf8Dictionary::words_;

/// The sanitizer build, many times slower, checks every fourth word.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kWordStride = 4;
#else
constexpr std::size_t kWordStride = 1;
#endif

TEST_F(LargeUtf8Dictionary, SpansFourBlocksWhoseLastWordsBeginBeyondAscii) {
    const auto engine = Engine();
    EXPECT_EQ(engine->GetCodePage(), IndexCodePage::Utf8);
    const TExtRecord& ext = engine->GetExtRecord();
    ASSERT_EQ(ext.Count, 3);
    for (std::size_t i = 0; i < ext.Count; ++i) EXPECT_GE(static_cast<unsigned char>(ext.Letters[i]), 0x80u) << i;
    EXPECT_GE(words_->size(), 200000u);
    EXPECT_EQ(index_->Read(".dct").size(), words_->size() * 32);
}

TEST_F(LargeUtf8Dictionary, EveryWordIsFoundWithExactlyItsPostings) {
    const auto engine = Engine();
    TBitSet set(500);
    int failures = 0;
    std::size_t record = 0;
    for (const auto& [word, docs] : *words_) {
        if (record++ % kWordStride != 0) continue;
        engine->LookupTerm(set, word);
        if (Members(set) != docs && ++failures <= 20)
            ADD_FAILURE() << "word [" << word << "] found in " << Members(set).size() << " documents, expected "
                          << docs.size();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(engine->GetStatus(), kStatusNone);
    EXPECT_EQ(engine->TakeErrorCode(), 0);
}

TEST_F(LargeUtf8Dictionary, EveryWordIsFoundThroughAPrefix) {
    // Each word without its last character, once per prefix: together the
    // prefixes cover every word. A word of one character is its own prefix.
    const auto engine = Engine();
    TBitSet set(500);
    int failures = 0;
    std::string last;
    std::size_t searched = 0;
    for (const auto& [word, docs] : *words_) {
        std::size_t cut = word.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(word[cut]) & 0xC0) == 0x80) --cut;
        std::string prefix = word.substr(0, cut);
        if (prefix.size() < 3) prefix = word;
        if (prefix == last) continue;
        last = prefix;
        if (searched++ % kWordStride != 0) continue;
        engine->LookupTerm(set, prefix + "*");
        if (Members(set) != Union(prefix) && ++failures <= 20)
            ADD_FAILURE() << "prefix [" << prefix << "*] found " << Members(set).size() << " documents, expected "
                          << Union(prefix).size();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_FALSE(engine->GetWildcardError());
}

TEST_F(LargeUtf8Dictionary, LowerCaseTermsAndAbsentWordsBetweenThem) {
    const auto engine = Engine();
    TBitSet set(500);
    for (const std::string lower : {"λογοσ012345", "слово029999", "école000000", "lat049999", "𐐨𐐩0999"}) {
        engine->LookupTerm(set, lower);
        EXPECT_EQ(Members(set), words_->at(platform::UpperIn(IndexCodePage::Utf8, lower))) << lower;
    }
    for (const std::string absent :
         {"ΛΟΓΟΣ030000", "ΛΟΓΟ", "{002000", "~", "|", "\xC0X000500", "𐐀𐐁1000", "\xE9\xBE\xA5", "ԲԱՌ", "단어010000"}) {
        engine->LookupTerm(set, absent);
        EXPECT_TRUE(set.IsEmpty()) << absent;
    }
}

}  // namespace
}  // namespace search
