// Sorted word list: fixed records for short texts, a byte buffer for long
// ones, both put in order lazily.
#include "indexer/engine/WordList.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace indexer {

namespace {

/// Eight bytes of a record as a big-endian number, so that numbers compare
/// as the bytes do.
std::uint64_t BigEndianWord(const void* bytes) noexcept {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return word;
}

template <class Record>
inline bool RecordLess(const Record& a, const Record& b) noexcept {
    const auto* left = reinterpret_cast<const unsigned char*>(&a);
    const auto* right = reinterpret_cast<const unsigned char*>(&b);
    for (std::size_t offset = 0; offset < sizeof(Record); offset += 8) {
        const std::uint64_t x = BigEndianWord(left + offset);
        const std::uint64_t y = BigEndianWord(right + offset);
        if (x != y) return x < y;
    }
    return false;
}

template <class Record>
bool RecordEqual(const Record& a, const Record& b) noexcept {
    return std::memcmp(&a, &b, sizeof(Record)) == 0;
}

/// Sorts the tail [sorted, end) of a vector, drops its duplicates and
/// merges it into the sorted head.
template <class T, class Less, class Equal>
void SortTailAndMerge(std::vector<T>& items, std::size_t sorted, Less less, Equal equal) {
    if (sorted == items.size()) return;
    const auto tail = items.begin() + static_cast<std::ptrdiff_t>(sorted);
    std::sort(tail, items.end(), less);
    items.erase(std::unique(tail, items.end(), equal), items.end());
    if (sorted == 0) return;
    std::inplace_merge(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(sorted), items.end(), less);
    items.erase(std::unique(items.begin(), items.end(), equal), items.end());
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
    normalized_ = false;
    if (entry.size() <= kShortLength) {
        ShortEntry record{};
        if (!entry.empty()) std::memcpy(record.text, entry.data(), entry.size());
        record.length = static_cast<std::uint8_t>(entry.size());
        short_.push_back(record);
        return;
    }
    long_.push_back({longBytes_.size(), entry.size()});
    longBytes_.insert(longBytes_.end(), entry.begin(), entry.end());
}

void TTARVOStringList::NormalizeShort() const {
    SortTailAndMerge(
        short_, shortSorted_, [](const ShortEntry& a, const ShortEntry& b) { return RecordLess(a, b); },
        [](const ShortEntry& a, const ShortEntry& b) { return RecordEqual(a, b); });
    shortSorted_ = short_.size();
}

void TTARVOStringList::NormalizeLong() const {
    const auto less = [this](const LongEntry& a, const LongEntry& b) {
        return CompareOrdinal(LongView(a), LongView(b)) < 0;
    };
    const auto equal = [this](const LongEntry& a, const LongEntry& b) { return LongView(a) == LongView(b); };
    SortTailAndMerge(long_, longSorted_, less, equal);
    longSorted_ = long_.size();
}

void TTARVOStringList::Normalize() const {
    if (normalized_) return;
    NormalizeShort();
    NormalizeLong();
    textBytes_ = 0;
    for (const auto& record : short_) textBytes_ += record.length;
    merged_.clear();
    if (!long_.empty()) {
        // A text is either short or long, so the two sequences share no entry.
        merged_.reserve(short_.size() + long_.size());
        auto shortAt = short_.begin();
        auto longAt = long_.begin();
        while (shortAt != short_.end() || longAt != long_.end()) {
            const bool takeShort = longAt == long_.end() ||
                                   (shortAt != short_.end() && CompareOrdinal(shortAt->View(), LongView(*longAt)) < 0);
            if (takeShort) {
                merged_.push_back((shortAt++)->View());
            } else {
                textBytes_ += longAt->length;
                merged_.push_back(LongView(*longAt++));
            }
        }
    }
    normalized_ = true;
}

std::size_t TTARVOStringList::Count() const {
    Normalize();
    return short_.size() + long_.size();
}

void TTARVOStringList::Clear() noexcept {
    short_.clear();
    long_.clear();
    longBytes_.clear();
    merged_.clear();
    shortSorted_ = 0;
    longSorted_ = 0;
    textBytes_ = 0;
    normalized_ = true;
}

void TTARVOStringList::Sort() const { Normalize(); }

bool TTARVOStringList::Find(std::string_view text, std::size_t& index) const {
    const std::size_t count = Count();
    // Binary search that ends on the first entry not below the text.
    std::size_t low = 0;
    std::size_t high = count;
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (CompareOrdinal(View(mid), text) < 0) low = mid + 1;
        else high = mid;
    }
    index = low;
    return low < count && View(low) == text;
}

std::string_view TTARVOStringList::At(std::size_t index) const {
    if (index >= Count()) throw std::out_of_range("word list index out of range");
    return View(index);
}

std::size_t TTARVOStringList::TextSize() const { return Count() * 2 + textBytes_; }

void TTARVOStringList::AppendText(std::string& out) const {
    const std::size_t count = Count();
    std::size_t at = out.size();
    out.resize(at + TextSize());
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view text = View(i);
        std::memcpy(out.data() + at, text.data(), text.size());
        at += text.size();
        out[at++] = '\r';
        out[at++] = '\n';
    }
}

void TTARVOStringList::WriteText(const std::function<void(std::string_view)>& write, std::size_t blockBytes) const {
    const std::size_t count = Count();
    std::string block;
    block.reserve(blockBytes + kShortLength + 2);
    for (std::size_t i = 0; i < count; ++i) {
        block.append(View(i));
        block.append("\r\n");
        if (block.size() >= blockBytes) {
            write(block);
            block.clear();
        }
    }
    if (!block.empty()) write(block);
}

}  // namespace indexer
