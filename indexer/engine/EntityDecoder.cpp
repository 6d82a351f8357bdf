// Character reference decoding with the 100-row name table.
#include "indexer/engine/EntityDecoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/Utf8Text.h"

namespace indexer {

namespace {

/// Names of the table rows 6 to 100, which give the codes 161 to 255 (row
/// number + 155); the two empty rows are the codes 215 and 247, which have
/// no name.
constexpr std::array<std::string_view, 95> kLatin1Names = {
    "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",   "laquo",
    "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",  "para",
    "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute",
    "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "",
    "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",
    "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute",
    "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "",       "oslash",
    "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

constexpr std::size_t kLongestName = 6;

/// A name of up to eight bytes as one number, for a sorted look-up table.
constexpr std::uint64_t NameKey(std::string_view name) {
    std::uint64_t key = 0;
    for (char c : name) key = (key << 8) | static_cast<unsigned char>(c);
    return key;
}

struct NameCode {
    std::uint64_t key;
    int code;
};

constexpr std::size_t kNamedRows = 5 + kLatin1Names.size() - 2;

constexpr std::array<NameCode, kNamedRows> MakeNameTable() {
    std::array<NameCode, kNamedRows> table{};
    std::size_t count = 0;
    table[count++] = {NameKey("amp"), '&'};
    table[count++] = {NameKey("lt"), '<'};
    table[count++] = {NameKey("gt"), '>'};
    table[count++] = {NameKey("quot"), '"'};
    table[count++] = {NameKey("nbsp"), ' '};
    for (std::size_t i = 0; i < kLatin1Names.size(); ++i)
        if (!kLatin1Names[i].empty()) table[count++] = {NameKey(kLatin1Names[i]), static_cast<int>(161 + i)};
    std::sort(table.begin(), table.end(), [](const NameCode& a, const NameCode& b) { return a.key < b.key; });
    return table;
}

constexpr std::array<NameCode, kNamedRows> kNameTable = MakeNameTable();

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

bool IsAsciiAlphanumeric(char c) noexcept { return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

/// Decodes the reference that starts with "&#" at `start`; appends its
/// result to `out` and returns the position after what it consumed.
std::size_t DecodeNumeric(std::string_view line, std::size_t start, std::string& out) {
    std::size_t position = start + 2;
    int value = 0;
    std::size_t digits = 0;
    while (position < line.size() && IsDigit(line[position]) && digits < 4) {
        value = value * 10 + (line[position] - '0');
        ++digits;
        ++position;
    }
    if (digits == 0 || digits == 4) {
        // No digit: "&#" stays. A fourth digit: "&#" and four digits stay.
        out.append(line.substr(start, position - start));
        return position;
    }
    const bool semicolon = position < line.size() && line[position] == ';';
    if (semicolon) ++position;
    if (value == 9) out.push_back(' ');
    else if (value == 10 || (value >= 32 && value <= 255)) out.push_back(static_cast<char>(value));
    else out.append(line.substr(start, position - start));
    return position;
}

/// Decodes the reference that starts with "&" and a letter or digit at
/// `start`; appends its result and returns the position after it.
std::size_t DecodeNamed(std::string_view line, std::size_t start, std::string& out) {
    std::size_t position = start + 1;
    while (position < line.size() && IsAsciiAlphanumeric(line[position]) && position - start <= kLongestName + 1)
        ++position;
    const std::size_t nameLength = position - start - 1;
    if (nameLength > kLongestName) {
        // "&" and seven letters or digits stay; decoding goes on after them.
        out.append(line.substr(start, position - start));
        return position;
    }
    const std::string_view name = line.substr(start + 1, nameLength);
    const bool semicolon = position < line.size() && line[position] == ';';
    if (semicolon) ++position;
    const int code = EntityNameCode(name);
    if (code >= 0) out.push_back(static_cast<char>(code));
    else out.append(line.substr(start, position - start));
    return position;
}

// ---- References in a Windows-1250 or UTF-8 set -----------------------------------

using platform::IndexCodePage;

/// What each Windows-1252 byte a reference gives is in a set's code page.
using ByteTexts = std::array<std::string, 256>;

ByteTexts MakeByteTexts(IndexCodePage codePage) {
    ByteTexts texts;
    for (int byte = 0; byte < 256; ++byte)
        texts[static_cast<std::size_t>(byte)] = platform::ConvertText(std::string(1, static_cast<char>(byte)),
                                                                      platform::TextCharset::Windows1252, codePage);
    return texts;
}

const ByteTexts& ByteTextsOf(IndexCodePage codePage) {
    static const ByteTexts cp1250 = MakeByteTexts(IndexCodePage::Windows1250);
    static const ByteTexts utf8 = MakeByteTexts(IndexCodePage::Utf8);
    return codePage == IndexCodePage::Utf8 ? utf8 : cp1250;
}

constexpr std::size_t kMostDecimalDigits = 7;
constexpr std::size_t kMostHexDigits = 6;
constexpr char32_t kLastCodePoint = 0x10FFFF;

int HexDigitValue(char c) noexcept {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

/// Decodes the numeric reference at `start` of a Windows-1250 or UTF-8 set.
std::size_t DecodeWideNumeric(std::string_view line, std::size_t start, IndexCodePage codePage, std::string& out) {
    const bool hex = start + 2 < line.size() && (line[start + 2] == 'x' || line[start + 2] == 'X');
    const int base = hex ? 16 : 10;
    const std::size_t most = hex ? kMostHexDigits : kMostDecimalDigits;
    std::size_t position = start + (hex ? 3 : 2);
    char32_t value = 0;
    std::size_t digits = 0;
    for (; position < line.size() && digits <= most; ++position, ++digits) {
        const int digit = hex ? HexDigitValue(line[position]) : (IsDigit(line[position]) ? line[position] - '0' : -1);
        if (digit < 0) break;
        value = value * static_cast<char32_t>(base) + static_cast<char32_t>(digit);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (digits == 0 || digits > most || value > kLastCodePoint || surrogate) {
        out.append(line.substr(start, position - start));
        return position;
    }
    if (position < line.size() && line[position] == ';') ++position;
    if (value == 9) {
        out.push_back(' ');
    } else if (value == 10 || (value >= 32 && value <= 255)) {
        out.append(ByteTextsOf(codePage)[value]);
    } else if (value > 255) {
        std::string utf8;
        AppendUtf8(utf8, value);
        out.append(platform::ConvertText(utf8, platform::TextCharset::Utf8, codePage));
    } else {
        out.append(line.substr(start, position - start));
    }
    return position;
}

/// A named reference that gave one byte: that Windows-1252 byte becomes its
/// character in the set's code page.
void RecodeLastByte(std::string& out, IndexCodePage codePage) {
    const auto byte = static_cast<unsigned char>(out.back());
    out.pop_back();
    out.append(ByteTextsOf(codePage)[byte]);
}

}  // namespace

int EntityNameCode(std::string_view name) noexcept {
    if (name.empty() || name.size() > kLongestName) return -1;
    const std::uint64_t key = NameKey(name);
    const auto found = std::lower_bound(kNameTable.begin(), kNameTable.end(), key,
                                        [](const NameCode& row, std::uint64_t k) { return row.key < k; });
    return (found != kNameTable.end() && found->key == key) ? found->code : -1;
}

void DecodeEntities(std::string_view line, std::string& out) { DecodeEntities(line, out, IndexCodePage::Windows1252); }

void DecodeEntities(std::string_view line, std::string& out, IndexCodePage codePage) {
    const bool byteSet = codePage == IndexCodePage::Windows1252;
    out.clear();
    std::size_t position = 0;
    while (position < line.size()) {
        const void* found = std::memchr(line.data() + position, '&', line.size() - position);
        if (found == nullptr) {
            out.append(line.substr(position));
            return;
        }
        const auto ampersand = static_cast<std::size_t>(static_cast<const char*>(found) - line.data());
        out.append(line.substr(position, ampersand - position));
        const char next = ampersand + 1 < line.size() ? line[ampersand + 1] : '\0';
        if (ampersand + 1 < line.size() && next == '#') {
            position =
                byteSet ? DecodeNumeric(line, ampersand, out) : DecodeWideNumeric(line, ampersand, codePage, out);
        } else if (ampersand + 1 < line.size() && IsAsciiAlphanumeric(next)) {
            const std::size_t decodedAt = out.size();
            position = DecodeNamed(line, ampersand, out);
            if (!byteSet && out.size() == decodedAt + 1) RecodeLastByte(out, codePage);
        } else {
            out.push_back('&');
            position = ampersand + 1;
        }
    }
}

}  // namespace indexer
