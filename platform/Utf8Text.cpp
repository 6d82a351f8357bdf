// UTF-8 decoding into Windows-1252 bytes and encoding of the single-byte
// code pages as UTF-8.
#include "platform/Utf8Text.h"

#include <utf8proc.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

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

/// The Windows-1250 bytes 0x80..0xFF sorted by their code points, for a
/// binary search.
struct CodePointByte {
    char16_t codePoint;
    unsigned char byte;
};

constexpr std::array<CodePointByte, 123> MakeCp1250Reverse() {
    std::array<CodePointByte, 123> table{};
    std::size_t count = 0;
    for (int i = 0; i < 128; ++i)
        if (kCp1250HighHalf[i] != 0) table[count++] = {kCp1250HighHalf[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(table.begin(), table.end(),
              [](const CodePointByte& a, const CodePointByte& b) { return a.codePoint < b.codePoint; });
    return table;
}

constexpr std::array<CodePointByte, 123> kCp1250Reverse = MakeCp1250Reverse();

/// The Windows-1250 byte of a code point, when the code page holds it.
std::optional<char> Windows1250ByteFor(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    const auto found =
        std::lower_bound(kCp1250Reverse.begin(), kCp1250Reverse.end(), cp,
                         [](const CodePointByte& entry, char32_t value) { return entry.codePoint < value; });
    if (found == kCp1250Reverse.end() || found->codePoint != cp) return std::nullopt;
    return static_cast<char>(found->byte);
}

/// The byte of a code point in a single-byte code page, when it holds it.
std::optional<char> ByteFor(IndexCodePage target, char32_t cp) {
    return target == IndexCodePage::Windows1250 ? Windows1250ByteFor(cp) : Windows1252ByteFor(cp);
}

/// The byte of a character whose full canonical decomposition is a
/// character of the code page followed only by nonspacing marks.
std::optional<char> DecomposedBaseByte(IndexCodePage target, char32_t cp) {
    utf8proc_int32_t parts[kMaxDecompositionLength];
    const auto count = utf8proc_decompose_char(static_cast<utf8proc_int32_t>(cp), parts, kMaxDecompositionLength,
                                               UTF8PROC_DECOMPOSE, nullptr);
    if (count < 1 || count > static_cast<utf8proc_ssize_t>(kMaxDecompositionLength)) return std::nullopt;
    if (count == 1 && static_cast<char32_t>(parts[0]) == cp) return std::nullopt;  // no decomposition
    for (utf8proc_ssize_t k = 1; k < count; ++k)
        if (utf8proc_category(parts[k]) != UTF8PROC_CATEGORY_MN) return std::nullopt;
    return ByteFor(target, static_cast<char32_t>(parts[0]));
}

std::optional<char> UndecomposedLetterByte(char32_t cp) {
    for (const auto& row : kUndecomposedLetters)
        if (row.letter == cp) return row.plain;
    return std::nullopt;
}

/// What one well-formed code point of 128 or above becomes in a text of a
/// single-byte code page: a byte, or nothing when it is removed.
std::optional<char> SingleByteTextByte(IndexCodePage target, char32_t cp) {
    // Latin-1 holds one space separator and one format character; every
    // other character there is its own Windows-1252 byte, without asking for
    // a category.
    if (target == IndexCodePage::Windows1252 && cp >= 0xA0 && cp <= 0xFF && cp != 0xA0 && cp != 0xAD)
        return static_cast<char>(cp);
    const utf8proc_category_t category = utf8proc_category(static_cast<utf8proc_int32_t>(cp));
    if (category == UTF8PROC_CATEGORY_ZS) return ' ';
    if (category == UTF8PROC_CATEGORY_CF) return std::nullopt;
    std::optional<char> byte = ByteFor(target, cp);
    if (!byte) byte = DecomposedBaseByte(target, cp);
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

/// Appends a code point as UTF-8.
void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

/// The code point of a byte of a single-byte character set; 0 where the
/// code page leaves the byte undefined.
char32_t SingleByteCodePoint(TextCharset charset, unsigned char byte) noexcept {
    if (byte < 0x80) return byte;
    switch (charset) {
        case TextCharset::Windows1250: return kCp1250HighHalf[byte - 0x80];
        case TextCharset::Iso88592: return byte < 0xA0 ? char32_t{byte} : char32_t{kIso88592HighHalf[byte - 0xA0]};
        default: return byte >= 0xA0 ? char32_t{byte} : char32_t{kCp1252HighRow[byte - 0x80]};
    }
}

/// Reads UTF-8 into a single-byte code page by the rules of
/// Utf8ToWindows1252Text.
void Utf8ToSingleByteText(std::string_view utf8, IndexCodePage target, std::string& out) {
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
            // U+00E9, c + U+030C as c with caron. A mark that composes with
            // nothing is dropped, like the caron of a precomposed c with
            // caron read into Windows-1252.
            if (const std::optional<char32_t> composed = ComposedPair(base, cp)) {
                write[-1] = SingleByteTextByte(target, *composed).value_or(' ');
                base = *composed;
            }
        } else if (const std::optional<char> byte = SingleByteTextByte(target, cp)) {
            *write++ = *byte;
            base = cp;
            hasBase = true;
        } else {
            hasBase = false;
        }
    }
    out.resize(static_cast<std::size_t>(write - out.data()));
}

/// Reads a single-byte text into the other single-byte code page, one
/// character at a time by the same rules; an undefined byte is a blank.
void SingleByteToSingleByteText(std::string_view text, TextCharset from, IndexCodePage target, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x80) {
            out += ch;
            continue;
        }
        const char32_t cp = SingleByteCodePoint(from, byte);
        if (cp == 0) out += ' ';
        else if (const std::optional<char> converted = SingleByteTextByte(target, cp)) out += *converted;
    }
}

bool HasCombiningClass(char32_t cp) {
    return cp >= 0x300 && utf8proc_get_property(static_cast<utf8proc_int32_t>(cp))->combining_class != 0;
}

/// A code point as a UTF-8 index set's text holds it: a space separator is
/// a blank; nothing for a format character.
std::optional<char32_t> Utf8IndexCodePoint(char32_t cp) {
    if (cp < 0x80) return cp;
    const utf8proc_category_t category = utf8proc_category(static_cast<utf8proc_int32_t>(cp));
    if (category == UTF8PROC_CATEGORY_ZS) return U' ';
    if (category == UTF8PROC_CATEGORY_CF) return std::nullopt;
    return cp;
}

/// Reads a text into UTF-8 as ConvertText describes.
void ToUtf8IndexText(std::string_view text, TextCharset from, std::string& out) {
    thread_local std::vector<utf8proc_int32_t> codePoints;
    codePoints.clear();
    bool combining = false;
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        if (cp >= 0x80) {
            if (from == TextCharset::Utf8) {
                length = DecodeOne(text, i, cp);
                if (length == 0) {
                    length = 1;
                    cp = SingleByteCodePoint(TextCharset::Windows1252, static_cast<unsigned char>(text[i]));
                }
            } else {
                cp = SingleByteCodePoint(from, static_cast<unsigned char>(cp));
            }
            if (cp == 0) cp = 0xFFFD;
        }
        i += length;
        const std::optional<char32_t> kept = Utf8IndexCodePoint(cp);
        if (!kept) continue;
        combining = combining || HasCombiningClass(*kept);
        codePoints.push_back(static_cast<utf8proc_int32_t>(*kept));
    }
    std::size_t count = codePoints.size();
    if (combining && count > 0) {
        const utf8proc_ssize_t composed =
            utf8proc_normalize_utf32(codePoints.data(), static_cast<utf8proc_ssize_t>(count), UTF8PROC_COMPOSE);
        if (composed >= 0) count = static_cast<std::size_t>(composed);
    }
    out.clear();
    out.reserve(text.size() + text.size() / 2);
    for (std::size_t k = 0; k < count; ++k) AppendUtf8(out, static_cast<char32_t>(codePoints[k]));
}

/// Unicode's simple upper-case mapping of a code point. utf8proc maps the
/// sharp s to the capital sharp s, which Unicode's simple mapping does not.
char32_t SimpleUpperCase(char32_t cp) {
    if (cp == 0xDF) return cp;
    return static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(cp)));
}

bool InRange(char32_t cp, char32_t first, char32_t last) noexcept { return cp >= first && cp <= last; }

/// Han, Hiragana, Katakana and Thai: scripts written without spaces between words.
bool IsWrittenWithoutSpaces(char32_t cp) noexcept {
    return InRange(cp, 0x0E00, 0x0E7F) ||    // Thai
           InRange(cp, 0x3005, 0x3007) ||    // ideographic iteration mark, closing mark, number zero
           InRange(cp, 0x3021, 0x3029) ||    // Hangzhou numerals
           InRange(cp, 0x3038, 0x303B) ||    // more Hangzhou numerals, vertical iteration mark
           InRange(cp, 0x3040, 0x30FF) ||    // Hiragana, Katakana
           InRange(cp, 0x31F0, 0x31FF) ||    // Katakana phonetic extensions
           InRange(cp, 0x3400, 0x4DBF) ||    // CJK extension A
           InRange(cp, 0x4E00, 0x9FFF) ||    // CJK unified ideographs
           InRange(cp, 0xF900, 0xFAFF) ||    // CJK compatibility ideographs
           InRange(cp, 0xFF66, 0xFF9F) ||    // half-width Katakana
           InRange(cp, 0x1B000, 0x1B16F) ||  // Kana supplement and extended
           InRange(cp, 0x20000, 0x323AF);    // CJK extensions B to H, compatibility supplement
}

}  // namespace

std::string Utf8ToWindows1252Text(std::string_view utf8) {
    std::string out;
    Utf8ToWindows1252Text(utf8, out);
    return out;
}

void Utf8ToWindows1252Text(std::string_view utf8, std::string& out) {
    Utf8ToSingleByteText(utf8, IndexCodePage::Windows1252, out);
}

void ConvertText(std::string_view text, TextCharset from, IndexCodePage to, std::string& out) {
    if (to == IndexCodePage::Utf8) {
        if (AsciiRunLength(text) == text.size()) out.assign(text);
        else ToUtf8IndexText(text, from, out);
    } else if (from == CharsetOfCodePage(to)) {
        out.assign(text);
    } else if (from == TextCharset::Utf8) {
        Utf8ToSingleByteText(text, to, out);
    } else {
        SingleByteToSingleByteText(text, from, to, out);
    }
}

std::string ConvertText(std::string_view text, TextCharset from, IndexCodePage to) {
    std::string out;
    ConvertText(text, from, to, out);
    return out;
}

std::string CodePageToUtf8(std::string_view text, IndexCodePage from) {
    if (from == IndexCodePage::Utf8) return std::string(text);
    if (from == IndexCodePage::Windows1252) return Windows1252ToUtf8(text);
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        const char32_t cp = SingleByteCodePoint(TextCharset::Windows1250, byte);
        AppendUtf8(out, cp == 0 && byte >= 0x80 ? char32_t{0xFFFD} : cp);
    }
    return out;
}

void Utf8UpperInPlace(std::string& text) {
    std::size_t i = AsciiRunLength(text);
    for (std::size_t k = 0; k < i; ++k) text[k] = AsciiUpperChar(text[k]);
    if (i == text.size()) return;
    std::string upper(text, 0, i);
    upper.reserve(text.size() + 8);
    while (i < text.size()) {
        char32_t cp = 0;
        const std::size_t length = DecodeOne(text, i, cp);
        if (length == 0) {
            upper += text[i++];
            continue;
        }
        if (cp < 0x80) upper += AsciiUpperChar(static_cast<char>(cp));
        else AppendUtf8(upper, SimpleUpperCase(cp));
        i += length;
    }
    text = std::move(upper);
}

std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes) noexcept {
    if (text.size() <= maxBytes) return text.size();
    // Back off over continuation bytes to the start of the sequence that
    // would be cut; a run of more than three is no sequence and is cut anywhere.
    std::size_t cut = maxBytes;
    while (cut > 0 && maxBytes - cut < 3 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    if ((static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) return maxBytes;
    return cut;
}

std::size_t DecodeUtf8(std::string_view text, std::size_t index, char32_t& codePoint) noexcept {
    return DecodeOne(text, index, codePoint);
}

UnicodeWordClass WordClassOf(char32_t codePoint) noexcept {
    switch (utf8proc_category(static_cast<utf8proc_int32_t>(codePoint))) {
        case UTF8PROC_CATEGORY_LU:
        case UTF8PROC_CATEGORY_LL:
        case UTF8PROC_CATEGORY_LT:
        case UTF8PROC_CATEGORY_LM:
        case UTF8PROC_CATEGORY_LO:
        case UTF8PROC_CATEGORY_ND:
        case UTF8PROC_CATEGORY_NL:
        case UTF8PROC_CATEGORY_NO:
            return IsWrittenWithoutSpaces(codePoint) ? UnicodeWordClass::OwnWord : UnicodeWordClass::WordPart;
        case UTF8PROC_CATEGORY_MN:
        case UTF8PROC_CATEGORY_MC:
        case UTF8PROC_CATEGORY_ME: return UnicodeWordClass::Mark;
        default: return UnicodeWordClass::Delimiter;
    }
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
