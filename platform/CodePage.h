// Code pages of an index set and their upper-casing: Windows-1252 ("ANSI",
// the code page of every set without a ".cpg" file), Windows-1250 and UTF-8;
// the one upper-casing rule per code page that the indexer and the search
// program both apply to words, and the plain ASCII rule used for HTML tag
// names. Bytes in, bytes out; no locale is ever consulted.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

namespace detail {

/// A small letter of a code page beyond ASCII and its capital.
struct CapitalPair {
    unsigned char small;
    unsigned char capital;
};

/// The upper-casing table of a single-byte code page: a to z, the small
/// letters at 0xE0..0xFE 32 below (but the division sign at 0xF7), and the
/// code page's other pairs. Every other byte stays as it is.
template <std::size_t Count>
constexpr std::array<unsigned char, 256> MakeUpperTable(const CapitalPair (&pairs)[Count]) {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
    for (int c = 'a'; c <= 'z'; ++c) table[c] = static_cast<unsigned char>(c - 32);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7) table[c] = static_cast<unsigned char>(c - 32);
    for (const CapitalPair& pair : pairs) table[pair.small] = pair.capital;
    return table;
}

// Windows-1252: š œ ž ÿ. µ (0xB5) and ß (0xDF) have no capital in the code
// page and stay as they are.
inline constexpr CapitalPair kCp1252Pairs[] = {{0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};

// Windows-1250: š ś ť ž ź ł ą ş ľ ż. µ (0xB5), ß (0xDF) and the dot above
// (0xFF) stay as they are.
inline constexpr CapitalPair kCp1250Pairs[] = {{0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D}, {0x9E, 0x8E}, {0x9F, 0x8F},
                                               {0xB3, 0xA3}, {0xB9, 0xA5}, {0xBA, 0xAA}, {0xBE, 0xBC}, {0xBF, 0xAF}};

}  // namespace detail

/// The code page of an index set's words, titles and pages.
enum class IndexCodePage : std::uint8_t {
    Windows1252,  ///< a set without a ".cpg" file
    Windows1250,  ///< Central European
    Utf8,         ///< every script
};

/// The name of a code page as a ".cpg" file and the settings write it:
/// "windows-1252", "windows-1250" or "utf-8".
std::string_view CodePageName(IndexCodePage codePage) noexcept;

/// The code page a name gives: "windows-1252", "windows-1250" or "utf-8", in
/// any letter case, blanks and line ends around it ignored; nothing for any
/// other text.
std::optional<IndexCodePage> ParseCodePageName(std::string_view name) noexcept;

/// Upper-case mapping of every Windows-1252 byte, as the system's ANSI
/// upper-casing does it for that code page.
inline constexpr std::array<unsigned char, 256> kAnsiUpperTable = detail::MakeUpperTable(detail::kCp1252Pairs);

/// Upper-cases one Windows-1252 byte.
constexpr char AnsiUpperChar(char c) { return static_cast<char>(kAnsiUpperTable[static_cast<unsigned char>(c)]); }

/// Upper-cases a Windows-1252 text in place.
void AnsiUpperInPlace(std::string& text);

/// Returns the Windows-1252 upper-case form of a text.
std::string AnsiUpper(std::string_view text);

/// Upper-case mapping of every Windows-1250 byte, as the system's ANSI
/// upper-casing does it for that code page.
inline constexpr std::array<unsigned char, 256> kCp1250UpperTable = detail::MakeUpperTable(detail::kCp1250Pairs);

/// Upper-cases a word or query text of an index set in place, by the set's
/// code page: a byte table for the single-byte code pages, Unicode simple
/// case mapping for UTF-8 (so that ß stays ß).
void UpperInPlace(IndexCodePage codePage, std::string& text);

/// The upper-case form of a text in an index set's code page.
std::string UpperIn(IndexCodePage codePage, std::string_view text);

/// Upper-cases one byte by plain ASCII rules: only a to z change.
constexpr char AsciiUpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

/// Returns the text with a to z upper-cased and every other byte unchanged.
std::string AsciiUpper(std::string_view text);

/// Compares two texts ignoring ASCII letter case only (a-z = A-Z).
bool AsciiEqualsIgnoreCase(std::string_view a, std::string_view b);

/// Unicode code points of the bytes 0x80..0x9F in Windows-1252; 0 marks the
/// five positions the code page leaves undefined.
inline constexpr char16_t kCp1252HighRow[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

/// Unicode code points of the bytes 0x80..0xFF in Windows-1250; 0 marks the
/// five positions the code page leaves undefined.
inline constexpr char16_t kCp1250HighHalf[128] = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021, 0,      0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0,      0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

}  // namespace platform
