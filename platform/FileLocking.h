// Exclusive opening of a shared coordination file. Where the original system
// refused a second open of a file that another process held, an advisory
// lock (flock) makes the second open fail the same way, so callers that retry
// an open keep their meaning.
#pragma once

#include <string>

#include "platform/File.h"

namespace platform {

/// Opens the file and takes an exclusive advisory lock on it without waiting.
/// Returns a closed handle when the file cannot be opened or another process
/// holds the lock; the lock lasts until the handle is closed.
FileHandle OpenExclusive(const std::string& path, FileHandle::Mode mode) noexcept;

}  // namespace platform
