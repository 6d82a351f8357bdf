// Profile (INI) file reading and writing.
#include "platform/ProfileFile.h"

#include <cerrno>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/File.h"

namespace platform {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsComment(std::string_view trimmed) { return !trimmed.empty() && trimmed.front() == ';'; }

/// The section name of a "[name]" line, or nothing for another line.
std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
    const std::size_t close = trimmed.find(']');
    if (close == std::string_view::npos) return Trim(trimmed.substr(1));
    return Trim(trimmed.substr(1, close - 1));
}

/// The key name of a "key=value" line, or nothing for another line.
std::optional<std::string_view> KeyName(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || IsComment(trimmed) || trimmed.front() == '[') return std::nullopt;
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return Trim(trimmed.substr(0, equals));
}

std::string ValueOf(std::string_view line) {
    std::string_view value = Trim(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, kProfileValueLimit));
}

/// True when reading the value back would change it: surrounding blanks
/// are dropped and one pair of enclosing quotes is removed.
bool NeedsQuotes(std::string_view value) {
    if (value.empty()) return false;
    if (IsBlank(value.front()) || IsBlank(value.back())) return true;
    return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
}

std::string KeyLine(std::string_view key, std::string_view value) {
    std::string line(key);
    line.push_back('=');
    if (NeedsQuotes(value)) {
        line.push_back('"');
        line.append(value);
        line.push_back('"');
    } else {
        line.append(value);
    }
    return line;
}

}  // namespace

ProfileFile ProfileFile::Load(const std::string& path) {
    FileHandle file = FileHandle::Open(path, FileHandle::Mode::Read);
    if (!file.IsOpen()) {
        if (file.OpenError() == ENOENT) return {};
        throw IoError("cannot open", path, file.OpenError());
    }
    std::string text;
    char buffer[64 * 1024];
    for (;;) {
        const long long got = file.ReadSome(buffer, sizeof buffer);
        if (got < 0) throw IoError("cannot read", path, errno);
        if (got == 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return Parse(text);
}

ProfileFile ProfileFile::Parse(std::string_view text) {
    ProfileFile profile;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            profile.lines_.emplace_back(text);
            break;
        }
        profile.lines_.emplace_back(text.substr(0, end));
        std::size_t next = end + 1;
        if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
        text.remove_prefix(next);
    }
    return profile;
}

std::optional<ProfileFile::SectionRange> ProfileFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i]);
        if (!name || !AsciiEqualsIgnoreCase(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !SectionName(lines_[end])) ++end;
        return SectionRange{i, i + 1, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> ProfileFile::FindKey(const SectionRange& range, std::string_view key) const {
    for (std::size_t i = range.begin; i < range.end; ++i) {
        const auto name = KeyName(lines_[i]);
        if (name && AsciiEqualsIgnoreCase(*name, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileFile::ReadString(std::string_view section, std::string_view key) const {
    const auto range = FindSection(section);
    if (!range) return std::nullopt;
    const auto line = FindKey(*range, key);
    if (!line) return std::nullopt;
    return ValueOf(lines_[*line]);
}

void ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const auto range = FindSection(section);
    if (!range) {
        if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(KeyLine(key, value));
        return;
    }
    if (const auto line = FindKey(*range, key)) {
        lines_[*line] = KeyLine(key, value);
        return;
    }
    // After the section's last non-blank line, so blank separator lines stay
    // between this section and the next.
    std::size_t insertAt = range->end;
    while (insertAt > range->begin && Trim(lines_[insertAt - 1]).empty()) --insertAt;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), KeyLine(key, value));
}

void ProfileFile::DeleteKey(std::string_view section, std::string_view key) {
    const auto range = FindSection(section);
    if (!range) return;
    if (const auto line = FindKey(*range, key)) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*line));
}

std::string ProfileFile::Text() const {
    std::string text;
    for (const auto& line : lines_) {
        text.append(line);
        text.append("\r\n");
    }
    return text;
}

void ProfileFile::Save(const std::string& path) const {
    const std::string temporary = path + ".saving";
    FileHandle file = FileHandle::Open(temporary, FileHandle::Mode::CreateTruncate);
    if (!file.IsOpen()) throw IoError("cannot create", temporary, file.OpenError());
    const std::string text = Text();
    if (!file.WriteAll(text.data(), text.size()) || !file.Sync() || !file.Close()) {
        const int error = errno;
        RemoveFile(temporary);
        throw IoError("cannot write", temporary, error);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        RemoveFile(temporary);
        throw IoError("cannot replace", path, error);
    }
}

}  // namespace platform
