// The indexing run.
#include "indexer/engine/IndexingRun.h"

#include <utility>
#include <vector>

#include "indexer/engine/FileList.h"
#include "indexer/engine/IndexBuilder.h"
#include "indexer/engine/IndexSetPublisher.h"
#include "indexer/engine/IndexingError.h"
#include "indexer/engine/ParsingPhase.h"
#include "indexer/engine/WordRules.h"
#include "indexfiles/IndexFiles.h"
#include "platform/BufferedWriter.h"
#include "platform/CodePage.h"
#include "platform/DateTimeText.h"
#include "platform/File.h"
#include "platform/PathNames.h"
#include "platform/TextLineReader.h"

namespace indexer {

using indexfiles::IndexFile;
using indexfiles::IndexFileName;
using indexfiles::kDictionaryRecordSize;

namespace {

std::uint32_t DictionaryWords(const std::string& databasePath) {
    platform::FileHandle file = platform::FileHandle::Open(IndexFileName(databasePath, IndexFile::Dictionary),
                                                           platform::FileHandle::Mode::Read);
    if (!file.IsOpen()) return 0;
    return static_cast<std::uint32_t>(file.Size() / static_cast<std::int64_t>(kDictionaryRecordSize));
}

/// True when the run must end now without publishing: a stop was asked for
/// and the settings keep the set in use then.
bool EndsUnpublished(const RunSettings& settings, RunObserver& observer) {
    return !settings.publishWhenStopped && observer.StopRequested();
}

/// Deletes what a run that publishes nothing has written: its staged files
/// and its work file.
void DiscardRun(const std::string& databasePath) {
    RemoveStagedSet(databasePath);
    platform::RemoveFile(IndexFileName(databasePath, IndexFile::WorkFile));
}

/// Stages the ".cpg" file of a Windows-1250 or UTF-8 set. A Windows-1252
/// set has none, so publishing removes one that an earlier set left.
void WriteCodePageFile(const std::string& databasePath, platform::IndexCodePage codePage) {
    if (codePage == platform::IndexCodePage::Windows1252) return;
    platform::WriteWholeFile(StagedIndexFileName(databasePath, IndexFile::CodePage),
                             indexfiles::FormatCodePageLine(platform::CodePageName(codePage)));
}

/// Parses the documents and, unless the run ends unpublished, builds the
/// index under the staged names; fills the summary's counts.
void ParseAndBuild(const RunSettings& settings, std::string stopwordString, FileList& list, RunSummary& summary,
                   RunObserver& observer) {
    const TProjectSettings& project = settings.project;
    const std::string& databasePath = summary.databasePath;
    ParsingPhase parser(WordRules(WordSettings{project.delimiters, std::move(stopwordString), project.digitmin,
                                               project.digitmax, project.codePage}),
                        project.charset, IndexFileName(databasePath, IndexFile::WorkFile),
                        StagedIndexFileName(databasePath, IndexFile::TableOfContents), observer);
    parser.ParseAll(list);
    summary.documents = parser.DocumentCount();
    summary.entriesWithoutDocument = parser.EntriesWithoutDocument();
    // A list read to its end whose entries all missed almost always names the
    // wrong folder: publishing an empty set would empty the site's search.
    if (summary.documents == 0 && summary.entriesWithoutDocument > 0 && !observer.StopRequested())
        throw IndexingError("None of the documents named in " + project.filelist + " exists");
    if (EndsUnpublished(settings, observer)) return;
    BuildSettings build{databasePath, project.dumpwords, settings.keepWorkFile};
    build.staged = true;
    build.piecewiseChunks = parser.PiecewiseChunks();
    BuildIndex(build, observer);
    WriteCodePageFile(databasePath, project.codePage);
}

}  // namespace

std::string LoadStopwordString(const std::string& stopwordPath) {
    std::string stopwords = ",";
    if (stopwordPath.empty() || !platform::FileExists(stopwordPath)) return stopwords;
    platform::TextLineReader reader(stopwordPath, platform::LoneLineFeed::EndsLine);
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
    if (!project.stopwords.empty() && !platform::FileExists(project.stopwords))
        observer.ShowStopwordFileMissing(project.stopwords);
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
        ParseAndBuild(settings, std::move(stopwordString), list, summary, observer);
        if (EndsUnpublished(settings, observer)) {
            DiscardRun(summary.databasePath);
            summary.stopped = true;
            summary.published = false;
            observer.ShowEndTime(platform::CurrentDateTimeText());
            return summary;
        }
        PublishStagedSet(summary.databasePath);
    } catch (...) {
        // The published set stays the one the site was using.
        RemoveStagedSet(summary.databasePath);
        throw;
    }
    summary.words = DictionaryWords(summary.databasePath);
    // Without publishing on a stop, a stop that comes after the last check
    // finds the new set published whole: the run then counts as finished.
    summary.stopped = settings.publishWhenStopped && observer.StopRequested();
    observer.ShowEndTime(platform::CurrentDateTimeText());
    observer.ShowCurrentStep("Done");
    return summary;
}

}  // namespace indexer
