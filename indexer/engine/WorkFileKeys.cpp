// Work file keys: one pass finds the file's sorted runs (each chunk of the
// parsing phase is one), a merge of the runs ranks the distinct word fields
// and writes each record's key back at the record's own place.
#include "indexer/engine/WorkFileKeys.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>

#include "indexfiles/IndexFiles.h"
#include "platform/BufferedWriter.h"
#include "platform/File.h"

namespace indexer {

using indexfiles::kMaxDocuments;
using indexfiles::kWordWidth;
using indexfiles::kWorkColonOffset;
using indexfiles::kWorkNumberOffset;
using indexfiles::kWorkNumberWidth;
using indexfiles::kWorkRecordSize;
using indexfiles::WorkEntryNumber;

namespace {

/// Runs that a merge takes at most; a file with more is sorted where it lies.
constexpr std::size_t kMaxRuns = 8192;
/// Bytes of input buffers shared by all runs of the merge.
constexpr std::size_t kMergeBufferBytes = 4u << 20;
/// Records a run's buffers hold at least.
constexpr std::size_t kMinRunBufferRecords = 16;
/// Records read at a time while looking for the runs.
constexpr std::size_t kScanRecords = 32 * 1024;
/// Bytes of word fields gathered before they are written to the scratch file.
constexpr std::size_t kWordBufferBytes = 256 * 1024;
/// Bytes of a key.
constexpr std::size_t kKeySize = sizeof(std::uint64_t);
/// Keys read one after another between two hand-backs of their pages.
constexpr std::size_t kKeysPerRelease = 128 * 1024;

/// True for a record as the parsing phase writes it.
bool IsRegularRecord(const char* record) noexcept {
    if (record[kWorkColonOffset] != ':' || record[kWorkRecordSize - 2] != '\r' || record[kWorkRecordSize - 1] != '\n')
        return false;
    const std::int32_t number = WorkEntryNumber(record);
    return number >= 1 && number <= kMaxDocuments;
}

/// The first eight bytes of a word field as a big-endian number, so that
/// numbers compare as the bytes do.
std::uint64_t WordPrefix(const char* record) noexcept {
    std::uint64_t word;
    std::memcpy(&word, record, sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return word;
}

void ReadExactly(platform::FileHandle& file, const std::string& path, char* buffer, std::size_t size,
                 std::uint64_t offset) {
    if (!file.ReadExactAt(buffer, size, static_cast<std::int64_t>(offset)))
        throw platform::IoError("cannot read", path, errno != 0 ? errno : EIO);
}

void WriteExactly(platform::FileHandle& file, const std::string& path, const void* data, std::size_t size,
                  std::uint64_t offset) {
    if (!file.WriteAllAt(data, size, static_cast<std::int64_t>(offset)))
        throw platform::IoError("cannot write", path, errno != 0 ? errno : EIO);
}

/// Reads the whole work file once: the first record of every sorted run
/// (records whose word fields do not fall), or nothing when a record is not
/// regular or the runs are too many.
bool FindRuns(platform::FileHandle& file, const std::string& path, std::size_t count,
              std::vector<std::uint64_t>& runStarts) {
    std::vector<char> buffer(kScanRecords * kWorkRecordSize);
    std::array<char, kWordWidth> previous{};
    for (std::size_t first = 0; first < count; first += kScanRecords) {
        const std::size_t records = std::min(kScanRecords, count - first);
        ReadExactly(file, path, buffer.data(), records * kWorkRecordSize, first * kWorkRecordSize);
        for (std::size_t i = 0; i < records; ++i) {
            const char* record = buffer.data() + i * kWorkRecordSize;
            if (!IsRegularRecord(record)) return false;
            if (first + i == 0 || std::memcmp(record, previous.data(), kWordWidth) < 0) {
                if (runStarts.size() == kMaxRuns) return false;
                runStarts.push_back(first + i);
            }
            std::memcpy(previous.data(), record, kWordWidth);
        }
    }
    return true;
}

/// Merges the sorted runs of the work file: ranks every distinct word field
/// in ascending order, writes the fields one after another behind the keys,
/// and each record's key at the record's own index.
class RunMerger {
public:
    RunMerger(platform::FileHandle& work, const std::string& workPath, platform::FileHandle& scratch,
              const std::string& scratchPath, std::size_t count, const std::vector<std::uint64_t>& runStarts)
        : work_(work), workPath_(workPath), scratch_(scratch), scratchPath_(scratchPath), count_(count) {
        bufferRecords_ = std::max(kMinRunBufferRecords, kMergeBufferBytes / (kWorkRecordSize * runStarts.size()));
        input_.resize(bufferRecords_ * runStarts.size() * kWorkRecordSize);
        output_.resize(bufferRecords_ * runStarts.size());
        runs_.resize(runStarts.size());
        for (std::size_t r = 0; r < runStarts.size(); ++r) {
            Run& run = runs_[r];
            run.next = runStarts[r];
            run.end = r + 1 < runStarts.size() ? runStarts[r + 1] : count;
            run.outputAt = run.next;
            Refill(r);
            heap_.push_back(r);
        }
        for (std::size_t i = heap_.size() / 2; i-- > 0;) SiftDown(i);
        words_.reserve(kWordBufferBytes);
    }

    /// Merges every run; returns the number of distinct word fields.
    std::uint64_t Merge() {
        std::array<char, kWordWidth> last{};
        std::uint64_t rank = 0;
        bool any = false;
        while (!heap_.empty()) {
            const std::size_t r = heap_.front();
            const char* record = Current(r);
            if (!any || std::memcmp(record, last.data(), kWordWidth) != 0) {
                if (any) ++rank;
                any = true;
                std::memcpy(last.data(), record, kWordWidth);
                AddWordField(record);
            }
            // Every record is regular here: its number is 1 to 65535.
            Emit(r, (rank << 16) | static_cast<std::uint32_t>(WorkEntryNumber(record)));
            if (Advance(r)) {
                SiftDown(0);
            } else {
                FlushOutput(r);
                heap_.front() = heap_.back();
                heap_.pop_back();
                if (!heap_.empty()) SiftDown(0);
            }
        }
        FlushWords();
        return any ? rank + 1 : 0;
    }

private:
    struct Run {
        std::uint64_t next = 0;      ///< next record to read from the file
        std::uint64_t end = 0;       ///< one past the run's last record
        std::size_t filled = 0;      ///< records in the input buffer
        std::size_t position = 0;    ///< current record in the input buffer
        std::uint64_t prefix = 0;    ///< WordPrefix of the current record
        std::uint64_t middle = 0;    ///< WordPrefix of its bytes 8-15
        std::uint64_t outputAt = 0;  ///< record index of the first key not yet written
        std::size_t pending = 0;     ///< keys in the output buffer
    };

    const char* Current(std::size_t r) const noexcept {
        return input_.data() + (r * bufferRecords_ + runs_[r].position) * kWorkRecordSize;
    }

    bool Less(std::size_t a, std::size_t b) const noexcept {
        const Run& x = runs_[a];
        const Run& y = runs_[b];
        if (x.prefix != y.prefix) return x.prefix < y.prefix;
        if (x.middle != y.middle) return x.middle < y.middle;
        const int order = std::memcmp(Current(a) + 16, Current(b) + 16, kWordWidth - 16);
        return order != 0 ? order < 0 : a < b;
    }

    void LoadPrefixes(std::size_t r) noexcept {
        const char* record = Current(r);
        runs_[r].prefix = WordPrefix(record);
        runs_[r].middle = WordPrefix(record + 8);
    }

    void SiftDown(std::size_t at) noexcept {
        const std::size_t size = heap_.size();
        const std::size_t moving = heap_[at];
        for (;;) {
            std::size_t child = 2 * at + 1;
            if (child >= size) break;
            if (child + 1 < size && Less(heap_[child + 1], heap_[child])) ++child;
            if (!Less(heap_[child], moving)) break;
            heap_[at] = heap_[child];
            at = child;
        }
        heap_[at] = moving;
    }

    void Refill(std::size_t r) {
        Run& run = runs_[r];
        const std::size_t records =
            static_cast<std::size_t>(std::min<std::uint64_t>(bufferRecords_, run.end - run.next));
        char* buffer = input_.data() + r * bufferRecords_ * kWorkRecordSize;
        ReadExactly(work_, workPath_, buffer, records * kWorkRecordSize, run.next * kWorkRecordSize);
        run.next += records;
        run.filled = records;
        run.position = 0;
        LoadPrefixes(r);
    }

    /// Moves a run to its next record; false when it has none.
    bool Advance(std::size_t r) {
        Run& run = runs_[r];
        if (++run.position == run.filled) {
            if (run.next == run.end) return false;
            Refill(r);
            return true;
        }
        LoadPrefixes(r);
        return true;
    }

    void Emit(std::size_t r, std::uint64_t key) {
        Run& run = runs_[r];
        output_[r * bufferRecords_ + run.pending] = key;
        if (++run.pending == bufferRecords_) FlushOutput(r);
    }

    void FlushOutput(std::size_t r) {
        Run& run = runs_[r];
        if (run.pending == 0) return;
        WriteExactly(scratch_, scratchPath_, output_.data() + r * bufferRecords_, run.pending * kKeySize,
                     run.outputAt * kKeySize);
        run.outputAt += run.pending;
        run.pending = 0;
    }

    void AddWordField(const char* record) {
        words_.insert(words_.end(), record, record + kWordWidth);
        if (words_.size() >= kWordBufferBytes) FlushWords();
    }

    void FlushWords() {
        if (words_.empty()) return;
        WriteExactly(scratch_, scratchPath_, words_.data(), words_.size(), count_ * kKeySize + wordBytesWritten_);
        wordBytesWritten_ += words_.size();
        words_.clear();
    }

    platform::FileHandle& work_;
    const std::string& workPath_;
    platform::FileHandle& scratch_;
    const std::string& scratchPath_;
    std::size_t count_;
    std::size_t bufferRecords_ = 0;
    std::vector<char> input_;
    std::vector<std::uint64_t> output_;
    std::vector<Run> runs_;
    std::vector<std::size_t> heap_;
    std::vector<char> words_;
    std::uint64_t wordBytesWritten_ = 0;
};

}  // namespace

std::unique_ptr<WorkFileKeys> WorkFileKeys::Load(const std::string& workPath,
                                                 const std::vector<PiecewiseChunk>& piecewiseChunks) {
    platform::FileHandle work = platform::FileHandle::Open(workPath, platform::FileHandle::Mode::Read);
    if (!work.IsOpen()) throw platform::IoError("cannot open", workPath, work.OpenError());
    const std::int64_t size = work.Size();
    if (size < 0) throw platform::IoError("cannot read the size of", workPath, errno);
    const auto count = static_cast<std::size_t>(size) / kWorkRecordSize;
    if (count == 0 || static_cast<std::size_t>(size) % kWorkRecordSize != 0) return nullptr;
    std::vector<std::uint64_t> runStarts;
    if (!FindRuns(work, workPath, count, runStarts)) return nullptr;

    // The scratch file loses its name at once: a run that dies leaves nothing.
    const std::string scratchPath = workPath + ".keys";
    platform::FileHandle scratch = platform::FileHandle::Open(scratchPath, platform::FileHandle::Mode::CreateTruncate);
    if (!scratch.IsOpen()) throw platform::IoError("cannot create", scratchPath, scratch.OpenError());
    platform::RemoveFile(scratchPath);
    const std::uint64_t words = RunMerger(work, workPath, scratch, scratchPath, count, runStarts).Merge();
    auto map = std::make_unique<platform::MappedFile>(scratch, scratchPath);
    std::unique_ptr<WorkFileKeys> keys(new WorkFileKeys(std::move(map), count, words));
    // A chunk written in pieces is put back into the order of its whole lines.
    std::uint64_t* data = keys->Keys();
    for (const PiecewiseChunk& chunk : piecewiseChunks) {
        if (chunk.firstRecord >= count || chunk.recordCount > count - chunk.firstRecord) continue;
        std::sort(data + chunk.firstRecord, data + chunk.firstRecord + chunk.recordCount);
    }
    return keys;
}

WorkFileKeys::WorkFileKeys(std::unique_ptr<platform::MappedFile> map, std::size_t count, std::uint64_t words)
    : map_(std::move(map)), count_(count), words_(words) {}

std::string_view WorkFileKeys::WordField(std::uint64_t rank) const noexcept {
    return {map_->Data() + count_ * kKeySize + rank * kWordWidth, kWordWidth};
}

void WorkFileKeys::ReleaseKeys(std::size_t first, std::size_t count) noexcept {
    map_->ReleasePages(first * kKeySize, count * kKeySize);
}

void WorkFileKeys::ReleaseWordsBefore(std::uint64_t rank) noexcept {
    const std::size_t end = count_ * kKeySize + static_cast<std::size_t>(rank) * kWordWidth;
    const std::size_t start = std::max(wordsReleased_, count_ * kKeySize);
    if (end < start + (1u << 20)) return;
    map_->ReleasePages(start, end - start);
    wordsReleased_ = end / platform::MappedFile::PageSize() * platform::MappedFile::PageSize();
}

void WorkFileKeys::WriteWorkFile(const std::string& path) {
    platform::BufferedWriter out(path, platform::FileHandle::Mode::CreateTruncate);
    std::array<char, kWorkRecordSize> record{};
    record[kWorkColonOffset] = ':';
    record[kWorkRecordSize - 2] = '\r';
    record[kWorkRecordSize - 1] = '\n';
    const std::uint64_t* keys = Keys();
    for (std::size_t i = 0; i < count_; ++i) {
        std::memcpy(record.data(), WordField(Rank(keys[i])).data(), kWordWidth);
        unsigned number = Number(keys[i]);
        for (std::size_t d = kWorkNumberWidth; d-- > 0; number /= 10)
            record[kWorkNumberOffset + d] = static_cast<char>('0' + number % 10);
        out.Write(std::string_view(record.data(), record.size()));
        if ((i + 1) % kKeysPerRelease == 0) {
            ReleaseKeys(i + 1 - kKeysPerRelease, kKeysPerRelease);
            ReleaseWordsBefore(Rank(keys[i]));
        }
    }
    out.Close();
}

}  // namespace indexer
