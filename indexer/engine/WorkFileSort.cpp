// Quicksort of the work file through a memory-mapped view, or of its keys:
// middle pivot, recursion into the left part, loop over the right part.
// Records become final from the front of the file to its back, so finished pages (and the
// pages a partition's cursors have passed) are handed back as the sort goes,
// which keeps the resident memory small for a work file of any size.
#include "indexer/engine/WorkFileSort.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <utility>

#include "indexer/engine/IndexingError.h"
#include "indexfiles/IndexFiles.h"
#include "platform/File.h"
#include "platform/MappedFile.h"

namespace indexer {

using indexfiles::kWordWidth;
using indexfiles::kWorkRecordSize;

namespace {

/// The activity indicator's four characters, in turn (0x96 is the en dash).
constexpr std::string_view kIndicatorCharacters = "\x96\\|/";
/// Calls of the partition step between two turns of the indicator.
constexpr int kCallsPerTurn = 50;
/// Resident bytes a partition may leave behind each cursor before handing
/// them back.
constexpr std::size_t kReleaseChunk = 1u << 20;
/// Ranges at least this large release pages behind their cursors; smaller
/// ones stay resident until they are final.
constexpr std::size_t kReleaseThreshold = 4u << 20;

using Index = std::ptrdiff_t;
using WordField = std::array<char, kWordWidth>;

/// The work file's own 35-byte records, compared by their word fields.
class MappedRecords {
public:
    static constexpr std::size_t kRecordSize = kWorkRecordSize;
    using Pivot = WordField;

    explicit MappedRecords(platform::MappedFile& file) noexcept : file_(file) {}

    Index Count() const noexcept { return static_cast<Index>(file_.Size() / kWorkRecordSize); }
    Pivot PivotAt(Index i) noexcept {
        Pivot pivot;
        std::memcpy(pivot.data(), Record(i), kWordWidth);
        return pivot;
    }
    int Compare(Index i, const Pivot& pivot) noexcept { return std::memcmp(Record(i), pivot.data(), kWordWidth); }
    void Exchange(Index i, Index j) noexcept {
        std::array<char, kWorkRecordSize> held;
        std::memcpy(held.data(), Record(i), kWorkRecordSize);
        std::memcpy(Record(i), Record(j), kWorkRecordSize);
        std::memcpy(Record(j), held.data(), kWorkRecordSize);
    }
    void ReleasePages(std::size_t offset, std::size_t length) noexcept { file_.ReleasePages(offset, length); }

private:
    char* Record(Index i) noexcept { return file_.Data() + static_cast<std::size_t>(i) * kWorkRecordSize; }

    platform::MappedFile& file_;
};

/// The records' keys (WorkFileKeys), compared by their word ranks: the same
/// comparisons give the same exchanges as on the records themselves.
class KeyRecords {
public:
    static constexpr std::size_t kRecordSize = sizeof(std::uint64_t);
    using Pivot = std::uint64_t;

    explicit KeyRecords(WorkFileKeys& keys) noexcept : keys_(keys), data_(keys.Keys()) {}

    Index Count() const noexcept { return static_cast<Index>(keys_.Count()); }
    Pivot PivotAt(Index i) const noexcept { return WorkFileKeys::Rank(data_[i]); }
    int Compare(Index i, Pivot pivot) const noexcept {
        const std::uint64_t rank = WorkFileKeys::Rank(data_[i]);
        return rank < pivot ? -1 : rank > pivot ? 1 : 0;
    }
    void Exchange(Index i, Index j) noexcept { std::swap(data_[i], data_[j]); }
    void ReleasePages(std::size_t offset, std::size_t length) noexcept {
        keys_.ReleaseKeys(offset / kRecordSize, length / kRecordSize);
    }

private:
    WorkFileKeys& keys_;
    std::uint64_t* data_;
};

/// Quicksort over a record store: middle pivot, recursion into the left
/// part, loop over the right part.
template <class Records>
class WorkFileSorter {
public:
    WorkFileSorter(Records& records, RunObserver& observer) : records_(records), observer_(observer) {}

    void Run() {
        const Index count = records_.Count();
        if (count >= 1) SortRange(0, count - 1);
    }

private:
    static std::size_t Offset(Index i) noexcept { return static_cast<std::size_t>(i) * Records::kRecordSize; }

    /// Advances the activity indicator: every 51st call shows the next character.
    void TurnIndicator() {
        if (++indicatorCounter_ <= kCallsPerTurn) return;
        observer_.ShowIndicate(kIndicatorCharacters.substr(indicatorPosition_, 1));
        indicatorPosition_ = (indicatorPosition_ + 1) % kIndicatorCharacters.size();
        indicatorCounter_ = 0;
    }

    /// Records before `firstOpen` are in their final place: hand back their
    /// pages once enough of them have gathered.
    void MarkFinalBefore(Index firstOpen) noexcept {
        const std::size_t finalEnd = Offset(firstOpen);
        if (finalEnd < releasedFinal_ + kReleaseChunk) return;
        records_.ReleasePages(releasedFinal_, finalEnd - releasedFinal_);
        releasedFinal_ = finalEnd / platform::MappedFile::PageSize() * platform::MappedFile::PageSize();
    }

    /// One partition of [left, right] around the word of its middle record;
    /// on return, records before i are at most the pivot, records after j at
    /// least the pivot, and i > j.
    void Partition(Index left, Index right, Index& i, Index& j) {
        const typename Records::Pivot pivot = records_.PivotAt(left + (right - left) / 2);
        const bool releasing = Offset(right - left + 1) >= kReleaseThreshold;
        std::size_t lowMark = Offset(left);
        std::size_t highMark = Offset(right + 1);
        i = left;
        j = right;
        do {
            while (records_.Compare(i, pivot) < 0) ++i;
            while (records_.Compare(j, pivot) > 0) --j;
            if (i <= j) {
                if (i != j) records_.Exchange(i, j);
                ++i;
                --j;
            }
            if (releasing) ReleaseBehindCursors(i, j, lowMark, highMark);
        } while (i <= j);
    }

    void ReleaseBehindCursors(Index i, Index j, std::size_t& lowMark, std::size_t& highMark) noexcept {
        const std::size_t low = Offset(i);
        if (low >= lowMark + kReleaseChunk) {
            records_.ReleasePages(lowMark, low - lowMark);
            lowMark = low;
        }
        const std::size_t high = Offset(j + 1);
        if (high + kReleaseChunk <= highMark) {
            records_.ReleasePages(high, highMark - high);
            highMark = high;
        }
    }

    /// Sorts [left, right]: recursion into the left part, loop over the right.
    /// The stop request is read after each partition, so a stop ends the sort
    /// at once instead of after the pending left parts.
    void SortRange(Index left, Index right) {
        TurnIndicator();
        observer_.LetMessagesThrough();
        Index i = left;
        do {
            Index j = right;
            Partition(left, right, i, j);
            if (observer_.StopRequested()) return;
            if (left < j) SortRange(left, j);
            left = i;
            MarkFinalBefore(std::min(left, right + 1));
        } while (i < right && !observer_.StopRequested());
    }

    Records& records_;
    RunObserver& observer_;
    int indicatorCounter_ = 0;
    std::size_t indicatorPosition_ = 0;
    std::size_t releasedFinal_ = 0;
};

/// Shows the sort starting and checks the work file's size; false when
/// there is no work file.
bool StartSort(const std::string& workFilePath, RunObserver& observer) {
    if (!platform::FileExists(workFilePath)) return false;
    observer.ShowIndicate(kIndicatorCharacters.substr(0, 1));
    const platform::FileHandle file = platform::FileHandle::Open(workFilePath, platform::FileHandle::Mode::Read);
    if (!file.IsOpen()) throw platform::IoError("cannot open", workFilePath, file.OpenError());
    const std::int64_t size = file.Size();
    if (size < 0) throw platform::IoError("cannot read the size of", workFilePath, errno);
    if (static_cast<std::uint64_t>(size) % kWorkRecordSize != 0)
        throw IndexingError("damaged work file " + workFilePath + ": its size is not a multiple of " +
                            std::to_string(kWorkRecordSize) + " bytes");
    observer.ShowCurrentStep("Sorting Words");
    observer.LetMessagesThrough();
    return true;
}

void SortMappedFile(const std::string& workFilePath, RunObserver& observer) {
    platform::MappedFile file(workFilePath);
    MappedRecords records(file);
    WorkFileSorter<MappedRecords>(records, observer).Run();
}

}  // namespace

void SortWorkFile(const std::string& workFilePath, RunObserver& observer) {
    if (!StartSort(workFilePath, observer)) return;
    SortMappedFile(workFilePath, observer);
    observer.HideIndicate();
}

std::unique_ptr<WorkFileKeys> SortWorkFileKeys(const std::string& workFilePath,
                                               const std::vector<PiecewiseChunk>& piecewiseChunks,
                                               RunObserver& observer) {
    if (!StartSort(workFilePath, observer)) return nullptr;
    std::unique_ptr<WorkFileKeys> keys = WorkFileKeys::Load(workFilePath, piecewiseChunks);
    if (keys) {
        KeyRecords records(*keys);
        WorkFileSorter<KeyRecords>(records, observer).Run();
    } else {
        SortMappedFile(workFilePath, observer);
    }
    observer.HideIndicate();
    return keys;
}

}  // namespace indexer
