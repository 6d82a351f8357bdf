// Folder operations of the CGI layer: creating a folder, and finding a path
// whose letter case was lost. Searching a folder with wildcards is in
// DirectorySearch.h.
#pragma once

#include <string>

namespace platform {

/// Creates one folder (not its parents). True when it exists afterwards.
bool CreateFolder(const std::string& path) noexcept;

/// The existing path that equals `path` when letter case is ignored, for
/// names that were upper-cased on their way through a shared file. Returns
/// `path` itself when it exists as written or no such path is found.
std::string ResolvePathIgnoringCase(const std::string& path);

}  // namespace platform
