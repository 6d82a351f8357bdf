// Index sets in Windows-1250 and UTF-8: the code page file read with the
// set, the query terms upper-cased by the set's rules, the words of scripts
// written without spaces found together, and prefixes of non-ASCII words.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "SearchTestSupport.h"
#include "platform/CodePage.h"
#include "search/TTARVO.h"
#include "search/TermWords.h"

namespace search {
namespace {

using platform::IndexCodePage;
using test_support::Members;
using test_support::TestIndex;
using Docs = std::vector<std::uint32_t>;

TEST(CodePageFile, NamesTheSetsCodePageOrIsAFileError) {
    TestIndex index;
    index.AddDocument("http://a/1", "One", {"ALPHA"});
    index.Build();
    const auto read = [&](const std::string& cpg) {
        if (cpg.empty()) index.Remove(".cpg");
        else index.Write(".cpg", cpg);
        TTARVO engine(index.BasePath());
        engine.TakeSnapshot();
        return std::make_pair(engine.GetCodePage(), engine.GetStatus());
    };
    using Result = std::pair<IndexCodePage, std::int32_t>;
    EXPECT_EQ(read(""), Result(IndexCodePage::Windows1252, kStatusNone));
    EXPECT_EQ(read("windows-1250\r\n"), Result(IndexCodePage::Windows1250, kStatusNone));
    EXPECT_EQ(read(" UTF-8 \r\n"), Result(IndexCodePage::Utf8, kStatusNone));
    EXPECT_EQ(read("windows-1252\r\n"), Result(IndexCodePage::Windows1252, kStatusNone));
    // 64 bytes are allowed, 65 are not.
    EXPECT_EQ(read("utf-8" + std::string(59, ' ')), Result(IndexCodePage::Utf8, kStatusNone));
    for (const std::string& bad : {"utf-8" + std::string(60, ' '), std::string("koi8-r\r\n"), std::string("\r\n"),
                                   std::string("utf-8\r\nwindows-1250\r\n")})
        EXPECT_EQ(read(bad), Result(IndexCodePage::Windows1252, kStatusCpg)) << bad;
}

TEST(CodePageFile, AnUnknownCodePageAnswersWithTheFileError) {
    TestIndex index("site");
    index.AddDocument("http://a/1", "One", {"ALPHA"});
    index.Build();
    index.Write(".cpg", "ebcdic\r\n");
    TTARVO engine(index.BasePath());
    engine.Search("alpha");
    EXPECT_EQ(engine.GetTitles(), std::vector<std::string>{std::string(kFileErrorMessage)});
    EXPECT_EQ(engine.TakeErrorCode(), kCpgOpenErrorBase + 6);
    EXPECT_EQ(engine.GetStatus(), kStatusCpg);
    EXPECT_EQ(engine.GetFileFailure().Extension, ".cpg");
    EXPECT_EQ(engine.GetFileFailure().ErrorNumber, 0);

    // A code page file that opens but cannot be read gives the system's reason.
    index.Remove(".cpg");
    std::filesystem::create_directory(index.PathOf(".cpg"));
    TTARVO directory(index.BasePath());
    directory.Search("alpha");
    EXPECT_EQ(directory.GetStatus(), kStatusCpg);
    EXPECT_EQ(directory.GetFileFailure().ErrorNumber, EISDIR);
    EXPECT_EQ(directory.TakeErrorCode(), kCpgOpenErrorBase + 5);  // read as denied access
}

/// Looks terms up in a set with a code page, as a search does.
class CodePageLookup {
public:
    CodePageLookup(const std::string& cpg, const std::vector<std::vector<std::string>>& documents) {
        for (std::size_t d = 0; d < documents.size(); ++d)
            index_.AddDocument("http://a/" + std::to_string(d + 1), "t", documents[d]);
        index_.Build();
        index_.Write(".cpg", cpg);
    }
    Docs Find(const std::string& term) {
        TTARVO engine(index_.BasePath());
        engine.TakeSnapshot();
        TBitSet set(500);
        engine.LookupTerm(set, term);
        wildcardError_ = engine.GetWildcardError();
        return Members(set);
    }
    Docs Search(const std::string& query) {
        TTARVO engine(index_.BasePath());
        engine.Search(query);
        return Members(engine.GetResultSet());
    }
    bool WildcardError() const { return wildcardError_; }

private:
    TestIndex index_;
    bool wildcardError_ = false;
};

/// A word as a set of `codePage` stores it: upper-cased by its rules.
std::string Stored(IndexCodePage codePage, const std::string& word) { return platform::UpperIn(codePage, word); }

TEST(Utf8SetLookup, LowerAndUpperCaseFindTheSameWordInEveryScript) {
    const auto utf8 = IndexCodePage::Utf8;
    // Greek, Russian, Polish, Czech, Turkish and German words, one document each.
    const std::vector<std::string> words = {"κόσμος", "привет", "źdźbło", "příliš", "şeker", "ığdır", "straße"};
    std::vector<std::vector<std::string>> documents;
    for (const auto& word : words) documents.push_back({Stored(utf8, word)});
    CodePageLookup set("utf-8\r\n", documents);
    for (std::uint32_t d = 1; d <= words.size(); ++d) {
        const std::string& lower = words[d - 1];
        EXPECT_EQ(set.Find(lower), Docs{d}) << lower;
        EXPECT_EQ(set.Find(Stored(utf8, lower)), Docs{d}) << lower;
    }
    EXPECT_EQ(Stored(utf8, "straße"), "STRAßE");  // ß has no simple capital
    EXPECT_EQ(set.Find("ΚΌΣΜΟΙ"), Docs{});
}

TEST(Utf8SetLookup, ATrailingStarFindsTheNonAsciiWordsItBegins) {
    const auto utf8 = IndexCodePage::Utf8;
    CodePageLookup set("utf-8", {{Stored(utf8, "κόσμος")},
                                 {Stored(utf8, "κόσμημα")},
                                 {Stored(utf8, "привет")},
                                 {Stored(utf8, "приветствие")},
                                 {Stored(utf8, "żółw")}});
    EXPECT_EQ(set.Find("κόσμ*"), (Docs{1, 2}));
    EXPECT_EQ(set.Find("ΚΌΣΜΟ*"), Docs{1});
    EXPECT_EQ(set.Find("при*"), (Docs{3, 4}));
    EXPECT_EQ(set.Find("привет*ие"), Docs{4});
    EXPECT_EQ(set.Find("żó*"), Docs{5});
    // The wildcard rule counts bytes: two Greek letters are four.
    EXPECT_EQ(set.Find("κό*"), (Docs{1, 2}));
    EXPECT_FALSE(set.WildcardError());
    set.Find("κ*");
    EXPECT_TRUE(set.WildcardError());
}

TEST(Utf8SetLookup, ATermOfCharacterWordsFindsTheDocumentsHoldingThemAll) {
    // 東京タワー: five words of one character each; a document holds some of them.
    CodePageLookup set(
        "utf-8",
        {{"東", "京"}, {"東"}, {"京", "タ", "ワ", "ー"}, {"東", "京", "タ", "ワ", "ー", "TV"}, {"ไ", "ท", "ย"}});
    EXPECT_EQ(set.Find("東京"), (Docs{1, 4}));
    EXPECT_EQ(set.Find("東京タワー"), Docs{4});
    EXPECT_EQ(set.Find("京タ"), (Docs{3, 4}));
    EXPECT_EQ(set.Find("東京tv"), Docs{4});
    EXPECT_EQ(set.Find("ไทย"), Docs{5});
    EXPECT_EQ(set.Find("東西"), Docs{});
    // In a query the term keeps its place: OR and NOT apply to all its words.
    EXPECT_EQ(set.Search("東京 OR ไทย"), (Docs{1, 4, 5}));
    EXPECT_EQ(set.Search("東 NOT 東京"), Docs{2});
}

TEST(Cp1250SetLookup, LowerAndUpperCaseFindTheSameWord) {
    const auto cp1250 = IndexCodePage::Windows1250;
    // čeština, šola, łódź, żółw, ťava in Windows-1250 bytes.
    // clang-format off
    const std::vector<std::string> words = {"\xE8" "e\x9Atina", "\x9Aola", "\xB3\xF3" "d\x9F", "\xBF\xF3\xB3w",
                                            "\x9D" "ava"};
    // clang-format on
    std::vector<std::vector<std::string>> documents;
    for (const auto& word : words) documents.push_back({Stored(cp1250, word)});
    CodePageLookup set("windows-1250\r\n", documents);
    for (std::uint32_t d = 1; d <= words.size(); ++d) {
        EXPECT_EQ(set.Find(words[d - 1]), Docs{d}) << d;
        EXPECT_EQ(set.Find(Stored(cp1250, words[d - 1])), Docs{d}) << d;
    }
    // clang-format off
    EXPECT_EQ(Stored(cp1250, words[2]), "\xA3\xD3" "D\x8F");
    EXPECT_EQ(set.Find("\xE8" "e\x9A*"), Docs{1});
    // clang-format on
    EXPECT_EQ(set.Find("\xBF\xF3\xB3*"), Docs{4});
}

TEST(TermWords, CharacterWordsStandAloneAndRunsOfOtherLettersStayTogether) {
    using Words = std::vector<std::string_view>;
    EXPECT_EQ(SplitTermIntoWords("LIBRARY*"), Words{"LIBRARY*"});
    EXPECT_EQ(SplitTermIntoWords("ΚΌΣΜΟΣ"), Words{"ΚΌΣΜΟΣ"});
    EXPECT_EQ(SplitTermIntoWords("東京"), (Words{"東", "京"}));
    EXPECT_EQ(SplitTermIntoWords("TV東京2"), (Words{"TV", "東", "京", "2"}));
    // A mark and the wildcards stay with the character before them.
    EXPECT_EQ(SplitTermIntoWords("か\xE3\x82\x99き*"), (Words{"か\xE3\x82\x99", "き*"}));
    // Punctuation and symbols beyond ASCII end a word; ASCII stays inside.
    EXPECT_EQ(SplitTermIntoWords("東京。タワー"), (Words{"東", "京", "タ", "ワ", "ー"}));
    EXPECT_EQ(SplitTermIntoWords("ΑΒ—ΓΔ"), (Words{"ΑΒ", "ΓΔ"}));
    EXPECT_EQ(SplitTermIntoWords("C++東"), (Words{"C++", "東"}));
    EXPECT_EQ(SplitTermIntoWords("«»"), Words{});
    // Malformed bytes are letters of a run.
    // clang-format off
    EXPECT_EQ(SplitTermIntoWords("A\xFF" "B東"), (Words{"A\xFF" "B", "東"}));
    // clang-format on
}

}  // namespace
}  // namespace search
