// The document reader: turns one HTML page or text file into its word
// entries and its one table-of-contents line.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/DocumentCharset.h"
#include "indexer/engine/WordList.h"
#include "indexer/engine/WordRules.h"
#include "platform/TextLineReader.h"

namespace indexer {

/// "Title for %s is undefined", the title of a document that names none.
std::string UndefinedTitle(std::string_view url);

/// Reads documents one after another. Holds only buffers that it reuses from
/// one document to the next; no scanner state is carried between documents.
/// Keeping one reader for a whole run saves their allocation per document.
class DocumentReader {
public:
    /// `undeclared` is the character set of a document that declares none.
    explicit DocumentReader(DocumentCharset undeclared = DocumentCharset::Windows1252);
    ~DocumentReader();
    DocumentReader(const DocumentReader&) = delete;
    DocumentReader& operator=(const DocumentReader&) = delete;
    DocumentReader(DocumentReader&&) noexcept;
    DocumentReader& operator=(DocumentReader&&) noexcept;

    /// Reads `document` to its end, from its start. The document's character
    /// set (by DeclaredCharset on its first bytes, else by the reader's
    /// setting) is read into the code page of `rules` (platform::ConvertText;
    /// in a Windows-1252 set, UTF-8 by platform::Utf8ToWindows1252Text and a
    /// declared Central European set as Windows-1252 bytes) before entities,
    /// tags, the title and words are looked at. In a UTF-8 set the characters
    /// above ASCII go by platform::WordClassOf, and stored words, the title
    /// and the URL are cut at a character boundary. Adds each accepted word as a
    /// "%-27.27s:%5.5d" entry with `documentNumber` to `words`, and then
    /// exactly one table-of-contents line to `titles`. The line's URL is
    /// `entryUrl`, or `documentPath` when that is empty; its title is
    /// `entryTitle` when not empty, else the one the document names, else the
    /// "Title for %s is undefined" text. Throws platform::IoError when the
    /// document cannot be read; `words` may then hold part of its entries.
    void Read(platform::TextLineReader& document, int documentNumber, std::string_view documentPath,
              std::string_view entryTitle, std::string_view entryUrl, const WordRules& rules, TTARVOStringList& words,
              std::vector<std::string>& titles);

private:
    struct Buffers;
    std::unique_ptr<Buffers> buffers_;
    DocumentCharset undeclared_;
};

/// Reads one document with a reader of its own; see DocumentReader::Read.
void ReadDocument(platform::TextLineReader& document, int documentNumber, std::string_view documentPath,
                  std::string_view entryTitle, std::string_view entryUrl, const WordRules& rules,
                  TTARVOStringList& words, std::vector<std::string>& titles,
                  DocumentCharset undeclared = DocumentCharset::Windows1252);

}  // namespace indexer
