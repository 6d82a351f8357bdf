// The character set of a search request, from its "_charset_" field or the
// content type of its body.
#include "search/RequestCharset.h"

#include <cstddef>

#include "platform/Utf8Text.h"

namespace search {
namespace {

// ASCII letters only: names of character sets and parameters are ASCII, and
// the comparison must not depend on the process's locale.
char AsciiLower(char ch) noexcept { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

bool EqualsIgnoringAsciiCase(std::string_view text, std::string_view lowerCase) noexcept {
    if (text.size() != lowerCase.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (AsciiLower(text[i]) != lowerCase[i]) return false;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view text) noexcept {
    const auto isBlank = [](char ch) { return ch == ' ' || ch == '\t'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view Unquoted(std::string_view value) noexcept {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
    return value;
}

// One "name=value" parameter of a content type names UTF-8 as its charset.
bool ParameterNamesUtf8(std::string_view parameter) noexcept {
    const std::size_t equals = parameter.find('=');
    if (equals == std::string_view::npos) return false;
    return EqualsIgnoringAsciiCase(TrimBlanks(parameter.substr(0, equals)), "charset") &&
           IsUtf8CharsetName(Unquoted(TrimBlanks(parameter.substr(equals + 1))));
}

}  // namespace

bool IsUtf8CharsetName(std::string_view name) noexcept {
    return EqualsIgnoringAsciiCase(name, "utf-8") || EqualsIgnoringAsciiCase(name, "utf8");
}

bool ContentTypeNamesUtf8(std::string_view contentType) noexcept {
    // The media type comes first; the parameters follow, each after a ";".
    std::size_t semicolon = contentType.find(';');
    while (semicolon != std::string_view::npos) {
        const std::size_t start = semicolon + 1;
        semicolon = contentType.find(';', start);
        const std::size_t end = semicolon == std::string_view::npos ? contentType.size() : semicolon;
        if (ParameterNamesUtf8(contentType.substr(start, end - start))) return true;
    }
    return false;
}

bool IsUtf8Request(std::string_view charsetField, std::string_view requestMethod,
                   std::string_view contentType) noexcept {
    return IsUtf8CharsetName(charsetField) || (requestMethod == "POST" && ContentTypeNamesUtf8(contentType));
}

std::string QueryInCodePage(std::string_view words, bool utf8Request, platform::IndexCodePage codePage) {
    using platform::IndexCodePage;
    using platform::TextCharset;
    if (utf8Request) {
        if (codePage == IndexCodePage::Windows1252) return platform::Utf8ToWindows1252Text(words);
        return platform::ConvertText(words, TextCharset::Utf8, codePage);
    }
    if (codePage == IndexCodePage::Utf8) return platform::ConvertText(words, TextCharset::Windows1252, codePage);
    return std::string(words);
}

}  // namespace search
