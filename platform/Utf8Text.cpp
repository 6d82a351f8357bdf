// UTF-8 decoding into Windows-1252 bytes and encoding of the single-byte
// code pages as UTF-8.
#include "platform/Utf8Text.h"

#include <utf8proc.h>

#include <cstdint>
#include <cstring>
#include <optional>

#include "platform/CodePage.h"

namespace platform {

namespace {

/// Unicode code points of the ISO-8859-2 bytes 0xA0..0xFF; the bytes below
/// 0xA0 are the code points of the same number.
constexpr char16_t kIso88592HighHalf[96] = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD,
    0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7, 0x00B8, 0x0161, 0x015F, 0x0165,
    0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9,
    0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A,
    0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

/// Latin letters with a stroke, a middle dot or without their dot, which
/// have no canonical decomposition, and the plain letters read in their place.
constexpr struct {
    char32_t letter;
    char plain;
} kUndecomposedLetters[] = {{0x0142, 'l'}, {0x0141, 'L'}, {0x0111, 'd'}, {0x0110, 'D'}, {0x0127, 'h'},
                            {0x0126, 'H'}, {0x0131, 'i'}, {0x0140, 'l'}, {0x013F, 'L'}};

/// The longest full canonical decomposition in Unicode is four code points.
constexpr std::size_t kMaxDecompositionLength = 8;

/// The Windows-1252 byte of a code point, when the code page holds it.
std::optional<char> Windows1252ByteFor(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252HighRow[i] != 0 && kCp1252HighRow[i] == cp) return static_cast<char>(0x80 + i);
    return std::nullopt;
}

/// The byte of a character whose full canonical decomposition is a
/// Windows-1252 character followed only by nonspacing marks.
std::optional<char> DecomposedBaseByte(char32_t cp) {
    utf8proc_int32_t parts[kMaxDecompositionLength];
    const auto count = utf8proc_decompose_char(static_cast<utf8proc_int32_t>(cp), parts, kMaxDecompositionLength,
                                               UTF8PROC_DECOMPOSE, nullptr);
    if (count < 1 || count > static_cast<utf8proc_ssize_t>(kMaxDecompositionLength)) return std::nullopt;
    if (count == 1 && static_cast<char32_t>(parts[0]) == cp) return std::nullopt;  // no decomposition
    for (utf8proc_ssize_t k = 1; k < count; ++k)
        if (utf8proc_category(parts[k]) != UTF8PROC_CATEGORY_MN) return std::nullopt;
    return Windows1252ByteFor(static_cast<char32_t>(parts[0]));
}

std::optional<char> UndecomposedLetterByte(char32_t cp) {
    for (const auto& row : kUndecomposedLetters)
        if (row.letter == cp) return row.plain;
    return std::nullopt;
}

/// What one well-formed code point of 128 or above becomes in a Windows-1252
/// text: a byte, or nothing when it is removed.
std::optional<char> Windows1252TextByte(char32_t cp) {
    // Latin-1 holds one space separator and one format character; every
    // other character there is its own byte, without asking for a category.
    if (cp >= 0xA0 && cp <= 0xFF && cp != 0xA0 && cp != 0xAD) return static_cast<char>(cp);
    const utf8proc_category_t category = utf8proc_category(static_cast<utf8proc_int32_t>(cp));
    if (category == UTF8PROC_CATEGORY_ZS) return ' ';
    if (category == UTF8PROC_CATEGORY_CF) return std::nullopt;
    std::optional<char> byte = Windows1252ByteFor(cp);
    if (!byte) byte = DecomposedBaseByte(cp);
    if (!byte) byte = UndecomposedLetterByte(cp);
    return byte.value_or(' ');
}

/// The character a base character and a nonspacing mark after it compose to,
/// when Unicode composes the pair canonically (e + U+0301 -> U+00E9).
std::optional<char32_t> ComposedPair(char32_t base, char32_t mark) {
    utf8proc_int32_t pair[2] = {static_cast<utf8proc_int32_t>(base), static_cast<utf8proc_int32_t>(mark)};
    if (utf8proc_normalize_utf32(pair, 2, UTF8PROC_COMPOSE) != 1) return std::nullopt;
    return static_cast<char32_t>(pair[0]);
}

bool IsNonspacingMark(char32_t cp) {
    // The first nonspacing marks are the combining diacritics at U+0300.
    return cp >= 0x300 && utf8proc_category(static_cast<utf8proc_int32_t>(cp)) == UTF8PROC_CATEGORY_MN;
}

/// The length of the run of ASCII bytes at the start of `text`, eight bytes at a time.
std::size_t AsciiRunLength(std::string_view text) noexcept {
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    std::size_t length = 0;
    while (length + 8 <= text.size()) {
        std::uint64_t chunk;
        std::memcpy(&chunk, text.data() + length, 8);
        if ((chunk & kHighBits) != 0) break;
        length += 8;
    }
    while (length < text.size() && static_cast<unsigned char>(text[length]) < 0x80) ++length;
    return length;
}

/// Decodes one UTF-8 sequence at `text[i]`; returns its length, 0 when malformed.
std::size_t DecodeOne(std::string_view text, std::size_t i, char32_t& cp) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length;
    char32_t minimum;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

/// Appends a code point of the Basic Multilingual Plane as UTF-8.
void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string Utf8ToWindows1252Text(std::string_view utf8) {
    std::string out;
    Utf8ToWindows1252Text(utf8, out);
    return out;
}

void Utf8ToWindows1252Text(std::string_view utf8, std::string& out) {
    // Every sequence and every stray byte gives at most one byte.
    out.resize(utf8.size());
    char* write = out.data();
    // The character whose byte was written last, while a nonspacing mark
    // after it could still combine with it.
    char32_t base = 0;
    bool hasBase = false;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t ascii = AsciiRunLength(utf8.substr(i));
        std::memcpy(write, utf8.data() + i, ascii);
        write += ascii;
        i += ascii;
        if (ascii > 0) {
            base = static_cast<unsigned char>(utf8[i - 1]);
            hasBase = true;
        }
        if (i == utf8.size()) break;
        char32_t cp = 0;
        const std::size_t length = DecodeOne(utf8, i, cp);
        i += length;
        if (length == 0) {
            *write++ = utf8[i++];
            hasBase = false;
        } else if (hasBase && IsNonspacingMark(cp)) {
            // Decomposed text reads as its composed form: e + U+0301 as
            // U+00E9, c + U+030C as c with caron, so as c. A mark that
            // composes with nothing is dropped, like the caron of a
            // precomposed c with caron.
            if (const std::optional<char32_t> composed = ComposedPair(base, cp)) {
                write[-1] = Windows1252TextByte(*composed).value_or(' ');
                base = *composed;
            }
        } else if (const std::optional<char> byte = Windows1252TextByte(cp)) {
            *write++ = *byte;
            base = cp;
            hasBase = true;
        } else {
            hasBase = false;
        }
    }
    out.resize(static_cast<std::size_t>(write - out.data()));
}

std::string Windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        char32_t cp = byte;
        if (byte >= 0x80 && byte <= 0x9F) {
            cp = kCp1252HighRow[byte - 0x80];
            if (cp == 0) cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Iso88592ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        AppendUtf8(out, byte < 0xA0 ? char32_t{byte} : char32_t{kIso88592HighHalf[byte - 0xA0]});
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t length = DecodeOne(text, i, cp);
        if (length == 0) {
            out += '?';
            ++i;
            continue;
        }
        out += Windows1252ByteFor(cp).value_or('?');
        i += length;
    }
    return out;
}

bool IsValidUtf8(std::string_view text) noexcept {
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t length = DecodeOne(text, i, cp);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string PathForDisplay(std::string_view path) {
    return IsValidUtf8(path) ? std::string(path) : Windows1252ToUtf8(path);
}

}  // namespace platform
