// Listing a whole table of contents once, and keeping the listings per set.
#include "search/TocListing.h"

#include <algorithm>
#include <limits>

#include "indexfiles/IndexFiles.h"

namespace search {
namespace {

/// Records read at once while a listing is made.
constexpr std::int64_t kRecordsPerRead = 1024;

}  // namespace

std::shared_ptr<const TocListing> TocListing::Read(const platform::FileHandle& file, std::int64_t recordCount) {
    constexpr std::size_t kRecordSize = indexfiles::kTocRecordSize;
    // Offsets are kept in 32 bits: a larger table is read window by window.
    if (recordCount < 0 || recordCount * static_cast<std::int64_t>(kRecordSize) >
                               static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max()))
        return nullptr;
    auto listing = std::make_shared<TocListing>();
    listing->records_.reserve(static_cast<std::size_t>(recordCount));
    std::vector<unsigned char> block(static_cast<std::size_t>(kRecordsPerRead) * kRecordSize);
    platform::FileHandle reader = file.Duplicate();
    for (std::int64_t first = 0; first < recordCount; first += kRecordsPerRead) {
        const auto count = static_cast<std::size_t>(std::min(kRecordsPerRead, recordCount - first));
        if (!reader.ReadExactAt(block.data(), count * kRecordSize, first * static_cast<std::int64_t>(kRecordSize)))
            return nullptr;
        for (std::size_t i = 0; i < count; ++i) {
            const TocEntry entry = ReadTocEntry(block.data() + i * kRecordSize);
            listing->records_.push_back({static_cast<std::uint32_t>(listing->text_.size()),
                                         static_cast<std::uint16_t>(entry.Url.size()),
                                         static_cast<std::uint16_t>(entry.Title.size())});
            listing->text_ += entry.Url;
            listing->text_ += entry.Title;
        }
    }
    listing->text_.shrink_to_fit();
    return listing;
}

TocEntry TocListing::Entry(std::int64_t record) const noexcept {
    const Place& place = records_[static_cast<std::size_t>(record)];
    const std::string_view text(text_);
    return {text.substr(place.start, place.urlLength), text.substr(place.start + place.urlLength, place.titleLength)};
}

std::shared_ptr<const TocListing> TocListingCache::For(const std::string& basePath, const platform::FileHandle& file,
                                                       std::int64_t recordCount, platform::IndexCodePage codePage) {
    platform::FileIdentity identity;
    if (!file.Identity(identity)) return nullptr;
    {
        const std::lock_guard<std::mutex> guard(mutex_);
        const auto found = kept_.find(basePath);
        if (found != kept_.end() && found->second.identity == identity && found->second.codePage == codePage &&
            found->second.listing->Count() == recordCount)
            return found->second.listing;
    }
    // Read outside the lock: other requests go on meanwhile.
    std::shared_ptr<const TocListing> listing = TocListing::Read(file, recordCount);
    if (!listing) return nullptr;
    const std::lock_guard<std::mutex> guard(mutex_);
    if (kept_.size() >= kMaxKeptSets && kept_.find(basePath) == kept_.end()) kept_.clear();
    kept_[basePath] = {identity, codePage, listing};
    return listing;
}

}  // namespace search
