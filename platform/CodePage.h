// Windows-1252 ("ANSI") character handling: the one upper-casing rule that the
// indexer and the search program both apply to words, and the plain ASCII rule
// used for HTML tag names. Bytes in, bytes out; no locale is ever consulted.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

namespace detail {
constexpr std::array<unsigned char, 256> MakeAnsiUpperTable() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
    for (int c = 'a'; c <= 'z'; ++c) table[c] = static_cast<unsigned char>(c - 32);
    // Latin-1 small letters à..þ map 32 below, except the division sign ÷.
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7) table[c] = static_cast<unsigned char>(c - 32);
    table[0x9A] = 0x8A;  // š -> Š
    table[0x9C] = 0x8C;  // œ -> Œ
    table[0x9E] = 0x8E;  // ž -> Ž
    table[0xFF] = 0x9F;  // ÿ -> Ÿ
    // µ (0xB5) and ß (0xDF) have no capital in the code page and stay as they are.
    return table;
}
}  // namespace detail

/// Upper-case mapping of every Windows-1252 byte, as the system's ANSI
/// upper-casing does it for that code page.
inline constexpr std::array<unsigned char, 256> kAnsiUpperTable = detail::MakeAnsiUpperTable();

/// Upper-cases one Windows-1252 byte.
constexpr char AnsiUpperChar(char c) { return static_cast<char>(kAnsiUpperTable[static_cast<unsigned char>(c)]); }

/// Upper-cases a Windows-1252 text in place.
void AnsiUpperInPlace(std::string& text);

/// Returns the Windows-1252 upper-case form of a text.
std::string AnsiUpper(std::string_view text);

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

}  // namespace platform
