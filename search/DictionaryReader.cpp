// Dictionary record reads: one record, or runs of records for a scan.
#include "search/DictionaryReader.h"

#include <algorithm>

namespace search {

using indexfiles::kDictionaryRecordSize;

DictionaryReader::DictionaryReader(platform::FileHandle& file) noexcept : file_(file) {}

std::int64_t DictionaryReader::RecordCount() noexcept {
    if (recordCount_ < 0) {
        const std::int64_t size = file_.Size();
        recordCount_ = size > 0 ? size / static_cast<std::int64_t>(kDictionaryRecordSize) : 0;
    }
    return recordCount_;
}

bool DictionaryReader::ReadRecord(std::int64_t number,
                                  std::array<unsigned char, kDictionaryRecordSize>& record) noexcept {
    if (number < 0 || number >= RecordCount()) return false;
    return file_.ReadExactAt(record.data(), record.size(), number * static_cast<std::int64_t>(kDictionaryRecordSize));
}

void DictionaryReader::Seek(std::int64_t number) noexcept {
    next_ = std::max<std::int64_t>(number, 0);
    runRecords_ = kFirstRunRecords;
}

bool DictionaryReader::Next(DictRecordView& record) noexcept {
    const bool buffered = next_ >= bufferFirst_ && next_ < bufferFirst_ + static_cast<std::int64_t>(bufferRecords_);
    if (!buffered && !Fill()) return false;
    const auto index = static_cast<std::size_t>(next_ - bufferFirst_);
    record.bytes = buffer_.data() + index * kDictionaryRecordSize;
    ++next_;
    return true;
}

bool DictionaryReader::Fill() noexcept {
    bufferRecords_ = 0;
    // A read that reaches past the end just comes back short.
    const long long got = file_.ReadAt(buffer_.data(), runRecords_ * kDictionaryRecordSize,
                                       next_ * static_cast<std::int64_t>(kDictionaryRecordSize));
    if (got <= 0) return false;
    bufferFirst_ = next_;
    bufferRecords_ = static_cast<std::size_t>(got) / kDictionaryRecordSize;
    runRecords_ = std::min(runRecords_ * 2, kMaxRunRecords);
    return bufferRecords_ > 0;
}

}  // namespace search
