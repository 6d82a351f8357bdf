// Publishing a run's index file set whole: every file of the new set is
// written under its staged name ("DataBase.toc.new") and renamed into place
// only when the run has ended without an error, so the search program never
// reads a half-written set and a failed run leaves the previous set as it was.
#pragma once

#include <string>
#include <string_view>

#include "indexfiles/IndexFiles.h"

namespace indexer {

/// Suffix of the name under which a run writes a file of the new set until
/// the run has ended without an error ("DataBase.toc.new"). No file of any
/// set ends in it, so a staged file never collides with a published one.
inline constexpr std::string_view kStagedSuffix = ".new";

/// The path of a file of the set while a run is still writing it: the
/// published name followed by ".new".
std::string StagedIndexFileName(std::string_view databaseName, indexfiles::IndexFile file);

/// Deletes every staged file of the database: what a failed or killed run
/// left behind. Never throws; a file that cannot be deleted is left.
void RemoveStagedSet(const std::string& databaseName) noexcept;

/// Flushes the staged files to the disk and renames them over the published
/// ones. ".toc", ".dct", ".ndx" and ".hsh" must be staged. A published ".ext",
/// ".lst" or ".cpg" without a staged one is deleted, since the new set has none.
/// The order is indexfiles::kPublishOrder, the search program's open order
/// backwards: ".lst", ".toc", ".ndx", ".hsh", ".dct", ".ext", then ".cpg"
/// last, so a search that finds the new file it opens first also finds the
/// new files it opens after it. The renames happen under the exclusive lock of the
/// database's folder (platform::FolderLock), which waits for searches that
/// are opening the files of the set under the shared one (each holds it for
/// a few opens). Throws platform::IoError when a staged file is missing or
/// cannot be flushed (nothing is renamed then) or when a rename or delete fails.
void PublishStagedSet(const std::string& databaseName);

}  // namespace indexer
