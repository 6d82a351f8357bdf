// Reads the table-of-contents file ".toc": the URL and title of a document,
// a run of neighbouring records at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "indexfiles/IndexFiles.h"
#include "platform/File.h"

namespace search {

/// The listed form of one table-of-contents record.
struct TocEntry {
    /// The first 254 bytes of the URL field, up to the first zero byte, with
    /// trailing blanks and control characters removed.
    std::string_view Url;
    /// The first 99 bytes of the title field, cut and trimmed the same way.
    std::string_view Title;
};

/// The URL and title of a 357-byte record; the views point into `record`.
TocEntry ReadTocEntry(const unsigned char* record) noexcept;

/// Reads records of an open ".toc" file through a window of up to 64 records.
class TocWindow {
public:
    /// `file` must stay open while the window is used; `recordCount` is the
    /// number of whole records the file holds.
    TocWindow(platform::FileHandle& file, std::int64_t recordCount) noexcept;
    TocWindow(const TocWindow&) = delete;
    TocWindow& operator=(const TocWindow&) = delete;

    /// Most records one read brings in.
    static constexpr std::size_t kMaxRecords = 64;

    /// Reads `count` records (at most kMaxRecords) from record `first` on; the
    /// records that could not be read are simply not held afterwards.
    void Load(std::int64_t first, std::size_t count) noexcept;
    /// The bytes of record `number` when the window holds it, else nullptr.
    const unsigned char* Record(std::int64_t number) const noexcept;

private:
    platform::FileHandle& file_;
    std::int64_t recordCount_;
    std::int64_t first_ = 0;
    std::size_t held_ = 0;
    std::array<unsigned char, kMaxRecords * indexfiles::kTocRecordSize> buffer_;
};

}  // namespace search
