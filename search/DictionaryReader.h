// Reads the dictionary ".dct" of an open index file set: single records for a
// binary search, and a forward cursor that reads runs of records at once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "indexfiles/IndexFiles.h"
#include "platform/File.h"

namespace search {

/// A view of one dictionary record's bytes.
struct DictRecordView {
    const unsigned char* bytes = nullptr;
    /// The 27-byte blank-padded word field.
    std::string_view Field() const noexcept { return indexfiles::DictionaryWordField(bytes); }
    std::int32_t Position() const noexcept { return indexfiles::DictionaryPosition(bytes); }
};

/// Reads records of an open dictionary file. A partial record at the end is
/// not a record, so a truncated file just ends early.
class DictionaryReader {
public:
    /// `file` must stay open while the reader is used.
    explicit DictionaryReader(platform::FileHandle& file) noexcept;
    DictionaryReader(const DictionaryReader&) = delete;
    DictionaryReader& operator=(const DictionaryReader&) = delete;

    /// Number of whole records; taken from the file's size on first use.
    std::int64_t RecordCount() noexcept;

    /// Reads record `number` into `record`; false beyond the end or on a read error.
    bool ReadRecord(std::int64_t number, std::array<unsigned char, indexfiles::kDictionaryRecordSize>& record) noexcept;

    /// The first record in [low, high) for which `before(field)` is false,
    /// by binary search (the dictionary is sorted); `high` when there is none.
    /// A record that cannot be read counts as not before.
    template <typename Before>
    std::int64_t LowerBound(std::int64_t low, std::int64_t high, Before before) noexcept {
        std::array<unsigned char, indexfiles::kDictionaryRecordSize> record{};
        while (low < high) {
            const std::int64_t middle = low + (high - low) / 2;
            if (ReadRecord(middle, record) && before(DictRecordView{record.data()}.Field())) low = middle + 1;
            else high = middle;
        }
        return low;
    }

    /// Places the cursor on record `number`.
    void Seek(std::int64_t number) noexcept;
    /// Number of the record that Next returns next.
    std::int64_t Tell() const noexcept { return next_; }
    /// The cursor's record, then moves on; false at the end or on a read
    /// error. The view stays valid until the next call. Reads runs of records
    /// that grow from 64 to 1024 as a scan goes on.
    bool Next(DictRecordView& record) noexcept;

private:
    bool Fill() noexcept;

    static constexpr std::size_t kFirstRunRecords = 64;
    static constexpr std::size_t kMaxRunRecords = 1024;

    platform::FileHandle& file_;
    std::int64_t recordCount_ = -1;
    std::int64_t next_ = 0;
    std::int64_t bufferFirst_ = 0;
    std::size_t bufferRecords_ = 0;
    std::size_t runRecords_ = kFirstRunRecords;
    std::array<unsigned char, kMaxRunRecords * indexfiles::kDictionaryRecordSize> buffer_;
};

}  // namespace search
