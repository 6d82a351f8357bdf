// The indexing run.
#include "indexer/engine/IndexingRun.h"

#include <utility>
#include <vector>

#include "indexer/engine/FileList.h"
#include "indexer/engine/IndexBuilder.h"
#include "indexer/engine/IndexFiles.h"
#include "indexer/engine/IndexSetPublisher.h"
#include "indexer/engine/IndexingError.h"
#include "indexer/engine/ParsingPhase.h"
#include "indexer/engine/WordRules.h"
#include "platform/BufferedWriter.h"
#include "platform/CodePage.h"
#include "platform/DateTimeText.h"
#include "platform/File.h"
#include "platform/PathNames.h"
#include "platform/TextLineReader.h"

namespace indexer {

namespace {

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
    ParsingPhase parser(WordRules(WordSettings{project.delimiters, std::move(stopwordString), project.digitmin,
                                               project.digitmax}),
                        IndexFileName(databasePath, IndexFile::WorkFile),
                        StagedIndexFileName(databasePath, IndexFile::TableOfContents), observer);
    parser.ParseAll(list);
    BuildSettings build{databasePath, project.dumpwords, settings.keepWorkFile};
    build.staged = true;
    build.piecewiseChunks = parser.PiecewiseChunks();
    BuildIndex(build, observer);
    return parser.DocumentCount();
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
