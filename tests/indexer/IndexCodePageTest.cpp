// Index sets in Windows-1250 and UTF-8: the words, titles and entities a
// document gives in each, the ".cpg" file of a run, and the setting.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "IndexTestSupport.h"
#include "indexer/engine/DocumentCharset.h"
#include "indexer/engine/DocumentReader.h"
#include "indexer/engine/EntityDecoder.h"
#include "indexer/engine/IndexingRun.h"
#include "indexer/engine/ProjectFile.h"
#include "indexfiles/IndexFiles.h"
#include "platform/Utf8Text.h"

namespace indexer {
namespace {

using platform::IndexCodePage;
using Strings = std::vector<std::string>;
using test_support::Exists;
using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

struct Scanned {
    Strings words;  ///< stored words, blanks and document number removed
    std::string title;
    std::string url;
};

/// The words in byte order, the order of the word list.
Strings Sorted(Strings words) {
    std::sort(words.begin(), words.end());
    return words;
}

std::string Trimmed(std::string text) { return text.erase(text.find_last_not_of(' ') + 1); }

Scanned Scan(std::string_view bytes, IndexCodePage codePage, DocumentCharset undeclared = DocumentCharset::Utf8,
             std::string_view path = "doc.htm", WordSettings settings = {}) {
    settings.codePage = codePage;
    const WordRules rules(settings);
    TTARVOStringList words;
    std::vector<std::string> titles;
    auto document = platform::TextLineReader::FromBytes(bytes);
    ReadDocument(document, 1, path, "", "", rules, words, titles, undeclared);
    Scanned result;
    for (std::size_t i = 0; i < words.Count(); ++i)
        result.words.push_back(Trimmed(std::string(words.At(i).substr(0, kStoredWordLength))));
    result.words = Sorted(std::move(result.words));
    result.url = Trimmed(titles.at(0).substr(0, indexfiles::kTocUrlWidth));
    result.title = Trimmed(titles.at(0).substr(indexfiles::kTocUrlWidth));
    return result;
}

Strings ScanWords(std::string_view bytes, IndexCodePage codePage, DocumentCharset undeclared = DocumentCharset::Utf8) {
    return Scan(bytes, codePage, undeclared).words;
}

// ---- UTF-8 sets ---------------------------------------------------------------

TEST(Utf8IndexSet, EveryScriptGivesItsUpperCasedWords) {
    const IndexCodePage utf8 = IndexCodePage::Utf8;
    EXPECT_EQ(ScanWords("Η γλώσσα μας, αλφάβητο.", utf8), Sorted({"Η", "ΓΛΏΣΣΑ", "ΜΑΣ", "ΑΛΦΆΒΗΤΟ"}));
    EXPECT_EQ(ScanWords("Привет, мир! Ёлка", utf8), Sorted({"ПРИВЕТ", "МИР", "ЁЛКА"}));
    EXPECT_EQ(ScanWords("Zażółć gęślą jaźń", utf8), Sorted({"ZAŻÓŁĆ", "GĘŚLĄ", "JAŹŃ"}));
    EXPECT_EQ(ScanWords("Příliš žluťoučký kůň", utf8), Sorted({"PŘÍLIŠ", "ŽLUŤOUČKÝ", "KŮŇ"}));
    EXPECT_EQ(ScanWords("çalışkan ığdır", utf8), Sorted({"ÇALIŞKAN", "IĞDIR"}));
    EXPECT_EQ(ScanWords("Straße", utf8), Sorted({"STRAßE"}));
}

TEST(Utf8IndexSet, HanKanaAndThaiCharactersAreWordsOfTheirOwn) {
    const IndexCodePage utf8 = IndexCodePage::Utf8;
    EXPECT_EQ(ScanWords("東京タワーへ行く。", utf8), Sorted({"東", "京", "タ", "ワ", "ー", "へ", "行", "く"}));
    // A character of such a script ends the word before it; marks stay with it.
    EXPECT_EQ(ScanWords("abc漢def", utf8), Sorted({"ABC", "漢", "DEF"}));
    EXPECT_EQ(ScanWords("กิน", utf8), Sorted({"กิ", "น"}));
}

TEST(Utf8IndexSet, AsciiKeepsTheDelimiterRulesAndOtherPunctuationSeparates) {
    WordSettings settings;
    settings.digitmin = 1;
    settings.delimiters = " .\x96\xAB";  // the en dash and << of Windows-1252 mean nothing here
    Scanned scanned = Scan("3.14 x-ray «Ωμέγα» a–b", IndexCodePage::Utf8, DocumentCharset::Utf8, "d", settings);
    EXPECT_EQ(scanned.words, Sorted({"3.14", "X-RAY", "ΩΜΈΓΑ", "A", "B"}));
    // A decomposed letter is composed first; a soft hyphen vanishes; a no-break space separates.
    EXPECT_EQ(ScanWords("cafe\xCC\x81 Silben\xC2\xADtrennung a\xC2\xA0"
                        "b",
                        IndexCodePage::Utf8),
              Sorted({"CAFÉ", "SILBENTRENNUNG", "A", "B"}));
}

TEST(Utf8IndexSet, WindowsDocumentsAreReadIntoUtf8) {
    EXPECT_EQ(ScanWords("caf\xE9 \x8Aporak", IndexCodePage::Utf8, DocumentCharset::Windows1252),
              Sorted({"CAFÉ", "ŠPORAK"}));
    EXPECT_EQ(ScanWords("<meta charset=iso-8859-2>\xB1\xEA", IndexCodePage::Utf8), Sorted({"ĄĘ"}));
}

TEST(Utf8IndexSet, LongWordsTitlesAndUrlsAreCutAtACharacterBoundary) {
    // 14 two-byte letters: 28 bytes, so the 27-byte field holds 13 of them.
    const std::string word = "жжжжжжжжжжжжжж";
    EXPECT_EQ(ScanWords(word, IndexCodePage::Utf8), Sorted({"ЖЖЖЖЖЖЖЖЖЖЖЖЖ"}));
    std::string title;
    for (int i = 0; i < 34; ++i) title += "語";                             // 102 bytes
    std::string url = "http://example.com/" + std::string(235, 'a') + "é";  // the é would end at byte 256
    const Scanned scanned = Scan("<title>" + title + "</title>", IndexCodePage::Utf8, DocumentCharset::Utf8, url);
    EXPECT_EQ(scanned.title.size(), 99u);
    EXPECT_EQ(scanned.title, title.substr(0, 99));
    EXPECT_EQ(scanned.url, url.substr(0, 254));
}

TEST(Utf8IndexSet, StopwordsAndMetaKeywordsUseUnicodeCase) {
    WordSettings settings;
    settings.stopwordString =
        ",\xDC"
        "BER,";  // ÜBER as Windows-1252
    const Scanned scanned = Scan("<meta name=keywords content=\"μήλο, 林檎\">über Äpfel", IndexCodePage::Utf8,
                                 DocumentCharset::Utf8, "d", settings);
    EXPECT_EQ(scanned.words, Sorted({"ΜΉΛΟ", "林", "檎", "ÄPFEL"}));
    const Scanned titled = Scan("<meta name=tarvotitle content=\"ελληνικά\">", IndexCodePage::Utf8);
    EXPECT_EQ(titled.title, "ΕΛΛΗΝΙΚΆ");
}

TEST(Utf8IndexSet, ALineReadPieceByPieceGivesWhatTheWholeLineConvertedGives) {
    // Marks after ASCII letters, spaces, format characters, other scripts
    // and malformed bytes, in long lines as documents without line ends have.
    const std::string_view parts[] = {"e",        "\xCC\x81",     " ",    "\xC2\xA0", "\xC2\xAD",  "word",
                                      "\xCE\xB1", "\xE6\x97\xA5", "\xC3", "\xA9",     "c\xCC\x8C", "3.5"};
    std::mt19937 random(17);
    for (int round = 0; round < 50; ++round) {
        std::string line;
        for (int i = 0; i < 300; ++i) line += parts[random() % std::size(parts)];
        const std::string utf8 = platform::ConvertText(line, platform::TextCharset::Utf8, IndexCodePage::Utf8);
        EXPECT_EQ(ScanWords(line, IndexCodePage::Utf8), ScanWords(utf8, IndexCodePage::Utf8)) << line;
        const std::string cp1250 = platform::ConvertText(line, platform::TextCharset::Utf8, IndexCodePage::Windows1250);
        EXPECT_EQ(ScanWords(line, IndexCodePage::Windows1250),
                  ScanWords(cp1250, IndexCodePage::Windows1250, DocumentCharset::Windows1250))
            << line;
    }
}

// ---- Windows-1250 sets --------------------------------------------------------

TEST(Cp1250IndexSet, EveryDeclarationGivesTheSameWords) {
    const Strings expected = Sorted({"\x8A\x8CIRO", "\xA3\xD3\xAF\xCA\xC8"});  // ŠŚIRO ŁÓŻĘČ in Windows-1250
    const IndexCodePage cp1250 = IndexCodePage::Windows1250;
    EXPECT_EQ(ScanWords("<meta charset=\"windows-1250\">\x9A\x9Ciro \xB3\xF3\xBF\xEA\xE8", cp1250), expected);
    EXPECT_EQ(ScanWords("<meta http-equiv=Content-Type content='text/html; charset=latin2'>\xB9\xB6iro "
                        "\xB3\xF3\xBF\xEA\xE8",
                        cp1250),
              expected);
    EXPECT_EQ(ScanWords("<meta charset=utf-8>šśiro łóżęč", cp1250), expected);
    EXPECT_EQ(ScanWords("\x9A\x9Ciro \xB3\xF3\xBF\xEA\xE8", cp1250, DocumentCharset::Windows1250), expected);
}

TEST(Cp1250IndexSet, AWindows1252SetReadsDeclaredCentralEuropeanPagesAsBefore) {
    EXPECT_EQ(ScanWords("<meta charset=windows-1250>\xB3\xF3", IndexCodePage::Windows1252), Sorted({"\xB3\xD3"}));
    EXPECT_EQ(ScanWords("<meta charset=iso-8859-2>\xB3\xF3", IndexCodePage::Windows1252), Sorted({"\xB3\xD3"}));
}

TEST(Cp1250IndexSet, DelimitersAndStopwordsAreConvertedFromWindows1252) {
    WordSettings settings;
    settings.stopwordString =
        ",\x8A"
        "E,";                       // ŠE
    settings.delimiters = " \x96";  // the en dash is at 0x96 in both
    const Scanned scanned = Scan(
        "\x9A"
        "e a\x96"
        "b",
        IndexCodePage::Windows1250, DocumentCharset::Windows1250, "d", settings);
    EXPECT_EQ(scanned.words, Sorted({"A", "B"}));
}

// ---- Entities -----------------------------------------------------------------

TEST(EntitiesInEachSet, AReferenceGivesItsCharacterInTheSetsCodePage) {
    std::string out;
    DecodeEntities("&eacute;&#233;&#945;&#x3B1;&#150;", out, IndexCodePage::Windows1252);
    EXPECT_EQ(out, "\xE9\xE9&#945;&#x3B1;\x96");
    DecodeEntities("&eacute;&#233;&#945;&#x3B1;&#150;&#x10D;&#269;", out, IndexCodePage::Utf8);
    EXPECT_EQ(out, "ééαα–čč");
    DecodeEntities("&eacute;&#233;&#945;&#x3B1;&#150;&#x10D;&#269;&lt;", out, IndexCodePage::Windows1250);
    EXPECT_EQ(out, "\xE9\xE9  \x96\xE8\xE8<");
    // Out of range, a surrogate, or too many digits: as written.
    DecodeEntities("&#x110000;&#xD800;&#12345678;&#x;", out, IndexCodePage::Utf8);
    EXPECT_EQ(out, "&#x110000;&#xD800;&#12345678;&#x;");
}

TEST(EntitiesInEachSet, DocumentsDecodeThemBeforeWords) {
    EXPECT_EQ(ScanWords("&Auml;pfel &#x3B1;&#x3B2;", IndexCodePage::Utf8), Sorted({"ÄPFEL", "ΑΒ"}));
    EXPECT_EQ(ScanWords("&#269;aj", IndexCodePage::Windows1250), Sorted({"\xC8"
                                                                         "AJ"}));
}

// ---- Names, settings and the ".cpg" file -------------------------------------

TEST(CentralEuropeanCharsets, DeclaredNamesAndTheSetting) {
    for (const char* name : {"windows-1250", "CP1250", "x-cp1250"})
        EXPECT_EQ(DeclaredCharset(std::string("<meta charset=") + name + ">"), DocumentCharset::Windows1250) << name;
    for (const char* name : {"iso-8859-2", "ISO8859-2", "iso_8859-2", "latin2", "L2"})
        EXPECT_EQ(DeclaredCharset(std::string("<meta charset=") + name + ">"), DocumentCharset::Iso88592) << name;
    EXPECT_EQ(ParseCharsetSetting("Windows-1250"), DocumentCharset::Windows1250);
    EXPECT_EQ(ParseCharsetSetting("iso-8859-2"), std::nullopt);
    EXPECT_EQ(CharsetSettingName(DocumentCharset::Windows1250), "windows-1250");
}

TEST(ProjectFileCodePage, RoundTripsAndMissingOrUnknownReadsAsWindows1252) {
    TempFolder folder;
    const std::string path = folder / "site.tarvo";
    TProjectSettings saved;
    saved.codePage = IndexCodePage::Utf8;
    SaveProject(path, saved);
    EXPECT_NE(ReadBytes(path).find("codepage=utf-8\r\n"), std::string::npos);
    TProjectSettings loaded;
    LoadProject(path, loaded);
    EXPECT_EQ(loaded.codePage, IndexCodePage::Utf8);
    for (const char* options : {"digitmin=0\r\n", "codepage=koi8-r\r\n"}) {
        WriteBytes(path, std::string("[Options]\r\n") + options);
        LoadProject(path, loaded);
        EXPECT_EQ(loaded.codePage, IndexCodePage::Windows1252) << options;
    }
}

class CodePageFile : public ::testing::Test {
protected:
    RunSettings SettingsWith(IndexCodePage codePage) {
        WriteBytes(folder_ / "a.htm", "<title>Ψ</title>alpha");
        RunSettings settings = test_support::SettingsForList(folder_, "a.htm\r\n");
        settings.project.codePage = codePage;
        return settings;
    }
    void Run(IndexCodePage codePage) {
        RunObserver quiet;
        RunIndexer(SettingsWith(codePage), quiet);
    }
    std::string Cpg() const { return folder_ / "DataBase.cpg"; }
    TempFolder folder_;
};

TEST_F(CodePageFile, WrittenForWindows1250AndUtf8AndNeverForWindows1252) {
    Run(IndexCodePage::Windows1252);
    EXPECT_FALSE(Exists(Cpg()));
    Run(IndexCodePage::Utf8);
    EXPECT_EQ(ReadBytes(Cpg()), "utf-8\r\n");
    EXPECT_FALSE(Exists(Cpg() + ".new"));
    Run(IndexCodePage::Windows1250);
    EXPECT_EQ(ReadBytes(Cpg()), "windows-1250\r\n");
}

TEST_F(CodePageFile, ASetRebuiltAsWindows1252LosesIt) {
    Run(IndexCodePage::Utf8);
    ASSERT_TRUE(Exists(Cpg()));
    const std::string utf8Toc = ReadBytes(folder_ / "DataBase.toc");
    Run(IndexCodePage::Windows1252);
    EXPECT_FALSE(Exists(Cpg()));
    EXPECT_NE(ReadBytes(folder_ / "DataBase.toc"), utf8Toc);  // the title read as Windows-1252 bytes
}

}  // namespace
}  // namespace indexer
