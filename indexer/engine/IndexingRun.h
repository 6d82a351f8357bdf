// The indexing run: from the file list to a finished index file set. Loads
// the stopwords, reads every listed document, stores the word entries and
// table-of-contents lines in chunks of 25 documents, then sorts the words
// and builds the index.
#pragma once

#include <cstdint>
#include <string>

#include "indexer/engine/ParsingPhase.h"
#include "indexer/engine/ProjectFile.h"
#include "indexer/engine/RunObserver.h"

namespace indexer {

/// Everything one run reads.
struct RunSettings {
    /// Word options and paths. `filelist` and `stopwords` are taken from the
    /// working folder; a relative `database` from the file list's folder.
    TProjectSettings project;
    /// Keep the sorted ".temp" after the run (the command-line word "debug").
    bool keepWorkFile = false;
    /// What a stop request does to the set in use. True (the desktop's
    /// Abort): the run goes on through every phase and publishes what was
    /// read. False (a command-line run ended by a signal): the run ends at
    /// the next phase boundary, deletes its staged files and its work file,
    /// and publishes nothing.
    bool publishWhenStopped = true;
};

/// What a finished run did.
struct RunSummary {
    /// Documents read (the highest document number).
    int documents = 0;
    /// Distinct words in the dictionary.
    std::uint32_t words = 0;
    /// The database name as resolved (base path of every file written).
    std::string databasePath;
    /// Entries of the file list that named a path but matched no file.
    int entriesWithoutDocument = 0;
    /// True when the run ended early because a stop was requested.
    bool stopped = false;
    /// False when a stop ended the run without publishing (the set in use
    /// is then as it was before the run).
    bool published = true;
};

/// Runs the indexer. Phases "Parsing Files", "Sorting Words", "Building
/// Index", "Done" are shown through the observer, which is also asked for
/// stops before and after each document. A stop does not skip phases: what
/// was read is still written, and the index then holds the words gathered
/// before it (unless `publishWhenStopped` is false, see RunSettings). A run
/// whose file list has no entry, or whose entries name only files that are
/// gone by the time they are opened, writes a valid index set without words.
/// The new ".toc", ".dct", ".ndx", ".hsh", ".ext", ".lst" and ".cpg" (a
/// Windows-1250 or UTF-8 set only) are
/// written under their staged names ("DataBase.toc.new") and renamed into
/// place when the run ends, stopped or not (PublishStagedSet); until then
/// the previous set stays as it was. Throws IndexingError ("File list not
/// found: <path>") before touching any file when the file list does not
/// exist, IndexingError ("None of the documents named in <path> exists")
/// when the list has entries and none matched a file, IndexLimitError on
/// the 65,536th document, and platform::IoError when a file cannot be read
/// or written; a run that throws leaves the previous set untouched and
/// deletes its staged files (".temp" stays as the failure left it).
RunSummary RunIndexer(const RunSettings& settings, RunObserver& observer);

/// The stopword string of a stopword file: "," followed by every line (a
/// line ends at CR LF, CR or LF), upper-cased and not trimmed, each followed
/// by ",". Just "," when the path is empty or names no file.
std::string LoadStopwordString(const std::string& stopwordPath);

}  // namespace indexer
