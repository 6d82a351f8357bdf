// Decoding, field extraction, dates, paths and the handler entry points.
#include "cgi/HUtils.h"

#include <cstdio>

#include "cgi/HttpEng.h"
#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/ProcessInfo.h"

namespace cgi {
namespace {

constexpr std::string_view kCrLf = "\r\n";

int HexValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return ch - 'A' + 10;
}

bool IsAbsolute(std::string_view path) { return !path.empty() && path.front() == '/'; }

std::string FolderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return {};
    return std::string(path.substr(0, slash));
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
        text.replace(at, from.size(), to);
}

std::string NormalizedFieldName(std::string_view rawName) {
    return TrimBlanks(platform::AnsiUpper(UrlDecode(rawName)));
}

}  // namespace

// ---- Handler entry points (CurrentHttpEngine lives with the thread state) ---

void HttpWriteLn(std::string_view text) {
    if (THttpEngine* engine = CurrentHttpEngine()) engine->WriteLn(text);
}

void HttpGetField(std::string_view name, const char* defaultValue, std::string& value) {
    const std::string_view fallback = defaultValue != nullptr ? std::string_view(defaultValue) : std::string_view();
    value = HttpGetField(name, fallback);
}

std::string HttpGetField(std::string_view name, std::string_view defaultValue) {
    THttpEngine* engine = CurrentHttpEngine();
    if (engine == nullptr) return std::string(defaultValue);
    return engine->GetFieldValue(name, defaultValue);
}

// ---- Decoding and fields -------------------------------------------------

std::string UrlDecode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '%' && i + 2 < text.size() && IsHexDigit(text[i + 1]) && IsHexDigit(text[i + 2])) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else if (ch == '+') {
            decoded += ' ';
        } else {
            decoded += ch;
        }
    }
    return decoded;
}

std::string TrimBlanks(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 32) ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32) --last;
    return std::string(text.substr(first, last - first));
}

std::string ExtractField(std::string_view name, std::string_view data, std::string_view defaultValue) {
    const std::string wanted = TrimBlanks(platform::AnsiUpper(name));
    std::string found;
    bool anyFound = false;
    std::size_t position = 0;
    // Every pair is read as "name=value" up to the next "&" (the data is read
    // as if one "&" followed it); a pair without "=" runs into the next name.
    while (position <= data.size()) {
        const std::size_t equals = data.find('=', position);
        if (equals == std::string_view::npos) break;
        std::size_t ampersand = data.find('&', equals + 1);
        if (ampersand == std::string_view::npos) ampersand = data.size();
        const std::string_view rawName = data.substr(position, equals - position);
        const std::string_view rawValue = data.substr(equals + 1, ampersand - equals - 1);
        position = ampersand + 1;
        if (NormalizedFieldName(rawName) != wanted) continue;
        if (anyFound) found += kCrLf;
        found += TrimBlanks(UrlDecode(rawValue));
        anyFound = true;
    }
    return anyFound ? found : std::string(defaultValue);
}

std::vector<std::string> SplitFieldNames(std::string_view data) {
    std::vector<std::string> names;
    std::string previous;
    std::size_t position = 0;
    while (position <= data.size()) {
        std::size_t ampersand = data.find('&', position);
        if (ampersand == std::string_view::npos) ampersand = data.size();
        const std::string_view pair = data.substr(position, ampersand - position);
        position = ampersand + 1;
        const std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos) continue;
        std::string fieldName = UrlDecode(pair.substr(0, equals));
        if (fieldName != previous) {
            names.push_back(fieldName);
            previous = std::move(fieldName);
        }
    }
    return names;
}

// ---- Dates, environment, paths ---------------------------------------------

std::string HttpDate(platform::DateTime localTime) {
    static constexpr std::string_view kWeekdays = "SunMonTueWedThuFriSat";
    static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const platform::CivilTime utc = platform::LocalToUtc(platform::DecodeDateTime(localTime));
    char text[64];
    std::snprintf(text, sizeof text, "%.3s, %02d %.3s %04d %02d:%02d:%02d GMT", kWeekdays.data() + 3 * utc.weekday,
                  utc.day, kMonths.data() + 3 * (utc.month - 1), utc.year, utc.hour, utc.minute, utc.second);
    return text;
}

std::string GetEnvVar(std::string_view name) {
    std::string value = platform::EnvironmentValue(std::string(name)).value_or("");
    // A server software text with "ZB" in it marks a server that only pretends
    // to be a standard CGI server; such a process is not served as one.
    if (name == "SERVER_SOFTWARE" && value.find("ZB") != std::string::npos) value.clear();
    return value;
}

std::string BuildFileName(std::string_view basePath, std::string_view directory, std::string_view extension,
                          std::string_view fileName) {
    if (IsAbsolute(fileName)) return std::string(fileName);
    std::string path;
    if (IsAbsolute(directory)) {
        path = std::string(directory) + "/";
    } else {
        path = FolderOf(basePath) + "/" + std::string(directory) + "/";
    }
    path += fileName.substr(0, fileName.find('.'));
    path += '.';
    path += extension;
    ReplaceAll(path, "/./", "/");
    ReplaceAll(path, "//", "/");
    return path;
}

const std::string& ModuleFileName() { return platform::ProgramFilePath(); }

std::string ModuleDirectory() { return FolderOf(ModuleFileName()); }

std::string ModuleName() {
    const std::string& path = ModuleFileName();
    return path.substr(path.rfind('/') + 1);
}

int FindFileInfo(const std::string& path, int attributes, platform::FolderEntry& entry) {
    return platform::FindFirstMatch(path, (attributes & faDirectory) != 0, entry);
}

void TerminateCgi() {
    // The forms hold nothing that must outlive the response: the process
    // ends at once, and what was written to standard output is delivered.
    platform::ExitProcessNow(0);
}

}  // namespace cgi
