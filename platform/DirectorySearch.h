// Wildcard search of one folder: the entries whose names match a pattern
// ("*" and "?", ASCII letter case ignored), for the indexer's file lists and
// the CGI layer's work files. One scan serves every caller; the callers
// differ only in what they keep (regular files or folders too, hidden names
// or not) and in the order they want (sorted, or the first one found).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FileTimes.h"

namespace platform {

/// True when `name` matches `pattern`: '*' stands for any run of characters
/// (none too), '?' for exactly one, every other character for itself
/// without regard to ASCII letter case. "*.*" matches every name, with or
/// without a dot, as on the system the file lists come from.
bool WildcardMatch(std::string_view pattern, std::string_view name) noexcept;

/// The names (without folder) of the regular files in `folder` ("" = the
/// working folder) that match `pattern`, in ascending byte order. Folders,
/// devices and hidden files (names beginning with '.') are left out; a
/// symbolic link counts as the file it names. A folder that does not exist
/// or cannot be read gives no names.
std::vector<std::string> FindMatchingFiles(const std::string& folder, std::string_view pattern);

/// The full paths of the regular files matching `pathPattern` (a folder,
/// "/", and a wildcard file name; no "/" means the working folder), sorted
/// by name. Hidden files count like any other. Empty when none match or the
/// folder cannot be read.
std::vector<std::string> ListMatchingFiles(const std::string& pathPattern);

/// One entry found by a folder search.
struct FolderEntry {
    std::string name;    ///< file name without folder
    long long size = 0;  ///< bytes
    FileClock::time_point modified{};
    bool isFolder = false;
};

/// One search for `pathPattern` (as for ListMatchingFiles): fills `entry`
/// with the first match in the folder's own order (any file, and folders too
/// when `includeFolders`; hidden names count) and returns 0, else an errno
/// value (ENOENT when nothing matches).
int FindFirstMatch(const std::string& pathPattern, bool includeFolders, FolderEntry& entry);

}  // namespace platform
