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
            cp = kCp1252HighRow[byte - 0x80];
            if (cp == 0) cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace platform
