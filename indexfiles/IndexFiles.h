// The index file set: the one definition of every file an indexing run
// writes and the search program reads, shared by both programs. It holds the
// files' extensions, the order in which the indexer publishes them and the
// search program opens them, every record's layout with its encoding and its
// decoding, and the prefix keys that number the slots of the prefix hash
// file. All integers are little-endian; no file has a header.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace indexfiles {

// ---- The files of a set --------------------------------------------------------

/// The files that share a database name as their base path.
enum class IndexFile {
    CodePage,         ///< ".cpg": the set's code page name, absent for Windows-1252
    BlockLetters,     ///< ".ext": one 10-byte record, only for large dictionaries
    Dictionary,       ///< ".dct": one 32-byte record per distinct word
    PrefixHash,       ///< ".hsh": 46664 slots of 16 bits
    Postings,         ///< ".ndx": 16-bit count + document numbers per word
    TableOfContents,  ///< ".toc": one 357-byte line per document
    WordDump,         ///< ".lst": text line per word, the indexer's own
    WorkFile,         ///< ".temp": 35-byte word entries, the indexer's own
};

/// What both programs know of one file of the set.
struct FileDescriptor {
    IndexFile file;
    /// Lower case, with its dot.
    std::string_view extension;
    /// Opened by the search program.
    bool searched;
    /// Renamed into place at the end of a run, as part of the new set.
    bool published;
    /// A set may lack it: the code page file of a Windows-1252 set, the
    /// block letter file of a small dictionary, the word dump of a run
    /// without "dumpwords".
    bool optional;
};

/// Every file of a set, in the order in which the search program opens and
/// reads them. The indexer publishes in the reverse order: a search that
/// finds the new version of the file it opens first then finds the new
/// versions of the files it opens after it.
inline constexpr std::array<FileDescriptor, 8> kFiles{{
    {IndexFile::CodePage, ".cpg", true, true, true},
    {IndexFile::BlockLetters, ".ext", true, true, true},
    {IndexFile::Dictionary, ".dct", true, true, false},
    {IndexFile::PrefixHash, ".hsh", true, true, false},
    {IndexFile::Postings, ".ndx", true, true, false},
    {IndexFile::TableOfContents, ".toc", true, true, false},
    {IndexFile::WordDump, ".lst", false, true, true},
    {IndexFile::WorkFile, ".temp", false, false, false},
}};

/// The descriptor of a file of the set.
constexpr const FileDescriptor& Describe(IndexFile file) noexcept {
    return *std::ranges::find(kFiles, file, &FileDescriptor::file);
}

/// The extension of a file of the set, lower case, with its dot.
constexpr std::string_view IndexFileExtension(IndexFile file) noexcept { return Describe(file).extension; }

/// The path of a file of the set: the database name followed by the
/// extension. Every file name of a set is made here.
inline std::string IndexFileName(std::string_view databaseName, IndexFile file) {
    std::string name(databaseName);
    name.append(IndexFileExtension(file));
    return name;
}

namespace detail {

template <std::size_t Count, typename Keep>
constexpr std::array<IndexFile, Count> FilesInOrder(Keep keep, bool reversed) noexcept {
    std::array<IndexFile, Count> files{};
    std::size_t count = 0;
    for (std::size_t i = 0; i < kFiles.size(); ++i) {
        const FileDescriptor& file = kFiles[reversed ? kFiles.size() - 1 - i : i];
        if (keep(file)) files[count++] = file.file;
    }
    return files;
}

constexpr bool IsSearched(const FileDescriptor& file) noexcept { return file.searched; }
constexpr bool IsPublished(const FileDescriptor& file) noexcept { return file.published; }

}  // namespace detail

/// The files the search program opens, in the order it opens them.
inline constexpr auto kOpenOrder =
    detail::FilesInOrder<std::ranges::count_if(kFiles, detail::IsSearched)>(detail::IsSearched, false);

/// The files a run publishes, in the order it renames them into place: the
/// open order backwards, the indexer's word dump among them.
inline constexpr auto kPublishOrder =
    detail::FilesInOrder<std::ranges::count_if(kFiles, detail::IsPublished)>(detail::IsPublished, true);

// ---- Words and documents ---------------------------------------------------------

/// Width of the word field of every file; longer words are cut to it.
inline constexpr std::size_t kWordWidth = 27;

/// Document numbers are 1-based 16-bit values.
inline constexpr int kMaxDocuments = 65535;

/// The word a blank-padded word field holds: the field without its trailing
/// blanks and control characters (bytes up to 32).
constexpr std::string_view WordOfField(std::string_view field) noexcept {
    std::size_t length = field.size();
    while (length > 0 && static_cast<unsigned char>(field[length - 1]) <= ' ') --length;
    return field.substr(0, length);
}

// ---- Little-endian values ----------------------------------------------------------

/// Appends a 16-bit little-endian value.
inline void AppendUint16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

/// Appends a 32-bit signed value as little-endian two's complement.
inline void AppendInt32(std::string& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

/// Reads a little-endian 16-bit value.
constexpr std::uint16_t ReadUint16(const unsigned char* bytes) noexcept {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

/// Reads a little-endian 32-bit signed value.
constexpr std::int32_t ReadInt32(const unsigned char* bytes) noexcept {
    const std::uint32_t value = std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
                                (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
    return static_cast<std::int32_t>(value);
}

// ---- Work file ".temp" -------------------------------------------------------------

/// "%-27.27s:%5.5d" plus CR LF.
inline constexpr std::size_t kWorkRecordSize = 35;
/// Offset of the ':' between word and document number.
inline constexpr std::size_t kWorkColonOffset = 27;
/// Offset and width of the 5-digit document number.
inline constexpr std::size_t kWorkNumberOffset = 28;
inline constexpr std::size_t kWorkNumberWidth = 5;
/// Length of an entry for document numbers 0 to 99999: the record without its CR LF.
inline constexpr std::size_t kWorkEntryLength = kWorkRecordSize - 2;
static_assert(kWorkEntryLength == kWordWidth + 1 + kWorkNumberWidth);
/// Room that FormatWorkEntry may need for any int document number.
inline constexpr std::size_t kWorkEntryCapacity = kWordWidth + 1 + 16;

/// Writes the "%-27.27s:%5.5d" entry of a word and a document number into
/// `out` (kWorkEntryCapacity bytes) and returns its length: the record
/// without its CR LF. The word is cut or blank-padded to 27 bytes; the number
/// gets at least 5 digits. Runs once per word of every document.
inline std::size_t FormatWorkEntry(std::string_view word, int documentNumber, char* out) noexcept {
    const std::size_t wordLength = std::min(word.size(), kWordWidth);
    if (wordLength > 0) std::memcpy(out, word.data(), wordLength);
    std::memset(out + wordLength, ' ', kWordWidth - wordLength);
    out[kWorkColonOffset] = ':';
    char* digits = out + kWorkNumberOffset;
    if (documentNumber >= 0 && documentNumber <= 99999) {
        for (int i = 4, value = documentNumber; i >= 0; --i, value /= 10)
            digits[i] = static_cast<char>('0' + value % 10);
        return kWorkEntryLength;
    }
    // Numbers beyond five digits (never given by a run) are formatted as "%5.5d" would.
    char number[16];
    const int length = std::snprintf(number, sizeof number, "%5.5d", documentNumber);
    std::memcpy(digits, number, static_cast<std::size_t>(length));
    return kWorkNumberOffset + static_cast<std::size_t>(length);
}

/// The same entry as a string.
inline std::string FormatWorkEntry(std::string_view word, int documentNumber) {
    char entry[kWorkEntryCapacity];
    return std::string(entry, FormatWorkEntry(word, documentNumber, entry));
}

/// The 27-byte word field of a work file record.
constexpr std::string_view WorkEntryWordField(const char* record) noexcept { return {record, kWordWidth}; }

/// The document number of a work file record, or -1 when its number field
/// is not five digits.
constexpr std::int32_t WorkEntryNumber(const char* record) noexcept {
    std::int32_t number = 0;
    for (std::size_t i = 0; i < kWorkNumberWidth; ++i) {
        const char digit = record[kWorkNumberOffset + i];
        if (digit < '0' || digit > '9') return -1;
        number = number * 10 + (digit - '0');
    }
    return number;
}

// ---- Table of contents ".toc" --------------------------------------------------------

inline constexpr std::size_t kTocUrlWidth = 255;
inline constexpr std::size_t kTocTitleWidth = 100;
inline constexpr std::size_t kTocUrlOffset = 0;
inline constexpr std::size_t kTocTitleOffset = kTocUrlOffset + kTocUrlWidth;
/// URL, title, CR LF.
inline constexpr std::size_t kTocRecordSize = kTocUrlWidth + kTocTitleWidth + 2;
/// Length of a line: the record without its CR LF.
inline constexpr std::size_t kTocLineLength = kTocRecordSize - 2;

/// The "%-255.255s%-100.100s" line of a URL and a title: each cut or
/// blank-padded to its width, 355 bytes in all (the record without its CR LF).
inline std::string FormatTocLine(std::string_view url, std::string_view title) {
    std::string line(kTocLineLength, ' ');
    const std::size_t urlLength = std::min(url.size(), kTocUrlWidth);
    const std::size_t titleLength = std::min(title.size(), kTocTitleWidth);
    if (urlLength > 0) std::memcpy(line.data() + kTocUrlOffset, url.data(), urlLength);
    if (titleLength > 0) std::memcpy(line.data() + kTocTitleOffset, title.data(), titleLength);
    return line;
}

/// The blank-padded 255-byte URL field of a table-of-contents record.
inline std::string_view TocUrlField(const unsigned char* record) noexcept {
    return {reinterpret_cast<const char*>(record) + kTocUrlOffset, kTocUrlWidth};
}

/// The blank-padded 100-byte title field of a table-of-contents record.
inline std::string_view TocTitleField(const unsigned char* record) noexcept {
    return {reinterpret_cast<const char*>(record) + kTocTitleOffset, kTocTitleWidth};
}

// ---- Dictionary ".dct" ---------------------------------------------------------------

/// Length byte (always 27), 27-byte word, 32-bit signed posting position.
/// Lookups rely on the order of the records: their words are unique and
/// strictly ascending as 27-byte blank-padded fields compared byte by byte
/// as unsigned values (a binary search finds the first record of a term or
/// prefix, and a scan reads on from it), and never empty (never 27 blanks).
/// A word that is empty once its trailing blanks and control characters are
/// removed gets no record.
inline constexpr std::size_t kDictionaryRecordSize = 32;
inline constexpr std::size_t kDictionaryWordOffset = 1;
inline constexpr std::size_t kDictionaryPositionOffset = 28;

/// Appends one dictionary record: length byte 27, the word blank-padded or
/// cut to 27 bytes, and the posting position as 32-bit little-endian.
inline void AppendDictionaryRecord(std::string& out, std::string_view word, std::int32_t position) {
    out.push_back(static_cast<char>(kWordWidth));
    const std::string_view cut = word.substr(0, kWordWidth);
    out.append(cut);
    out.append(kWordWidth - cut.size(), ' ');
    AppendInt32(out, position);
}

/// The 27-byte blank-padded word field of a dictionary record.
inline std::string_view DictionaryWordField(const unsigned char* record) noexcept {
    return {reinterpret_cast<const char*>(record) + kDictionaryWordOffset, kWordWidth};
}

/// The posting position of a dictionary record, in 2-byte values of ".ndx".
constexpr std::int32_t DictionaryPosition(const unsigned char* record) noexcept {
    return ReadInt32(record + kDictionaryPositionOffset);
}

// ---- Posting file ".ndx" ---------------------------------------------------------------

/// Every value of the posting file (count or document number) is 16 bits.
inline constexpr std::size_t kPostingValueSize = 2;

// ---- Prefix hash file ".hsh" -----------------------------------------------------------

/// Slots in the file: seven more than the highest key needs.
inline constexpr std::size_t kHashSlotCount = 46664;
inline constexpr std::size_t kHashSlotSize = 2;
inline constexpr std::size_t kHashFileSize = kHashSlotCount * kHashSlotSize;
/// A slot that holds no entry.
inline constexpr std::uint16_t kEmptySlot = 0xFFFF;

/// A prefix key: the number of a slot, or kNoPrefixKey.
using PrefixKey = int;
inline constexpr PrefixKey kNoPrefixKey = -1;
/// The key of a word whose first character has no digit value.
inline constexpr PrefixKey kSpecialPrefixKey = 46656;
/// Longest prefix with a key of its own.
inline constexpr std::size_t kPrefixLengths = 3;

/// The digit value of a character: '0'-'9' give 0-9, 'A'-'Z' give 10-35,
/// every other byte -1 (no value).
constexpr int DigitValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;
}

/// The prefix keys of a word for prefix lengths 1, 2 and 3; kNoPrefixKey
/// where a length has no key. A word whose first character has no digit
/// value has the special key for length 1 and no other key; the empty word
/// has none.
using PrefixKeys = std::array<PrefixKey, kPrefixLengths>;
constexpr PrefixKeys ComputePrefixKeys(std::string_view word) noexcept {
    PrefixKeys keys{kNoPrefixKey, kNoPrefixKey, kNoPrefixKey};
    if (word.empty()) return keys;
    if (DigitValue(word[0]) < 0) {
        keys[0] = kSpecialPrefixKey;
        return keys;
    }
    PrefixKey key = 0;
    for (std::size_t length = 1; length <= kPrefixLengths && length <= word.size(); ++length) {
        const int digit = DigitValue(word[length - 1]);
        if (digit < 0) break;
        key = key * 36 + digit;
        keys[length - 1] = key;
    }
    return keys;
}

/// The slot a lookup of `word` reads: the key of its longest prefix that has
/// one, which is the special key when the first character has no digit
/// value; kNoPrefixKey for the empty word.
constexpr PrefixKey LookupSlot(std::string_view word) noexcept {
    const PrefixKeys keys = ComputePrefixKeys(word);
    for (std::size_t length = kPrefixLengths; length > 0; --length) {
        if (keys[length - 1] != kNoPrefixKey) return keys[length - 1];
    }
    return kNoPrefixKey;
}

/// The byte offset of a slot in the prefix hash file.
constexpr std::int64_t HashSlotOffset(PrefixKey key) noexcept {
    return static_cast<std::int64_t>(key) * static_cast<std::int64_t>(kHashSlotSize);
}

// ---- Code page file ".cpg" ----------------------------------------------------------------

/// The one line of a ".cpg" file: the name of the set's code page
/// ("windows-1250" or "utf-8", as platform::CodePageName gives it) and CR LF.
/// A Windows-1252 set has no such file.
inline std::string FormatCodePageLine(std::string_view codePageName) {
    std::string line(codePageName);
    line.append("\r\n");
    return line;
}

/// The longest ".cpg" file a reader takes in; anything longer is no name.
inline constexpr std::size_t kMaxCodePageFileSize = 64;

// ---- Block letter file ".ext" ------------------------------------------------------------

/// Dictionary records per block; slot values count from the block's start.
inline constexpr std::uint32_t kBlockSize = 65500;
/// Count byte plus room for nine letters.
inline constexpr std::size_t kBlockLetterRecordSize = 10;
inline constexpr std::size_t kMaxBlockLetters = 9;
/// The most words a dictionary can hold: the next one would need a tenth letter.
inline constexpr std::uint32_t kMaxDictionaryWords = kBlockSize * (kMaxBlockLetters + 1) - 1;

/// The one record of ".ext": the count of letters (1 to 9), the letters, and
/// zero bytes in the unused places. Letters beyond the ninth are dropped.
inline std::array<char, kBlockLetterRecordSize> MakeBlockLetterRecord(std::string_view letters) noexcept {
    std::array<char, kBlockLetterRecordSize> record{};
    const std::string_view kept = letters.substr(0, kMaxBlockLetters);
    record[0] = static_cast<char>(kept.size());
    std::ranges::copy(kept, record.begin() + 1);
    return record;
}

/// The block letters as read: letter i is the first character of the last
/// word of block i, for i below `count`.
struct BlockLetters {
    std::uint8_t count = 0;
    std::array<char, kMaxBlockLetters> letters{};
};

/// Reads the record of ".ext" (kBlockLetterRecordSize bytes). A count above
/// nine names letters the record has no room for and reads as nine.
inline BlockLetters ReadBlockLetterRecord(const unsigned char* record) noexcept {
    BlockLetters read;
    read.count = std::min<std::uint8_t>(record[0], kMaxBlockLetters);
    std::memcpy(read.letters.data(), record + 1, kMaxBlockLetters);
    return read;
}

// ---- Word dump ".lst" ---------------------------------------------------------------------

/// The separator between the count and the word of a dump line.
inline constexpr std::string_view kDumpSeparator = " : ";

/// One word dump line without its CR LF: "%5.5d : %-27s", the number of
/// documents that hold the word and the word.
inline std::string FormatDumpLine(std::size_t documentCount, std::string_view word) {
    char count[32];
    std::snprintf(count, sizeof count, "%.5lld", static_cast<long long>(documentCount));
    std::string line(count);
    line.append(kDumpSeparator);
    line.append(word);
    if (word.size() < kWordWidth) line.append(kWordWidth - word.size(), ' ');
    return line;
}

/// A dump line read back.
struct DumpLine {
    std::size_t documentCount = 0;
    std::string_view word;
};

/// Reads a dump line without its CR LF; nullopt when it is not one (no
/// digits before the separator). The word loses its padding.
inline std::optional<DumpLine> ReadDumpLine(std::string_view line) noexcept {
    const std::size_t separator = line.find(kDumpSeparator);
    if (separator == 0 || separator == std::string_view::npos) return std::nullopt;
    DumpLine read;
    for (const char digit : line.substr(0, separator)) {
        if (digit < '0' || digit > '9') return std::nullopt;
        read.documentCount = read.documentCount * 10 + static_cast<std::size_t>(digit - '0');
    }
    read.word = WordOfField(line.substr(separator + kDumpSeparator.size()));
    return read;
}

}  // namespace indexfiles
