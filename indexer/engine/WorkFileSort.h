// Sorting the work file ".temp" in place by its 27-byte word field, in
// ordinal (unsigned byte) order, before the index is built.
#pragma once

#include <string>

#include "indexer/engine/RunObserver.h"

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

}  // namespace indexer
