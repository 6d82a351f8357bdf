// Fuzz target: the document reader and the word rules on arbitrary bytes.
// Input: a flags byte (listed title, listed URL, document number, and in its
// top bit the project's character set: UTF-8 when set), digit rule byte (its
// top bit: a UTF-8 index set), delimiter length byte and that many delimiter
// bytes (length 0: the default set), then the document.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "indexer/engine/DocumentReader.h"
#include "indexer/engine/WordList.h"
#include "indexer/engine/WordRules.h"
#include "indexfiles/IndexFiles.h"
#include "platform/CodePage.h"
#include "platform/TextLineReader.h"
#include "platform/Utf8Text.h"

namespace {

indexer::WordSettings SettingsFrom(fuzz::InputReader& input) {
    indexer::WordSettings settings;
    const std::uint8_t digits = input.Byte();
    settings.digitmin = digits & 0x07;
    settings.digitmax = (digits >> 3) & 0x0F;
    if (digits & 0x80) settings.codePage = platform::IndexCodePage::Utf8;
    const std::uint8_t delimiterCount = input.Byte() & 0x1F;
    if (delimiterCount > 0) settings.delimiters = std::string(input.Bytes(delimiterCount));
    settings.stopwordString = ",THE,AND,OF,\xC9T\xC9,";
    return settings;
}

/// Every word entry the reader makes has the fixed "%-27.27s:%5.5d" form,
/// holds an upper-cased word without a line-break or tab byte and, when the
/// blank ends words (so the padding is no part of one) and the word is
/// shorter than its field, one that the word rules accept.
void CheckEntries(const indexer::TTARVOStringList& words, const std::vector<std::string>& titles,
                  const indexer::WordRules& rules) {
    for (std::size_t i = 0; i < words.Count(); ++i) {
        const std::string_view entry = words.At(i);
        if (entry.size() != indexfiles::kWorkEntryLength) fuzz::Fail("word entry of the wrong length");
        if (entry[indexer::kStoredWordLength] != ':') fuzz::Fail("word entry without its colon");
        const std::string_view stored = entry.substr(0, indexer::kStoredWordLength);
        const bool utf8 = rules.CodePage() == platform::IndexCodePage::Utf8;
        if (platform::UpperIn(rules.CodePage(), stored) != stored) fuzz::Fail("stored word not upper-cased");
        if (utf8 && !platform::IsValidUtf8(stored)) fuzz::Fail("stored word cut inside a character");
        if (stored.find_first_of(indexer::kFixedDelimiters) != std::string_view::npos)
            fuzz::Fail("stored word holds a line-break or tab byte");
        if (!rules.InDelimiterSet(' ')) continue;
        const std::string_view word = stored.substr(0, stored.find_last_not_of(' ') + 1);
        if (word.empty()) fuzz::Fail("empty word stored");
        // A UTF-8 word may be cut below the field's width, so only a whole one is judged.
        if (!utf8 && word.size() < indexer::kStoredWordLength && !rules.AcceptWord(word))
            fuzz::Fail("stopword or refused number stored");
    }
    if (titles.size() != 1) fuzz::Fail("a document gave other than one title line");
    if (titles.front().size() != indexfiles::kTocLineLength) fuzz::Fail("title line of the wrong length");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.Byte();
    const indexer::WordRules rules(SettingsFrom(input));
    const std::string_view document = input.Rest();

    // One reader for the run per project character set, as the indexer keeps one.
    static indexer::DocumentReader windows1252Reader(indexer::DocumentCharset::Windows1252);
    static indexer::DocumentReader utf8Reader(indexer::DocumentCharset::Utf8);
    indexer::DocumentReader& reader = (flags & 0x80) ? utf8Reader : windows1252Reader;
    indexer::TTARVOStringList words;
    std::vector<std::string> titles;
    auto lines = platform::TextLineReader::FromBytes(document);
    const std::string_view entryTitle = (flags & 1) ? "Listed title" : "";
    const std::string_view entryUrl = (flags & 2) ? "http://www.example.org/page.htm" : "";
    const int documentNumber = 1 + ((flags >> 2) & 0x1F) * 2000;
    reader.Read(lines, documentNumber, "site/page.htm", entryTitle, entryUrl, rules, words, titles);
    CheckEntries(words, titles, rules);

    // The word rules on their own, at every position of the document's first bytes.
    const std::string_view head = document.substr(0, 256);
    for (std::size_t i = 0; i < head.size(); ++i) (void)rules.IsDelimiter(head, i);
    (void)rules.AcceptWord(head);
    (void)indexer::WordRules::NumberDigits(head);
    char stored[indexer::kStoredWordLength];
    if (indexer::WordRules::StoredWord(head, stored) > indexer::kStoredWordLength) fuzz::Fail("stored word too long");

    // The UTF-8 reading never lengthens a text: one byte at most per sequence.
    if (platform::Utf8ToWindows1252Text(document).size() > document.size()) fuzz::Fail("UTF-8 reading grew the text");
    return 0;
}
