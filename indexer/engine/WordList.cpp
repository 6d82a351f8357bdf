// Sorted word list: one byte buffer plus sortable references, ordered lazily.
#include "indexer/engine/WordList.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace indexer {

namespace {

std::uint64_t BigEndianPrefix(std::string_view text) noexcept {
    std::uint64_t prefix = 0;
    const std::size_t count = std::min<std::size_t>(text.size(), 8);
    for (std::size_t i = 0; i < 8; ++i) {
        prefix <<= 8;
        if (i < count) prefix |= static_cast<unsigned char>(text[i]);
    }
    return prefix;
}

}  // namespace

int CompareOrdinal(std::string_view a, std::string_view b) noexcept {
    const std::size_t common = std::min(a.size(), b.size());
    if (common > 0) {
        // memcmp compares as unsigned char, which is the ordinal rule.
        const int result = std::memcmp(a.data(), b.data(), common);
        if (result != 0) return result;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

void TTARVOStringList::Add(std::string_view entry) {
    if (bytes_.size() + entry.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("word list is larger than 4 GB");
    const auto offset = static_cast<std::uint32_t>(bytes_.size());
    bytes_.insert(bytes_.end(), entry.begin(), entry.end());
    refs_.push_back({BigEndianPrefix(entry), offset, static_cast<std::uint32_t>(entry.size())});
}

bool TTARVOStringList::Less(const EntryRef& a, const EntryRef& b) const noexcept {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return CompareOrdinal(TextOf(a), TextOf(b)) < 0;
}

void TTARVOStringList::Normalize() const {
    if (sortedCount_ == refs_.size()) return;
    const auto less = [this](const EntryRef& a, const EntryRef& b) { return Less(a, b); };
    const auto equal = [this](const EntryRef& a, const EntryRef& b) {
        return a.prefix == b.prefix && TextOf(a) == TextOf(b);
    };
    const auto tail = refs_.begin() + static_cast<std::ptrdiff_t>(sortedCount_);
    std::sort(tail, refs_.end(), less);
    refs_.erase(std::unique(tail, refs_.end(), equal), refs_.end());
    if (sortedCount_ > 0) {
        std::inplace_merge(refs_.begin(), refs_.begin() + static_cast<std::ptrdiff_t>(sortedCount_), refs_.end(),
                           less);
        refs_.erase(std::unique(refs_.begin(), refs_.end(), equal), refs_.end());
    }
    sortedCount_ = refs_.size();
    sortedBytes_ = 0;
    for (const auto& ref : refs_) sortedBytes_ += ref.length;
}

std::size_t TTARVOStringList::Count() const {
    Normalize();
    return refs_.size();
}

void TTARVOStringList::Clear() noexcept {
    bytes_.clear();
    refs_.clear();
    sortedCount_ = 0;
    sortedBytes_ = 0;
}

void TTARVOStringList::Sort() const { Normalize(); }

bool TTARVOStringList::Find(std::string_view text, std::size_t& index) const {
    Normalize();
    // Binary search that ends on the first entry not below the text.
    std::size_t low = 0;
    std::size_t high = refs_.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (CompareOrdinal(TextOf(refs_[mid]), text) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    index = low;
    return low < refs_.size() && TextOf(refs_[low]) == text;
}

std::string_view TTARVOStringList::At(std::size_t index) const {
    Normalize();
    if (index >= refs_.size()) throw std::out_of_range("word list index out of range");
    return TextOf(refs_[index]);
}

std::size_t TTARVOStringList::TextSize() const {
    Normalize();
    return sortedBytes_ + 2 * refs_.size();
}

void TTARVOStringList::AppendText(std::string& out) const {
    out.reserve(out.size() + TextSize());
    for (const auto& ref : refs_) {
        out.append(TextOf(ref));
        out.append("\r\n");
    }
}

}  // namespace indexer
