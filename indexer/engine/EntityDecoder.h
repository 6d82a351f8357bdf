// Character references in document text: "&#233;" and "&eacute;" become the
// character they name in the index set's code page (in a Windows-1252 set, the
// byte); anything not understood stays as written.
#pragma once

#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace indexer {

/// The byte code (0..255) that a reference name gives, or -1 for a name the
/// table does not hold. Names are matched exactly, case included ("Eacute"
/// and "eacute" differ). The table knows amp, lt, gt, quot, nbsp (a blank)
/// and the Latin-1 names of the codes 161 to 255 except 215 and 247.
int EntityNameCode(std::string_view name) noexcept;

/// Decodes one line into `out` (which is emptied first):
/// - "&#" and 1 to 3 digits, an optional ";" eaten: 9 gives a blank, 10 and
///   32..255 give that byte, any other value stays as written;
/// - "&#" and a 4th digit: the four digits stay, decoding goes on after them;
/// - "&" and 1 to 6 ASCII letters or digits, an optional ";" eaten: a known
///   name gives its byte, an unknown one stays as written;
/// - "&" and a 7th letter or digit: "&" and the seven stay;
/// - any other "&" stays.
void DecodeEntities(std::string_view line, std::string& out);

/// Decodes one line of a set in `codePage` into `out`. A Windows-1252 set
/// decodes as above. In a Windows-1250 or UTF-8 set what a reference gives
/// as a Windows-1252 byte is that character in the set's code page, and a
/// numeric reference may also be "&#" and up to 7 digits or "&#x" and up to
/// 6 hexadecimal digits, an optional ";" eaten, naming any character above
/// 255 (surrogates excepted), which is read into the code page as UTF-8
/// text is; a longer or other one stays as written.
void DecodeEntities(std::string_view line, std::string& out, platform::IndexCodePage codePage);

}  // namespace indexer
