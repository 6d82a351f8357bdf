// The way back from the toolkit's UTF-8 to Windows-1252 bytes, for texts the
// user types into the desktop program, and a UTF-8 validity test for texts
// (file names) that may already be UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform {

/// Converts UTF-8 to Windows-1252: every character the code page holds
/// becomes its byte; any other character, and every byte of a malformed
/// sequence, becomes '?'.
std::string Utf8ToCp1252(std::string_view text);

/// True when the bytes are well-formed UTF-8 (ASCII text included).
bool IsValidUtf8(std::string_view text) noexcept;

/// A file name or path for display: kept as it is when it is valid UTF-8
/// (the usual file-system encoding), else read as Windows-1252.
std::string PathForDisplay(std::string_view path);

}  // namespace platform
