// The one place where text crosses between UTF-8 and the single-byte code
// pages: UTF-8 documents and requests read as Windows-1252 or Windows-1250,
// any document or request text read into an index set's code page, the
// single-byte code pages written as UTF-8, the desktop program's typed text
// taken back to Windows-1252, and a UTF-8 validity test for file names. It
// also holds what a UTF-8 index set needs of Unicode: simple upper-casing,
// cutting at a character boundary and the classes of characters in words.
// Categories, decompositions and case mappings come from utf8proc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace platform {

/// The character sets a document or a request can be written in.
enum class TextCharset : std::uint8_t {
    Windows1252,
    Windows1250,
    Iso88592,
    Utf8,
};

/// The character set of the text of an index code page.
constexpr TextCharset CharsetOfCodePage(IndexCodePage codePage) noexcept {
    switch (codePage) {
        case IndexCodePage::Windows1250: return TextCharset::Windows1250;
        case IndexCodePage::Utf8: return TextCharset::Utf8;
        default: return TextCharset::Windows1252;
    }
}

/// Reads a text written in `from` into the code page `to`, into `out` (its
/// old content replaced). Text already in the code page is copied as it is.
/// Into Windows-1252 or Windows-1250, every character goes by the rules of
/// Utf8ToWindows1252Text below, with the target code page in rule 4 and 5.
/// Into UTF-8, every character is kept except that a space separator (Zs)
/// becomes a blank, a format character (Cf) is removed, and a combining mark
/// is composed with the character before it where Unicode composes the pair;
/// a byte of a malformed UTF-8 sequence is read as its Windows-1252
/// character, and an undefined byte of a single-byte code page is U+FFFD.
void ConvertText(std::string_view text, TextCharset from, IndexCodePage to, std::string& out);
std::string ConvertText(std::string_view text, TextCharset from, IndexCodePage to);

/// Writes a text in an index code page as UTF-8 (a UTF-8 text is copied).
std::string CodePageToUtf8(std::string_view text, IndexCodePage from);

/// Upper-cases UTF-8 text in place by Unicode simple case mapping (one code
/// point to one, so ß stays ß); bytes that are not well-formed UTF-8 stay.
void Utf8UpperInPlace(std::string& text);

/// The longest length up to `maxBytes` at which `text` can be cut without
/// cutting a UTF-8 sequence in two.
std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes) noexcept;

/// Decodes the well-formed UTF-8 sequence at `text[index]` into `codePoint`
/// and returns its length; 0 when the bytes there are not one.
std::size_t DecodeUtf8(std::string_view text, std::size_t index, char32_t& codePoint) noexcept;

/// What a character of 128 or above is to the words of a UTF-8 index set.
enum class UnicodeWordClass : std::uint8_t {
    Delimiter,  ///< a space, punctuation, symbol or other character (Z*, P*, S*, C*)
    WordPart,   ///< a letter or digit (L*, N*) of a script written with spaces
    OwnWord,    ///< a Han, Hiragana, Katakana or Thai letter: a word on its own
    Mark,       ///< a mark (M*): part of the word before it, or starts one
};

/// The class of a code point of 128 or above.
UnicodeWordClass WordClassOf(char32_t codePoint) noexcept;

/// Reads a UTF-8 document or request text as Windows-1252, one well-formed
/// sequence at a time; code point c becomes the first that applies of:
///   1. c below 128: the same byte;
///   2. a space separator (category Zs, such as U+00A0): a blank;
///   3. a format character (category Cf, such as U+200B, U+00AD, U+FEFF): nothing;
///   4. a character Windows-1252 holds: its byte (U+2013 en dash -> 0x96);
///   5. a character whose full canonical decomposition is a character of 4.
///      or below 128 followed only by nonspacing marks (Mn): that byte
///      (c with caron -> c, o with double acute -> o);
///   6. l/L with stroke, d/D with stroke, h/H with stroke, dotless i,
///      l/L with middle dot: l L d D h H i l L;
///   7. anything else (Greek, Cyrillic, CJK, emoji, other symbols): a blank.
/// A nonspacing mark right after a character is first composed with it, so
/// that decomposed text reads as composed text does (e + U+0301 as U+00E9,
/// c + U+030C as c); a mark that composes with nothing there is dropped, and
/// one with no character before it is a blank by 7.
/// A byte that does not start a well-formed sequence, or belongs to a
/// cut-short one, is kept as it is, read as Windows-1252.
std::string Utf8ToWindows1252Text(std::string_view utf8);

/// As above, into `out` (its old content replaced), so that a caller
/// converting many lines reuses one buffer.
void Utf8ToWindows1252Text(std::string_view utf8, std::string& out);

/// Writes Windows-1252 bytes as UTF-8; the five bytes the code page leaves
/// undefined (0x81 0x8D 0x8F 0x90 0x9D) become U+FFFD.
std::string Windows1252ToUtf8(std::string_view text);

/// Writes ISO-8859-2 bytes as UTF-8 (0x80..0x9F are the C1 controls).
std::string Iso88592ToUtf8(std::string_view text);

/// Converts UTF-8 to Windows-1252 for text typed into the desktop program:
/// every character the code page holds becomes its byte; any other
/// character, and every byte of a malformed sequence, becomes '?'.
std::string Utf8ToCp1252(std::string_view text);

/// True when the bytes are well-formed UTF-8 (ASCII text included).
bool IsValidUtf8(std::string_view text) noexcept;

/// A file name or path for display: kept as it is when it is valid UTF-8
/// (the usual file-system encoding), else read as Windows-1252.
std::string PathForDisplay(std::string_view path);

}  // namespace platform
