// The one place where text crosses between UTF-8 and the single-byte code
// pages: UTF-8 documents and requests read as Windows-1252 (Unicode
// categories and decompositions come from utf8proc), Windows-1252 and
// ISO-8859-2 texts written as UTF-8, the desktop program's typed text taken
// back to Windows-1252, and a UTF-8 validity test for file names.
#pragma once

#include <string>
#include <string_view>

namespace platform {

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
