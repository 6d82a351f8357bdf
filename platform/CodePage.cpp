// Code page names, and upper-casing by code page and by ASCII rules.
#include "platform/CodePage.h"

#include "platform/Utf8Text.h"

namespace platform {

namespace {

constexpr std::string_view kCodePageNames[] = {"windows-1252", "windows-1250", "utf-8"};

std::string_view TrimBlanksAndLineEnds(std::string_view text) noexcept {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string_view CodePageName(IndexCodePage codePage) noexcept {
    return kCodePageNames[static_cast<std::size_t>(codePage)];
}

std::optional<IndexCodePage> ParseCodePageName(std::string_view name) noexcept {
    name = TrimBlanksAndLineEnds(name);
    for (std::size_t i = 0; i < std::size(kCodePageNames); ++i)
        if (AsciiEqualsIgnoreCase(name, kCodePageNames[i])) return static_cast<IndexCodePage>(i);
    return std::nullopt;
}

void UpperInPlace(IndexCodePage codePage, std::string& text) {
    switch (codePage) {
        case IndexCodePage::Windows1252: AnsiUpperInPlace(text); return;
        case IndexCodePage::Windows1250:
            for (char& c : text) c = static_cast<char>(kCp1250UpperTable[static_cast<unsigned char>(c)]);
            return;
        case IndexCodePage::Utf8: Utf8UpperInPlace(text); return;
    }
}

std::string UpperIn(IndexCodePage codePage, std::string_view text) {
    std::string result(text);
    UpperInPlace(codePage, result);
    return result;
}

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
