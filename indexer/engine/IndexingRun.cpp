// The indexing run.
#include "indexer/engine/IndexingRun.h"

#include <utility>
#include <vector>

#include "indexer/engine/DocumentReader.h"
#include "indexer/engine/FileList.h"
#include "indexer/engine/IndexBuilder.h"
#include "indexer/engine/IndexFiles.h"
#include "indexer/engine/IndexSetPublisher.h"
#include "indexer/engine/IndexingError.h"
#include "indexer/engine/WordList.h"
#include "indexer/engine/WordRules.h"
#include "platform/BufferedWriter.h"
#include "platform/CodePage.h"
#include "platform/DateTimeText.h"
#include "platform/File.h"
#include "platform/PathNames.h"
#include "platform/TextLineReader.h"

namespace indexer {

namespace {

void RemoveOrThrow(const std::string& path) {
    if (const int error = platform::RemoveFile(path); error != 0)
        throw platform::IoError("cannot delete", path, error);
}

/// The parsing phase: reads the listed documents and writes their output
/// to ".temp" and the staged ".toc" every 25 documents.
class DocumentParser {
public:
    DocumentParser(const TProjectSettings& project, std::string stopwordString, const std::string& databasePath,
                   RunObserver& observer)
        : observer_(observer),
          rules_(WordSettings{project.delimiters, std::move(stopwordString), project.digitmin, project.digitmax}),
          workPath_(IndexFileName(databasePath, IndexFile::WorkFile)),
          tocPath_(StagedIndexFileName(databasePath, IndexFile::TableOfContents)) {}

    /// Reads every document of the list until it ends or a stop is requested.
    void ParseAll(FileList& list) {
        observer_.ShowCurrentStep("Parsing Files");
        RemoveOrThrow(workPath_);
        RemoveOrThrow(tocPath_);
        ListedDocument document;
        while (!observer_.StopRequested() && list.Next(document)) {
            observer_.ShowCurrentFileName(document.fileName);
            if (document.path.empty() || !platform::FileExists(document.openPath)) continue;
            ParseDocument(document);
        }
        if (chunkCount_ > 0) Flush();
        // A run that read no document still leaves a table of contents.
        platform::AppendToFile(tocPath_, "");
    }

    int DocumentCount() const noexcept { return documentNumber_; }

private:
    void ParseDocument(const ListedDocument& document) {
        platform::TextLineReader text(document.openPath);
        if (observer_.StopRequested()) return;  // opened, closed unread
        observer_.LetMessagesThrough();
        if (documentNumber_ == kMaxDocuments)
            throw IndexLimitError("Too many documents: an index holds at most " + std::to_string(kMaxDocuments) +
                                  " documents; " + document.path + " would be number " +
                                  std::to_string(kMaxDocuments + 1));
        ++documentNumber_;
        reader_.Read(text, documentNumber_, document.path, document.title, document.url, rules_, words_, titles_);
        if (++chunkCount_ == kDocumentsPerFlush) {
            Flush();
            chunkCount_ = 0;
        }
        observer_.ShowFilesProcessed(std::to_string(documentNumber_));
        observer_.LetMessagesThrough();
    }

    /// Appends the word entries to ".temp" and the title lines to ".toc".
    void Flush() {
        buffer_.clear();
        words_.AppendText(buffer_);
        platform::AppendToFile(workPath_, buffer_);
        words_.Clear();
        buffer_.clear();
        for (const auto& title : titles_) {
            buffer_.append(title);
            buffer_.append("\r\n");
        }
        platform::AppendToFile(tocPath_, buffer_);
        titles_.clear();
    }

    RunObserver& observer_;
    WordRules rules_;
    DocumentReader reader_;
    TTARVOStringList words_;
    std::vector<std::string> titles_;
    std::string buffer_;
    std::string workPath_;
    std::string tocPath_;
    int documentNumber_ = 0;
    int chunkCount_ = 0;
};

std::uint32_t DictionaryWords(const std::string& databasePath) {
    platform::FileHandle file =
        platform::FileHandle::Open(IndexFileName(databasePath, IndexFile::Dictionary), platform::FileHandle::Mode::Read);
    if (!file.IsOpen()) return 0;
    return static_cast<std::uint32_t>(file.Size() / static_cast<std::int64_t>(kDictionaryRecordSize));
}

/// Parses the documents and builds the index under the staged names;
/// returns the number of documents read.
int ParseAndBuild(const RunSettings& settings, std::string stopwordString, FileList& list,
                  const std::string& databasePath, RunObserver& observer) {
    const TProjectSettings& project = settings.project;
    int documents = 0;
    {
        DocumentParser parser(project, std::move(stopwordString), databasePath, observer);
        parser.ParseAll(list);
        documents = parser.DocumentCount();
    }
    BuildSettings build{databasePath, project.dumpwords, settings.keepWorkFile};
    build.staged = true;
    BuildIndex(build, observer);
    return documents;
}

}  // namespace

std::string LoadStopwordString(const std::string& stopwordPath) {
    std::string stopwords = ",";
    if (stopwordPath.empty() || !platform::FileExists(stopwordPath)) return stopwords;
    platform::TextLineReader reader(stopwordPath);
    std::string_view line;
    while (reader.ReadLine(line)) {
        stopwords.append(platform::AnsiUpper(line));
        stopwords.push_back(',');
    }
    return stopwords;
}

RunSummary RunIndexer(const RunSettings& settings, RunObserver& observer) {
    const TProjectSettings& project = settings.project;
    observer.ShowStartTime(platform::CurrentDateTimeText());
    observer.ShowEndTime("");
    observer.ShowWordTotal("");
    std::string stopwordString = LoadStopwordString(project.stopwords);
    // Without a file list nothing is touched: no stale work file of an
    // earlier run is ever sorted or built.
    if (!platform::FileExists(project.filelist)) throw IndexingError("File list not found: " + project.filelist);

    RunSummary summary;
    FileList list(project.filelist);
    summary.databasePath = platform::ResolveAgainst(list.Folder(), project.database);
    // Staged files of a run that failed or was killed are never published.
    RemoveStagedSet(summary.databasePath);
    try {
        summary.documents = ParseAndBuild(settings, std::move(stopwordString), list, summary.databasePath, observer);
        PublishStagedSet(summary.databasePath);
    } catch (...) {
        // The published set stays the one the site was using.
        RemoveStagedSet(summary.databasePath);
        throw;
    }
    summary.words = DictionaryWords(summary.databasePath);
    summary.stopped = observer.StopRequested();
    observer.ShowEndTime(platform::CurrentDateTimeText());
    observer.ShowCurrentStep("Done");
    return summary;
}

}  // namespace indexer
