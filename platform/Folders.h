// Folder operations of the CGI layer: creating a folder, and searching a
// folder for files whose names match a wildcard pattern ("*" and "?", letter
// case ignored, as the original file system compared names).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileTimes.h"

namespace platform {

/// One entry found by a folder search.
struct FolderEntry {
    std::string name;           ///< file name without folder
    long long size = 0;         ///< bytes
    FileClock::time_point modified{};
    bool isFolder = false;
};

/// Creates one folder (not its parents). True when it exists afterwards.
bool CreateFolder(const std::string& path) noexcept;

/// The full paths of the regular files matching `pathPattern` (a folder,
/// "/", and a wildcard file name), sorted by name. Empty when none match or
/// the folder cannot be read.
std::vector<std::string> ListMatchingFiles(const std::string& pathPattern);

/// One search for `pathPattern`: fills `entry` with the first match (files,
/// and folders too when `includeFolders`) and returns 0, else an errno value
/// (ENOENT when nothing matches).
int FindFirstMatch(const std::string& pathPattern, bool includeFolders, FolderEntry& entry);

}  // namespace platform

namespace platform {

/// The existing path that equals `path` when letter case is ignored, for
/// names that were upper-cased on their way through a shared file. Returns
/// `path` itself when it exists as written or no such path is found.
std::string ResolvePathIgnoringCase(const std::string& path);

}  // namespace platform
