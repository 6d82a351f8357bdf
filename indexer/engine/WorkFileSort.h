// Sorting the work file ".temp" in place by its 27-byte word field, in
// ordinal (unsigned byte) order, before the index is built.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "indexer/engine/RunObserver.h"
#include "indexer/engine/WorkFileKeys.h"

namespace indexer {

/// Sorts the 35-byte records of the work file at `workFilePath` in place by
/// their word field. Records with equal words end in no particular order.
/// Does nothing when the file does not exist; an empty file is not read.
/// Shows "Sorting Words", turns the activity indicator and lets pending
/// messages through on every partition step; a stop request ends the sort at
/// the next partition and leaves the file partly sorted. Memory stays bounded
/// whatever the file's size. Throws platform::IoError on a file error, and
/// IndexingError when the file's size is not a whole number of records.
void SortWorkFile(const std::string& workFilePath, RunObserver& observer);

/// The same sort, with the same indicator turns, message points and stop
/// checks, made on the work file's keys (WorkFileKeys) instead of its
/// records: the keys end in exactly the order that SortWorkFile leaves the
/// records in, and the work file itself is not changed. `piecewiseChunks`
/// names the chunks that the parsing phase wrote in pieces. Returns the
/// sorted keys; nullptr when there is no work file or an empty one, or when
/// the file is not one that the parsing phase writes, in which case the
/// file itself has been sorted by SortWorkFile's rule.
std::unique_ptr<WorkFileKeys> SortWorkFileKeys(const std::string& workFilePath,
                                               const std::vector<PiecewiseChunk>& piecewiseChunks,
                                               RunObserver& observer);

}  // namespace indexer
