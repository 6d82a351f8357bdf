// Loading and saving ".tarvo" project files.
#include "indexer/engine/ProjectFile.h"

#include <charconv>

#include "platform/File.h"
#include "platform/ProfileFile.h"

namespace indexer {

namespace {

constexpr std::string_view kOptions = "Options";
constexpr std::string_view kPaths = "Paths";

std::int32_t ReadInteger(const platform::ProfileFile& profile, std::string_view section, std::string_view key,
                         std::int32_t fallback) {
    const auto text = profile.ReadString(section, key);
    if (!text) return fallback;
    return ParseProfileInteger(*text).value_or(fallback);
}

std::string ReadText(const platform::ProfileFile& profile, std::string_view section, std::string_view key,
                     std::string_view fallback) {
    return profile.ReadString(section, key).value_or(std::string(fallback));
}

}  // namespace

std::optional<std::int32_t> ParseProfileInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const std::string_view digits = text.substr(2);
        std::uint32_t value = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
        return static_cast<std::int32_t>(value);
    }
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

void LoadProject(const std::string& path, TProjectSettings& settings) {
    const platform::ProfileFile profile = platform::ProfileFile::Load(path);
    settings.projectPath = path;
    settings.delimiters = ReadText(profile, kOptions, "delimiters", settings.delimiters);
    settings.dumpwords = ReadInteger(profile, kOptions, "dumpwords", settings.dumpwords ? 1 : 0) != 0;
    settings.digitmin = ReadInteger(profile, kOptions, "digitmin", settings.digitmin);
    settings.digitmax = ReadInteger(profile, kOptions, "digitmax", settings.digitmax);
    settings.charset =
        ParseCharsetSetting(ReadText(profile, kOptions, "charset", "")).value_or(DocumentCharset::Windows1252);
    settings.codePage = platform::ParseCodePageName(ReadText(profile, kOptions, "codepage", ""))
                            .value_or(platform::IndexCodePage::Windows1252);
    // digitsize is the older name of digitmin.
    const std::int32_t digitsize = ReadInteger(profile, kOptions, "digitsize", 0);
    if (settings.digitmin == 0 && digitsize > 0) settings.digitmin = digitsize;
    settings.filelist = ReadText(profile, kPaths, "filelist", "");
    settings.stopwords = ReadText(profile, kPaths, "stopwords", "");
    settings.database = ReadText(profile, kPaths, "database", kDefaultDatabaseName);
}

void SaveProject(const std::string& path, const TProjectSettings& settings) {
    try {
        platform::ProfileFile profile = platform::ProfileFile::Load(path);
        profile.WriteString(kOptions, "delimiters", settings.delimiters);
        profile.WriteString(kOptions, "dumpwords", settings.dumpwords ? "1" : "0");
        profile.WriteString(kOptions, "digitmin", std::to_string(settings.digitmin));
        profile.WriteString(kOptions, "digitmax", std::to_string(settings.digitmax));
        profile.WriteString(kOptions, "charset", std::string(CharsetSettingName(settings.charset)));
        profile.WriteString(kOptions, "codepage", std::string(platform::CodePageName(settings.codePage)));
        profile.WriteString(kPaths, "filelist", settings.filelist);
        profile.WriteString(kPaths, "stopwords", settings.stopwords);
        profile.WriteString(kPaths, "database", settings.database);
        if (ReadInteger(profile, kOptions, "digitsize", 0) > 0) profile.DeleteKey(kOptions, "digitsize");
        profile.Save(path);
    } catch (const platform::IoError& error) {
        throw platform::IoError("Unable to write to " + path + " (" + error.what() + ")", error.ErrorNumber());
    }
}

}  // namespace indexer
