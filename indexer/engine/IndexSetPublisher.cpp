// Publishing a staged index file set.
#include "indexer/engine/IndexSetPublisher.h"

#include <cerrno>

#include "platform/File.h"
#include "platform/FileLocking.h"
#include "platform/FileReplace.h"
#include "platform/PathNames.h"

namespace indexer {

using indexfiles::IndexFile;
using indexfiles::IndexFileName;
using indexfiles::kPublishOrder;

namespace {

/// The files a set may lack: the block letter file of a small dictionary and
/// the word dump of a run without "dumpwords".
constexpr bool IsOptional(IndexFile file) noexcept { return indexfiles::Describe(file).optional; }

/// Flushes every staged file to the disk before any of them is renamed.
void SyncStagedFiles(const std::string& databaseName) {
    for (const IndexFile file : kPublishOrder) {
        const std::string staged = StagedIndexFileName(databaseName, file);
        if (IsOptional(file) && !platform::FileExists(staged)) continue;
        if (const int error = platform::SyncFileToDisk(staged); error != 0)
            throw platform::IoError("cannot flush", staged, error);
    }
}

/// Renames one staged file into place, or deletes the published one when an
/// optional file was not staged.
void PublishFile(const std::string& databaseName, IndexFile file) {
    const std::string staged = StagedIndexFileName(databaseName, file);
    const std::string published = IndexFileName(databaseName, file);
    if (IsOptional(file) && !platform::FileExists(staged)) {
        if (const int error = platform::RemoveFile(published); error != 0)
            throw platform::IoError("cannot delete", published, error);
        return;
    }
    if (const int error = platform::RenameFile(staged, published); error != 0)
        throw platform::IoError("cannot rename " + staged + " to", published, error);
}

}  // namespace

std::string StagedIndexFileName(std::string_view databaseName, IndexFile file) {
    std::string name = IndexFileName(databaseName, file);
    name.append(kStagedSuffix);
    return name;
}

void RemoveStagedSet(const std::string& databaseName) noexcept {
    for (const IndexFile file : kPublishOrder) {
        try {
            platform::RemoveFile(StagedIndexFileName(databaseName, file));
        } catch (...) {
            // Only the name could not be made (out of memory): nothing to delete.
        }
    }
}

void PublishStagedSet(const std::string& databaseName) {
    SyncStagedFiles(databaseName);
    const std::string folder = platform::DirectoryOf(databaseName);
    {
        // Searches open the files of the set together under the shared lock,
        // so none opens files of both sets. Only the renames lie inside the
        // lock. A folder that cannot be locked is published without it.
        const platform::FolderLock lock = platform::FolderLock::Acquire(folder, platform::FolderLock::Kind::Exclusive);
        for (const IndexFile file : kPublishOrder) PublishFile(databaseName, file);
    }
    // The renames themselves reach the disk too; a folder that cannot be
    // flushed (some file systems refuse) leaves the set published all the same.
    platform::SyncFolder(folder);
}

}  // namespace indexer
