// A document's character set: a UTF-8 byte order mark, else the first META
// declaration near its start, else the project's setting. A document is read
// into the index set's code page before any other rule sees it.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/Utf8Text.h"

namespace indexer {

/// The character sets a document can be read in.
enum class DocumentCharset {
    Windows1252,  ///< bytes read as they are in a Windows-1252 set
    Utf8,         ///< converted by platform::Utf8ToWindows1252Text first in a Windows-1252 set
    Windows1250,  ///< Central European; a declaration of it reads as Windows-1252 in a Windows-1252 set
    Iso88592,     ///< Central European (declared only); as Windows-1252 in a Windows-1252 set
};

/// The text character set of a document's bytes.
platform::TextCharset TextCharsetOf(DocumentCharset charset) noexcept;

/// How many bytes at a document's start may hold its META declaration.
inline constexpr std::size_t kCharsetDeclarationWindow = 1024;

/// The project setting's name of a character set: "windows-1252", "utf-8"
/// or "windows-1250" (ISO-8859-2, which only a document declares, as "iso-8859-2").
std::string_view CharsetSettingName(DocumentCharset charset) noexcept;

/// The character set a project setting names: "windows-1252", "utf-8" or
/// "windows-1250" in any letter case; nothing for any other text.
std::optional<DocumentCharset> ParseCharsetSetting(std::string_view name) noexcept;

/// The character set a document declares in `head`, its first bytes (only
/// the first kCharsetDeclarationWindow count): UTF-8 after a UTF-8 byte
/// order mark; else the first complete META tag outside comments that
/// declares one, as `charset=NAME` or as `http-equiv=Content-Type` with
/// `content="...; charset=NAME"` (names and values in any letter case,
/// quotes optional), where "utf-8" and "utf8" mean UTF-8; "windows-1250",
/// "cp1250" and "x-cp1250" Windows-1250; "iso-8859-2", "iso8859-2",
/// "iso_8859-2", "latin2" and "l2" ISO-8859-2; and any other name
/// Windows-1252; nothing when the head declares none.
std::optional<DocumentCharset> DeclaredCharset(std::string_view head) noexcept;

}  // namespace indexer
