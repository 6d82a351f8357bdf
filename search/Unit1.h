// The search program's main form TForm1: the hidden form that carries the CGI
// engine component and the request handler that turns one web request into
// one search and one results page, with its messages in nine languages.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cgi/GenEng.h"
#include "platform/CodePage.h"
#include "platform/Component.h"
#include "search/TTARVO.h"

namespace search {

/// Message numbers within a language's block of the message table.
inline constexpr int kMessageWildcard1 = 0;  ///< first line of the wildcard message
inline constexpr int kMessageWildcard2 = 1;  ///< second line of the wildcard message
inline constexpr int kMessageFileError = 2;  ///< an index file could not be opened
inline constexpr int kMessageNoRecords = 3;  ///< the search found no documents

/// Error codes that choose the file error message (an index file failed to
/// open); 512 and 513 (TTARVO.h) choose the wildcard and no-records messages.
inline constexpr int kFirstFileErrorCode = 257;
inline constexpr int kLastFileErrorCode = 511;
/// The code a refused volumeName leaves: "access denied" on the table of contents.
inline constexpr int kRefusedVolumeErrorCode = kTocOpenErrorBase + 5;

/// The message-table offset of a language code ("en", "sp", "da", "nl", "sl",
/// "fr", "de", "no", "it"), compared exactly; 0 (English) for any other code.
std::int32_t LanguageOffsetOf(std::string_view code) noexcept;

/// The message at `offset` + `number` of the table: single-byte Windows-1252
/// text (the Slovenian "š" is byte 185). Empty for a position the table lacks.
std::string_view MessageText(std::int32_t offset, int number) noexcept;

/// The base path of the index file set that `volumeName` names inside the
/// index folder `indexFolder` (given with its trailing "/"): the folder
/// followed directly by the value, with "\" read as "/". Empty values, plain
/// names and relative subfolder paths are kept. nullopt when the value would
/// reach a file outside the folder tree: an absolute path, a drive letter, a
/// ".." component, or a control character.
std::optional<std::string> IndexBasePath(std::string_view indexFolder, std::string_view volumeName);

/// The folder that volumeName values are taken from, with a trailing "/":
/// the program folder `programDirectory` (given with its trailing "/") while
/// `setting` (TARVO_INDEX_DIR) is empty; else the setting, taken from the
/// program folder when it is relative.
std::string IndexFolder(std::string_view programDirectory, std::string_view setting);

/// The log line of a search answered with the file error message: the index
/// file as the set `volumeName` names it ("\" read as "/"), ": ", and the
/// system's text of the failure's errno, or "damaged" when there is none
/// ("DataBase.hsh: No such file or directory").
std::string FileErrorLogLine(std::string_view volumeName, const TFileFailure& failure);

/// The character set a results page is written in.
enum class PageCharset {
    kWindows1252,  ///< the texts' own bytes, as every page was written before
    kUtf8,         ///< each text converted from its code page
    kWindows1250,  ///< the titles' own bytes, the messages converted into Windows-1250
};

/// The character set of the page that answers a request: UTF-8 for a UTF-8
/// request, else the code page of the set searched.
PageCharset PageCharsetFor(bool utf8Request, platform::IndexCodePage setCodePage) noexcept;

/// What a search leaves for the results page; the lists belong to the search.
struct SearchAnswer {
    std::int32_t foundCount = 0;          ///< documents found
    int errorCode = 0;                    ///< the search's error code, taken once
    std::span<const std::string> titles;  ///< the document titles, or message texts when nothing was found
    std::span<const std::string> urls;    ///< the document URLs, one per title while documents were found
    /// When set and documents were found, hands over the documents' titles
    /// and URLs in place of the two lists (a search listing on demand).
    std::function<void(const TTARVO::DocumentVisitor&)> visitDocuments;
};

/// Writes the data lines of the page (without the markers): the count line
/// "<found>~|~~|~", then by error code one file error line (257 to 511), two
/// wildcard lines (512), the no-records line (513), or else one line per
/// title: "title~|~url~|~~|~" while documents were found, otherwise
/// "title~|~Not Applicable~|~~|~". With `visitDocuments` set, the document
/// lines come from it. Titles and URLs are in `textCodePage`, the set's
/// code page: they are written unchanged on a page in that code page and
/// converted on a UTF-8 page. The messages are Windows-1252, the Slovenian
/// ones ISO-8859-2: written unchanged on a Windows-1252 page, converted on a
/// UTF-8 or Windows-1250 page.
void WriteDataLines(const SearchAnswer& answer, std::int32_t languageOffset, PageCharset charset,
                    platform::IndexCodePage textCodePage, const std::function<void(std::string_view)>& writeLn);

/// The same for the titles and URLs of a Windows-1252 set.
void WriteDataLines(const SearchAnswer& answer, std::int32_t languageOffset, PageCharset charset,
                    const std::function<void(std::string_view)>& writeLn);

/// The same for a Windows-1252 page.
void WriteDataLines(const SearchAnswer& answer, std::int32_t languageOffset,
                    const std::function<void(std::string_view)>& writeLn);

/// Serves one search request on `engine`, the calling thread's current
/// engine: reads volumeName, searchWords, language and _charset_, runs the
/// search and writes the results page. The words are read into the set's
/// code page (QueryInCodePage). A request in UTF-8 (IsUtf8Request) gets its
/// page in UTF-8 under the header "content-type:text/html; charset=utf-8";
/// every other request gets the page in the set's code page: a Windows-1252
/// set's page as before, a Windows-1250 set's under "charset=windows-1250",
/// a UTF-8 set's under "charset=utf-8". Returns the message-table offset of
/// the request's language.
std::int32_t AnswerSearchRequest(cgi::THttpEngine& engine);

/// The main form of the search program. It is never shown; creating it
/// creates GeneralHttpEngine1 with its stored settings, and loading it makes
/// the component serve the process's request through
/// GeneralHttpEngine1ExecRequest and end the process.
class TForm1 : public platform::TForm {
public:
    /// Stored layout of the form.
    static constexpr int kLeft = 399;
    static constexpr int kTop = 241;
    static constexpr int kWidth = 288;
    static constexpr int kHeight = 179;
    static constexpr std::string_view kFontName = "MS Sans Serif";
    static constexpr int kFontHeight = -11;

    /// Creates the form and its component, then sends the after-load
    /// notification (which serves the request under a web server).
    explicit TForm1(platform::TComponent* owner);

    /// The CGI engine component, owned by the form.
    cgi::TGeneralHttpEngine& GeneralHttpEngine1;

    /// Message table offset of the language of the request answered last; 0
    /// until a request sets it. Workers answering in parallel may all set it.
    std::atomic<std::int32_t> LanguageOffset = 0;

    /// Sets `text` to the message numbered LanguageOffset + `number`.
    void LanguageMessage(int number, std::string& text) const;

    /// The request handler: answers the request (AnswerSearchRequest) and
    /// keeps its language's offset. It never reads the request body: the
    /// engine drops what it left unread (DropsUnreadBody).
    void GeneralHttpEngine1ExecRequest(cgi::THttpEngine& Sender);

private:
    cgi::TGeneralHttpEngine& CreateEngineComponent();
};

}  // namespace search
