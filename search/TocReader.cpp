// Table-of-contents records and their listed fields.
#include "search/TocReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace search {

using indexfiles::kTocRecordSize;

namespace {

/// Characters of each field that reach the result: the field's last byte never does.
constexpr std::size_t kTocUrlChars = indexfiles::kTocUrlWidth - 1;
constexpr std::size_t kTocTitleChars = indexfiles::kTocTitleWidth - 1;

constexpr std::uint64_t kEightBlanks = 0x2020202020202020ULL;

std::uint64_t EightBytesAt(const char* bytes) noexcept {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

/// `length` less the trailing bytes up to blank (blanks and control
/// characters). Fields are blank-padded, so most of the padding goes 32 and
/// then 8 blanks at a time.
std::size_t TrimmedLength(const char* text, std::size_t length) noexcept {
    while (length >= 32 &&
           ((EightBytesAt(text + length - 32) ^ kEightBlanks) | (EightBytesAt(text + length - 24) ^ kEightBlanks) |
            (EightBytesAt(text + length - 16) ^ kEightBlanks) | (EightBytesAt(text + length - 8) ^ kEightBlanks)) == 0)
        length -= 32;
    while (length >= 8 && EightBytesAt(text + length - 8) == kEightBlanks) length -= 8;
    while (length > 0 && static_cast<unsigned char>(text[length - 1]) <= ' ') --length;
    return length;
}

/// A field's listed text: up to the first zero byte, without trailing bytes
/// up to blank. The trailing bytes are cut first: a zero byte among them is
/// cut with them, so the zero byte is looked for in the shorter text only.
std::string_view ListedField(std::string_view field) noexcept {
    const char* text = field.data();
    std::size_t length = TrimmedLength(text, field.size());
    if (const void* zero = std::memchr(text, 0, length)) {
        length = TrimmedLength(text, static_cast<std::size_t>(static_cast<const char*>(zero) - text));
    }
    return {text, length};
}

}  // namespace

TocEntry ReadTocEntry(const unsigned char* record) noexcept {
    return {ListedField(indexfiles::TocUrlField(record).substr(0, kTocUrlChars)),
            ListedField(indexfiles::TocTitleField(record).substr(0, kTocTitleChars))};
}

TocWindow::TocWindow(platform::FileHandle& file, std::int64_t recordCount) noexcept
    : file_(file), recordCount_(recordCount) {}

void TocWindow::Load(std::int64_t first, std::size_t count) noexcept {
    held_ = 0;
    first_ = first;
    if (first < 0 || first >= recordCount_) return;
    count = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(std::min(count, kMaxRecords)), recordCount_ - first));
    const long long got =
        file_.ReadAt(buffer_.data(), count * kTocRecordSize, first * static_cast<std::int64_t>(kTocRecordSize));
    if (got > 0) held_ = static_cast<std::size_t>(got) / kTocRecordSize;
}

const unsigned char* TocWindow::Record(std::int64_t number) const noexcept {
    if (number < first_ || number >= first_ + static_cast<std::int64_t>(held_)) return nullptr;
    return buffer_.data() + static_cast<std::size_t>(number - first_) * kTocRecordSize;
}

}  // namespace search
