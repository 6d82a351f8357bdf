// The per-user store file: reading, the text layout and the atomic rewrite.
//
// Layout, one item per line, pure ASCII:
//   ; comment
//   [\Software\TARVO\prj]
//   1=string:"C:\\Web\\site.tarvo"
//   int=int32:4
//   @=string:"..."          (@ names the key's unnamed default value)
// String bytes below 0x20, at or above 0x7F, the quote and the backslash are
// written as \xHH or \\ / \" so every byte of a Windows-1252 text survives.
#include "platform/UserRegistry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/CodePage.h"
#include "platform/File.h"

namespace platform {

namespace {

constexpr std::string_view kUnnamedValueName = "@";
constexpr std::string_view kStringType = "string";
constexpr std::string_view kInt32Type = "int32";

struct NamedValue {
    std::string name;
    RegistryValue value;
};

struct Key {
    std::string name;
    std::vector<NamedValue> values;
};

/// The whole store as read from its file, keys in file order.
struct StoreContents {
    std::vector<Key> keys;

    Key* Find(std::string_view key) {
        for (auto& k : keys)
            if (AsciiEqualsIgnoreCase(k.name, key)) return &k;
        return nullptr;
    }
    const Key* Find(std::string_view key) const { return const_cast<StoreContents*>(this)->Find(key); }
    Key& FindOrAdd(std::string_view key) {
        if (Key* found = Find(key)) return *found;
        keys.push_back(Key{std::string(key), {}});
        return keys.back();
    }
};

std::string StoredValueName(std::string_view name) {
    return name.empty() ? std::string(kUnnamedValueName) : std::string(name);
}

bool IsWritableName(std::string_view name) {
    for (char c : name)
        if (c == '\r' || c == '\n' || c == '=' || c == ']') return false;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string EscapeString(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

/// Reads a quoted, escaped string; nothing when the text is not one.
std::optional<std::string> UnescapeString(std::string_view text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::nullopt;
    text = text.substr(1, text.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 >= text.size()) return std::nullopt;
        const char next = text[++i];
        if (next == '\\' || next == '"') {
            out += next;
        } else if (next == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::optional<std::int32_t> ParseInt32(std::string_view text) {
    if (text.empty() || text.size() > 11) return std::nullopt;
    std::size_t i = 0;
    const bool negative = text[0] == '-';
    if (negative) i = 1;
    if (i == text.size()) return std::nullopt;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

/// Reads the value part "type:data" of a line.
RegistryValue ParseValue(std::string_view typed) {
    RegistryValue value;
    const auto colon = typed.find(':');
    const std::string_view type = typed.substr(0, colon);
    const std::string_view data = colon == std::string_view::npos ? "" : typed.substr(colon + 1);
    if (colon != std::string_view::npos && type == kStringType) {
        if (auto text = UnescapeString(data)) {
            value.type = RegistryValue::Type::String;
            value.text = std::move(*text);
            return value;
        }
    } else if (colon != std::string_view::npos && type == kInt32Type) {
        if (auto number = ParseInt32(data)) {
            value.type = RegistryValue::Type::Int32;
            value.number = *number;
            return value;
        }
    }
    value.type = RegistryValue::Type::Other;
    value.text = std::string(typed);
    return value;
}

std::string_view TrimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return line;
}

StoreContents ParseStore(std::string_view bytes) {
    StoreContents store;
    Key* current = nullptr;
    while (!bytes.empty()) {
        const auto end = bytes.find('\n');
        std::string_view line = TrimLineEnd(bytes.substr(0, end));
        bytes = end == std::string_view::npos ? std::string_view{} : bytes.substr(end + 1);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            current = &store.FindOrAdd(line.substr(1, line.size() - 2));
            continue;
        }
        const auto equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos || equals == 0) continue;
        current->values.push_back(NamedValue{std::string(line.substr(0, equals)), ParseValue(line.substr(equals + 1))});
    }
    return store;
}

std::string FormatValue(const RegistryValue& value) {
    switch (value.type) {
        case RegistryValue::Type::String: return std::string(kStringType) + ":" + EscapeString(value.text);
        case RegistryValue::Type::Int32: return std::string(kInt32Type) + ":" + std::to_string(value.number);
        case RegistryValue::Type::Other: break;
    }
    return value.text;
}

std::string FormatStore(const StoreContents& store) {
    std::string out = "; TARVO stored defaults: one [key] per option, typed values; @ is a key's unnamed value.\n";
    for (const auto& key : store.keys) {
        out += "[" + key.name + "]\n";
        for (const auto& value : key.values) out += value.name + "=" + FormatValue(value.value) + "\n";
    }
    return out;
}

/// Reads the store file. A missing file is an empty store; a file that
/// exists but cannot be read gives nothing.
std::optional<StoreContents> LoadStore(const std::string& path) {
    FileHandle file = FileHandle::Open(path, FileHandle::Mode::Read);
    if (!file.IsOpen()) {
        if (file.OpenError() == ENOENT) return StoreContents{};
        return std::nullopt;
    }
    std::string bytes;
    char buffer[8192];
    for (;;) {
        const long long n = file.ReadSome(buffer, sizeof buffer);
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return ParseStore(bytes);
}

/// Creates the folder and its missing parents.
bool MakeFolders(const std::string& folder) {
    if (folder.empty() || DirectoryExists(folder)) return true;
    const auto slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash))) return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

/// Replaces the store file: temporary file beside it, flushed, renamed over.
bool SaveStore(const std::string& path, const StoreContents& store) {
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && !MakeFolders(path.substr(0, slash))) return false;
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    const std::string bytes = FormatStore(store);
    {
        FileHandle file = FileHandle::Open(temporary, FileHandle::Mode::CreateTruncate);
        if (!file.IsOpen()) return false;
        if (!file.WriteAll(bytes.data(), bytes.size()) || !file.Sync() || !file.Close()) {
            RemoveFile(temporary);
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        RemoveFile(temporary);
        return false;
    }
    return true;
}

bool SetValue(const std::string& path, std::string_view key, std::string_view name, RegistryValue value) {
    if (!IsWritableName(key) || !IsWritableName(name)) return false;
    auto store = LoadStore(path);
    if (!store) return false;
    Key& target = store->FindOrAdd(key);
    const std::string storedName = StoredValueName(name);
    for (auto& existing : target.values) {
        if (AsciiEqualsIgnoreCase(existing.name, storedName)) {
            existing.value = std::move(value);
            return SaveStore(path, *store);
        }
    }
    target.values.push_back(NamedValue{storedName, std::move(value)});
    return SaveStore(path, *store);
}

}  // namespace

UserRegistry::UserRegistry(std::string storePath) : storePath_(std::move(storePath)) {}

std::string UserRegistry::DefaultStorePath() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && *configHome != '\0') return std::string(configHome) + "/tarvo/defaults";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/tarvo/defaults";
}

bool UserRegistry::KeyExists(std::string_view key) const {
    const auto store = LoadStore(storePath_);
    return store && store->Find(key) != nullptr;
}

bool UserRegistry::OpenOrCreateKey(std::string_view key) {
    auto store = LoadStore(storePath_);
    if (!store) return false;
    if (store->Find(key) != nullptr) return true;
    if (!IsWritableName(key)) return false;
    store->FindOrAdd(key);
    return SaveStore(storePath_, *store);
}

std::optional<RegistryValue> UserRegistry::QueryValue(std::string_view key, std::string_view name) const {
    const auto store = LoadStore(storePath_);
    if (!store) return std::nullopt;
    const Key* found = store->Find(key);
    if (found == nullptr) return std::nullopt;
    const std::string storedName = StoredValueName(name);
    for (const auto& value : found->values)
        if (AsciiEqualsIgnoreCase(value.name, storedName)) return value.value;
    return std::nullopt;
}

bool UserRegistry::SetString(std::string_view key, std::string_view name, std::string_view value) {
    RegistryValue stored;
    stored.type = RegistryValue::Type::String;
    stored.text = std::string(value);
    return SetValue(storePath_, key, name, std::move(stored));
}

bool UserRegistry::SetInt32(std::string_view key, std::string_view name, std::int32_t value) {
    RegistryValue stored;
    stored.type = RegistryValue::Type::Int32;
    stored.number = value;
    return SetValue(storePath_, key, name, std::move(stored));
}

}  // namespace platform
