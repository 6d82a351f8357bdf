// Which character set a search request is written in: the browser names it in
// the hidden "_charset_" field, or a POST names it in its content type. A
// request in UTF-8 gets its words converted into the searched set's code
// page and its page written in UTF-8; every other request is read and
// answered in the set's own code page (Windows-1252 for a set without a code
// page file), except that a UTF-8 set reads such a request as Windows-1252.
#pragma once

#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace search {

/// The name of the hidden form field that browsers fill with the submission's encoding.
inline constexpr std::string_view kCharsetFieldName = "_charset_";

/// The automatic header value of a page written in UTF-8.
inline constexpr std::string_view kUtf8PageContentType = "text/html; charset=utf-8";
/// The automatic header value of a page written in Windows-1250.
inline constexpr std::string_view kWindows1250PageContentType = "text/html; charset=windows-1250";

/// True when a character set name is "UTF-8" or "utf8", in any letter case.
bool IsUtf8CharsetName(std::string_view name) noexcept;

/// True when a content type carries the parameter charset=utf-8 (or utf8):
/// parameter name and value in any case, blanks around them and quotes
/// around the value allowed ("application/x-www-form-urlencoded; charset=UTF-8").
bool ContentTypeNamesUtf8(std::string_view contentType) noexcept;

/// Whether a request is in UTF-8: its "_charset_" field (`charsetField`,
/// empty when absent) names UTF-8, or it is a POST (`requestMethod`) whose
/// `contentType` carries charset=utf-8.
bool IsUtf8Request(std::string_view charsetField, std::string_view requestMethod,
                   std::string_view contentType) noexcept;

/// The search words of a request in the code page of the set they search.
/// Words of a UTF-8 request are converted into it (into Windows-1252 exactly
/// as Utf8ToWindows1252Text does). Words of any other request are taken as
/// the bytes of the set's code page, except in a UTF-8 set, which reads them
/// as Windows-1252.
std::string QueryInCodePage(std::string_view words, bool utf8Request, platform::IndexCodePage codePage);

}  // namespace search
