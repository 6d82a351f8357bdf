// Profile (INI) files by the usual Windows rules: "[section]" lines, then
// "key=value" lines; section and key names compared without regard to ASCII
// letter case; names and values without surrounding blanks; comment lines
// (";" first) and everything not touched kept in place when a key is written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// Longest value a read returns; longer values are cut.
inline constexpr std::size_t kProfileValueLimit = 1023;

class ProfileFile {
public:
    /// An empty profile.
    ProfileFile() = default;
    /// Reads the profile at `path`; a missing file gives an empty profile.
    /// Throws IoError when an existing file cannot be read.
    static ProfileFile Load(const std::string& path);
    /// Reads a profile from its text (lines end in CR LF, or LF alone).
    static ProfileFile Parse(std::string_view text);

    /// The value of the first `key` in the first `section` of that name: the
    /// text after the first "=", without surrounding blanks and control
    /// characters, without one pair of enclosing quotes, cut to 1023
    /// characters. Nothing when the section or the key is missing.
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;

    /// Sets a key: replaces its line where it stands, else adds it after the
    /// section's last key, else adds the section at the end. A value that
    /// reading would change (surrounding blanks, enclosing quotes) is written
    /// inside double quotes, so that ReadString returns it unchanged.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    /// Removes the key's line; a missing key is no error.
    void DeleteKey(std::string_view section, std::string_view key);

    /// The whole profile as text, every line ending in CR LF.
    std::string Text() const;

    /// Writes the profile to `path` safely: a temporary file beside it,
    /// flushed to the disk, then renamed over the old file. Throws IoError.
    void Save(const std::string& path) const;

private:
    /// Index range [begin, end) of a section's lines after its header;
    /// nothing when the section is missing.
    struct SectionRange {
        std::size_t header;
        std::size_t begin;
        std::size_t end;
    };
    std::optional<SectionRange> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindKey(const SectionRange& range, std::string_view key) const;

    std::vector<std::string> lines_;
};

}  // namespace platform
