// The search object of one request: opens an index file set, looks query
// terms up through the prefix hash file, the dictionary and the posting
// file, combines their document sets and lists the documents found.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "indexfiles/IndexFiles.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "search/IndexSnapshot.h"
#include "search/TBitSet.h"
#include "search/TocListing.h"

namespace search {

/// `Status`: which index file failed to open.
inline constexpr std::int32_t kStatusNone = -1;
inline constexpr std::int32_t kStatusToc = 1;
inline constexpr std::int32_t kStatusHsh = 2;
inline constexpr std::int32_t kStatusDct = 3;
inline constexpr std::int32_t kStatusNdx = 4;
inline constexpr std::int32_t kStatusCpg = 5;

/// `ErrorCode` bases of a failed open; the code is base + the classic error
/// number (2 missing file, 3 missing folder, 4 too many files, 5 denied
/// access) or base + 6 for any other reason.
inline constexpr std::int32_t kTocOpenErrorBase = 272;
inline constexpr std::int32_t kHshOpenErrorBase = 288;
inline constexpr std::int32_t kDctOpenErrorBase = 304;
inline constexpr std::int32_t kNdxOpenErrorBase = 320;
/// A code page file that exists but cannot be read, is too large or names
/// no known code page (base + 6 when the file opened).
inline constexpr std::int32_t kCpgOpenErrorBase = 336;
/// A term with "*" or "?" among its first three characters.
inline constexpr std::int32_t kWildcardErrorCode = 512;
/// A search that listed no document.
inline constexpr std::int32_t kNoRecordsErrorCode = 513;

/// Result messages, in English; the request handler translates them.
inline constexpr std::string_view kWildcardMessage1 = "All wildcard characters must";
inline constexpr std::string_view kWildcardMessage2 = "be after the 3rd character.";
inline constexpr std::string_view kFileErrorMessage = "File errors!";
inline constexpr std::string_view kNoRecordsMessage = "No records found";

/// The index file behind a "File errors!" answer: the first file of the
/// search that failed, and the system's reason.
struct TFileFailure {
    std::string_view Extension;  ///< ".toc", ".hsh", ".dct", ".ndx" or ".cpg"; empty while none failed
    int ErrorNumber = 0;         ///< errno of the failure; 0 when the file opened but is unusable
};

/// The dictionary record read last: the 27-byte blank-padded word and the
/// position of its posting list in ".ndx", in 2-byte units.
struct TDictRecord {
    std::array<char, indexfiles::kWordWidth> Word{};
    std::int32_t Position = 0;
    /// The word without its padding.
    std::string_view Text() const noexcept;
};

/// The block letter record: Letters[i] is the first character of the last
/// word of block i; Count 0 means a dictionary of one block.
struct TExtRecord {
    std::uint8_t Count = 0;
    std::array<char, indexfiles::kMaxBlockLetters> Letters{};
};

/// One search over one index file set. Every index file is opened read-only
/// and closed again within the operation that opened it; no failure of a
/// file operation escapes as an exception, it becomes `Status` and an error
/// code instead. While a snapshot is held (TakeSnapshot; Search holds one for
/// its whole length), every open is served from it, so one search reads one
/// set even while the indexer renames a new one into place. Used by one
/// thread; `Search` is meant to be called once.
class TTARVO {
public:
    /// `basePath` names the index file set without extension.
    explicit TTARVO(std::string basePath);
    ~TTARVO();
    TTARVO(const TTARVO&) = delete;
    TTARVO& operator=(const TTARVO&) = delete;

    // ---- The search: what the search program uses ----------------------------

    /// Runs the whole search: takes a snapshot of the set unless one is
    /// held (and drops the one it took at the end), evaluates the query into the result set and
    /// lists its documents from ".toc" in document-number order into
    /// GetTitles/GetUrls, or puts the message lines there. Afterwards
    /// GetFoundCount and TakeErrorCode describe the outcome (0 with
    /// documents; 512 wildcard rule; 513 nothing found; 272-326 file errors).
    void Search(std::string_view query);
    /// Receives the title and URL of one document found.
    using DocumentVisitor = std::function<void(std::string_view title, std::string_view url)>;
    /// When set before Search, the documents found are counted but not kept
    /// in GetTitles/GetUrls (message lines still are): ".toc" stays open and
    /// VisitDocuments reads them again, so a large result is written out
    /// without ever being held in memory as a whole.
    void SetListOnDemand(bool onDemand) noexcept { ListOnDemand = onDemand; }
    /// When set before Search, the documents' titles and URLs come from the
    /// cache's listing of the ".toc" the search opened (read once per
    /// published set) instead of from the file: the same documents and
    /// fields. For a program that answers many searches; the cache must
    /// outlive the search.
    void SetTocListingCache(TocListingCache* cache) noexcept { ListingCache = cache; }
    /// Calls `visit` for every document the last Search found and counted,
    /// in document-number order, reading their records from ".toc" again.
    /// Does nothing unless the search listed on demand and found documents.
    void VisitDocuments(const DocumentVisitor& visit);

    /// Returns the error code and resets it to 0.
    std::int32_t TakeErrorCode() noexcept;
    std::int32_t GetFoundCount() const noexcept { return FoundCount; }
    /// The message lines; the documents' titles and URLs too only when the
    /// search did not list on demand (the tests' way, never the program's).
    const std::vector<std::string>& GetTitles() const noexcept { return Titles; }
    const std::vector<std::string>& GetUrls() const noexcept { return Urls; }
    /// The file that `Status` names and why it failed.
    const TFileFailure& GetFileFailure() const noexcept { return FileFailure; }

    // ---- The steps and state of a search ------------------------------------
    // Search runs these itself; they are public for the tests, the fuzz
    // targets and the benchmark, which check a search step by step.

    /// Fills the result set from the query: terms combined strictly left to
    /// right, operator words between them. Stops at the first term that
    /// breaks the wildcard rule. The query is written in the set's code page
    /// (GetCodePage) and upper-cased by its rules. Queries longer than 255
    /// bytes are cut at 255, in a UTF-8 set at the character boundary before.
    void EvaluateQuery(std::string_view query);
    /// 1 for "&"/"AND", 2 for "|"/"OR", 3 for "!"/"NOT" (upper-cased, whole
    /// token), 0 for a term.
    static int OperatorCode(std::string_view token) noexcept;
    /// Applies operator `code` to the result set and `termSet`: 1 intersection,
    /// 2 union, 3 difference; any other code does nothing.
    void CombineSets(const TBitSet& termSet, int code);

    /// Clears `termSet` and fills it with the documents that hold the term
    /// (exact, or "prefix*suffix" with the star at position 4 or later).
    /// The term is upper-cased by the set's code page. In a UTF-8 set a term
    /// is first cut into its words (SplitTermIntoWords) and the documents
    /// that hold all of them are found. Reports problems only through
    /// GetWildcardError, the error code and GetStatus. Finds every
    /// dictionary word, whatever its first characters.
    void LookupTerm(TBitSet& termSet, std::string_view term);
    /// Adds the posting list at GetPostingPos to `termSet`; reads only what
    /// the file holds (a damaged list adds the numbers present).
    void AddPostings(TBitSet& termSet);

    /// Open one file of the set for reading; on failure set the error code
    /// and, unless an earlier open failed, `Status`, and return false.
    /// OpenToc also takes the record count from the file's size. The file
    /// stays open until CloseFiles or the end of the operation that opened it.
    bool OpenToc();
    bool OpenDct();
    bool OpenHsh();
    bool OpenNdx();
    /// Closes every index file that is open.
    void CloseFiles() noexcept;
    /// Reads the set's code page from ".cpg": a set without the file is
    /// Windows-1252. A file that fails to open for another reason than its
    /// absence, cannot be read, is larger than kMaxCodePageFileSize or names
    /// no known code page is a file error: Status kStatusCpg, error code
    /// kCpgOpenErrorBase + reason, and the code page stays Windows-1252.
    /// Returns false then.
    bool ReadCodePage();
    /// The code page of the set's words and titles, as ReadCodePage found it.
    platform::IndexCodePage GetCodePage() const noexcept { return CodePage; }
    /// Opens every file of the set at once (IndexSnapshot::Take) and reads
    /// the set's code page (ReadCodePage). Until
    /// DropSnapshot, OpenToc, OpenDct, OpenHsh, OpenNdx and ReadExt read the
    /// files as they were at this moment, and a file that failed to open then
    /// fails later with the same Status and error code, at the same point.
    void TakeSnapshot();
    /// Closes the snapshot's files; later opens open the files by name again.
    void DropSnapshot() noexcept;
    bool HasSnapshot() const noexcept { return Snapshot.IsTaken(); }
    /// Reads the block letter record of ".ext"; a missing or short file
    /// leaves the count 0 and sets no error. The file is closed again.
    void ReadExt();
    /// Reads the next record of the open ".dct" (the first after OpenDct)
    /// into the dictionary record and takes its posting position. False when
    /// an open failed earlier, or at the end of the file, or on a read error.
    bool ReadNextDictRecord();
    /// Number of records of ".toc" (its size divided by 357).
    std::int32_t TocRecordCount() const noexcept { return TocCount; }
    std::int32_t GetStatus() const noexcept { return Status; }
    bool GetWildcardError() const noexcept { return WildcardError; }
    const TBitSet& GetResultSet() const noexcept { return ResultSet; }
    const TDictRecord& GetDictRecord() const noexcept { return DictRecord; }
    const TExtRecord& GetExtRecord() const noexcept { return ExtRecord; }
    std::int32_t GetPostingPos() const noexcept { return PostingPos; }
    const std::string& GetBasePath() const noexcept { return BasePath; }

private:
    void RunSearch(std::string_view query);
    platform::FileHandle OpenSetFile(indexfiles::IndexFile which) const;
    bool OpenIndexFile(platform::FileHandle& file, indexfiles::IndexFile which, std::int32_t status,
                       std::int32_t errorBase);
    void RecordOpenFailure(std::int32_t status, std::int32_t errorBase, int errorNumber,
                           std::string_view extension) noexcept;
    void TakeDictRecord(const unsigned char* record) noexcept;
    /// Reads the records of the documents found from the open ".toc" and
    /// hands each readable one to `visit`; returns how many it handed over.
    std::int32_t ListDocuments(const DocumentVisitor& visit);
    /// The same from the kept listing.
    std::int32_t ListKeptDocuments(const DocumentVisitor& visit);

    // Term lookup, in LookupTerm's order.
    struct StartRecord;
    void LookupWithDictionaryOpen(TBitSet& termSet, std::string_view term);
    void LookupEveryWord(TBitSet& termSet, std::string_view term);
    StartRecord FindStartRecord(std::string_view term);
    std::int64_t BlockOffset(char firstChar, std::uint16_t slotValue) const noexcept;
    void ScanDictionary(TBitSet& termSet, std::string_view term, std::int64_t start, bool startKnown);

    /// Documents of the whole query.
    TBitSet ResultSet;
    /// Which file failed to open: -1 none, else 1 ".toc", 2 ".hsh", 3 ".dct", 4 ".ndx".
    std::int32_t Status = kStatusNone;
    /// Last error, 0 when none.
    std::int32_t ErrorCode = 0;
    /// Set together with `Status`.
    TFileFailure FileFailure;
    TDictRecord DictRecord;
    TExtRecord ExtRecord;
    /// Posting position of the dictionary record read last.
    std::int32_t PostingPos = 0;
    /// The code page of the set's words and titles.
    platform::IndexCodePage CodePage = platform::IndexCodePage::Windows1252;
    /// Set when a term broke the wildcard rule.
    bool WildcardError = false;
    platform::FileHandle TocFile;
    platform::FileHandle DctFile;
    platform::FileHandle NdxFile;
    platform::FileHandle HshFile;
    /// Record number that ReadNextDictRecord reads next.
    std::int64_t DctNextRecord = 0;
    std::int32_t TocCount = 0;
    std::string BasePath;
    /// The set's files opened together; not taken outside a search.
    IndexSnapshot Snapshot;
    std::int32_t FoundCount = 0;
    /// Documents are counted by Search and read again by VisitDocuments.
    bool ListOnDemand = false;
    /// Where the listing of ".toc" comes from; null: read from the file.
    TocListingCache* ListingCache = nullptr;
    /// The listing of the open ".toc" while ListingCache gave one.
    std::shared_ptr<const TocListing> Listing;
    /// Titles of the documents found, or message lines; in the order added.
    std::vector<std::string> Titles;
    /// URLs of the documents found, in step with Titles.
    std::vector<std::string> Urls;
};

}  // namespace search
