// A document's character set: a UTF-8 byte order mark, else the first META
// declaration near its start, else the project's setting. A UTF-8 document is
// read as Windows-1252 text before any other rule sees it.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace indexer {

/// The character sets a document can be read in.
enum class DocumentCharset {
    Windows1252,  ///< bytes read as they are
    Utf8,         ///< converted by platform::Utf8ToWindows1252Text first
};

/// How many bytes at a document's start may hold its META declaration.
inline constexpr std::size_t kCharsetDeclarationWindow = 1024;

/// The project setting's name of a character set: "windows-1252" or "utf-8".
std::string_view CharsetSettingName(DocumentCharset charset) noexcept;

/// The character set a project setting names: "windows-1252" or "utf-8" in
/// any letter case; nothing for any other text.
std::optional<DocumentCharset> ParseCharsetSetting(std::string_view name) noexcept;

/// The character set a document declares in `head`, its first bytes (only
/// the first kCharsetDeclarationWindow count): UTF-8 after a UTF-8 byte
/// order mark; else the first complete META tag outside comments that
/// declares one, as `charset=NAME` or as `http-equiv=Content-Type` with
/// `content="...; charset=NAME"` (names and values in any letter case,
/// quotes optional), where "utf-8" and "utf8" mean UTF-8 and any other name
/// Windows-1252; nothing when the head declares none.
std::optional<DocumentCharset> DeclaredCharset(std::string_view head) noexcept;

}  // namespace indexer
