// Windows-1252 upper-casing and conversion to UTF-8.
#include "platform/CodePage.h"

namespace platform {

void AnsiUpperInPlace(std::string& text) {
    for (char& c : text) c = AnsiUpperChar(c);
}

std::string AnsiUpper(std::string_view text) {
    std::string result(text);
    AnsiUpperInPlace(result);
    return result;
}

std::string AsciiUpper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = AsciiUpperChar(c);
    return result;
}

bool AsciiEqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpperChar(a[i]) != AsciiUpperChar(b[i])) return false;
    return true;
}

namespace {
// Unicode code points of 0x80..0x9F in Windows-1252; 0 marks the five
// undefined positions, which are passed on as U+FFFD.
constexpr char16_t kHighControlRow[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

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

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        char32_t cp = byte;
        if (byte >= 0x80 && byte <= 0x9F) {
            cp = kHighControlRow[byte - 0x80];
            if (cp == 0) cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace platform
