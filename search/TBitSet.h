// The search engine's set of document numbers: one bit per number, in a
// growable array of 32-bit words combined a word at a time.
#pragma once

#include <cstdint>
#include <vector>

namespace search {

/// A set of unsigned 32-bit numbers held as bits. Bit b lives in word b / 32
/// at bit b % 32 (least significant first); every bit beyond the last word
/// counts as clear. The set only grows: nothing ever removes words.
class TBitSet {
public:
    /// An empty set that already holds the bits 0 to `capacity` (rounded up
    /// to a whole word): capacity 500 gives 16 words.
    explicit TBitSet(std::uint32_t capacity);

    TBitSet(const TBitSet&) = default;
    TBitSet& operator=(const TBitSet&) = default;
    TBitSet(TBitSet&&) noexcept = default;
    TBitSet& operator=(TBitSet&&) noexcept = default;
    ~TBitSet() = default;

    /// Makes `bit` a valid position: grows to bit / 32 + 1 words (new words
    /// clear) when the set is smaller; never shrinks.
    void Grow(std::uint32_t bit);
    /// Number of 32-bit words the set holds.
    std::int32_t GetWordCount() const noexcept { return static_cast<std::int32_t>(Words.size()); }

    /// Grows as needed, then sets the bit.
    void SetBit(std::uint32_t bit);
    /// Whether the bit is set; a bit beyond the set's words is clear (no growth).
    bool TestBit(std::uint32_t bit) const noexcept;
    /// Clears every bit; the word count stays.
    void Clear() noexcept;

    /// Intersection in place: words beyond the other set's size become 0.
    void AndWith(const TBitSet& other) noexcept;
    /// Difference in place: removes every number of the other set.
    void AndNotWith(const TBitSet& other) noexcept;
    /// Union in place: grows to the larger of the two sizes first.
    void OrWith(const TBitSet& other);

    /// True when no bit is set.
    bool IsEmpty() const noexcept;
    /// The number of set bits.
    std::int64_t Count() const noexcept;
    /// The position of the first set bit at or after `bit`, or -1 when none.
    std::int64_t NextSetBit(std::uint32_t bit) const noexcept;

private:
    /// The words of the set, bit 0 in the lowest bit of word 0.
    std::vector<std::uint32_t> Words;
};

}  // namespace search
