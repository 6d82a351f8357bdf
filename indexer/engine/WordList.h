// The run's sorted word list: entries in ordinal (unsigned byte) order, each
// text at most once, flushed to the work file as CR LF terminated lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace indexer {

/// Ordinal comparison: byte by byte by unsigned value, a prefix sorting first.
/// Returns <0, 0 or >0. The one order of every sort of the indexer.
int CompareOrdinal(std::string_view a, std::string_view b) noexcept;

/// A sorted list of texts that ignores duplicates: adding a text equal to one
/// already present leaves the list unchanged.
///
/// Adding is cheap: a text is appended unsorted and put in order only when
/// the list is next read (Count, Find, At, AppendText, Sort), where the new
/// entries are sorted once and merged. Every reading member therefore sees
/// the list sorted and duplicate-free. Texts of up to 39 bytes (every word
/// entry) are kept in fixed 40-byte records that sort without touching any
/// other memory; longer texts are kept apart and merged in when read.
class TTARVOStringList {
public:
    TTARVOStringList() = default;
    TTARVOStringList(const TTARVOStringList&) = delete;
    TTARVOStringList& operator=(const TTARVOStringList&) = delete;
    TTARVOStringList(TTARVOStringList&&) noexcept = default;
    TTARVOStringList& operator=(TTARVOStringList&&) noexcept = default;

    /// Adds a text unless an equal one is present. Texts may hold any bytes.
    void Add(std::string_view entry);

    /// The number of distinct entries.
    std::size_t Count() const;

    /// Empties the list and keeps its buffers for reuse.
    void Clear() noexcept;

    /// Binary search by ordinal comparison. Returns true and sets `index` to
    /// the entry's position when an equal entry exists; otherwise returns
    /// false and sets `index` to the position where the text would go.
    bool Find(std::string_view text, std::size_t& index) const;

    /// Puts every added entry in order and drops duplicates. Reading members
    /// do this on their own; calling it only moves the work to a chosen time.
    void Sort() const;

    /// The entry at a position, 0 <= index < Count(). The view stays valid
    /// until the list is next changed.
    std::string_view At(std::size_t index) const;

    /// Appends every entry in ascending ordinal order, each followed by CR LF:
    /// the bytes that the run's flush writes to the work file.
    void AppendText(std::string& out) const;

    /// The byte count that AppendText appends.
    std::size_t TextSize() const;

    /// Hands the same bytes as AppendText to `write` in pieces of about
    /// `blockBytes` (never splitting an entry), so that a flush needs no
    /// buffer the size of the whole list. `write` may throw; the list is
    /// unchanged by this call either way.
    void WriteText(const std::function<void(std::string_view)>& write, std::size_t blockBytes = 1 << 20) const;

private:
    /// Longest text kept in a fixed record.
    static constexpr std::size_t kShortLength = 39;

    /// A text of up to kShortLength bytes, zero-padded, its length in the
    /// last byte. Read as five big-endian 64-bit numbers, records compare in
    /// the ordinal order of their texts.
    struct ShortEntry {
        char text[kShortLength];
        std::uint8_t length;
        std::string_view View() const noexcept { return std::string_view(text, length); }
    };
    static_assert(sizeof(ShortEntry) == 40);

    /// A longer text's place in longBytes_.
    struct LongEntry {
        std::size_t offset;
        std::size_t length;
    };

    std::string_view LongView(const LongEntry& entry) const noexcept {
        return std::string_view(longBytes_.data() + entry.offset, entry.length);
    }
    std::string_view View(std::size_t index) const noexcept {
        return long_.empty() ? short_[index].View() : merged_[index];
    }
    /// Sorts the entries added since the last call and merges them in.
    void Normalize() const;
    void NormalizeShort() const;
    void NormalizeLong() const;

    mutable std::vector<ShortEntry> short_;
    mutable std::vector<LongEntry> long_;
    std::vector<char> longBytes_;
    /// Both kinds in one order; used only while long texts are present.
    mutable std::vector<std::string_view> merged_;
    /// short_[0, shortSorted_) and long_[0, longSorted_) are sorted and duplicate-free.
    mutable std::size_t shortSorted_ = 0;
    mutable std::size_t longSorted_ = 0;
    /// True when merged_ and textBytes_ describe the list as it is.
    mutable bool normalized_ = true;
    /// Sum of the lengths of the entries, valid while normalized_.
    mutable std::size_t textBytes_ = 0;
};

}  // namespace indexer
