// UTF-8 read as Windows-1252 text, the code pages written as UTF-8, typed
// text taken back to Windows-1252, and path display.
#include "platform/Utf8Text.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace {

bool IsUndefinedInWindows1252(int c) { return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D; }

/// The C library's own conversion of one byte to UTF-8, as a second opinion on the tables.
std::string LibraryUtf8Of(const char* codePage, char byte) {
    const iconv_t converter = iconv_open("UTF-8", codePage);
    if (converter == reinterpret_cast<iconv_t>(-1)) return "no converter";
    char in[1] = {byte};
    char out[8] = {};
    char* inPointer = in;
    char* outPointer = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    const std::size_t result = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1)) return "unconvertible";
    return std::string(out, sizeof out - outLeft);
}

struct Row {
    const char* utf8;
    const char* expected;
};

void ExpectWindows1252Text(const Row* rows, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        EXPECT_EQ(platform::Utf8ToWindows1252Text(rows[i].utf8), rows[i].expected) << "row " << i;
}

// clang-format off
TEST(Utf8ToWindows1252Text, AsciiSpacesAndFormatCharacters) {
    const Row rows[] = {
        {"plain <b>ASCII</b> &amp;\t\r\n", "plain <b>ASCII</b> &amp;\t\r\n"},  // 1. as is
        {"6\xC2\xA0" "ann\xC3\xA9" "es", "6 ann\xE9" "es"},           // 2. no-break space: a blank
        {"accept\xC3\xA9\xE2\x80\xAF\xC2\xBB", "accept\xE9 \xBB"},     //    narrow no-break space
        {"a\xE3\x80\x80" "b", "a b"},                                  //    ideographic space
        {"OVER\xE2\x80\x8BLOAD\xE2\x80\x8B" "ABLE", "OVERLOADABLE"},  // 3. zero-width space removed
        {"Silben\xC2\xADtrennung", "Silbentrennung"},                  //    soft hyphen removed
        {"\xEF\xBB\xBFtext", "text"},                                  //    U+FEFF removed
    };
    ExpectWindows1252Text(rows, std::size(rows));
}

TEST(Utf8ToWindows1252Text, CodePageCharactersDecompositionsAndStrokeLetters) {
    const Row rows[] = {
        {"Abh\xC3\xA4ngig", "Abh\xE4ngig"},                       // 4. its byte
        {"\xE2\x82\xAC \xE2\x80\x99 \xE2\x80\x93 \xE2\x80\x94", "\x80 \x92 \x96 \x97"},
        {"\xC5\xB8\xC3\xBF\xC5\xA1", "\x9F\xFF\x9A"},
        {"\xC4\x8D\xC5\x91\xC4\x99\xC5\xBE", "co" "e\x9E"},        // 5. c caron, o double acute, e ogonek; z caron is in the code page
        {"\xC7\xBD", "\xE6"},                                      //    ae with acute: ae is in the code page
        {"\xE1\xBA\xBF", "e"},                                     //    e circumflex acute: fully decomposed to e
        {"\xCD\xBE", ";"},                                         //    Greek question mark: a singleton to ';'
        {"\xC5\x82\xC3\xB3" "d\xC5\xBA", "l\xF3" "dz"},            // 6. l stroke
        {"\xC5\x81\xC4\x91\xC4\x90\xC4\xA7\xC4\xA6\xC4\xB1\xC5\x80\xC4\xBF", "LdDhHilL"},
        {"\xCE\xA9mega \xD0\x96", " mega  "},                     // 7. Greek, Cyrillic: blanks
        {"\xE4\xB8\xAD" "x\xF0\x9F\x98\x80" "y\xE2\x86\x92", " x y "},  // CJK, emoji, arrow
        {"\xC2\x81", " "},                                         //    C1 control: not in the code page
    };
    ExpectWindows1252Text(rows, std::size(rows));
}

TEST(Utf8ToWindows1252Text, DecomposedTextReadsAsComposedText) {
    const Row rows[] = {
        {"cafe\xCC\x81 caf\xC3\xA9", "caf\xE9 caf\xE9"},   // e + acute: the code page's e acute
        {"c\xCC\x8C" "as", "cas"},                              // c + caron: c with caron, so c
        {"e\xCC\x82\xCC\x81", "e"},                          // e + circumflex + acute, as U+1EBF
        {"A\xCC\x8A" "B", "\xC5" "B"},                       // A + ring above: A ring
        {"x\xCC\x81y", "xy"},                                // composes with nothing: dropped
        {"\xCE\xB1\xCC\x81", " "},                           // Greek alpha + acute: a blank, as alpha tonos
        {"\xCC\x81x", " x"},                                 // no character before it: a blank
        {"\xC2\xAD\xCC\x81", " "},                           //    nor after a removed one
        {"\x96\xCC\x81", "\x96 "},                           //    nor after a byte kept as it is
    };
    ExpectWindows1252Text(rows, std::size(rows));
}

TEST(Utf8ToWindows1252Text, MalformedAndCutShortSequencesKeepTheirBytes) {
    const Row rows[] = {
        {"caf\xE9 caf\xC3\xA9", "caf\xE9 caf\xE9"},  // Windows-1252 next to UTF-8
        {"\x96", "\x96"},                            // a lone continuation byte
        {"a\xC3", "a\xC3"},                          // cut short by the end
        {"a\xE2\x80", "a\xE2\x80"},
        {"\xE2\x80" "a", "\xE2\x80" "a"},            // cut short by ASCII
        {"\xE2\xC3\xA9", "\xE2\xE9"},                // cut short by a new sequence
        {"\xC0\xAF", "\xC0\xAF"},                    // overlong
        {"\xED\xA0\x80", "\xED\xA0\x80"},            // surrogate
        {"\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},    // above U+10FFFF
        {"\xF8\x88\x80\x80\x80", "\xF8\x88\x80\x80\x80"},
    };
    ExpectWindows1252Text(rows, std::size(rows));
}
// clang-format on

TEST(Utf8ToWindows1252Text, EveryCodePageCharacterComesBackAsItsByte) {
    for (int c = 1; c < 256; ++c) {
        if (IsUndefinedInWindows1252(c)) continue;
        const std::string byte(1, static_cast<char>(c));
        const std::string expected = c == 0xA0 ? " " : c == 0xAD ? "" : byte;  // rules 2 and 3 come first
        EXPECT_EQ(platform::Utf8ToWindows1252Text(platform::Windows1252ToUtf8(byte)), expected) << "byte " << c;
    }
}

TEST(Windows1252ToUtf8, AgreesWithTheCLibraryOnEveryDefinedByte) {
    for (int c = 0; c < 256; ++c) {
        const std::string byte(1, static_cast<char>(c));
        const std::string expected = IsUndefinedInWindows1252(c) ? "\xEF\xBF\xBD" : LibraryUtf8Of("CP1252", byte[0]);
        EXPECT_EQ(platform::Windows1252ToUtf8(byte), expected) << "byte " << c;
    }
    // clang-format off
    EXPECT_EQ(platform::Windows1252ToUtf8("a\x96" "b"), "a\xE2\x80\x93" "b");
    // clang-format on
}

TEST(Iso88592ToUtf8, AgreesWithTheCLibraryOnEveryByte) {
    for (int c = 0; c < 256; ++c) {
        const std::string byte(1, static_cast<char>(c));
        EXPECT_EQ(platform::Iso88592ToUtf8(byte), LibraryUtf8Of("ISO-8859-2", byte[0])) << "byte " << c;
    }
    EXPECT_EQ(platform::Iso88592ToUtf8("I\xB9\xE8"
                                       "em"),
              "I\xC5\xA1\xC4\x8D"
              "em");
}

TEST(Utf8ToCp1252, EveryDefinedCodePageByteSurvivesTheRoundTrip) {
    for (int c = 1; c < 256; ++c) {
        if (IsUndefinedInWindows1252(c)) continue;
        const std::string byte(1, static_cast<char>(c));
        EXPECT_EQ(platform::Utf8ToCp1252(platform::Windows1252ToUtf8(byte)), byte) << "byte " << c;
    }
}

TEST(Utf8ToCp1252, CharactersOutsideTheCodePageAndBrokenSequencesBecomeQuestionMarks) {
    const struct {
        const char* utf8;
        const char* expected;
    } rows[] = {
        {"\xE2\x80\x93", "\x96"},   // en dash
        {"\xCE\xA9", "?"},          // Greek capital omega
        {"\xF0\x9F\x98\x80", "?"},  // emoji
        {"a\xC3", "a?"},            // cut sequence
        {"\xC0\xAF", "??"},         // overlong slash
        {"\xED\xA0\x80", "???"},    // surrogate
    };
    for (const auto& row : rows) EXPECT_EQ(platform::Utf8ToCp1252(row.utf8), row.expected) << row.utf8;
}

TEST(PathForDisplay, KeepsUtf8AndReadsOtherBytesAsCp1252) {
    EXPECT_EQ(platform::PathForDisplay("/srv/caf\xC3\xA9.htm"), "/srv/caf\xC3\xA9.htm");
    EXPECT_EQ(platform::PathForDisplay("/srv/caf\xE9.htm"), "/srv/caf\xC3\xA9.htm");
    EXPECT_TRUE(platform::IsValidUtf8(""));
    EXPECT_FALSE(platform::IsValidUtf8("\x96"));
}

}  // namespace
