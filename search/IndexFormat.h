// The index file set as the search program reads it: extensions, record
// sizes, the prefix hash slots and the block structure of the dictionary.
// The search program shares no code with the indexer, so it keeps its own
// reading view of the layout here; both follow the same file format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace search {

inline constexpr std::string_view kTocExtension = ".toc";
inline constexpr std::string_view kDctExtension = ".dct";
inline constexpr std::string_view kNdxExtension = ".ndx";
inline constexpr std::string_view kHshExtension = ".hsh";
inline constexpr std::string_view kExtExtension = ".ext";

/// Width of the blank-padded word field of a dictionary record.
inline constexpr std::size_t kWordWidth = 27;

/// Table of contents: 255 bytes of URL, 100 of title, CR LF.
inline constexpr std::size_t kTocRecordSize = 357;
inline constexpr std::size_t kTocUrlOffset = 0;
inline constexpr std::size_t kTocTitleOffset = 255;
/// Characters of each field that reach the result: the field's last byte never does.
inline constexpr std::size_t kTocUrlChars = 254;
inline constexpr std::size_t kTocTitleChars = 99;

/// Dictionary record: length byte, 27-byte word, 32-bit signed posting position.
/// The lookups rely on the indexer's promise about the records: their words
/// are unique and strictly ascending as 27-byte blank-padded fields compared
/// byte by byte as unsigned values (a binary search finds the first record
/// of a term or prefix, and a scan reads on from it), and never empty (never
/// 27 blanks).
inline constexpr std::size_t kDictRecordSize = 32;
inline constexpr std::size_t kDictWordOffset = 1;
inline constexpr std::size_t kDictPositionOffset = 28;

/// Every value of the posting file (count or document number) is 16 bits.
inline constexpr std::size_t kPostingValueSize = 2;

/// Prefix hash file: 46664 slots of 16 bits; 0xFFFF marks an empty slot.
inline constexpr std::size_t kHashSlotCount = 46664;
inline constexpr std::size_t kHashSlotSize = 2;
inline constexpr std::uint16_t kEmptySlot = 0xFFFF;
/// The slot of words whose first character is neither a digit nor A to Z.
inline constexpr std::uint32_t kSpecialPrefixKey = 46656;
/// Prefix lengths that have slots of their own.
inline constexpr std::size_t kPrefixLengths = 3;

/// Dictionary records per block: slot values count from their block's start.
inline constexpr std::uint32_t kBlockSize = 65500;
/// Block letter record: count byte and room for nine letters.
inline constexpr std::size_t kExtRecordSize = 10;
inline constexpr std::size_t kMaxBlockLetters = 9;

/// Digit value of a prefix character: '0'-'9' give 0-9, 'A'-'Z' give 10-35,
/// every other byte -1.
constexpr int DigitValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;
}

/// Reads a little-endian 16-bit value.
inline std::uint16_t ReadUint16(const unsigned char* bytes) noexcept {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

/// Reads a little-endian 32-bit signed value.
inline std::int32_t ReadInt32(const unsigned char* bytes) noexcept {
    const std::uint32_t value = std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
                                (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
    return static_cast<std::int32_t>(value);
}

}  // namespace search
