// Windows-1252 upper-casing, checked for every byte value.
#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

// The expected capital of each byte, written out from the code page's letter
// pairs rather than computed by the rule under test.
unsigned ExpectedAnsiUpper(unsigned c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    switch (c) {
        case 0x9A: return 0x8A;
        case 0x9C: return 0x8C;
        case 0x9E: return 0x8E;
        case 0xFF: return 0x9F;
        default: return c;
    }
}

TEST(AnsiUpper, EveryByteMapsByTheCodePageTable) {
    for (unsigned c = 0; c < 256; ++c) {
        const auto got = static_cast<unsigned char>(platform::AnsiUpperChar(static_cast<char>(c)));
        EXPECT_EQ(got, ExpectedAnsiUpper(c)) << "byte " << c;
    }
}

TEST(AnsiUpper, MicroSignAndSharpSStayUnchanged) {
    EXPECT_EQ(platform::AnsiUpper("\xB5\xDF"), "\xB5\xDF");
    EXPECT_EQ(platform::AnsiUpper("\xF7"), "\xF7");
}

TEST(AnsiUpper, AccentedWordBecomesCapital) {
    EXPECT_EQ(platform::AnsiUpper("caf\xE9"), "CAF\xC9");
    EXPECT_EQ(platform::AnsiUpper("\xFF\x9A\x9C\x9E"), "\x9F\x8A\x8C\x8E");
}

TEST(AsciiUpper, OnlyLettersAToZChange) {
    for (unsigned c = 0; c < 256; ++c) {
        const auto got = static_cast<unsigned char>(platform::AsciiUpperChar(static_cast<char>(c)));
        const unsigned expected = (c >= 'a' && c <= 'z') ? c - 32 : c;
        EXPECT_EQ(got, expected) << "byte " << c;
    }
    EXPECT_EQ(platform::AsciiUpper("meta \xE9t\xE9"), "META \xE9T\xE9");
}

TEST(AsciiUpper, EqualityIgnoresAsciiCaseOnly) {
    EXPECT_TRUE(platform::AsciiEqualsIgnoreCase("TARVOTitle", "tarvotitle"));
    EXPECT_FALSE(platform::AsciiEqualsIgnoreCase("\xE9", "\xC9"));
    EXPECT_FALSE(platform::AsciiEqualsIgnoreCase("key", "keys"));
}

}  // namespace
