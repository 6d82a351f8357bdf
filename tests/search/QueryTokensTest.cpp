// The query tokenizer and the operator words.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "search/QueryTokens.h"
#include "search/TTARVO.h"

namespace search {
namespace {

const std::string kQueryDelimiters = " ()\"";

std::vector<std::string> Tokens(const std::string& text, const std::string& delimiters = kQueryDelimiters) {
    ClearTokens();
    StartTokens(text, delimiters);
    std::vector<std::string> tokens;
    std::string token;
    while (NextToken(token)) tokens.push_back(token);
    return tokens;
}

TEST(QueryTokens, CutsAtEveryDelimiter) {
    struct Case {
        std::string text;
        std::vector<std::string> tokens;
    };
    const std::vector<Case> cases = {
        {"cat dog", {"cat", "dog"}},
        {"cat", {"cat"}},
        {"", {}},
        {"cat)", {"cat"}},  // a delimiter at the very end gives no empty token
        {"(cat", {"", "cat"}},
        {" cat", {"", "cat"}},
        {"cat  dog", {"cat", "", "dog"}},
        {"\"cat\" (dog)", {"", "cat", "", "", "dog"}},
        {"cat&dog", {"cat&dog"}},
        {"a b c", {"a", "b", "c"}},
        {" ", {""}},
    };
    for (const auto& c : cases) EXPECT_EQ(Tokens(c.text), c.tokens) << "text: [" << c.text << "]";
}

TEST(QueryTokens, WithoutDelimitersTheWholeTextIsOneToken) {
    EXPECT_EQ(Tokens("cat dog", ""), (std::vector<std::string>{"cat dog"}));
}

TEST(QueryTokens, TextIsCutAt255Characters) {
    const std::string text = std::string(250, 'a') + " bcdefgh";
    EXPECT_EQ(Tokens(text), (std::vector<std::string>{std::string(250, 'a'), "bcde"}));
}

TEST(QueryTokens, NothingBeforeStartAndAfterClear) {
    ClearTokens();
    std::string token = "unchanged";
    EXPECT_FALSE(NextToken(token));
    StartTokens("x", " ");
    ClearTokens();
    EXPECT_FALSE(NextToken(token));
}

TEST(QueryTokens, OneTokenizerObjectWorksOnItsOwn) {
    // Two tokenizers and the program's one, taken in turns: none of them
    // sees another's text, delimiters or position.
    QueryTokenizer first, second;
    first.Start("a(b", "(");
    StartTokens("x y z", " ");
    second.Start("c d(e", " ");
    std::vector<std::string> fromFirst, fromSecond, fromProgram;
    std::string token;
    for (int round = 0; round < 4; ++round) {
        if (first.Next(token)) fromFirst.push_back(token);
        if (NextToken(token)) fromProgram.push_back(token);
        if (second.Next(token)) fromSecond.push_back(token);
    }
    EXPECT_EQ(fromFirst, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(fromSecond, (std::vector<std::string>{"c", "d(e"}));
    EXPECT_EQ(fromProgram, (std::vector<std::string>{"x", "y", "z"}));
}

TEST(QueryTokens, EachThreadHasItsOwnProgramTokenizer) {
    // A FastCGI server's workers evaluate queries at the same time: one
    // thread's query never moves another's position or replaces its text.
    std::string token;
    StartTokens("a b c", " ");
    ASSERT_TRUE(NextToken(token));
    EXPECT_EQ(token, "a");
    std::vector<std::string> otherThread;
    std::thread([&otherThread] {
        std::string other;
        StartTokens("template AND class OR vector", " ");
        while (NextToken(other)) otherThread.push_back(other);
    }).join();
    EXPECT_EQ(otherThread, (std::vector<std::string>{"template", "AND", "class", "OR", "vector"}));
    std::vector<std::string> rest;
    while (NextToken(token)) rest.push_back(token);
    EXPECT_EQ(rest, (std::vector<std::string>{"b", "c"}));
}

TEST(OperatorWords, CodesOfTheWordsAndSigns) {
    struct Case {
        std::string token;
        int code;
    };
    const std::vector<Case> cases = {
        {"&", 1},    {"AND", 1}, {"|", 2}, {"OR", 2},  {"!", 3},
        {"NOT", 3},  {"and", 0},  // tokens are upper-cased before they are compared
        {"ANDY", 0}, {"&&", 0},  {"", 0},  {"CAT", 0}, {"NOT ", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(TTARVO::OperatorCode(c.token), c.code) << c.token;
}

}  // namespace
}  // namespace search
