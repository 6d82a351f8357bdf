// The search object: opening the index files and looking terms up.
#include "search/TTARVO.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "indexfiles/IndexFiles.h"
#include "platform/CodePage.h"
#include "platform/OpenErrors.h"
#include "search/DictionaryOrder.h"
#include "search/DictionaryReader.h"
#include "search/PostingReader.h"
#include "search/TermWords.h"

namespace search {

using indexfiles::IndexFile;
using indexfiles::IndexFileExtension;
using indexfiles::kBlockLetterRecordSize;
using indexfiles::kBlockSize;
using indexfiles::kDictionaryRecordSize;
using indexfiles::kEmptySlot;
using indexfiles::kHashSlotSize;
using indexfiles::kTocRecordSize;
using indexfiles::kWordWidth;
using indexfiles::WordOfField;

namespace {

/// Capacity of a fresh document set: its first size, not a limit.
constexpr std::uint32_t kInitialSetCapacity = 500;

/// Positions (from 1) up to which "*" and "?" break the wildcard rule.
constexpr std::size_t kWildcardFreeChars = 3;

/// Records a scan reads from a hashed start before it switches to a binary
/// search: a start far before the term costs no long scan.
constexpr std::int64_t kScanBeforeSearch = 64;

/// Terms whose first character sorts below every digit: their words begin
/// the dictionary, so the scan starts at its first record.
constexpr bool SortsBeforeDigits(char c) noexcept { return static_cast<unsigned char>(c) < '0'; }

bool BreaksWildcardRule(std::string_view term) noexcept {
    const auto early = [&](char wildcard) {
        const std::size_t at = term.find(wildcard);
        return at != std::string_view::npos && at < kWildcardFreeChars;
    };
    return early('*') || early('?');
}

}  // namespace

std::string_view TDictRecord::Text() const noexcept { return WordOfField({Word.data(), Word.size()}); }

/// Where the prefix hash file says a term's scan may start.
struct TTARVO::StartRecord {
    enum class Kind {
        NoMatch,    ///< an empty slot: no word begins like the term
        Candidate,  ///< a record number to check before the scan uses it
        Unknown,    ///< the slots could not be read: find the start by search
    };
    Kind kind = Kind::Unknown;
    std::int64_t record = 0;
};

TTARVO::TTARVO(std::string basePath) : ResultSet(kInitialSetCapacity), BasePath(std::move(basePath)) {}

TTARVO::~TTARVO() = default;

std::int32_t TTARVO::TakeErrorCode() noexcept { return std::exchange(ErrorCode, 0); }

// ---- Opening files ------------------------------------------------------------

void TTARVO::RecordOpenFailure(std::int32_t status, std::int32_t errorBase, int errorNumber,
                               std::string_view extension) noexcept {
    int classic = 0;
    try {
        classic = platform::ClassicOpenErrorNumber(errorNumber, BasePath + std::string(extension));
    } catch (...) {
        // The path could not be made (out of memory): "any other reason".
    }
    ErrorCode = errorBase + ((classic >= 1 && classic <= 5) ? classic : 6);
    if (Status > 0) return;
    Status = status;
    FileFailure = {extension, errorNumber};
}

void TTARVO::TakeSnapshot() {
    Snapshot = IndexSnapshot::Take(BasePath);
    ReadCodePage();
}

void TTARVO::DropSnapshot() noexcept { Snapshot = IndexSnapshot{}; }

platform::FileHandle TTARVO::OpenSetFile(IndexFile which) const {
    if (Snapshot.IsTaken()) return Snapshot.Open(which);
    return platform::FileHandle::Open(indexfiles::IndexFileName(BasePath, which), platform::FileHandle::Mode::Read);
}

bool TTARVO::OpenIndexFile(platform::FileHandle& file, IndexFile which, std::int32_t status, std::int32_t errorBase) {
    file.Close();
    file = OpenSetFile(which);
    if (file.IsOpen()) return true;
    RecordOpenFailure(status, errorBase, file.OpenError(), IndexFileExtension(which));
    return false;
}

bool TTARVO::OpenToc() {
    if (!OpenIndexFile(TocFile, IndexFile::TableOfContents, kStatusToc, kTocOpenErrorBase)) return false;
    const std::int64_t size = TocFile.Size();
    if (size < 0) {
        const int sizeError = errno;
        TocFile.Close();
        RecordOpenFailure(kStatusToc, kTocOpenErrorBase, sizeError, IndexFileExtension(IndexFile::TableOfContents));
        return false;
    }
    // A partial record at the end is no document.
    TocCount =
        static_cast<std::int32_t>(std::min<std::int64_t>(size / static_cast<std::int64_t>(kTocRecordSize), INT32_MAX));
    return true;
}

bool TTARVO::OpenDct() {
    DctNextRecord = 0;
    return OpenIndexFile(DctFile, IndexFile::Dictionary, kStatusDct, kDctOpenErrorBase);
}

bool TTARVO::OpenHsh() { return OpenIndexFile(HshFile, IndexFile::PrefixHash, kStatusHsh, kHshOpenErrorBase); }

bool TTARVO::OpenNdx() { return OpenIndexFile(NdxFile, IndexFile::Postings, kStatusNdx, kNdxOpenErrorBase); }

void TTARVO::CloseFiles() noexcept {
    TocFile.Close();
    DctFile.Close();
    NdxFile.Close();
    HshFile.Close();
}

bool TTARVO::ReadCodePage() {
    CodePage = platform::IndexCodePage::Windows1252;
    const std::string_view extension = IndexFileExtension(IndexFile::CodePage);
    const auto fail = [&](int errorNumber) {
        RecordOpenFailure(kStatusCpg, kCpgOpenErrorBase, errorNumber, extension);
        return false;
    };
    platform::FileHandle file = OpenSetFile(IndexFile::CodePage);
    if (!file.IsOpen()) return file.OpenError() == ENOENT || fail(file.OpenError());
    // One byte more than allowed tells an oversized file from a full one.
    std::array<char, indexfiles::kMaxCodePageFileSize + 1> bytes{};
    const long long read = file.ReadAt(bytes.data(), bytes.size(), 0);
    if (read < 0) return fail(errno);
    if (static_cast<std::size_t>(read) > indexfiles::kMaxCodePageFileSize) return fail(0);
    const std::optional<platform::IndexCodePage> named =
        platform::ParseCodePageName({bytes.data(), static_cast<std::size_t>(read)});
    if (!named) return fail(0);
    CodePage = *named;
    return true;
}

void TTARVO::ReadExt() {
    ExtRecord.Count = 0;
    auto file = OpenSetFile(IndexFile::BlockLetters);
    if (!file.IsOpen()) return;
    std::array<unsigned char, kBlockLetterRecordSize> record{};
    if (!file.ReadExactAt(record.data(), record.size(), 0)) return;
    const indexfiles::BlockLetters letters = indexfiles::ReadBlockLetterRecord(record.data());
    ExtRecord.Letters = letters.letters;
    ExtRecord.Count = letters.count;
}

// ---- Dictionary and postings --------------------------------------------------

void TTARVO::TakeDictRecord(const unsigned char* record) noexcept {
    std::memcpy(DictRecord.Word.data(), indexfiles::DictionaryWordField(record).data(), kWordWidth);
    DictRecord.Position = indexfiles::DictionaryPosition(record);
    PostingPos = DictRecord.Position;
}

bool TTARVO::ReadNextDictRecord() {
    if (Status > 0 || !DctFile.IsOpen()) return false;
    std::array<unsigned char, kDictionaryRecordSize> record{};
    if (!DctFile.ReadExactAt(record.data(), record.size(),
                             DctNextRecord * static_cast<std::int64_t>(kDictionaryRecordSize)))
        return false;
    ++DctNextRecord;
    TakeDictRecord(record.data());
    return true;
}

void TTARVO::AddPostings(TBitSet& termSet) {
    if (!OpenNdx()) return;
    PostingReader postings(NdxFile);
    postings.AddList(PostingPos, termSet);
    NdxFile.Close();
}

// ---- Term lookup ----------------------------------------------------------------

std::int64_t TTARVO::BlockOffset(char firstChar, std::uint16_t slotValue) const noexcept {
    // The block of the last letter that does not lie above the term's first
    // character. A term that begins with that very letter may lie in the
    // block before, and a slot value in the upper half of a block hints so.
    const auto first = static_cast<unsigned char>(firstChar);
    std::int64_t block = 0;
    unsigned char letter = ' ';
    for (std::size_t i = 0; i < ExtRecord.Count; ++i) {
        const auto candidate = static_cast<unsigned char>(ExtRecord.Letters[i]);
        if (first >= candidate) {
            block = static_cast<std::int64_t>(i) + 1;
            letter = candidate;
        }
    }
    if (block > 0 && first == letter && slotValue > 32767) --block;
    return block * kBlockSize;
}

TTARVO::StartRecord TTARVO::FindStartRecord(std::string_view term) {
    using Kind = StartRecord::Kind;
    const char first = term.front();
    // Words that sort before the digits begin the dictionary. Every other
    // term whose first character has no digit value lies in the runs that the
    // special slot names the last of; the check before the scan catches a
    // term of an earlier run.
    if (SortsBeforeDigits(first)) return {Kind::Candidate, 0};
    // Otherwise the slot of the longest prefix of up to three digit-valued
    // characters. It holds the first word with that prefix, or a later word
    // that shares the slot, or nothing when no word has the prefix (and then
    // no word can equal or match the term).
    const indexfiles::PrefixKey key = indexfiles::LookupSlot(term);
    std::array<unsigned char, kHashSlotSize> slot{};
    if (!HshFile.ReadExactAt(slot.data(), slot.size(), indexfiles::HashSlotOffset(key))) return {Kind::Unknown, 0};
    const std::uint16_t value = indexfiles::ReadUint16(slot.data());
    if (value == kEmptySlot) return {Kind::NoMatch, 0};
    return {Kind::Candidate, value + BlockOffset(first, value)};
}

void TTARVO::ScanDictionary(TBitSet& termSet, std::string_view term, std::int64_t start, bool startKnown) {
    const std::size_t star = term.find('*');
    const bool wildcard = star != std::string_view::npos;
    const std::string_view prefix = wildcard ? term.substr(0, star) : term;
    const std::string_view suffix = wildcard ? term.substr(star + 1) : std::string_view{};
    const auto compare = [&](std::string_view field) {
        return wildcard ? CompareFieldWithPrefix(field, prefix) : CompareFieldWithTerm(field, term);
    };
    const auto before = [&](std::string_view field) { return compare(field) < 0; };

    DictionaryReader dictionary(DctFile);
    DictRecordView record;

    // A hashed start is used only when the record before it lies before the
    // term: slots shared between prefix lengths and the block rule can name a
    // record after the term. Otherwise, and when a scan from the start does
    // not reach the term soon, a binary search finds the first candidate.
    std::int64_t first = -1;
    if (startKnown) {
        dictionary.Seek(start > 0 ? start - 1 : 0);
        if (start > 0) {
            if (!dictionary.Next(record))  // the start lies beyond the end
                first = dictionary.LowerBound(0, dictionary.RecordCount(), before);
            else if (!before(record.Field())) first = dictionary.LowerBound(0, start - 1, before);
        }
        while (first < 0 && dictionary.Tell() - start < kScanBeforeSearch && dictionary.Next(record)) {
            if (!before(record.Field())) first = dictionary.Tell() - 1;
        }
        if (first < 0) first = dictionary.LowerBound(dictionary.Tell(), dictionary.RecordCount(), before);
    } else {
        first = dictionary.LowerBound(0, dictionary.RecordCount(), before);
    }

    PostingReader postings(NdxFile);
    dictionary.Seek(first);
    while (dictionary.Next(record)) {
        const std::string_view field = record.Field();
        const int order = compare(field);
        if (order > 0) break;
        if (order < 0) continue;
        TakeDictRecord(record.bytes);
        if (wildcard && !MatchesWildcard(WordOfField(field), prefix, suffix)) continue;
        if (!NdxFile.IsOpen() && !OpenNdx()) break;
        postings.AddList(PostingPos, termSet);
    }
}

void TTARVO::LookupTerm(TBitSet& termSet, std::string_view term) {
    termSet.Clear();
    const std::string upper = platform::UpperIn(CodePage, term);
    // The dictionary is opened first, so that a missing one is reported
    // before the wildcard rule is looked at; the same open serves the scan.
    if (OpenDct() && Status <= 0) {
        if (CodePage == platform::IndexCodePage::Utf8) LookupEveryWord(termSet, upper);
        else LookupWithDictionaryOpen(termSet, upper);
    }
    CloseFiles();
}

void TTARVO::LookupEveryWord(TBitSet& termSet, std::string_view term) {
    const std::vector<std::string_view> words = SplitTermIntoWords(term);
    if (words.size() == 1) {
        LookupWithDictionaryOpen(termSet, words.front());
        return;
    }
    TBitSet wordSet(kInitialSetCapacity);
    for (std::size_t i = 0; i < words.size(); ++i) {
        TBitSet& found = i == 0 ? termSet : wordSet;
        found.Clear();
        LookupWithDictionaryOpen(found, words[i]);
        if (WildcardError || Status > 0) {
            termSet.Clear();
            return;
        }
        if (i > 0) termSet.AndWith(wordSet);
    }
}

void TTARVO::LookupWithDictionaryOpen(TBitSet& termSet, std::string_view term) {
    if (BreaksWildcardRule(term)) {
        WildcardError = true;
        ErrorCode = kWildcardErrorCode;
        return;
    }
    if (!OpenHsh()) return;
    const StartRecord start = term.empty() ? StartRecord{StartRecord::Kind::NoMatch, 0} : FindStartRecord(term);
    HshFile.Close();
    if (start.kind == StartRecord::Kind::NoMatch) return;
    ScanDictionary(termSet, term, start.record, start.kind == StartRecord::Kind::Candidate);
}

}  // namespace search
