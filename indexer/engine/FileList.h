// The file list: one entry per line (a line ends at CR LF, CR or LF), a path
// (with the wildcards '*' and '?' in its last component) followed by an
// optional title after "T:" and an optional URL after "F:", in either order.
// Each entry yields the files its pattern matches, in ascending order of
// their names.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextLineReader.h"

namespace indexer {

/// One parsed line of the file list; every part trimmed of blanks and
/// control characters, and empty when missing.
struct FileListEntry {
    std::string pathPart;
    std::string title;
    std::string url;
};

/// Splits a file list line at its first "T:" and first "F:" (exact case).
FileListEntry ParseFileListLine(std::string_view line);

/// What one step through the file list gives.
struct ListedDocument {
    /// The document's path as the file list writes it: the path part's
    /// folder (with its separator, '\' kept) followed by the found name.
    /// Empty when the entry matched no file.
    std::string path;
    /// The path to open: '\' read as '/', a relative path taken from the
    /// file list's folder.
    std::string openPath;
    /// The found file name without folder; empty when the entry matched no file.
    std::string fileName;
    /// The entry's title ("T:") and URL ("F:"), shared by all its documents.
    std::string title;
    std::string url;
    /// The entry's path part as written when it names a path that matched
    /// no file; empty for a document and for a line without path.
    std::string unmatchedEntry;
};

/// Steps through the documents a file list names.
class FileList {
public:
    /// Opens the file list at `path`. Relative paths inside it are taken
    /// from its folder. Throws platform::IoError when it cannot be opened.
    explicit FileList(const std::string& path);

    /// The next step: a document, or an entry that gave none (`path` empty:
    /// an empty line, or a pattern without match, which `unmatchedEntry`
    /// names). False when the list is
    /// done. Throws platform::IoError on a read error.
    bool Next(ListedDocument& document);

    /// The folder of the file list ("" when it lies in the working folder).
    const std::string& Folder() const noexcept { return folder_; }

private:
    /// Starts the search for a new line's pattern and fills `document` with
    /// its first match, if any.
    void StartEntry(std::string_view line, ListedDocument& document);
    /// Fills `matches_` with the names in `openFolder_` that `pattern` matches.
    void FindMatches(const std::string& pattern);
    /// Fills `document` with the current entry's match number `matchIndex_`.
    void TakeMatch(ListedDocument& document);

    platform::TextLineReader reader_;
    std::string folder_;
    FileListEntry entry_;
    std::string writtenFolder_;  ///< the path part's folder as written
    std::string openFolder_;     ///< the folder to search and open in
    std::vector<std::string> matches_;
    std::size_t matchIndex_ = 0;
};

/// `path` with every '\' replaced by '/'.
std::string WithForwardSlashes(std::string_view path);

}  // namespace indexer
