// Reads posting lists from an open ".ndx" file through a window of the file,
// so that the lists of neighbouring dictionary words cost one read together.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/File.h"
#include "search/TBitSet.h"

namespace search {

/// Adds posting lists to bit sets. A list is a 16-bit count N and N 16-bit
/// document numbers at a position counted in 2-byte values. Reads stop at
/// the end of the file: a position beyond it adds nothing, a count larger
/// than what follows adds the numbers that are there.
class PostingReader {
public:
    /// `file` must stay open while the reader is used.
    explicit PostingReader(platform::FileHandle& file) noexcept : file_(file) {}
    PostingReader(const PostingReader&) = delete;
    PostingReader& operator=(const PostingReader&) = delete;

    /// Sets the bit of every document number of the list at `position`.
    /// Returns the number of document numbers read.
    std::size_t AddList(std::int64_t position, TBitSet& set);

private:
    /// Makes the value at `position` available; false past the end or on error.
    bool Load(std::int64_t position) noexcept;
    std::uint16_t ValueAt(std::int64_t position) const noexcept;

    /// The first read of a lookup is small (most lists are short); each
    /// further read doubles up to the whole window.
    static constexpr std::size_t kFirstReadValues = 512;
    static constexpr std::size_t kWindowValues = 8192;

    platform::FileHandle& file_;
    /// Position of the window's first value, and how many values it holds.
    std::int64_t windowFirst_ = 0;
    std::size_t windowValues_ = 0;
    std::size_t readValues_ = kFirstReadValues;
    std::array<unsigned char, kWindowValues * 2> window_;
};

}  // namespace search
