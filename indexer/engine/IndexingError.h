// The indexer's own error: a run that cannot go on for a reason other than
// a file operation (a missing file list, a limit of the index format).
#pragma once

#include <stdexcept>
#include <string>

namespace indexer {

/// Ends a run with a message meant for the user.
class IndexingError : public std::runtime_error {
public:
    explicit IndexingError(const std::string& message) : std::runtime_error(message) {}
};

/// A run or build reached a limit of the index format (65,535 documents,
/// 654,999 dictionary words); the message names the limit.
class IndexLimitError : public IndexingError {
public:
    using IndexingError::IndexingError;
};

}  // namespace indexer
