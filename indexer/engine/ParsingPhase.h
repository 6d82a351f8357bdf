// The parsing phase of an indexing run: reads the listed documents in turn
// and writes their word entries to ".temp" and their table-of-contents lines
// to ".toc" every 25 documents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "indexer/engine/DocumentReader.h"
#include "indexer/engine/FileList.h"
#include "indexer/engine/RunObserver.h"
#include "indexer/engine/WorkFileKeys.h"
#include "indexer/engine/WordRules.h"

namespace indexer {

/// Documents whose output is kept in memory before it is written out.
inline constexpr int kDocumentsPerFlush = 25;

/// Word entries a chunk may hold in memory; a chunk that grows beyond is
/// written to ".temp" in sorted pieces (PiecewiseChunk) as it goes, so that
/// 25 very large documents need no more memory than 25 small ones.
inline constexpr std::size_t kChunkEntriesInMemory = 128 * 1024;

/// Reads documents on two cores: two documents of every three are read ahead by a
/// helper thread while the run reads the ones in between. Whatever the
/// helper reads, the run takes its results strictly in document order,
/// with the same observer calls at the same points as when it reads every
/// document itself: before and after each document messages are let
/// through, a stop request is read before each one, and a document read
/// ahead past a stop, a limit or an error is dropped unseen. The files
/// written are the same byte for byte.
class ParsingPhase {
public:
    /// `workPath` and `tocPath` are the files the chunks are appended to;
    /// `undeclared` is the character set of documents that declare none.
    ParsingPhase(WordRules rules, DocumentCharset undeclared, std::string workPath, std::string tocPath,
                 RunObserver& observer);

    /// Shows "Parsing Files", deletes ".temp" and ".toc", then reads every
    /// document of the list until it ends or a stop is requested, and writes
    /// the last chunk. Throws IndexLimitError on the 65,536th document and
    /// platform::IoError when a file cannot be read or written.
    void ParseAll(FileList& list);

    /// Documents read: the highest document number.
    int DocumentCount() const noexcept { return documentNumber_; }

    /// Entries of the list taken so far that named a path but matched no file.
    int EntriesWithoutDocument() const noexcept { return entriesWithoutDocument_; }

    /// The chunks written to ".temp" in several pieces.
    const std::vector<PiecewiseChunk>& PiecewiseChunks() const noexcept { return piecewiseChunks_; }

private:
    struct Pending;
    class Lookahead;

    /// Takes one pending entry in turn; false when the loop ends (a stop).
    bool TakeEntry(Pending& entry, Lookahead& lookahead);
    /// Reads a document on this thread.
    void ReadHere(Pending& entry);
    /// Adds a read document's entries and title line to the chunk.
    void AddToChunk(Pending& entry);
    /// Appends the chunk's word entries gathered so far to ".temp" (an
    /// empty piece only when `evenWhenEmpty`).
    void WritePiece(bool evenWhenEmpty);
    /// Writes the whole chunk: its last piece and its title lines.
    void Flush();

    RunObserver& observer_;
    WordRules rules_;
    DocumentCharset undeclared_;
    std::string workPath_;
    std::string tocPath_;
    DocumentReader reader_;
    std::vector<TTARVOStringList> chunkWords_;
    std::size_t chunkEntries_ = 0;
    std::vector<std::string> titles_;
    std::string buffer_;
    std::uint64_t recordsWritten_ = 0;
    std::uint64_t chunkFirstRecord_ = 0;
    int chunkPieces_ = 0;
    std::vector<PiecewiseChunk> piecewiseChunks_;
    int documentNumber_ = 0;
    int chunkCount_ = 0;
    int entriesWithoutDocument_ = 0;
};

}  // namespace indexer
