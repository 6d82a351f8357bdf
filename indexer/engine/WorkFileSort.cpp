// Quicksort of the work file through a memory-mapped view: middle pivot,
// recursion into the left part, loop over the right part. Records become
// final from the front of the file to its back, so finished pages (and the
// pages a partition's cursors have passed) are handed back as the sort goes,
// which keeps the resident memory small for a work file of any size.
#include "indexer/engine/WorkFileSort.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#include "indexer/engine/IndexFiles.h"
#include "indexer/engine/IndexingError.h"
#include "platform/File.h"
#include "platform/MappedFile.h"

namespace indexer {

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

class WorkFileSorter {
public:
    WorkFileSorter(platform::MappedFile& file, RunObserver& observer)
        : file_(file), observer_(observer) {}

    void Run() {
        const Index count = static_cast<Index>(file_.Size() / kWorkRecordSize);
        if (count >= 1) SortRange(0, count - 1);
    }

private:
    char* Record(Index i) noexcept { return file_.Data() + static_cast<std::size_t>(i) * kWorkRecordSize; }
    static std::size_t Offset(Index i) noexcept { return static_cast<std::size_t>(i) * kWorkRecordSize; }

    int CompareWord(Index i, const WordField& pivot) noexcept {
        return std::memcmp(Record(i), pivot.data(), kWordWidth);
    }

    void Exchange(Index i, Index j) noexcept {
        std::array<char, kWorkRecordSize> held;
        std::memcpy(held.data(), Record(i), kWorkRecordSize);
        std::memcpy(Record(i), Record(j), kWorkRecordSize);
        std::memcpy(Record(j), held.data(), kWorkRecordSize);
    }

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
        file_.ReleasePages(releasedFinal_, finalEnd - releasedFinal_);
        releasedFinal_ = finalEnd / platform::MappedFile::PageSize() * platform::MappedFile::PageSize();
    }

    /// One partition of [left, right] around the word of its middle record;
    /// on return, records before i are at most the pivot, records after j at
    /// least the pivot, and i > j.
    void Partition(Index left, Index right, Index& i, Index& j) {
        WordField pivot;
        std::memcpy(pivot.data(), Record(left + (right - left) / 2), kWordWidth);
        const bool releasing = Offset(right - left + 1) >= kReleaseThreshold;
        std::size_t lowMark = Offset(left);
        std::size_t highMark = Offset(right + 1);
        i = left;
        j = right;
        do {
            while (CompareWord(i, pivot) < 0) ++i;
            while (CompareWord(j, pivot) > 0) --j;
            if (i <= j) {
                if (i != j) Exchange(i, j);
                ++i;
                --j;
            }
            if (releasing) ReleaseBehindCursors(i, j, lowMark, highMark);
        } while (i <= j);
    }

    void ReleaseBehindCursors(Index i, Index j, std::size_t& lowMark, std::size_t& highMark) noexcept {
        const std::size_t low = Offset(i);
        if (low >= lowMark + kReleaseChunk) {
            file_.ReleasePages(lowMark, low - lowMark);
            lowMark = low;
        }
        const std::size_t high = Offset(j + 1);
        if (high + kReleaseChunk <= highMark) {
            file_.ReleasePages(high, highMark - high);
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

    platform::MappedFile& file_;
    RunObserver& observer_;
    int indicatorCounter_ = 0;
    std::size_t indicatorPosition_ = 0;
    std::size_t releasedFinal_ = 0;
};

}  // namespace

void SortWorkFile(const std::string& workFilePath, RunObserver& observer) {
    if (!platform::FileExists(workFilePath)) return;
    observer.ShowIndicate(kIndicatorCharacters.substr(0, 1));
    platform::MappedFile file(workFilePath);
    if (file.Size() % kWorkRecordSize != 0)
        throw IndexingError("damaged work file " + workFilePath + ": its size is not a multiple of " +
                            std::to_string(kWorkRecordSize) + " bytes");
    observer.ShowCurrentStep("Sorting Words");
    observer.LetMessagesThrough();
    WorkFileSorter(file, observer).Run();
    observer.HideIndicate();
}

}  // namespace indexer
