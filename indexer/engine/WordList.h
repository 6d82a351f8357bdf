// The run's sorted word list: entries in ordinal (unsigned byte) order, each
// text at most once, flushed to the work file as CR LF terminated lines.
#pragma once

#include <cstddef>
#include <cstdint>
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
/// Adding is cheap: a text is copied to the end of one buffer and put in
/// order only when the list is next read (Count, Find, At, AppendText, Sort),
/// where the new entries are sorted once and merged. Every reading member
/// therefore sees the list sorted and duplicate-free.
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

private:
    /// Where an entry's bytes lie in the buffer, with its first eight bytes as
    /// a big-endian number (zero-padded) so that most comparisons need no
    /// access to the buffer.
    struct EntryRef {
        std::uint64_t prefix;
        std::uint32_t offset;
        std::uint32_t length;
    };

    std::string_view TextOf(const EntryRef& ref) const noexcept {
        return std::string_view(bytes_.data() + ref.offset, ref.length);
    }
    bool Less(const EntryRef& a, const EntryRef& b) const noexcept;
    /// Sorts the entries added since the last call and merges them in.
    void Normalize() const;

    mutable std::vector<char> bytes_;
    mutable std::vector<EntryRef> refs_;
    /// refs_[0, sortedCount_) is sorted and duplicate-free.
    mutable std::size_t sortedCount_ = 0;
    /// Sum of the lengths of the sorted entries.
    mutable std::size_t sortedBytes_ = 0;
};

}  // namespace indexer
