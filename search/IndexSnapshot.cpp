// Opening an index set's files together under the folder's shared lock.
#include "search/IndexSnapshot.h"

#include <chrono>

#include "platform/FileLocking.h"
#include "platform/PathNames.h"
#include "search/IndexFormat.h"

namespace search {

namespace {

/// The longest a search waits for the indexer to finish its renames (a few
/// milliseconds) before it opens the files without the lock: a process that
/// holds the folder's lock and never lets go delays searches no longer.
constexpr std::chrono::milliseconds kLockPatience{2000};

}  // namespace

IndexSnapshot IndexSnapshot::Take(const std::string& basePath) {
    IndexSnapshot snapshot;
    snapshot.basePath_ = basePath;
    constexpr std::array kExtensions{kTocExtension, kDctExtension, kHshExtension, kNdxExtension, kExtExtension};
    std::array<std::string, kExtensions.size()> paths;
    for (std::size_t i = 0; i < kExtensions.size(); ++i) paths[i] = basePath + std::string(kExtensions[i]);
    // Only the opens lie inside the lock, so a stream of searches leaves the
    // indexer gaps to take its exclusive lock in.
    platform::FolderLock lock = platform::FolderLock::AcquireWithin(platform::DirectoryOf(basePath),
                                                                    platform::FolderLock::Kind::Shared, kLockPatience);
    for (std::size_t i = 0; i < kExtensions.size(); ++i) {
        snapshot.entries_[i].extension = kExtensions[i];
        snapshot.entries_[i].file = platform::FileHandle::Open(paths[i], platform::FileHandle::Mode::Read);
    }
    lock.Release();
    snapshot.taken_ = true;
    return snapshot;
}

platform::FileHandle IndexSnapshot::Open(std::string_view extension) const noexcept {
    for (const Entry& entry : entries_) {
        if (entry.extension == extension) return entry.file.Duplicate();
    }
    try {
        return platform::FileHandle::Open(basePath_ + std::string(extension), platform::FileHandle::Mode::Read);
    } catch (...) {
        // The path could not be made (out of memory): the open fails.
        return platform::FileHandle{};
    }
}

}  // namespace search
