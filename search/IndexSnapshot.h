// The files of one index set opened together, at one moment: the indexer
// renames a new set into place file by file while it holds the folder's
// exclusive lock, and a search opens all the files it reads under the shared
// lock, so it reads one set whole and never files of two sets.
#pragma once

#include <array>
#include <string>

#include "indexfiles/IndexFiles.h"
#include "platform/File.h"

namespace search {

class IndexSnapshot {
public:
    IndexSnapshot() = default;

    /// Opens the files of the set at `basePath` that a search reads, in
    /// indexfiles::kOpenOrder (".cpg", ".ext", ".dct", ".hsh", ".ndx", ".toc"), the
    /// order that the indexer's publishing follows backwards, while holding
    /// the shared lock of its folder, and releases
    /// the lock at once. A folder that cannot be locked (it cannot be opened,
    /// does not allow locks, or another process has held it exclusively for
    /// two seconds) is read without the lock. A file that fails to open keeps
    /// the reason (errno) for the Open that asks for it later.
    static IndexSnapshot Take(const std::string& basePath);

    bool IsTaken() const noexcept { return taken_; }

    /// A handle of its own on `file` as it was when the snapshot was taken,
    /// whatever was renamed over its name since. When the file failed to open
    /// then, a closed handle whose OpenError() holds that errno. A file the
    /// snapshot does not hold, or any file before the snapshot is taken, is
    /// opened now.
    platform::FileHandle Open(indexfiles::IndexFile file) const noexcept;

private:
    struct Entry {
        indexfiles::IndexFile which{};
        platform::FileHandle file;
    };
    std::array<Entry, indexfiles::kOpenOrder.size()> entries_{};
    std::string basePath_;
    bool taken_ = false;
};

}  // namespace search
