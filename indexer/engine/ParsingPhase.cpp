// Parsing phase: a look-ahead of the file list shared with a helper thread
// that reads two documents of every three ahead; results are taken in order.
#include "indexer/engine/ParsingPhase.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <utility>

#include "indexer/engine/IndexingError.h"
#include "indexfiles/IndexFiles.h"
#include "platform/BufferedWriter.h"
#include "platform/File.h"
#include "platform/TextLineReader.h"

namespace indexer {

using indexfiles::kMaxDocuments;
using indexfiles::kWordWidth;

namespace {

/// Documents the file list is read ahead of the one being taken.
constexpr std::size_t kLookaheadDocuments = 3;

/// Bytes of work file text gathered before they are written.
constexpr std::size_t kWriteBlockBytes = 256 * 1024;

/// The first eight bytes of a text as a big-endian number (zero-padded), so
/// that numbers compare as the texts' first bytes do.
std::uint64_t OrdinalPrefix(std::string_view text) noexcept {
    unsigned char bytes[8] = {};
    std::memcpy(bytes, text.data(), std::min<std::size_t>(text.size(), 8));
    std::uint64_t value = 0;
    for (const unsigned char byte : bytes) value = (value << 8) | byte;
    return value;
}

void RemoveOrThrow(const std::string& path) {
    if (const int error = platform::RemoveFile(path); error != 0) throw platform::IoError("cannot delete", path, error);
}

/// The next entry of one document's sorted word list while a chunk's lists
/// are merged. No entry is in two lists (each holds one document's number),
/// and the lists come in document order, so entries with the same word field
/// order by their list: that is the order of their whole lines.
struct EntryCursor {
    const TTARVOStringList* list;
    std::size_t at;
    std::size_t count;
    std::uint32_t document;
    std::string_view entry;
    std::uint64_t head;    ///< word field bytes 0-7, big-endian
    std::uint64_t middle;  ///< word field bytes 8-15, big-endian

    void Load() noexcept {
        entry = list->At(at);
        head = OrdinalPrefix(entry);
        middle = OrdinalPrefix(entry.substr(8));
    }
    /// The heap's order: true when `a` comes after `b`.
    static bool After(const EntryCursor& a, const EntryCursor& b) noexcept {
        if (a.head != b.head) return a.head > b.head;
        if (a.middle != b.middle) return a.middle > b.middle;
        const int rest = std::memcmp(a.entry.data() + 16, b.entry.data() + 16, kWordWidth - 16);
        if (rest != 0) return rest > 0;
        return a.document > b.document;
    }
};

/// Restores the heap after its front entry moved on.
void SiftDownFront(std::vector<EntryCursor>& heap) noexcept {
    const std::size_t size = heap.size();
    std::size_t at = 0;
    EntryCursor moving = heap[0];
    for (;;) {
        std::size_t child = 2 * at + 1;
        if (child >= size) break;
        if (child + 1 < size && EntryCursor::After(heap[child], heap[child + 1])) ++child;
        if (!EntryCursor::After(moving, heap[child])) break;
        heap[at] = heap[child];
        at = child;
    }
    heap[at] = moving;
}

}  // namespace

/// One step of the file list, and what reading its document gave.
struct ParsingPhase::Pending {
    ListedDocument listed;
    /// The list could not be read here: the run ends with this error.
    std::exception_ptr listError;
    /// The step names a file that exists.
    bool isDocument = false;
    /// The document, opened when the step was read ahead: existence and
    /// opening are decided at one moment, so a document deleted later in
    /// the run is still read, and one deleted before is skipped.
    std::unique_ptr<platform::TextLineReader> text;
    /// The number the document gets when it is read in turn.
    int number = 0;
    /// Read by the helper thread (else by the run itself, in turn).
    bool byHelper = false;
    /// Helper state, guarded by the look-ahead's mutex.
    bool claimed = false;
    bool ready = false;
    /// The document could not be opened (error holds why).
    bool openFailed = false;
    std::exception_ptr error;
    TTARVOStringList words;
    std::vector<std::string> titles;
};

/// The steps of the file list read ahead, and the helper thread that reads
/// the documents marked for it. Only the run's thread reads the file list
/// and talks to the observer.
class ParsingPhase::Lookahead {
public:
    Lookahead(FileList& list, const WordRules& rules, DocumentCharset undeclared)
        : list_(list), rules_(rules), undeclared_(undeclared) {}

    Lookahead(const Lookahead&) = delete;
    Lookahead& operator=(const Lookahead&) = delete;

    /// Starts the helper. Called once; the helper is stopped and joined
    /// when the look-ahead is destroyed.
    void StartHelper() {
        helper_ = std::jthread([this](std::stop_token stop) { HelperLoop(stop); });
    }

    ~Lookahead() {
        if (helper_.joinable()) {
            helper_.request_stop();
            helper_.join();
        }
    }

    /// The next step of the list, or nullptr at its end. The step stays
    /// valid until the next call.
    Pending* Next() {
        {
            std::lock_guard lock(mutex_);
            if (!queue_.empty()) queue_.pop_front();
        }
        TopUp();
        std::lock_guard lock(mutex_);
        return queue_.empty() ? nullptr : queue_.front().get();
    }

    /// Marks the front step as taken by the run.
    void Taken(Pending& entry) {
        std::lock_guard lock(mutex_);
        CountTaken(entry);
    }

    /// Waits until the helper has read `entry`.
    void WaitFor(Pending& entry) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return entry.ready; });
    }

private:
    /// Reads the list until the steps ahead hold enough documents.
    void TopUp() {
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                if (listDone_ || documentsQueued_ >= kLookaheadDocuments + 1) return;
            }
            auto entry = std::make_unique<Pending>();
            try {
                if (!list_.Next(entry->listed)) {
                    std::lock_guard lock(mutex_);
                    listDone_ = true;
                    return;
                }
            } catch (...) {
                entry->listError = std::current_exception();
                std::lock_guard lock(mutex_);
                listDone_ = true;
                queue_.push_back(std::move(entry));
                return;
            }
            OpenAhead(*entry);
            if (entry->isDocument) {
                entry->number = ++documentsListed_;
                // The run also walks the list, merges and writes the chunks: the
                // helper takes two documents of every three.
                entry->byHelper = helper_.joinable() && (documentsListed_ % 3 != 0);
            }
            std::lock_guard lock(mutex_);
            if (entry->isDocument) ++documentsQueued_;
            queue_.push_back(std::move(entry));
            changed_.notify_all();
        }
    }

    /// Opens the step's document. A file that is gone when it cannot be
    /// opened is no document (skipped, no number); one that exists but
    /// cannot be opened is a document whose error the run raises in turn.
    static void OpenAhead(Pending& entry) {
        if (entry.listed.path.empty() || !platform::FileExists(entry.listed.openPath)) return;
        try {
            entry.text = std::make_unique<platform::TextLineReader>(entry.listed.openPath);
            entry.isDocument = true;
        } catch (...) {
            if (!platform::FileExists(entry.listed.openPath)) return;
            entry.isDocument = true;
            entry.openFailed = true;
            entry.error = std::current_exception();
        }
    }

    /// The documents behind the front of the queue count as ahead.
    void CountTaken(Pending& entry) {
        if (entry.isDocument) --documentsQueued_;
    }

    void HelperLoop(std::stop_token stop) {
        DocumentReader reader(undeclared_);
        std::unique_lock lock(mutex_);
        for (;;) {
            Pending* job = nullptr;
            changed_.wait(lock, stop, [&] { return (job = NextJob()) != nullptr; });
            if (job == nullptr) return;  // stop requested
            job->claimed = true;
            lock.unlock();
            ReadDocument(*job, reader, rules_);
            lock.lock();
            job->ready = true;
            changed_.notify_all();
        }
    }

    Pending* NextJob() noexcept {
        for (const auto& entry : queue_)
            if (entry->byHelper && !entry->claimed) return entry.get();
        return nullptr;
    }

    /// Reads a document's words and title line into the step; errors are
    /// kept in it for the run to raise in turn.
    static void ReadDocument(Pending& entry, DocumentReader& reader, const WordRules& rules) {
        if (entry.openFailed) return;
        try {
            reader.Read(*entry.text, entry.number, entry.listed.path, entry.listed.title, entry.listed.url, rules,
                        entry.words, entry.titles);
            entry.words.Sort();
        } catch (...) {
            entry.error = std::current_exception();
        }
        entry.text.reset();
    }

    FileList& list_;
    const WordRules& rules_;
    const DocumentCharset undeclared_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<std::unique_ptr<Pending>> queue_;
    std::size_t documentsQueued_ = 0;
    int documentsListed_ = 0;
    bool listDone_ = false;
    // Last member: the helper stops before anything it reads goes away.
    std::jthread helper_;
};

ParsingPhase::ParsingPhase(WordRules rules, DocumentCharset undeclared, std::string workPath, std::string tocPath,
                           RunObserver& observer)
    : observer_(observer),
      rules_(std::move(rules)),
      undeclared_(undeclared),
      workPath_(std::move(workPath)),
      tocPath_(std::move(tocPath)),
      reader_(undeclared) {}

void ParsingPhase::ParseAll(FileList& list) {
    observer_.ShowCurrentStep("Parsing Files");
    RemoveOrThrow(workPath_);
    RemoveOrThrow(tocPath_);
    {
        Lookahead lookahead(list, rules_, undeclared_);
        if (std::thread::hardware_concurrency() > 1) lookahead.StartHelper();
        while (!observer_.StopRequested()) {
            Pending* entry = lookahead.Next();
            if (entry == nullptr) break;
            lookahead.Taken(*entry);
            if (!TakeEntry(*entry, lookahead)) break;
        }
    }
    if (chunkCount_ > 0) Flush();
    // A run that read no document still leaves a table of contents.
    platform::AppendToFile(tocPath_, "");
}

bool ParsingPhase::TakeEntry(Pending& entry, Lookahead& lookahead) {
    if (entry.listError) std::rethrow_exception(entry.listError);
    observer_.ShowCurrentFileName(entry.listed.fileName);
    if (!entry.listed.unmatchedEntry.empty()) {
        ++entriesWithoutDocument_;
        observer_.ShowEntryWithoutDocument(entry.listed.unmatchedEntry);
    }
    if (!entry.isDocument) return true;
    if (entry.byHelper) lookahead.WaitFor(entry);
    if (entry.openFailed) std::rethrow_exception(entry.error);
    std::unique_ptr<platform::TextLineReader> text = std::move(entry.text);
    if (observer_.StopRequested()) return false;  // opened, closed unread
    observer_.LetMessagesThrough();
    if (documentNumber_ == kMaxDocuments)
        throw IndexLimitError("Too many documents: an index holds at most " + std::to_string(kMaxDocuments) +
                              " documents; " + entry.listed.path + " would be number " +
                              std::to_string(kMaxDocuments + 1));
    ++documentNumber_;
    if (entry.byHelper) {
        if (entry.error) std::rethrow_exception(entry.error);
    } else {
        reader_.Read(*text, entry.number, entry.listed.path, entry.listed.title, entry.listed.url, rules_, entry.words,
                     entry.titles);
        entry.words.Sort();
    }
    text.reset();
    AddToChunk(entry);
    if (++chunkCount_ == kDocumentsPerFlush) {
        Flush();
        chunkCount_ = 0;
    }
    observer_.ShowFilesProcessed(std::to_string(documentNumber_));
    observer_.LetMessagesThrough();
    return true;
}

void ParsingPhase::AddToChunk(Pending& entry) {
    chunkEntries_ += entry.words.Count();
    chunkWords_.push_back(std::move(entry.words));
    for (auto& title : entry.titles) titles_.push_back(std::move(title));
    if (chunkEntries_ >= kChunkEntriesInMemory) WritePiece(false);
}

void ParsingPhase::WritePiece(bool evenWhenEmpty) {
    std::vector<EntryCursor> heap;
    for (std::size_t document = 0; document < chunkWords_.size(); ++document) {
        const TTARVOStringList& words = chunkWords_[document];
        if (words.Count() == 0) continue;
        heap.push_back({&words, 0, words.Count(), static_cast<std::uint32_t>(document), {}, 0, 0});
        heap.back().Load();
    }
    std::make_heap(heap.begin(), heap.end(), EntryCursor::After);
    buffer_.clear();
    std::unique_ptr<platform::BufferedWriter> work;
    if (evenWhenEmpty || !heap.empty())
        work = std::make_unique<platform::BufferedWriter>(workPath_, platform::FileHandle::Mode::Append);
    std::uint64_t records = 0;
    while (!heap.empty()) {
        EntryCursor& lowest = heap.front();
        buffer_.append(lowest.entry);
        buffer_.append("\r\n");
        if (buffer_.size() >= kWriteBlockBytes) {
            work->Write(buffer_);
            buffer_.clear();
        }
        ++records;
        if (++lowest.at == lowest.count) {
            std::pop_heap(heap.begin(), heap.end(), EntryCursor::After);
            heap.pop_back();
        } else {
            lowest.Load();
            SiftDownFront(heap);
        }
    }
    // The work file exists after every flush, even one without words.
    if (work) {
        work->Write(buffer_);
        work->Close();
    }
    recordsWritten_ += records;
    chunkWords_.clear();
    chunkEntries_ = 0;
    ++chunkPieces_;
}

void ParsingPhase::Flush() {
    WritePiece(true);
    if (chunkPieces_ > 1) piecewiseChunks_.push_back({chunkFirstRecord_, recordsWritten_ - chunkFirstRecord_});
    chunkFirstRecord_ = recordsWritten_;
    chunkPieces_ = 0;
    buffer_.clear();
    for (const auto& title : titles_) {
        buffer_.append(title);
        buffer_.append("\r\n");
    }
    platform::AppendToFile(tocPath_, buffer_);
    titles_.clear();
}

}  // namespace indexer
