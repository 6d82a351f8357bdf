// The dictionary's promise to the search program, on index sets built from
// documents: words unique, strictly ascending as 27-byte blank-padded fields
// in unsigned byte order, and never empty; tokens made only of control
// characters leave no trace in the set.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "IndexTestSupport.h"
#include "indexer/engine/IndexingRun.h"
#include "indexfiles/IndexFiles.h"

namespace indexer {
namespace {

using namespace indexfiles;

using test_support::ReadBytes;
using test_support::SameBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

/// What breaks the promise in a dictionary's bytes, or "" when nothing does.
std::string DictionaryFault(const std::string& dct) {
    if (dct.size() % kDictionaryRecordSize != 0) return "the size is not a whole number of records";
    const std::string blanks(kWordWidth, ' ');
    for (std::size_t at = 0; at < dct.size(); at += kDictionaryRecordSize) {
        const std::string record = "record " + std::to_string(at / kDictionaryRecordSize);
        const char* field = dct.data() + at + 1;
        if (static_cast<unsigned char>(dct[at]) != kWordWidth) return record + ": the length byte is not 27";
        if (std::string_view(field, kWordWidth) == blanks) return record + ": the word is empty";
        if (at > 0 && std::memcmp(field - kDictionaryRecordSize, field, kWordWidth) >= 0)
            return record + ": the word does not sort after the one before it";
    }
    return "";
}

/// Control characters that end no word (Tab, LF and CR always do); not
/// Ctrl-Z, which ends a text file.
const std::string kControls = "\x01\x02\x03\x07\x08\x0B\x0C\x0E\x10\x1B\x1C\x1F";

/// Documents of words of every shape, the same for a seed: letters in both
/// cases, accented letters, signs outside the delimiter set, numbers, words
/// longer than the word field, control characters at the start or inside a
/// word, and tokens of control characters only, which can be left out.
class DocumentMaker {
public:
    explicit DocumentMaker(unsigned seed) : random_(seed) {}

    /// The next document's text.
    std::string Next(bool withControlOnlyTokens) {
        std::string text;
        for (int n = Pick(40, 120); n > 0; --n) {
            const bool controlOnly = Pick(0, 9) == 0;
            const std::string token = controlOnly ? Run(kControls, Pick(1, 3)) : Word();
            if (!controlOnly || withControlOnlyTokens) text += token;
            text += Pick(0, 7) == 0 ? "\r\n" : Pick(0, 5) == 0 ? ", " : " ";
        }
        return text;
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    std::string Run(const std::string& alphabet, int length) {
        std::string run;
        const int last = static_cast<int>(alphabet.size()) - 1;
        for (; length > 0; --length) run += alphabet[static_cast<std::size_t>(Pick(0, last))];
        return run;
    }

    /// A word that ends in no control character.
    std::string Word() {
        static const std::string letters = "abcdeABCDExyzXYZ";
        switch (Pick(0, 6)) {
            case 0: return Run(kControls, Pick(1, 2)) + Run(letters, Pick(1, 5));
            case 1: return Run(letters, Pick(1, 3)) + Run(kControls, 1) + Run(letters, Pick(1, 3));
            case 2: return Run("\xC0\xC9\xE0\xE9\xFC\xDF", Pick(1, 2)) + Run(letters, Pick(0, 3));
            case 3: return Run("@_^|`\\", 1) + Run(letters, Pick(1, 4));
            case 4: return std::to_string(Pick(0, 20000)) + (Pick(0, 1) ? ",000" : ".5");
            case 5: return Run(letters, Pick(26, 34));
            default: return Run(letters, Pick(1, 6));
        }
    }

    std::mt19937 random_;
};

/// Writes one text file per entry of `texts` into `folder` and indexes them
/// with the word dump, numbers of any length taken and the stopword file
/// `stopwords` if any; returns the database name.
std::string IndexTexts(const TempFolder& folder, const std::vector<std::string>& texts,
                       const std::string& stopwords = "") {
    std::string list;
    for (std::size_t d = 0; d < texts.size(); ++d) {
        const std::string name = "doc" + std::to_string(d + 1) + ".txt";
        WriteBytes(folder / name, texts[d]);
        list += name + "\r\n";
    }
    RunSettings settings = test_support::SettingsForList(folder, list);
    settings.project.dumpwords = true;
    settings.project.digitmin = 1;
    if (!stopwords.empty()) {
        WriteBytes(folder / "stop.txt", stopwords);
        settings.project.stopwords = folder / "stop.txt";
    }
    RunObserver quiet;
    RunIndexer(settings, quiet);
    return folder / "DataBase";
}

/// Indexes `documents` documents of the maker's in `folder`; returns the database name.
std::string IndexDocuments(const TempFolder& folder, DocumentMaker maker, int documents, bool withControlOnlyTokens) {
    std::vector<std::string> texts;
    for (int d = 1; d <= documents; ++d) texts.push_back(maker.Next(withControlOnlyTokens));
    return IndexTexts(folder, texts);
}

TEST(DictionaryOrder, DictionariesOfVariedDocumentsAreUniqueAscendingAndNeverEmpty) {
    // 60 documents: the work file holds three chunks, so the chunks' words are merged.
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        TempFolder folder;
        const std::string dct = ReadBytes(IndexDocuments(folder, DocumentMaker(seed), 60, true) + ".dct");
        EXPECT_GT(dct.size(), 100 * kDictionaryRecordSize);
        EXPECT_EQ(DictionaryFault(dct), "");
    }
}

// The sort leaves the entries of one word in no particular order, and the
// entries of the dropped tokens take part in it: a posting list may list its
// documents in another order, never other documents.
TEST(DictionaryOrder, TokensOfControlCharactersOnlyLeaveNoTraceInTheSet) {
    for (const unsigned seed : {1u, 2u}) {
        SCOPED_TRACE(seed);
        TempFolder with, without;
        const std::string withBase = IndexDocuments(with, DocumentMaker(seed), 60, true);
        const std::string withoutBase = IndexDocuments(without, DocumentMaker(seed), 60, false);
        EXPECT_NE(ReadBytes(with / "doc1.txt"), ReadBytes(without / "doc1.txt"));
        for (const char* ext : {".toc", ".dct", ".hsh", ".lst"})
            EXPECT_TRUE(SameBytes(ReadBytes(withBase + ext), ReadBytes(withoutBase + ext))) << ext;
        EXPECT_TRUE(SameBytes(test_support::OrderedPostingLists(ReadBytes(withBase + ".ndx")),
                              test_support::OrderedPostingLists(ReadBytes(withoutBase + ".ndx"))));
    }
}

// Control characters at the end of a word are not kept in the dictionary, so
// such a word is the plain word: one dictionary entry, one posting list,
// never a second CAT sorted after CAT^AS where a search would miss it, and
// refused where the plain word is a stopword.
TEST(DictionaryOrder, AWordEndingInControlCharactersIsThePlainWord) {
    TempFolder ending, plain;
    const std::string endingBase = IndexTexts(
        ending, {"cat\x01 cat\x01s dog the\x01", "Cat", "cat\x02\x1F zebra\x0B", std::string(26, 'x') + "\x01yz"},
        "the\r\n");
    const std::string plainBase =
        IndexTexts(plain, {"cat cat\x01s dog the", "Cat", "cat zebra", std::string(26, 'x')}, "the\r\n");
    const std::string dct = ReadBytes(endingBase + ".dct");
    EXPECT_EQ(DictionaryFault(dct), "");
    EXPECT_EQ(dct.size(), 5 * kDictionaryRecordSize);  // CAT, CAT^AS, DOG, XX...X, ZEBRA
    for (const char* ext : {".dct", ".hsh", ".lst"})
        EXPECT_TRUE(SameBytes(ReadBytes(endingBase + ext), ReadBytes(plainBase + ext))) << ext;
    EXPECT_TRUE(SameBytes(test_support::OrderedPostingLists(ReadBytes(endingBase + ".ndx")),
                          test_support::OrderedPostingLists(ReadBytes(plainBase + ".ndx"))));
}

}  // namespace
}  // namespace indexer
