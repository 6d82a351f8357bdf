// The listed titles and URLs of a whole ".toc" file, for a search program
// that answers many requests in one process: read once per published set
// and kept, so a large result costs no file reading and no trimming. The
// cache hands a request the listing only of the very file the request
// opened under the folder's shared lock (same device, inode, size and
// times) in the code page the request read with it, so a request never sees
// a listing of another set.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "search/TocReader.h"

namespace search {

/// The listed fields (ReadTocEntry) of every record of one ".toc" file.
class TocListing {
public:
    /// Reads and lists the first `recordCount` records of `file`; null when a
    /// read fails or comes short (then the records are read as before, one
    /// window at a time, and an unreadable one is skipped).
    static std::shared_ptr<const TocListing> Read(const platform::FileHandle& file, std::int64_t recordCount);

    std::int64_t Count() const noexcept { return static_cast<std::int64_t>(records_.size()); }
    /// Record `record` (0 to Count() - 1) as ReadTocEntry lists it.
    TocEntry Entry(std::int64_t record) const noexcept;

private:
    struct Place {
        std::uint32_t start;  ///< the URL's first byte in text_; the title follows it
        std::uint16_t urlLength;
        std::uint16_t titleLength;
    };
    std::string text_;
    std::vector<Place> records_;
};

/// The listings of the index sets a process has searched, one per set's base
/// path, shared by its threads.
class TocListingCache {
public:
    /// The most sets kept; when one more comes, all are dropped and kept anew.
    static constexpr std::size_t kMaxKeptSets = 32;

    /// The listing of the ".toc" that `file` holds open, with `recordCount`
    /// records, for the set at `basePath` written in `codePage`: the kept one
    /// when it was made from a file of the same identity in the same code
    /// page, else one read now (and kept in place of the set's older one).
    /// Null when the file cannot be read whole.
    std::shared_ptr<const TocListing> For(const std::string& basePath, const platform::FileHandle& file,
                                          std::int64_t recordCount,
                                          platform::IndexCodePage codePage = platform::IndexCodePage::Windows1252);

private:
    struct Kept {
        platform::FileIdentity identity;
        platform::IndexCodePage codePage{};
        std::shared_ptr<const TocListing> listing;
    };
    std::mutex mutex_;
    std::map<std::string, Kept> kept_;
};

}  // namespace search
