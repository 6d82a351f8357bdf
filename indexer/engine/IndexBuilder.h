// The index builder: sorts the run's work file and turns it, in one
// sequential pass with constant memory, into the dictionary, the posting
// file, the prefix hash file, the block letter file and the optional word dump.
#pragma once

#include <string>
#include <vector>

#include "indexer/engine/RunObserver.h"
#include "indexer/engine/WorkFileKeys.h"

namespace indexer {

/// What one build needs to know.
struct BuildSettings {
    /// Base path of every file written (".temp" is read from it too).
    std::string databaseName;
    /// Also write the word dump ".lst".
    bool dumpwords = false;
    /// Keep the sorted ".temp" after the build (the command-line word "debug").
    bool keepWorkFile = false;
    /// Write the files under their staged names ("DataBase.dct.new"), for
    /// the run to publish them when it ends without an error. ".temp" is
    /// read and kept or deleted under its own name either way.
    bool staged = false;
    /// The chunks that the parsing phase wrote to ".temp" in several sorted
    /// pieces; the sort takes each as the one chunk it stands for.
    std::vector<PiecewiseChunk> piecewiseChunks{};
};

/// Sorts `databaseName + ".temp"` (SortWorkFileKeys: the work file's keys,
/// in the order that SortWorkFile gives its records; with `keepWorkFile`
/// the sorted records are written back to ".temp"), then writes
/// ".dct", ".ndx", ".hsh", ".ext" (or deletes it) and, with `dumpwords`,
/// ".lst" (deleted first either way); with `staged`, each under its staged
/// name, leaving the published files alone. A record whose word is empty
/// once its trailing blanks and control characters are removed is dropped.
/// A missing work file builds an index set without words. A stop
/// request ends the pass; the words read before it are still written.
/// Shows "Building Index" in CurrentStep and the word count in wordTotal.
/// Throws platform::IoError on a read or write error, and IndexLimitError
/// when the dictionary would exceed the words the block letter file can
/// describe (654,999).
void BuildIndex(const BuildSettings& settings, RunObserver& observer);

}  // namespace indexer
