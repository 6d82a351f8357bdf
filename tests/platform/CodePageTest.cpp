// Upper-casing per code page (Windows-1252 and Windows-1250 checked for
// every byte value) and the names of the code pages.
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

// The Windows-1250 capitals of all 256 bytes, pinned: a set's words depend on
// every entry.
// clang-format off
constexpr unsigned char kPinnedCp1250Upper[256] = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x8A, 0x9B, 0x8C, 0x8D, 0x8E, 0x8F,
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
    0xB0, 0xB1, 0xB2, 0xA3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xA5, 0xAA, 0xBB, 0xBC, 0xBD, 0xBC, 0xAF,
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xF7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xFF,
};
// clang-format on

TEST(Cp1250Upper, EveryByteMapsToItsPinnedCapital) {
    for (unsigned c = 0; c < 256; ++c) EXPECT_EQ(platform::kCp1250UpperTable[c], kPinnedCp1250Upper[c]) << "byte " << c;
    EXPECT_EQ(platform::UpperIn(platform::IndexCodePage::Windows1250, "\x9A\x9C\x9D\x9E\x9F\xB3\xB9\xBA\xBE\xBF\xE8"),
              "\x8A\x8C\x8D\x8E\x8F\xA3\xA5\xAA\xBC\xAF\xC8");
    EXPECT_EQ(platform::UpperIn(platform::IndexCodePage::Windows1250, "\xB5\xDF\xF7\xFF"), "\xB5\xDF\xF7\xFF");
}

TEST(UpperIn, AWindows1252SetKeepsItsOwnTable) {
    for (unsigned c = 0; c < 256; ++c) {
        const std::string byte(1, static_cast<char>(c));
        EXPECT_EQ(platform::UpperIn(platform::IndexCodePage::Windows1252, byte), platform::AnsiUpper(byte)) << c;
    }
}

TEST(UpperIn, AUtf8SetUsesUnicodeSimpleCaseMapping) {
    using platform::IndexCodePage;
    EXPECT_EQ(platform::UpperIn(IndexCodePage::Utf8, "stra\u00DFe"), "STRA\u00DFE");  // sharp s stays
    EXPECT_EQ(platform::UpperIn(IndexCodePage::Utf8, "\u03B5\u03BB\u03BB\u03AC\u03B4\u03B1 \u03C2"),
              "\u0395\u039B\u039B\u0386\u0394\u0391 \u03A3");
    EXPECT_EQ(platform::UpperIn(IndexCodePage::Utf8, "\u043C\u043E\u0441\u043A\u0432\u0430 \u0451"),
              "\u041C\u041E\u0421\u041A\u0412\u0410 \u0401");
    // Turkish dotless i shortens from two bytes to one; i keeps its plain capital.
    EXPECT_EQ(platform::UpperIn(IndexCodePage::Utf8, "\u0131i\u00E7\u011F\u015F"), "II\u00C7\u011E\u015E");
    EXPECT_EQ(platform::UpperIn(IndexCodePage::Utf8, "\u6771\u4EAC abc"), "\u6771\u4EAC ABC");
    EXPECT_EQ(platform::UpperIn(IndexCodePage::Utf8, "a\xFF\xC3"), "A\xFF\xC3");  // broken bytes stay
}

TEST(CodePageNames, EveryCodePageReadsBackFromItsName) {
    using platform::IndexCodePage;
    for (const IndexCodePage page : {IndexCodePage::Windows1252, IndexCodePage::Windows1250, IndexCodePage::Utf8})
        EXPECT_EQ(platform::ParseCodePageName(platform::CodePageName(page)), page);
    EXPECT_EQ(platform::CodePageName(IndexCodePage::Windows1250), "windows-1250");
    EXPECT_EQ(platform::CodePageName(IndexCodePage::Utf8), "utf-8");
    EXPECT_EQ(platform::ParseCodePageName(" UTF-8\r\n"), IndexCodePage::Utf8);
    EXPECT_EQ(platform::ParseCodePageName("Windows-1250\n"), IndexCodePage::Windows1250);
    EXPECT_FALSE(platform::ParseCodePageName("utf8"));
    EXPECT_FALSE(platform::ParseCodePageName("iso-8859-2"));
    EXPECT_FALSE(platform::ParseCodePageName(""));
}

}  // namespace
