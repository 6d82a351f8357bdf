// Word rules: delimiter set with its number exceptions, number and digit
// rules, stopword look-up, stored word length.
#include "indexer/engine/WordRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using indexer::WordRules;
using indexer::WordSettings;

/// The tokens of one line by IsDelimiter alone (no tags): maximal runs of
/// bytes that do not end a word.
std::vector<std::string> Tokens(const WordRules& rules, std::string_view line) {
    std::vector<std::string> tokens;
    std::string current;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (rules.IsDelimiter(line, i)) {
            if (!current.empty()) tokens.push_back(current);
            current.clear();
        } else {
            current.push_back(line[i]);
        }
    }
    if (!current.empty()) tokens.push_back(current);
    return tokens;
}

WordRules DefaultRules() { return WordRules(WordSettings{}); }

WordRules RulesWithDigits(int digitmin, int digitmax) {
    WordSettings settings;
    settings.digitmin = digitmin;
    settings.digitmax = digitmax;
    return WordRules(settings);
}

WordRules RulesWithStopwords(std::string stopwordString) {
    WordSettings settings;
    settings.stopwordString = std::move(stopwordString);
    return WordRules(settings);
}

using Strings = std::vector<std::string>;

TEST(WordRulesDelimiters, DefaultSetHoldsTheTwentyEightBytesInOrder) {
    EXPECT_EQ(indexer::kDefaultDelimiters, std::string_view("~;:?.\",! ()+=-*/'<>{}[]#&%$\x96"));
    const WordRules rules = DefaultRules();
    for (char c : indexer::kDefaultDelimiters) EXPECT_TRUE(rules.InDelimiterSet(c)) << int(c);
    for (char c : std::string_view("\r\n\t")) EXPECT_TRUE(rules.InDelimiterSet(c));
    int members = 0;
    for (int byte = 0; byte < 256; ++byte) members += rules.InDelimiterSet(static_cast<char>(byte)) ? 1 : 0;
    EXPECT_EQ(members, 31);
    for (char c : std::string_view("@_\\|^09azAZ\xE9\x97\x80")) EXPECT_FALSE(rules.InDelimiterSet(c)) << int(c);
}

TEST(WordRulesDelimiters, CrLfAndTabStayDelimitersWithAnEmptyUserString) {
    WordSettings settings;
    settings.delimiters.clear();
    const WordRules rules(settings);
    EXPECT_EQ(Tokens(rules, "a\tb\nc d"), (Strings{"a", "b", "c d"}));
}

TEST(WordRulesDelimiters, MembershipIsCaseSensitive) {
    WordSettings settings;
    settings.delimiters = "x";
    const WordRules rules(settings);
    EXPECT_EQ(Tokens(rules, "aXbxc"), (Strings{"aXb", "c"}));
}

struct TokenCase {
    const char* line;
    Strings expected;
};

TEST(WordRulesDelimiters, DefaultSetCutsLinesIntoTokens) {
    const TokenCase cases[] = {
        {"a b", {"a", "b"}},
        {"e-mail", {"e", "mail"}},
        {"john@example", {"john@example"}},
        {"under_score back\\slash pipe|caret^", {"under_score", "back\\slash", "pipe|caret^"}},
        {"3.14", {"3.14"}},
        {".5", {".5"}},
        {"x .5", {"x", ".5"}},
        {"(.5)", {".5"}},  // after a delimiter the point stays with the digits
        {"v.5", {"v", "5"}},
        {"2.", {"2"}},
        {"2. x", {"2", "x"}},
        {"192.168.0.1", {"192.168.0.1"}},
        {"1,000", {"1,000"}},
        {"1,a", {"1", "a"}},
        {",5", {"5"}},
        {"a,5", {"a", "5"}},
        {"1,000,000.5", {"1,000,000.5"}},
        {"end.", {"end"}},
        {"end,", {"end"}},
        // clang-format off
        {"a\x96" "b", {"a", "b"}},
        // clang-format on
        {"Caf\xE9", {"Caf\xE9"}},
        {"x", {"x"}},
        {"....", {}},
    };
    const WordRules rules = DefaultRules();
    for (const auto& c : cases) EXPECT_EQ(Tokens(rules, c.line), c.expected) << c.line;
}

TEST(WordRulesDelimiters, PointBeforeADigitThatIsItselfADelimiterEndsTheWord) {
    WordSettings settings;
    settings.delimiters = std::string(indexer::kDefaultDelimiters) + "5";
    const WordRules rules(settings);
    EXPECT_TRUE(rules.IsDelimiter("3.5x", 1));
    EXPECT_FALSE(rules.IsDelimiter("3.4x", 1));
}

TEST(WordRulesDelimiters, LastByteOfTheLineAlwaysEndsTheWordWhenInTheSet) {
    const WordRules rules = DefaultRules();
    EXPECT_TRUE(rules.IsDelimiter("1.", 1));
    EXPECT_TRUE(rules.IsDelimiter("1,", 1));
    EXPECT_FALSE(rules.IsDelimiter("ab", 1));
    EXPECT_TRUE(rules.IsDelimiter(".", 0));
}

TEST(WordRulesDelimiters, PointAndCommaAreWordBytesWhenRemovedFromTheSet) {
    WordSettings settings;
    settings.delimiters = " ";
    const WordRules rules(settings);
    EXPECT_EQ(Tokens(rules, "v.5 a,b ... ,"), (Strings{"v.5", "a,b", "...", ","}));
}

TEST(WordRulesNumbers, NumberDigitsCountsDigitsAfterRemovingPointsAndCommas) {
    const struct {
        const char* token;
        int digits;
    } cases[] = {
        {"7", 1},    {"1,000", 4}, {"3.14159", 6}, {"192.168.0.1", 8}, {".5", 1},    {"A1", -1}, {"Caf\xE9", -1},
        {"...", -1}, {",", -1},    {"", -1},       {"1a", -1},         {"\xB9", -1}, {"0", 1},   {"1.", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(WordRules::NumberDigits(c.token), c.digits) << c.token;
}

TEST(WordRulesNumbers, DigitRuleBounds) {
    const struct {
        int digitmin, digitmax, digits;
        bool passes;
    } cases[] = {
        {0, 0, 1, false}, {0, 5, 3, false}, {-1, 0, 3, false}, {2, 4, 1, false},  {2, 4, 2, true},
        {2, 4, 4, true},  {2, 4, 5, false}, {2, 0, 40, true},  {2, -3, 40, true}, {3, 2, 40, true},
        {3, 3, 3, true},  {3, 3, 4, false}, {1, 0, 0, false},
    };
    for (const auto& c : cases) {
        const WordRules rules = RulesWithDigits(c.digitmin, c.digitmax);
        EXPECT_EQ(rules.PassesDigitRule(c.digits), c.passes)
            << "digitmin " << c.digitmin << " digitmax " << c.digitmax << " digits " << c.digits;
    }
}

TEST(WordRulesNumbers, AcceptWordFollowsTheTokenTable) {
    const WordRules byDefault = DefaultRules();
    const WordRules twoToFour = RulesWithDigits(2, 4);
    const struct {
        const char* token;
        bool byDefault, twoToFour;
    } cases[] = {
        {"Caf\xE9", true, true},   {"7", false, false}, {"1,000", false, true},
        {"3.14159", false, false}, {"A1", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(byDefault.AcceptWord(c.token), c.byDefault) << c.token;
        EXPECT_EQ(twoToFour.AcceptWord(c.token), c.twoToFour) << c.token;
    }
}

TEST(WordRulesNumbers, TokenOfPointsOnlyIsAWord) { EXPECT_TRUE(DefaultRules().AcceptWord("...")); }

TEST(WordRulesStopwords, WholeUpperCasedTokenFramedByCommas) {
    const WordRules rules = RulesWithStopwords(",THE,AND,\xC9T\xC9,");
    EXPECT_TRUE(rules.IsStopword("THE"));
    EXPECT_TRUE(rules.IsStopword("the"));
    EXPECT_TRUE(rules.IsStopword("And"));
    EXPECT_TRUE(rules.IsStopword("\xE9t\xE9"));  // été, upper-cased by the code page
    EXPECT_FALSE(rules.IsStopword("TH"));
    EXPECT_FALSE(rules.IsStopword("THEN"));
    EXPECT_FALSE(rules.IsStopword("HE"));
    EXPECT_FALSE(rules.AcceptWord("the"));
    EXPECT_TRUE(rules.AcceptWord("then"));
}

TEST(WordRulesStopwords, NoStopwordsWithTheBareCommaString) {
    const WordRules rules = DefaultRules();
    EXPECT_FALSE(rules.IsStopword("THE"));
    EXPECT_FALSE(rules.IsStopword(""));
    EXPECT_TRUE(rules.AcceptWord("THE"));
}

TEST(WordRulesStopwords, StopwordLineKeepsItsTrailingBlank) {
    const WordRules rules = RulesWithStopwords(",THE ,");
    EXPECT_FALSE(rules.IsStopword("THE"));
    EXPECT_TRUE(rules.IsStopword("THE "));
}

TEST(WordRulesStopwords, StopwordLineWithACommaActsAsTwoStopwords) {
    const WordRules rules = RulesWithStopwords(",OF,TO,");  // from the one line "OF,TO"
    EXPECT_TRUE(rules.IsStopword("OF"));
    EXPECT_TRUE(rules.IsStopword("TO"));
    EXPECT_TRUE(rules.IsStopword("of,to"));  // a token with a comma is a plain text search
    EXPECT_FALSE(rules.IsStopword("OF,T"));
}

TEST(WordRulesStopwords, NumbersWithCommasAreSearchedInTheWholeString) {
    WordSettings settings;
    settings.stopwordString = ",1,000,";
    settings.digitmin = 1;
    const WordRules rules(settings);
    EXPECT_FALSE(rules.AcceptWord("1,000"));
    EXPECT_TRUE(rules.AcceptWord("2,000"));
}

TEST(WordRulesStopwords, LongStopwordMatchesOnlyTheWholeLongToken) {
    const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZABCD";
    const WordRules rules = RulesWithStopwords("," + thirty + ",");
    EXPECT_TRUE(rules.IsStopword(thirty));
    EXPECT_FALSE(rules.IsStopword(thirty.substr(0, 27)));
    EXPECT_FALSE(rules.IsStopword(thirty + "E"));
}

TEST(WordRulesStopwords, ManyStopwordsAreAllFound) {
    std::string stopwordString = ",";
    for (int i = 0; i < 500; ++i) stopwordString += "W" + std::to_string(i) + ",";
    const WordRules rules = RulesWithStopwords(stopwordString);
    for (int i = 0; i < 500; ++i) EXPECT_TRUE(rules.IsStopword("w" + std::to_string(i))) << i;
    EXPECT_FALSE(rules.IsStopword("W500"));
    EXPECT_FALSE(rules.IsStopword("W"));
}

TEST(WordRulesStoredWord, UpperCasesAndCutsToTwentySevenBytes) {
    char out[indexer::kStoredWordLength];
    const std::string thirty = "abcdefghijklmnopqrstuvwxyz\xE9\xFF\xE0\x9A";
    const std::size_t length = WordRules::StoredWord(thirty, out);
    ASSERT_EQ(length, 27u);
    EXPECT_EQ(std::string(out, length), "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xC9");
    EXPECT_EQ(std::string(out, WordRules::StoredWord("na\xEFve", out)), "NA\xCFVE");
    EXPECT_EQ(std::string(out, WordRules::StoredWord("\xFF\x9A\xB5\xDF", out)), "\x9F\x8A\xB5\xDF");
}

}  // namespace
