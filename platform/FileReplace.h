// Replacing files whole: renaming a finished file over the one in use and
// flushing files and folders to the disk, so that a rename never publishes
// data that is still only in memory.
#pragma once

#include <string>

namespace platform {

/// Renames `from` to `to` in one step, replacing `to` when it exists (both
/// in the same folder). Readers see either the old or the new file, never a
/// mix. Returns errno, 0 on success.
int RenameFile(const std::string& from, const std::string& to) noexcept;

/// Flushes a closed file's data to the disk. Returns errno, 0 on success.
int SyncFileToDisk(const std::string& path) noexcept;

/// Flushes a folder's entries (created, renamed, deleted names) to the disk.
/// Returns errno, 0 on success.
int SyncFolder(const std::string& folder) noexcept;

}  // namespace platform
