// The CGI layer's small routines: URL decoding and form-field extraction, the
// HTTP date text, environment variables, the log file's path, the program
// file's path, ending the CGI process, and the entry points through which a
// request handler reads form fields and writes its page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/DirectorySearch.h"
#include "platform/LocalTime.h"

namespace cgi {

class THttpEngine;

/// The layer's marker for a value that does not exist.
inline constexpr std::string_view kNotAvailable = "#1NOT_AVAILABLE#1";

// ---- Entry points for request handlers -------------------------------------

/// The calling thread's current engine, or null before any engine was made current.
THttpEngine* CurrentHttpEngine() noexcept;

/// Writes the text and CR LF through the current engine (automatic header,
/// buffering and output channel included). Does nothing without a current engine.
void HttpWriteLn(std::string_view text);

/// The form field's value through the current engine (URL-decoded under
/// standard CGI, from the profile under Windows CGI); `defaultValue` when the
/// field is absent, and a null default gives the empty string. Without a
/// current engine the value is the default.
void HttpGetField(std::string_view name, const char* defaultValue, std::string& value);

/// The same, returning the value.
std::string HttpGetField(std::string_view name, std::string_view defaultValue = {});

// ---- Routines of the layer --------------------------------------------------

/// True for "0" to "9", "A" to "F" and "a" to "f".
constexpr bool IsHexDigit(char ch) noexcept {
    return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f');
}

/// Decodes "%hh" escapes (either case) and "+" (a blank). A "%" without two hex
/// digits after it stays as it is; "%00" gives a zero byte. Never longer than the input.
std::string UrlDecode(std::string_view text);

/// Removes bytes of code 32 or less (blanks and control characters) at both ends.
std::string TrimBlanks(std::string_view text);

/// The value of form field `name` in URL-encoded `data`: names compare
/// upper-cased, decoded and trimmed; the value is decoded and trimmed. A field
/// that occurs several times gives all its values in order, joined by CR LF.
/// A pair without "=" merges into the next name ("a&b=1" names "A&B").
/// Returns `defaultValue` when the field does not occur.
std::string ExtractField(std::string_view name, std::string_view data, std::string_view defaultValue);

/// The decoded field names of URL-encoded data in their order; pairs without
/// "=" are skipped, and a name equal to the one before it is listed once.
std::vector<std::string> SplitFieldNames(std::string_view data);

/// The "Expires" date text of a local moment, in Greenwich time:
/// "Mon, 01 Jan 2001 00:00:00 GMT".
std::string HttpDate(platform::DateTime localTime);

/// An environment variable of the process, empty when absent. The variable
/// "SERVER_SOFTWARE" (exactly so spelled) reads as empty when its value
/// contains "ZB".
std::string GetEnvVar(std::string_view name);

/// The log file's path: `fileName` unchanged when it is absolute; otherwise
/// the folder (`directory` when absolute, else the folder of `basePath` and
/// `directory`), `fileName` up to its first ".", ".", `extension`; "/./" and
/// "//" reduced to "/".
std::string BuildFileName(std::string_view basePath, std::string_view directory, std::string_view extension,
                          std::string_view fileName);

/// The full, real path of the program file.
const std::string& ModuleFileName();

/// The folder of the program file, without a trailing "/".
std::string ModuleDirectory();

/// The program file's name with its extension.
std::string ModuleName();

/// Attribute bit of FindFileInfo: folders are found too.
inline constexpr int faDirectory = 0x10;

/// One search for `path` (may end in a wildcard name): returns 0 and fills
/// `entry` with the first match, else the system error code. Folders are
/// found only when `attributes` holds faDirectory.
int FindFileInfo(const std::string& path, int attributes, platform::FolderEntry& entry);

/// Ends the CGI process: whatever was written is delivered, the process ends
/// at once with exit code 0.
[[noreturn]] void TerminateCgi();

}  // namespace cgi
