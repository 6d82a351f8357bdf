// Windows-1252 and ASCII upper-casing.
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

}  // namespace platform
