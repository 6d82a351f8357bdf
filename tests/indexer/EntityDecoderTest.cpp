// Character references: numeric and named references, the 100-row name
// table, and every form that stays as written.
#include "indexer/engine/EntityDecoder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Decode(std::string_view line) {
    std::string out = "left over";
    indexer::DecodeEntities(line, out);
    return out;
}

struct DecodeCase {
    std::string line;
    std::string expected;
};

TEST(EntityDecoderNumeric, ValuesThatBecomeBytes) {
    const DecodeCase cases[] = {
        {"&#65;", "A"},  {"&#65", "A"},          {"x&#65;y", "xAy"}, {"&#065;", "A"},    {"&#9;", " "},
        {"&#10;", "\n"}, {"&#32;", " "},         {"&#255;", "\xFF"}, {"&#150;", "\x96"}, {"&#233;t&#233;", "\xE9t\xE9"},
        {"&#60;", "<"},  {"&#38;amp;", "&amp;"}, {"&#65x", "Ax"},    {"&#65 ", "A "},    {"&#65;;", "A;"},
    };
    for (const auto& c : cases) EXPECT_EQ(Decode(c.line), c.expected) << c.line;
}

TEST(EntityDecoderNumeric, ValuesOutsideTheRangeStayAsWritten) {
    const DecodeCase cases[] = {
        {"&#0;", "&#0;"},   {"&#8;", "&#8;"}, {"&#11;", "&#11;"},   {"&#13;", "&#13;"},
        {"&#26;", "&#26;"}, {"&#31", "&#31"}, {"&#256;", "&#256;"}, {"&#999x", "&#999x"},
    };
    for (const auto& c : cases) EXPECT_EQ(Decode(c.line), c.expected) << c.line;
}

TEST(EntityDecoderNumeric, FourDigitsOrNoDigitStayAndDecodingGoesOn) {
    const DecodeCase cases[] = {
        {"&#1234;", "&#1234;"},     {"&#12345;", "&#12345;"}, {"&#0065;", "&#0065;"},
        {"&#x41;", "&#x41;"},       {"&#;", "&#;"},           {"&#", "&#"},
        {"&#1234&amp;", "&#1234&"}, {"&#&#65;", "&#A"},
    };
    for (const auto& c : cases) EXPECT_EQ(Decode(c.line), c.expected) << c.line;
}

TEST(EntityDecoderNamed, KnownNamesBecomeTheirByte) {
    const DecodeCase cases[] = {
        {"&amp;", "&"},         {"&lt;", "<"},         {"&gt;", ">"},
        {"&quot;", "\""},       {"&nbsp;", " "},       {"&iexcl;", "\xA1"},
        {"&yuml;", "\xFF"},     {"&eacute;", "\xE9"},  {"&Eacute;", "\xC9"},
        {"&Oslash;", "\xD8"},   {"&oslash;", "\xF8"},  {"&frac34;", "\xBE"},
        {"&copy", "\xA9"},      {"&copy x", "\xA9 x"}, {"AT&amp;T", "AT&T"},
        {"&amp;amp;", "&amp;"}, {"&lt;b&gt;", "<b>"},  {"&szlig;&THORN;", "\xDF\xDE"},
    };
    for (const auto& c : cases) EXPECT_EQ(Decode(c.line), c.expected) << c.line;
}

TEST(EntityDecoderNamed, UnknownOrMiscasedNamesStayAsWritten) {
    const DecodeCase cases[] = {
        {"AT&T", "AT&T"},     {"&T;", "&T;"},           {"&AMP;", "&AMP;"},
        {"&Amp", "&Amp"},     {"&times;", "&times;"},   {"&divide;", "&divide;"},
        {"&euro;", "&euro;"}, {"&hellip;", "&hellip;"}, {"&nbsp1;", "&nbsp1;"},
    };
    for (const auto& c : cases) EXPECT_EQ(Decode(c.line), c.expected) << c.line;
}

TEST(EntityDecoderNamed, SevenLettersStayAndDecodingGoesOnAfterThem) {
    const DecodeCase cases[] = {
        {"&abcdefg;", "&abcdefg;"}, {"&abcdefgh", "&abcdefgh"}, {"&ampampa&amp;", "&ampampa&"},
        {"&frac12a;", "&frac12a;"}, {"&abcdef;", "&abcdef;"},
    };
    for (const auto& c : cases) EXPECT_EQ(Decode(c.line), c.expected) << c.line;
}

TEST(EntityDecoderLoneAmpersand, StaysWhenNoNameOrNumberFollows) {
    const DecodeCase cases[] = {
        {"&", "&"},         {"a & b", "a & b"}, {"&&amp;", "&&"}, {"&;", "&;"},
        {"&\xE9", "&\xE9"}, {"x&", "x&"},       {"", ""},         {"plain text", "plain text"},
    };
    for (const auto& c : cases) EXPECT_EQ(Decode(c.line), c.expected) << c.line;
}

TEST(EntityDecoderTable, HundredRowsGiveTheirCodes) {
    EXPECT_EQ(indexer::EntityNameCode("amp"), '&');
    EXPECT_EQ(indexer::EntityNameCode("lt"), '<');
    EXPECT_EQ(indexer::EntityNameCode("gt"), '>');
    EXPECT_EQ(indexer::EntityNameCode("quot"), '"');
    EXPECT_EQ(indexer::EntityNameCode("nbsp"), ' ');
    // Rows 6 to 100 give the codes 161 to 255 in table order; 215 and 247 have no name.
    const char* const latin1[] = {
        "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",   "laquo",
        "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",  "para",
        "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute",
        "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
        "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   nullptr,
        "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",
        "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute",
        "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   nullptr,  "oslash",
        "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};
    static_assert(std::size(latin1) == 95);
    for (int code = 161; code <= 255; ++code) {
        const char* name = latin1[code - 161];
        if (name == nullptr) {
            EXPECT_TRUE(code == 215 || code == 247) << code;
            continue;
        }
        EXPECT_EQ(indexer::EntityNameCode(name), code) << name;
    }
    EXPECT_EQ(indexer::EntityNameCode(""), -1);
    EXPECT_EQ(indexer::EntityNameCode("eth"), 240);
    EXPECT_EQ(indexer::EntityNameCode("ETH"), 208);
    EXPECT_EQ(indexer::EntityNameCode("Eth"), -1);
    EXPECT_EQ(indexer::EntityNameCode("iexcl1"), -1);
    EXPECT_EQ(indexer::EntityNameCode("iexclxx"), -1);
}

}  // namespace
