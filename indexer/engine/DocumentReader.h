// The document reader: turns one HTML page or text file into its word
// entries and its one table-of-contents line.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/IndexFiles.h"
#include "indexer/engine/WordList.h"
#include "indexer/engine/WordRules.h"
#include "platform/TextLineReader.h"

namespace indexer {

/// Width of the URL and of the title in a table-of-contents line.
inline constexpr std::size_t kTitleLineUrlWidth = kTocUrlWidth;
inline constexpr std::size_t kTitleLineTitleWidth = kTocTitleWidth;
/// Length of a table-of-contents line as the reader makes it: the record without its CR LF.
inline constexpr std::size_t kTitleLineLength = kTocRecordSize - 2;
/// Length of a word entry for document numbers 0 to 99999 (word, ':', 5
/// digits): the work file record without its CR LF.
inline constexpr std::size_t kWordEntryLength = kWorkRecordSize - 2;
static_assert(kWordEntryLength == kStoredWordLength + 1 + kWorkNumberWidth);
/// Room that FormatWordEntry may need for any int document number.
inline constexpr std::size_t kWordEntryCapacity = kStoredWordLength + 1 + 16;

/// Writes the "%-27.27s:%5.5d" entry of a word and a document number into
/// `out` (kWordEntryCapacity bytes); returns its length. The word is cut or
/// blank-padded to 27 bytes; the number gets at least 5 digits.
std::size_t FormatWordEntry(std::string_view word, int documentNumber, char* out) noexcept;
/// The same entry as a string.
std::string FormatWordEntry(std::string_view word, int documentNumber);

/// The "%-255.255s%-100.100s" line of a URL and a title: each cut or
/// blank-padded to its width, 355 bytes in all.
std::string FormatTitleLine(std::string_view url, std::string_view title);

/// "Title for %s is undefined", the title of a document that names none.
std::string UndefinedTitle(std::string_view url);

/// Reads documents one after another. Holds only buffers that it reuses from
/// one document to the next; no scanner state is carried between documents.
/// Keeping one reader for a whole run saves their allocation per document.
class DocumentReader {
public:
    DocumentReader();
    ~DocumentReader();
    DocumentReader(const DocumentReader&) = delete;
    DocumentReader& operator=(const DocumentReader&) = delete;
    DocumentReader(DocumentReader&&) noexcept;
    DocumentReader& operator=(DocumentReader&&) noexcept;

    /// Reads `document` to its end. Adds each accepted word as a
    /// "%-27.27s:%5.5d" entry with `documentNumber` to `words`, and then
    /// exactly one table-of-contents line to `titles`. The line's URL is
    /// `entryUrl`, or `documentPath` when that is empty; its title is
    /// `entryTitle` when not empty, else the one the document names, else the
    /// "Title for %s is undefined" text. Throws platform::IoError when the
    /// document cannot be read; `words` may then hold part of its entries.
    void Read(platform::TextLineReader& document, int documentNumber, std::string_view documentPath,
              std::string_view entryTitle, std::string_view entryUrl, const WordRules& rules,
              TTARVOStringList& words, std::vector<std::string>& titles);

private:
    struct Buffers;
    std::unique_ptr<Buffers> buffers_;
};

/// Reads one document with a reader of its own; see DocumentReader::Read.
void ReadDocument(platform::TextLineReader& document, int documentNumber, std::string_view documentPath,
                  std::string_view entryTitle, std::string_view entryUrl, const WordRules& rules,
                  TTARVOStringList& words, std::vector<std::string>& titles);

}  // namespace indexer
