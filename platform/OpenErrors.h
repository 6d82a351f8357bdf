// Classifies why a file failed to open in the terms the search program
// reports: the small error numbers of the classic system file functions.
#pragma once

#include <string>

namespace platform {

/// The classic error number of a failed open: 2 the file does not exist,
/// 3 its folder does not exist, 4 too many open files, 5 access denied;
/// 0 for every other reason. `errorNumber` is the errno of the failed open
/// (FileHandle::OpenError), `path` the path that was opened: a missing file
/// whose folder is missing as well counts as a missing folder.
int ClassicOpenErrorNumber(int errorNumber, const std::string& path) noexcept;

}  // namespace platform
