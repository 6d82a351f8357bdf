// Bit set of document numbers.
#include "search/TBitSet.h"

#include <algorithm>
#include <bit>
#include <bit>
#include <cstddef>

namespace search {

namespace {
constexpr std::uint32_t kBitsPerWord = 32;
}  // namespace

TBitSet::TBitSet(std::uint32_t capacity) { Grow(capacity); }

void TBitSet::Grow(std::uint32_t bit) {
    const std::size_t needed = static_cast<std::size_t>(bit / kBitsPerWord) + 1;
    if (needed <= Words.size()) return;
    Words.reserve(needed);  // the exact new size, not a doubled one
    Words.resize(needed, 0);
}

void TBitSet::SetBit(std::uint32_t bit) {
    Grow(bit);
    Words[bit / kBitsPerWord] |= std::uint32_t{1} << (bit % kBitsPerWord);
}

bool TBitSet::TestBit(std::uint32_t bit) const noexcept {
    const std::size_t word = bit / kBitsPerWord;
    if (word >= Words.size()) return false;
    return (Words[word] >> (bit % kBitsPerWord)) & 1U;
}

void TBitSet::Clear() noexcept { std::fill(Words.begin(), Words.end(), 0U); }

void TBitSet::AndWith(const TBitSet& other) noexcept {
    const std::size_t common = std::min(Words.size(), other.Words.size());
    for (std::size_t i = 0; i < common; ++i) Words[i] &= other.Words[i];
    std::fill(Words.begin() + static_cast<std::ptrdiff_t>(common), Words.end(), 0U);
}

void TBitSet::AndNotWith(const TBitSet& other) noexcept {
    const std::size_t common = std::min(Words.size(), other.Words.size());
    for (std::size_t i = 0; i < common; ++i) Words[i] &= ~other.Words[i];
}

void TBitSet::OrWith(const TBitSet& other) {
    const std::size_t larger = std::max(Words.size(), other.Words.size());
    if (larger == 0) return;
    Grow(static_cast<std::uint32_t>((larger - 1) * kBitsPerWord));
    // Read through an index, not a pointer: `other` may be this very set.
    for (std::size_t i = 0; i < other.Words.size(); ++i) Words[i] |= other.Words[i];
}

bool TBitSet::IsEmpty() const noexcept {
    return std::all_of(Words.begin(), Words.end(), [](std::uint32_t w) { return w == 0; });
}

std::int64_t TBitSet::Count() const noexcept {
    std::int64_t count = 0;
    for (const std::uint32_t word : Words) count += std::popcount(word);
    return count;
}

std::int64_t TBitSet::NextSetBit(std::uint32_t bit) const noexcept {
    std::size_t word = bit / kBitsPerWord;
    if (word >= Words.size()) return -1;
    std::uint32_t bits = Words[word] & (~std::uint32_t{0} << (bit % kBitsPerWord));
    while (bits == 0) {
        if (++word >= Words.size()) return -1;
        bits = Words[word];
    }
    return static_cast<std::int64_t>(word * kBitsPerWord) + std::countr_zero(bits);
}

}  // namespace search
