// Stored defaults on the per-user store, and the start-up reading of the
// word options.
#include "indexer/engine/StoredDefaults.h"

#include "indexer/engine/WordRules.h"

namespace indexer {

namespace {

constexpr std::string_view kIntValue = "int";
constexpr std::string_view kBoolValue = "bool";

std::string KeyOf(std::string_view option) { return std::string(StoredDefaults::kRootKey) + std::string(option); }

std::string Quoted(std::string_view valueName) { return "'" + std::string(valueName) + "'"; }

}  // namespace

bool StoredDefaults::DefaultKeyExists(std::string_view option) const { return registry_.KeyExists(KeyOf(option)); }

std::string StoredDefaults::ReadDefaultString(std::string_view option, std::string_view valueName) {
    const std::string key = KeyOf(option);
    if (!registry_.OpenOrCreateKey(key)) return {};
    const auto value = registry_.QueryValue(key, valueName);
    if (!value) return {};
    if (value->type != platform::RegistryValue::Type::String)
        throw StoredDefaultsError("Invalid data type for " + Quoted(valueName));
    return value->text;
}

void StoredDefaults::WriteDefaultString(std::string_view option, std::string_view valueName, std::string_view value) {
    const std::string key = KeyOf(option);
    if (!registry_.OpenOrCreateKey(key)) return;
    if (!registry_.SetString(key, valueName, value))
        throw StoredDefaultsError("Failed to set data for " + Quoted(valueName));
}

std::int32_t StoredDefaults::ReadInteger(std::string_view option, std::string_view valueName) {
    const std::string key = KeyOf(option);
    if (!registry_.OpenOrCreateKey(key)) return 0;
    const auto value = registry_.QueryValue(key, valueName);
    if (!value) throw StoredDefaultsError("Failed to get data for " + Quoted(valueName));
    if (value->type != platform::RegistryValue::Type::Int32)
        throw StoredDefaultsError("Invalid data type for " + Quoted(valueName));
    return value->number;
}

void StoredDefaults::WriteInteger(std::string_view option, std::string_view valueName, std::int32_t value) {
    const std::string key = KeyOf(option);
    if (!registry_.OpenOrCreateKey(key)) return;
    if (!registry_.SetInt32(key, valueName, value))
        throw StoredDefaultsError("Failed to set data for " + Quoted(valueName));
}

std::int32_t StoredDefaults::ReadDefaultInt(std::string_view option) { return ReadInteger(option, kIntValue); }

void StoredDefaults::WriteDefaultInt(std::string_view option, std::int32_t value) {
    WriteInteger(option, kIntValue, value);
}

bool StoredDefaults::ReadDefaultBool(std::string_view option) { return ReadInteger(option, kBoolValue) != 0; }

void StoredDefaults::WriteDefaultBool(std::string_view option, bool value) {
    WriteInteger(option, kBoolValue, value ? 1 : 0);
}

WordDefaults BuiltInWordDefaults() {
    WordDefaults words;
    words.delimiters = std::string(kDefaultDelimiters);
    return words;
}

void LoadWordDefaults(StoredDefaults& defaults, WordDefaults& words, MissingDefaults mode) {
    const bool store = mode == MissingDefaults::Store;

    if (defaults.DefaultKeyExists("delimiters")) {
        words.delimiters = defaults.ReadDefaultString("delimiters", "");
    } else {
        words.delimiters = std::string(kDefaultDelimiters);
        if (store) defaults.WriteDefaultString("delimiters", "", words.delimiters);
    }

    if (defaults.DefaultKeyExists("dumpwords")) {
        words.dumpwords = defaults.ReadDefaultBool("dumpwords");
    } else {
        words.dumpwords = false;
        if (store) defaults.WriteDefaultBool("dumpwords", false);
    }

    // digitsize is the older name of digitmin: read when digitmin is missing,
    // never written; what was found is stored under the new name.
    if (defaults.DefaultKeyExists("digitmin")) {
        words.digitmin = defaults.ReadDefaultInt("digitmin");
    } else {
        words.digitmin = defaults.DefaultKeyExists("digitsize") ? defaults.ReadDefaultInt("digitsize") : 0;
        if (store) defaults.WriteDefaultInt("digitmin", words.digitmin);
    }

    if (defaults.DefaultKeyExists("digitmax")) {
        words.digitmax = defaults.ReadDefaultInt("digitmax");
    } else {
        words.digitmax = 0;
        if (store) defaults.WriteDefaultInt("digitmax", 0);
    }

    if (defaults.DefaultKeyExists("charset")) {
        words.charset =
            ParseCharsetSetting(defaults.ReadDefaultString("charset", "")).value_or(DocumentCharset::Windows1252);
    } else {
        words.charset = DocumentCharset::Windows1252;
        if (store) defaults.WriteDefaultString("charset", "", CharsetSettingName(words.charset));
    }

    if (defaults.DefaultKeyExists("codepage")) {
        words.codePage = platform::ParseCodePageName(defaults.ReadDefaultString("codepage", ""))
                             .value_or(platform::IndexCodePage::Windows1252);
    } else {
        words.codePage = platform::IndexCodePage::Windows1252;
        if (store) defaults.WriteDefaultString("codepage", "", platform::CodePageName(words.codePage));
    }
}

void ReadUserWordDefaults(WordDefaults& words) {
    platform::UserRegistry registry(platform::UserRegistry::DefaultStorePath());
    StoredDefaults defaults(registry);
    LoadWordDefaults(defaults, words, MissingDefaults::Leave);
}

}  // namespace indexer
