// Directory search for documents: the regular files of one folder whose
// names match a wildcard pattern, in a reproducible order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

}  // namespace platform
