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

// ---- Text read into the code page of an index set --------------------------------

TEST(ConvertText, Utf8IntoWindows1250KeepsCentralEuropeanLetters) {
    using platform::IndexCodePage;
    using platform::TextCharset;
    // clang-format off
    EXPECT_EQ(platform::ConvertText("P\u0159\u00EDli\u0161 \u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148 \u0141\u00F3d\u017A",
                                    TextCharset::Utf8, IndexCodePage::Windows1250),
              "P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2 \xA3\xF3" "d\x9F");
    // Letters the code page lacks go by their decomposition; decomposed text composes first.
    EXPECT_EQ(platform::ConvertText("\u00E0 \u00F1 c\u030C \u0127 \u03B1", TextCharset::Utf8, IndexCodePage::Windows1250),
              "a n \xE8 h  ");
    EXPECT_EQ(platform::ConvertText("a\u00A0b\u00ADc", TextCharset::Utf8, IndexCodePage::Windows1250), "a bc");
    // clang-format on
}

TEST(ConvertText, SingleByteTextsIntoWindows1250) {
    using platform::IndexCodePage;
    using platform::TextCharset;
    for (int c = 0; c < 256; ++c) {
        const std::string byte(1, static_cast<char>(c));
        const std::string fromUtf8 =
            platform::ConvertText(LibraryUtf8Of("ISO-8859-2", byte[0]), TextCharset::Utf8, IndexCodePage::Windows1250);
        EXPECT_EQ(platform::ConvertText(byte, TextCharset::Iso88592, IndexCodePage::Windows1250), fromUtf8) << c;
        EXPECT_EQ(platform::ConvertText(byte, TextCharset::Windows1250, IndexCodePage::Windows1250), byte) << c;
    }
    EXPECT_EQ(platform::ConvertText("\xB9\xE8", TextCharset::Iso88592, IndexCodePage::Windows1250), "\x9A\xE8");
    EXPECT_EQ(platform::ConvertText("caf\xE9 \xE0", TextCharset::Windows1252, IndexCodePage::Windows1250), "caf\xE9 a");
}

TEST(ConvertText, Windows1250AgreesWithTheCLibraryBothWays) {
    for (int c = 0; c < 256; ++c) {
        const std::string byte(1, static_cast<char>(c));
        const std::string library = LibraryUtf8Of("CP1250", byte[0]);
        if (library == "unconvertible") {
            EXPECT_EQ(platform::CodePageToUtf8(byte, platform::IndexCodePage::Windows1250), "\xEF\xBF\xBD") << c;
            continue;
        }
        EXPECT_EQ(platform::CodePageToUtf8(byte, platform::IndexCodePage::Windows1250), library) << c;
        // Every character of the code page comes back as its byte, but for
        // the space separator and the format character it holds.
        if (c == 0xA0 || c == 0xAD) continue;
        EXPECT_EQ(platform::ConvertText(library, platform::TextCharset::Utf8, platform::IndexCodePage::Windows1250),
                  byte)
            << c;
    }
}

TEST(ConvertText, IntoUtf8KeepsEveryScript) {
    using platform::IndexCodePage;
    using platform::TextCharset;
    // clang-format off
    const std::string mixed = "\u0395\u03BB\u03BB\u03AC\u03B4\u03B1 \u041C\u043E\u0441\u043A\u0432\u0430 \u6771\u4EAC \U00020B9F";
    EXPECT_EQ(platform::ConvertText(mixed, TextCharset::Utf8, IndexCodePage::Utf8), mixed);
    // No-break space a blank, soft hyphen and zero-width space gone, e + combining acute composed.
    EXPECT_EQ(platform::ConvertText("a\u00A0b hy\u00ADphen \u0E01\u200B\u0E02 cafe\u0301", TextCharset::Utf8, IndexCodePage::Utf8),
              "a b hyphen \u0E01\u0E02 caf\u00E9");
    // A mark that composes with nothing stays: Devanagari vowel signs are parts of words.
    EXPECT_EQ(platform::ConvertText("\u0915\u093F", TextCharset::Utf8, IndexCodePage::Utf8), "\u0915\u093F");
    // Broken sequences read as Windows-1252 characters, so a UTF-8 set only ever holds UTF-8.
    EXPECT_EQ(platform::ConvertText("caf\xE9 \x80 \xC3", TextCharset::Utf8, IndexCodePage::Utf8), "caf\u00E9 \u20AC \u00C3");
    EXPECT_EQ(platform::ConvertText("caf\xE9 \x96 \x81", TextCharset::Windows1252, IndexCodePage::Utf8), "caf\u00E9 \u2013 \uFFFD");
    EXPECT_EQ(platform::ConvertText("\xE8\x9A", TextCharset::Windows1250, IndexCodePage::Utf8), "\u010D\u0161");
    EXPECT_EQ(platform::ConvertText("\xE8\xB9", TextCharset::Iso88592, IndexCodePage::Utf8), "\u010D\u0161");
    // clang-format on
    EXPECT_TRUE(
        platform::IsValidUtf8(platform::ConvertText("\xFF\xFE\xC0\xAF", TextCharset::Utf8, IndexCodePage::Utf8)));
}

TEST(ConvertText, Windows1252IntoItselfAndUtf8IntoWindows1252AreUnchanged) {
    using platform::IndexCodePage;
    using platform::TextCharset;
    for (int c = 0; c < 256; ++c) {
        const std::string byte(1, static_cast<char>(c));
        EXPECT_EQ(platform::ConvertText(byte, TextCharset::Windows1252, IndexCodePage::Windows1252), byte);
    }
    const std::string text = "na\u00EFve \u010Dist\u00FD \u201Cquoted\u201D \u0394";
    EXPECT_EQ(platform::ConvertText(text, TextCharset::Utf8, IndexCodePage::Windows1252),
              platform::Utf8ToWindows1252Text(text));
}

TEST(Utf8CutLength, NeverCutsASequenceInTwo) {
    const std::string greek = "\u03B1\u03B2\u03B3\u03B4\u03B5\u03B6\u03B7\u03B8\u03B9\u03BA\u03BB\u03BC\u03BD\u03BE";
    EXPECT_EQ(platform::Utf8CutLength(greek, 27), 26u);
    EXPECT_EQ(platform::Utf8CutLength(greek, 28), 28u);
    EXPECT_EQ(platform::Utf8CutLength("abc", 27), 3u);
    EXPECT_EQ(platform::Utf8CutLength("ab\U00020B9F", 5), 2u);
    EXPECT_EQ(platform::Utf8CutLength("ab\U00020B9F", 6), 6u);
    // Continuation bytes without a lead byte are no sequence: cut where asked.
    EXPECT_EQ(platform::Utf8CutLength("a\x80\x80\x80\x80\x80", 5), 5u);
}

TEST(WordClassOf, LettersDigitsMarksAndTheScriptsWrittenWithoutSpaces) {
    using platform::UnicodeWordClass;
    using platform::WordClassOf;
    EXPECT_EQ(WordClassOf(0x03B1), UnicodeWordClass::WordPart);  // Greek alpha
    EXPECT_EQ(WordClassOf(0x0416), UnicodeWordClass::WordPart);  // Cyrillic Zhe
    EXPECT_EQ(WordClassOf(0x0663), UnicodeWordClass::WordPart);  // Arabic-Indic digit three
    EXPECT_EQ(WordClassOf(0x00B2), UnicodeWordClass::WordPart);  // superscript two (No)
    EXPECT_EQ(WordClassOf(0x0301), UnicodeWordClass::Mark);
    EXPECT_EQ(WordClassOf(0x093F), UnicodeWordClass::Mark);      // Devanagari vowel sign (Mc)
    EXPECT_EQ(WordClassOf(0x6771), UnicodeWordClass::OwnWord);   // Han
    EXPECT_EQ(WordClassOf(0x3072), UnicodeWordClass::OwnWord);   // Hiragana
    EXPECT_EQ(WordClassOf(0x30AB), UnicodeWordClass::OwnWord);   // Katakana
    EXPECT_EQ(WordClassOf(0x30FC), UnicodeWordClass::OwnWord);   // Katakana prolonged sound mark
    EXPECT_EQ(WordClassOf(0x0E01), UnicodeWordClass::OwnWord);   // Thai
    EXPECT_EQ(WordClassOf(0x0E34), UnicodeWordClass::Mark);      // Thai vowel sign
    EXPECT_EQ(WordClassOf(0x20B9F), UnicodeWordClass::OwnWord);  // Han, extension B
    EXPECT_EQ(WordClassOf(0xAC00), UnicodeWordClass::WordPart);  // Hangul is written with spaces
    for (const char32_t delimiter :
         {0x00A0, 0x2013, 0x201C, 0x00AB, 0x3001, 0x3002, 0x20AC, 0x00A9, 0x200B, 0xFFFD, 0x1F600})
        EXPECT_EQ(WordClassOf(delimiter), UnicodeWordClass::Delimiter) << std::hex << static_cast<unsigned>(delimiter);
}

}  // namespace
