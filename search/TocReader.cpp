// Table-of-contents records and their listed fields.
#include "search/TocReader.h"

#include <algorithm>
#include <cstring>

namespace search {

namespace {

/// A field's listed text: up to the first zero byte, without trailing bytes
/// up to blank (blanks and control characters).
std::string_view ListedField(const unsigned char* bytes, std::size_t width) noexcept {
    const auto* text = reinterpret_cast<const char*>(bytes);
    const void* zero = std::memchr(text, 0, width);
    std::size_t length = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : width;
    while (length > 0 && static_cast<unsigned char>(text[length - 1]) <= ' ') --length;
    return {text, length};
}

}  // namespace

TocEntry ReadTocEntry(const unsigned char* record) noexcept {
    return {ListedField(record + kTocUrlOffset, kTocUrlChars),
            ListedField(record + kTocTitleOffset, kTocTitleChars)};
}

TocWindow::TocWindow(platform::FileHandle& file, std::int64_t recordCount) noexcept
    : file_(file), recordCount_(recordCount) {}

void TocWindow::Load(std::int64_t first, std::size_t count) noexcept {
    held_ = 0;
    first_ = first;
    if (first < 0 || first >= recordCount_) return;
    count = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(std::min(count, kMaxRecords)), recordCount_ - first));
    const long long got = file_.ReadAt(buffer_.data(), count * kTocRecordSize,
                                       first * static_cast<std::int64_t>(kTocRecordSize));
    if (got > 0) held_ = static_cast<std::size_t>(got) / kTocRecordSize;
}

const unsigned char* TocWindow::Record(std::int64_t number) const noexcept {
    if (number < first_ || number >= first_ + static_cast<std::int64_t>(held_)) return nullptr;
    return buffer_.data() + static_cast<std::size_t>(number - first_) * kTocRecordSize;
}

}  // namespace search
