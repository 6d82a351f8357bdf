// The index builder: one sequential pass over the sorted work file, or over
// its sorted keys. Only the current word's document numbers, at most 250 dump
// lines and the 93 KB prefix hash table are held in memory; the pages of keys
// and words already read are handed back.
#include "indexer/engine/IndexBuilder.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "indexer/engine/IndexSetPublisher.h"
#include "indexer/engine/IndexingError.h"
#include "indexer/engine/WorkFileKeys.h"
#include "indexer/engine/WorkFileSort.h"
#include "indexfiles/IndexFiles.h"
#include "platform/BufferedWriter.h"
#include "platform/File.h"

namespace indexer {

using indexfiles::AppendDictionaryRecord;
using indexfiles::AppendUint16;
using indexfiles::ComputePrefixKeys;
using indexfiles::FormatDumpLine;
using indexfiles::IndexFile;
using indexfiles::IndexFileName;
using indexfiles::kBlockSize;
using indexfiles::kEmptySlot;
using indexfiles::kHashFileSize;
using indexfiles::kHashSlotCount;
using indexfiles::kMaxBlockLetters;
using indexfiles::kMaxDictionaryWords;
using indexfiles::kMaxDocuments;
using indexfiles::kPrefixLengths;
using indexfiles::kWorkRecordSize;
using indexfiles::MakeBlockLetterRecord;
using indexfiles::PrefixKeys;
using indexfiles::WordOfField;
using indexfiles::WorkEntryNumber;
using indexfiles::WorkEntryWordField;

namespace {

/// Words between two progress reports (wordTotal and the word dump).
constexpr int kProgressInterval = 250;
/// Work file records read from the disk at a time.
constexpr std::size_t kRecordsPerRead = 16 * 1024;
/// Keys read between two hand-backs of their pages.
constexpr std::size_t kKeysPerRelease = 128 * 1024;

/// Reads the 35-byte records of the work file front to back.
class WorkFileReader {
public:
    explicit WorkFileReader(const std::string& path) : path_(path) {
        file_ = platform::FileHandle::Open(path, platform::FileHandle::Mode::Read);
        if (!file_.IsOpen()) throw platform::IoError("cannot open", path, file_.OpenError());
    }

    /// The next record, or nullptr after the last one. The pointer stays
    /// valid until the next call.
    const char* Next() {
        if (position_ == filled_ && !Refill()) return nullptr;
        const char* record = buffer_.data() + position_;
        position_ += kWorkRecordSize;
        return record;
    }

    void Close() { file_.Close(); }

private:
    bool Refill() {
        buffer_.resize(kRecordsPerRead * kWorkRecordSize);
        const long long got = file_.ReadAt(buffer_.data(), buffer_.size(), offset_);
        if (got < 0) throw platform::IoError("cannot read", path_, errno);
        if (got % static_cast<long long>(kWorkRecordSize) != 0)
            throw IndexingError("damaged work file " + path_ + ": it ends inside a record");
        offset_ += got;
        filled_ = static_cast<std::size_t>(got);
        position_ = 0;
        return filled_ > 0;
    }

    std::string path_;
    platform::FileHandle file_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    std::int64_t offset_ = 0;
};

/// The word of a work file record: bytes 0-26 without trailing blanks and
/// control characters.
std::string_view TrimmedWord(const char* record) { return WordOfField(WorkEntryWordField(record)); }

/// The document number of a work file record, bytes 28-32.
std::uint16_t RecordNumber(const char* record, const std::string& path) {
    const std::int32_t number = WorkEntryNumber(record);
    if (number < 0) throw IndexingError("damaged work file " + path + ": a document number is not a number");
    if (number == 0 || number > kMaxDocuments)
        throw IndexingError("damaged work file " + path + ": document number " + std::to_string(number) +
                            " lies outside 1 to " + std::to_string(kMaxDocuments));
    return static_cast<std::uint16_t>(number);
}

/// Reads the work file as the build finds it, record by record, and raises
/// the errors that building from it would raise: a record cut short or a
/// document number that is not one. (The build itself works from the keys
/// that the sort made.)
void CheckWorkFileRecords(const std::string& workPath) {
    WorkFileReader reader(workPath);
    while (const char* record = reader.Next()) RecordNumber(record, workPath);
    reader.Close();
}

/// The name a file of the set is written under: staged or published.
std::string OutputFileName(const BuildSettings& settings, IndexFile file) {
    return settings.staged ? StagedIndexFileName(settings.databaseName, file)
                           : IndexFileName(settings.databaseName, file);
}

class Builder {
public:
    Builder(const BuildSettings& settings, RunObserver& observer)
        : settings_(settings),
          observer_(observer),
          dictionary_(OutputFileName(settings, IndexFile::Dictionary), platform::FileHandle::Mode::CreateTruncate),
          postings_(OutputFileName(settings, IndexFile::Postings), platform::FileHandle::Mode::CreateTruncate),
          hashPath_(OutputFileName(settings, IndexFile::PrefixHash)),
          hashSlots_(kHashSlotCount, kEmptySlot) {
        platform::WriteWholeFile(hashPath_, EncodedHashTable());
    }

    /// Reads every record of the sorted work file until a stop is requested.
    void ReadWorkFile(const std::string& workPath) {
        if (!platform::FileExists(workPath)) return;
        WorkFileReader reader(workPath);
        bool anyRecord = false;
        while (!observer_.StopRequested()) {
            observer_.LetMessagesThrough();
            const char* record = reader.Next();
            if (record == nullptr) break;
            AddEntry(TrimmedWord(record), RecordNumber(record, workPath), anyRecord);
        }
        if (anyRecord) WriteGroup();
        reader.Close();
    }

    /// The same pass over the sorted keys of the work file: every record in
    /// turn, with the same message points and stop checks.
    void ReadKeys(WorkFileKeys& keys) {
        const std::uint64_t* data = keys.Keys();
        const std::size_t count = keys.Count();
        bool anyRecord = false;
        bool lastRankKept = false;
        std::uint64_t lastRank = 0;
        for (std::size_t i = 0; !observer_.StopRequested(); ++i) {
            observer_.LetMessagesThrough();
            if (i == count) break;
            const std::uint64_t rank = WorkFileKeys::Rank(data[i]);
            const std::uint16_t number = WorkFileKeys::Number(data[i]);
            if (lastRankKept && rank == lastRank) {
                numbers_.push_back(number);  // the word of the record before
            } else {
                lastRankKept = AddEntry(TrimmedWord(keys.WordField(rank).data()), number, anyRecord);
                lastRank = rank;
            }
            if ((i + 1) % kKeysPerRelease == 0) {
                keys.ReleaseKeys(i + 1 - kKeysPerRelease, kKeysPerRelease);
                keys.ReleaseWordsBefore(rank);
            }
        }
        if (anyRecord) WriteGroup();
    }

    /// Writes what is still pending and closes the index files.
    void Finish() {
        observer_.ShowWordTotal(std::to_string(wordTotal_));
        AppendDumpLines();
        WriteBlockLetters();
        dictionary_.Close();
        postings_.Close();
        platform::WriteWholeFile(hashPath_, EncodedHashTable());
    }

private:
    /// One record: a word that differs from the previous record's ends the
    /// previous word's group. An empty word (a token of control characters
    /// only) forms no group: its record is dropped, and false returned.
    bool AddEntry(std::string_view word, std::uint16_t number, bool& anyRecord) {
        if (word.empty()) return false;
        if (!anyRecord) previousWord_.assign(word);
        anyRecord = true;
        if (word != previousWord_) {
            WriteGroup();
            previousWord_.assign(word);
        }
        numbers_.push_back(number);
        return true;
    }

    /// Writes the dictionary record, hash slots and posting list of the
    /// previous word and its document numbers.
    void WriteGroup() {
        if (wordTotal_ >= kMaxDictionaryWords)
            throw IndexLimitError("The index cannot hold more than " + std::to_string(kMaxDictionaryWords) +
                                  " distinct words (the block letter file has room for " +
                                  std::to_string(kMaxBlockLetters) + " blocks of " + std::to_string(kBlockSize) + ")");
        WriteDictionaryRecord();
        if (settings_.dumpwords) dumpLines_ += FormatDumpLine(numbers_.size(), previousWord_) + "\r\n";
        WritePrefixSlots();
        AdvanceBlock();
        ++wordTotal_;
        if (++progressCount_ == kProgressInterval) {
            observer_.ShowWordTotal(std::to_string(wordTotal_));
            AppendDumpLines();
            progressCount_ = 0;
        }
        WritePostingList();
        numbers_.clear();
    }

    void WriteDictionaryRecord() {
        if (postingPosition_ > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            throw IndexLimitError("The posting file cannot grow beyond " +
                                  std::to_string(std::numeric_limits<std::int32_t>::max()) + " values");
        record_.clear();
        AppendDictionaryRecord(record_, previousWord_, static_cast<std::int32_t>(postingPosition_));
        dictionary_.Write(record_);
    }

    /// For each prefix length whose key differs from the one written last,
    /// the block counter goes into the key's slot.
    void WritePrefixSlots() {
        const PrefixKeys keys = ComputePrefixKeys(previousWord_);
        for (std::size_t length = 0; length < kPrefixLengths; ++length) {
            if (keys[length] < 0 || keys[length] == rememberedKeys_[length]) continue;
            hashSlots_[static_cast<std::size_t>(keys[length])] = blockCounter_;
            rememberedKeys_[length] = keys[length];
        }
    }

    /// The last word of a block records its first character as a block letter.
    void AdvanceBlock() {
        if (blockCounter_ == kBlockSize - 1) {
            blockLetters_.push_back(previousWord_.empty() ? ' ' : previousWord_[0]);
            blockCounter_ = 0;
        } else {
            ++blockCounter_;
        }
    }

    void WritePostingList() {
        record_.clear();
        AppendUint16(record_, static_cast<std::uint16_t>(numbers_.size()));
        for (const std::uint16_t number : numbers_) AppendUint16(record_, number);
        postings_.Write(record_);
        postingPosition_ += numbers_.size() + 1;
    }

    void AppendDumpLines() {
        if (!settings_.dumpwords || dumpLines_.empty()) return;
        platform::AppendToFile(OutputFileName(settings_, IndexFile::WordDump), dumpLines_);
        dumpLines_.clear();
    }

    void WriteBlockLetters() {
        const std::string path = OutputFileName(settings_, IndexFile::BlockLetters);
        if (blockLetters_.empty()) {
            if (const int error = platform::RemoveFile(path); error != 0)
                throw platform::IoError("cannot delete", path, error);
            return;
        }
        const auto record = MakeBlockLetterRecord(blockLetters_);
        platform::WriteWholeFile(path, std::string_view(record.data(), record.size()));
    }

    std::string EncodedHashTable() const {
        std::string bytes;
        bytes.reserve(kHashFileSize);
        for (const std::uint16_t slot : hashSlots_) AppendUint16(bytes, slot);
        return bytes;
    }

    const BuildSettings& settings_;
    RunObserver& observer_;
    platform::BufferedWriter dictionary_;
    platform::BufferedWriter postings_;
    std::string hashPath_;
    std::vector<std::uint16_t> hashSlots_;
    std::string previousWord_;
    std::vector<std::uint16_t> numbers_;
    std::uint32_t blockCounter_ = 0;
    std::string blockLetters_;
    std::uint32_t wordTotal_ = 0;
    int progressCount_ = 0;
    PrefixKeys rememberedKeys_{-1, -1, -1};
    std::uint64_t postingPosition_ = 0;
    std::string dumpLines_;
    std::string record_;
};

void RemoveOrThrow(const std::string& path) {
    if (const int error = platform::RemoveFile(path); error != 0) throw platform::IoError("cannot delete", path, error);
}

}  // namespace

void BuildIndex(const BuildSettings& settings, RunObserver& observer) {
    const std::string workPath = IndexFileName(settings.databaseName, IndexFile::WorkFile);
    observer.LetMessagesThrough();
    std::unique_ptr<WorkFileKeys> keys = SortWorkFileKeys(workPath, settings.piecewiseChunks, observer);
    if (keys && settings.keepWorkFile) keys->WriteWorkFile(workPath);
    observer.ShowCurrentStep("Building Index");
    observer.LetMessagesThrough();
    RemoveOrThrow(OutputFileName(settings, IndexFile::WordDump));
    if (keys) CheckWorkFileRecords(workPath);

    Builder builder(settings, observer);
    if (keys) builder.ReadKeys(*keys);
    else builder.ReadWorkFile(workPath);
    builder.Finish();
    if (!settings.keepWorkFile) RemoveOrThrow(workPath);
}

}  // namespace indexer
