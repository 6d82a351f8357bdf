// The index file set: the one definition of every file an indexing run
// writes, its extension, its record size and layout, and of the prefix key
// that numbers the slots of the prefix hash file. All integers are
// little-endian; no file has a header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace indexer {

/// The files that share a database name as their base path.
enum class IndexFile {
    TableOfContents,  ///< ".toc": one 357-byte line per document
    Dictionary,       ///< ".dct": one 32-byte record per distinct word
    Postings,         ///< ".ndx": 16-bit count + document numbers per word
    PrefixHash,       ///< ".hsh": 46664 slots of 16 bits
    BlockLetters,     ///< ".ext": one 10-byte record, only for large dictionaries
    WorkFile,         ///< ".temp": 35-byte word entries, the indexer's own
    WordDump,         ///< ".lst": text line per word, the indexer's own
};

/// The extension of a file of the set, lower case, with its dot.
std::string_view IndexFileExtension(IndexFile file) noexcept;

/// The path of a file of the set: the database name followed by the
/// extension. Every file name of a run is made here.
std::string IndexFileName(std::string_view databaseName, IndexFile file);

/// Suffix of the name under which a run writes a file of the new set until
/// the run has ended without an error ("DataBase.toc.new"). No file of any
/// set ends in it, so a staged file never collides with a published one.
inline constexpr std::string_view kStagedSuffix = ".new";

/// The path of a file of the set while a run is still writing it: the
/// published name followed by ".new".
std::string StagedIndexFileName(std::string_view databaseName, IndexFile file);

// ---- Words -----------------------------------------------------------------

/// Width of the word field of every file; longer words are cut to it.
inline constexpr std::size_t kWordWidth = 27;

// ---- Work file ".temp" -------------------------------------------------------

/// "%-27.27s:%5.5d" plus CR LF.
inline constexpr std::size_t kWorkRecordSize = 35;
/// Offset of the ':' between word and document number.
inline constexpr std::size_t kWorkColonOffset = 27;
/// Offset and width of the 5-digit document number.
inline constexpr std::size_t kWorkNumberOffset = 28;
inline constexpr std::size_t kWorkNumberWidth = 5;

// ---- Table of contents ".toc" ------------------------------------------------

inline constexpr std::size_t kTocUrlWidth = 255;
inline constexpr std::size_t kTocTitleWidth = 100;
/// URL, title, CR LF.
inline constexpr std::size_t kTocRecordSize = kTocUrlWidth + kTocTitleWidth + 2;

// ---- Dictionary ".dct" -------------------------------------------------------

/// Length byte (always 27), 27-byte word, 32-bit signed posting position.
/// The search program's binary search relies on the order of the records:
/// their words are unique and strictly ascending as 27-byte blank-padded
/// fields compared byte by byte as unsigned values, and never empty (never
/// 27 blanks). A word that is empty once its trailing blanks and control
/// characters are removed gets no record.
inline constexpr std::size_t kDictionaryRecordSize = 32;
inline constexpr std::size_t kDictionaryPositionOffset = 28;

// ---- Posting file ".ndx" -----------------------------------------------------

/// Every value of the posting file (count or document number) is 16 bits.
inline constexpr std::size_t kPostingValueSize = 2;

// ---- Prefix hash file ".hsh" -------------------------------------------------

/// Slots in the file: seven more than the highest key needs.
inline constexpr std::size_t kHashSlotCount = 46664;
inline constexpr std::size_t kHashSlotSize = 2;
inline constexpr std::size_t kHashFileSize = kHashSlotCount * kHashSlotSize;
/// A slot that holds no entry.
inline constexpr std::uint16_t kEmptySlot = 0xFFFF;
/// The key of a word whose first character has no digit value.
inline constexpr int kSpecialPrefixKey = 46656;
/// Longest prefix with a key of its own.
inline constexpr std::size_t kPrefixLengths = 3;

// ---- Block letter file ".ext" ------------------------------------------------

/// Dictionary records per block; slot values count from the block's start.
inline constexpr std::uint32_t kBlockSize = 65500;
/// Count byte plus room for nine letters.
inline constexpr std::size_t kBlockLetterRecordSize = 10;
inline constexpr std::size_t kMaxBlockLetters = 9;
/// The most words a dictionary can hold: the next one would need a tenth letter.
inline constexpr std::uint32_t kMaxDictionaryWords = kBlockSize * (kMaxBlockLetters + 1) - 1;

// ---- Documents ---------------------------------------------------------------

/// Document numbers are 1-based 16-bit values.
inline constexpr int kMaxDocuments = 65535;

// ---- Prefix keys -------------------------------------------------------------

/// The digit value of a character: '0'-'9' give 0-9, 'A'-'Z' give 10-35,
/// every other byte -1 (no value).
constexpr int DigitValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;
}

/// The prefix keys of a word for prefix lengths 1, 2 and 3; -1 where a
/// length has no key. A word whose first character has no digit value has
/// the special key 46656 for length 1 and no other key; the empty word has none.
using PrefixKeys = std::array<int, kPrefixLengths>;
PrefixKeys ComputePrefixKeys(std::string_view word) noexcept;

// ---- Record encoding ---------------------------------------------------------

/// Appends a 16-bit little-endian value.
void AppendUint16(std::string& out, std::uint16_t value);

/// Appends one dictionary record: length byte 27, the word blank-padded or
/// cut to 27 bytes, and the posting position as 32-bit little-endian.
void AppendDictionaryRecord(std::string& out, std::string_view word, std::int32_t position);

/// The one record of ".ext": the count of letters (1 to 9), the letters, and
/// zero bytes in the unused places. `letters` must hold 1 to 9 bytes.
std::array<char, kBlockLetterRecordSize> MakeBlockLetterRecord(std::string_view letters);

/// One word dump line without its CR LF: "%5.5d : %-27s".
std::string FormatDumpLine(std::size_t documentCount, std::string_view word);

/// One work file line without its CR LF: "%-27.27s:%5.5d".
std::string FormatWorkEntry(std::string_view word, int documentNumber);

/// One table-of-contents line without its CR LF: "%-255.255s%-100.100s".
std::string FormatTocLine(std::string_view url, std::string_view title);

}  // namespace indexer
