// Document reader: word entries and the table-of-contents line of HTML and
// text documents, rule by rule, plus damaged and hostile input.
#include "indexer/engine/DocumentReader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "indexfiles/IndexFiles.h"

namespace {

using indexer::DocumentReader;
using indexer::TTARVOStringList;
using indexer::WordRules;
using indexer::WordSettings;
using Strings = std::vector<std::string>;

/// What one document yields.
struct Scanned {
    Strings entries;        ///< exact word entries, in list order
    Strings words;          ///< the same entries' words, blanks and number removed
    std::string titleLine;  ///< the one table-of-contents line
    std::string url() const { return titleLine.substr(0, 255); }
    std::string title() const { return titleLine.substr(255); }
};

struct ScanInput {
    std::string path = "doc.htm";
    std::string entryTitle;
    std::string entryUrl;
    int number = 1;
    WordSettings settings;
};

std::string WordOf(std::string_view entry) {
    std::string word(entry.substr(0, indexer::kStoredWordLength));
    while (!word.empty() && word.back() == ' ') word.pop_back();
    return word;
}

Scanned ScanWith(std::string_view bytes, const ScanInput& input) {
    const WordRules rules(input.settings);
    TTARVOStringList words;
    std::vector<std::string> titles;
    auto document = platform::TextLineReader::FromBytes(bytes);
    indexer::ReadDocument(document, input.number, input.path, input.entryTitle, input.entryUrl, rules, words, titles);
    EXPECT_EQ(titles.size(), 1u) << "exactly one table-of-contents line per document";
    Scanned result;
    for (std::size_t i = 0; i < words.Count(); ++i) {
        result.entries.emplace_back(words.At(i));
        result.words.push_back(WordOf(words.At(i)));
    }
    result.titleLine = titles.empty() ? std::string() : titles.front();
    EXPECT_EQ(result.titleLine.size(), indexfiles::kTocLineLength);
    return result;
}

Scanned Scan(std::string_view bytes) { return ScanWith(bytes, ScanInput{}); }

Strings WordsOf(std::string_view bytes) { return Scan(bytes).words; }

std::string Padded(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

// ---- Fixed-width texts ---------------------------------------------------------

TEST(DocumentReaderFormats, UndefinedTitleNamesTheDocument) {
    EXPECT_EQ(indexer::UndefinedTitle("x/y.htm"), "Title for x/y.htm is undefined");
}

// ---- Start and end of a document --------------------------------------------------

TEST(DocumentReaderStart, EmptyDocumentHasNoWordAndTheUndefinedTitle) {
    const Scanned empty = Scan("");
    EXPECT_TRUE(empty.entries.empty());
    EXPECT_EQ(empty.titleLine, Padded("doc.htm", 255) + Padded("Title for doc.htm is undefined", 100));
    EXPECT_EQ(Scan("\r\n\r\n\r\n").titleLine, empty.titleLine);
}

TEST(DocumentReaderStart, EntryTitleAndEntryUrlWin) {
    ScanInput input;
    input.entryTitle = "Given title";
    input.entryUrl = "http://site/doc.htm";
    const Scanned scanned = ScanWith("<TITLE>Own title</TITLE>text", input);
    EXPECT_EQ(scanned.url(), Padded("http://site/doc.htm", 255));
    EXPECT_EQ(scanned.title(), Padded("Given title", 100));
    // The TITLE element is not taken, so its words are text words.
    EXPECT_EQ(scanned.words, (Strings{"OWN", "TEXT", "TITLE"}));
}

TEST(DocumentReaderStart, UndefinedTitleNamesTheEntryUrlWhenGiven) {
    ScanInput input;
    input.entryUrl = "http://site/";
    EXPECT_EQ(ScanWith("", input).title(), Padded("Title for http://site/ is undefined", 100));
}

TEST(DocumentReaderStart, EntriesCarryTheDocumentNumber) {
    ScanInput input;
    input.number = 321;
    EXPECT_EQ(ScanWith("word", input).entries, (Strings{"WORD" + std::string(23, ' ') + ":00321"}));
}

// ---- Words of the text --------------------------------------------------------------

struct WordsCase {
    std::string document;
    Strings words;
};

TEST(DocumentReaderWords, TextIsCutUpperCasedAndStoredOnce) {
    const WordsCase cases[] = {
        {"a b", {"A", "B"}},
        {"Hello hello HELLO", {"HELLO"}},
        {"e-mail me@example.com", {"COM", "E", "MAIL", "ME@EXAMPLE"}},
        {"Caf\xE9 na\xEFve \xFF", {"CAF\xC9", "NA\xCFVE", "\x9F"}},
        {"x", {"X"}},
        {"end.", {"END"}},
        {"Pi is 3.14, and 1,000 is 1000", {"AND", "IS", "PI"}},
        {"v.5 is two words", {"IS", "TWO", "V", "WORDS"}},
        // clang-format off
        {"en\x96" "dash", {"DASH", "EN"}},
        // clang-format on
        {"tab\tand\nfeed", {"AND", "FEED", "TAB"}},
    };
    for (const auto& c : cases) EXPECT_EQ(WordsOf(c.document), c.words) << c.document;
}

TEST(DocumentReaderWords, WordNeverContinuesOnTheNextLine) {
    EXPECT_EQ(WordsOf("ab\r\ncd"), (Strings{"AB", "CD"}));
    EXPECT_EQ(WordsOf("a\r\nb\r\n"), (Strings{"A", "B"}));
}

TEST(DocumentReaderWords, LongWordIsStoredUnderItsFirstTwentySevenBytes) {
    const std::string thirty = "abcdefghijklmnopqrstuvwxyzabcd";
    const Scanned scanned = Scan(thirty + " " + thirty.substr(0, 28));
    EXPECT_EQ(scanned.entries, (Strings{"ABCDEFGHIJKLMNOPQRSTUVWXYZA:00001"}));
}

TEST(DocumentReaderWords, NumbersFollowTheDigitRule) {
    ScanInput input;
    input.settings.digitmin = 2;
    input.settings.digitmax = 4;
    EXPECT_EQ(ScanWith("7 42 1,000 3.14159 2026 A1", input).words, (Strings{"1,000", "2026", "42", "A1"}));
}

TEST(DocumentReaderWords, StopwordsAreDropped) {
    ScanInput input;
    input.settings.stopwordString = ",THE,AND,";
    EXPECT_EQ(ScanWith("The cat and the hat", input).words, (Strings{"CAT", "HAT"}));
}

TEST(DocumentReaderWords, LongStopwordHidesOnlyTheWholeLongToken) {
    const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZABCD";
    ScanInput input;
    input.settings.stopwordString = "," + thirty + ",";
    // Refused long token first, then its 27-byte form, which is a word.
    EXPECT_EQ(ScanWith(thirty + " " + thirty.substr(0, 27), input).words, (Strings{thirty.substr(0, 27)}));
    EXPECT_EQ(ScanWith(thirty + " " + thirty.substr(0, 29), input).words, (Strings{thirty.substr(0, 27)}));
    EXPECT_EQ(ScanWith(thirty + " " + thirty, input).words, Strings{});
    // A refused short stopword does not hide a longer token that starts like it.
    input.settings.stopwordString = "," + thirty.substr(0, 27) + ",";
    EXPECT_EQ(ScanWith(thirty.substr(0, 27) + " " + thirty, input).words, (Strings{thirty.substr(0, 27)}));
    EXPECT_EQ(ScanWith(thirty.substr(0, 27) + " x", input).words, (Strings{"X"}));
}

TEST(DocumentReaderWords, LessThanAlwaysOpensATag) {
    ScanInput input;
    input.settings.delimiters = " ";
    EXPECT_EQ(ScanWith("ab<b>cd", input).words, (Strings{"AB", "CD"}));
    EXPECT_EQ(ScanWith("x>y", input).words, (Strings{"X>Y"}));
}

TEST(DocumentReaderWords, LowerCaseLettersInTheDelimiterSetStillSplit) {
    ScanInput input;
    input.settings.delimiters = " x";
    EXPECT_EQ(ScanWith("boxer BOXER", input).words, (Strings{"BO", "BOXER", "ER"}));
}

// ---- Character references ------------------------------------------------------------

TEST(DocumentReaderReferences, DecodedBeforeScanning) {
    const WordsCase cases[] = {
        // clang-format off
        {"caf&eacute; &Eacute;cole", {"CAF\xC9", "\xC9" "COLE"}},
        // clang-format on
        {"AT&T", {"AT", "T"}},
        {"AT&amp;T", {"AT", "T"}},
        {"x &foo; y", {"FOO", "X", "Y"}},
        {"a &lt;b> c", {"A", "C"}},
        {"one&nbsp;two", {"ONE", "TWO"}},
        {"a&#150;b", {"A", "B"}},
        {"&#65;&#66;C", {"ABC"}},
        {"&#1234x", {"1234X"}},  // four digits stay; "#" is a delimiter
        {"a & b", {"A", "B"}},
    };
    for (const auto& c : cases) EXPECT_EQ(WordsOf(c.document), c.words) << c.document;
}

// ---- Tags and comments -----------------------------------------------------------------

TEST(DocumentReaderTags, TagTextIsNeverIndexed) {
    const WordsCase cases[] = {
        {"<P CLASS=intro>Hello</P>", {"HELLO"}},
        {"<!DOCTYPE HTML PUBLIC \"x\">text", {"TEXT"}},
        {"<unknown attr=word>text</unknown>", {"TEXT"}},
        {"a<b>c", {"A", "C"}},
        {"<A HREF=\"x.htm\">link\r\ntext</A>", {"LINK", "TEXT"}},
        {"<IMG\r\nSRC=\"picture.gif\"\r\nALT=\"alt words\">after", {"AFTER"}},
        {"text<", {"TEXT"}},
        {"<>empty tag", {"EMPTY", "TAG"}},
    };
    for (const auto& c : cases) EXPECT_EQ(WordsOf(c.document), c.words) << c.document;
}

TEST(DocumentReaderTags, CommentsHideTheirWords) {
    const WordsCase cases[] = {
        {"<!-- hidden -->shown", {"SHOWN"}},
        {"<!-- a > b -->shown", {"SHOWN"}},
        {"<!-- first\r\nsecond -->shown", {"SHOWN"}},
        {"<!-- first --\r\n> still hidden -->shown", {"SHOWN"}},
        {"<!---->shown", {"SHOWN"}},
        {"<!-->shown", {"SHOWN"}},
        {"<!- not a comment >shown", {"SHOWN"}},
        {"<!--\r\n-->shown", {"SHOWN"}},
        {"<!-- a -- b > c -->shown", {"SHOWN"}},
    };
    for (const auto& c : cases) EXPECT_EQ(WordsOf(c.document), c.words) << c.document;
}

TEST(DocumentReaderTags, CommentOpenerSplitAcrossLinesStillCounts) {
    EXPECT_EQ(WordsOf("<!-\r\n- hidden > still -->shown"), (Strings{"SHOWN"}));
}

// ---- Title ------------------------------------------------------------------------------

TEST(DocumentReaderTitle, TitleElementGivesTheTitleAndItsWordsAreNotIndexed) {
    const Scanned scanned = Scan("<HTML><TITLE>Price list</TITLE><BODY>Our list</BODY>");
    EXPECT_EQ(scanned.title(), Padded("Price list", 100));
    EXPECT_EQ(scanned.words, (Strings{"LIST", "OUR"}));
}

TEST(DocumentReaderTitle, EmptyTitleElementTakesTheNextText) {
    const Scanned scanned = Scan("<TITLE></TITLE>\r\n<P>Hello world</P>\r\nmore");
    EXPECT_EQ(scanned.title(), Padded("Hello world", 100));
    EXPECT_EQ(scanned.words, (Strings{"MORE"}));
}

TEST(DocumentReaderTitle, TitleLinesAreJoinedByOneBlank) {
    EXPECT_EQ(Scan("<TITLE>  Price\r\n   list of\r\nthings </TITLE>").title(), Padded("Price list of things ", 100));
}

TEST(DocumentReaderTitle, TitleKeepsPunctuationAndReferences) {
    EXPECT_EQ(Scan("<title>Caf&eacute; &amp; Bar: \"Menu\"</title>").title(), Padded("Caf\xE9 & Bar: \"Menu\"", 100));
}

TEST(DocumentReaderTitle, TitleTagWithAttributesOrBlanksIsNotRecognised) {
    const Scanned scanned = Scan("<TITLE LANG=en>Words</TITLE><TITLE >More</TITLE>");
    EXPECT_EQ(scanned.title(), Padded("Title for doc.htm is undefined", 100));
    EXPECT_EQ(scanned.words, (Strings{"MORE", "WORDS"}));
}

TEST(DocumentReaderTitle, SecondTitleElementIsText) {
    const Scanned scanned = Scan("<title>First</title><title>Second</title>");
    EXPECT_EQ(scanned.title(), Padded("First", 100));
    EXPECT_EQ(scanned.words, (Strings{"SECOND"}));
}

TEST(DocumentReaderTitle, DocumentEndingInTheTitleKeepsTheEarlierLine) {
    EXPECT_EQ(Scan("<TITLE>Never closed").title(), Padded("Title for doc.htm is undefined", 100));
    // A '<' with no title text pending leaves the title being collected.
    EXPECT_EQ(Scan("<TITLE>Started\r\n</TITLE>\r\nBody text").title(), Padded("Title for doc.htm is undefined", 100));
}

TEST(DocumentReaderTitle, LongTitleIsCutToOneHundredBytes) {
    const std::string piece(60, 't');
    EXPECT_EQ(Scan("<TITLE>" + piece + "\r\n" + piece + "\r\n" + piece + "</TITLE>").title(),
              piece + " " + std::string(39, 't'));
}

// ---- META tags ---------------------------------------------------------------------------

TEST(DocumentReaderMeta, TarvoTitleReplacesTheTitleInUpperCase) {
    EXPECT_EQ(Scan("<TITLE>Own</TITLE><META NAME=\"TARVOTitle\" CONTENT=\"Caf\xE9 page\">").title(),
              Padded("CAF\xC9 PAGE", 100));
    const Scanned before = Scan("<meta name='tarvotitle' content='First'><TITLE>Own</TITLE>");
    EXPECT_EQ(before.title(), Padded("FIRST", 100));
    EXPECT_EQ(before.words, (Strings{"OWN"}));
    EXPECT_EQ(Scan("<META NAME=TARVOTITLE CONTENT=A><META NAME=TARVOTITLE CONTENT=B>").title(), Padded("B", 100));
}

TEST(DocumentReaderMeta, TarvoTitleOverridesAnEntryTitle) {
    ScanInput input;
    input.entryTitle = "Entry";
    EXPECT_EQ(ScanWith("<META NAME=TARVOTitle CONTENT=Meta>", input).title(), Padded("META", 100));
}

TEST(DocumentReaderMeta, EmptyTarvoTitleChangesNothing) {
    EXPECT_EQ(Scan("<TITLE>Own</TITLE><META NAME=TARVOTitle CONTENT=\"  \">").title(), Padded("Own", 100));
}

TEST(DocumentReaderMeta, KeywordsBecomeWords) {
    const WordsCase cases[] = {
        {"<META NAME=\"keywords\" CONTENT=\"Apple, pear,\">", {"APPLE", "PEAR"}},
        {"<meta name=keywords content=single>", {"SINGLE"}},
        {"<META CONTENT='caf\xE9 bar' NAME='KEYWORDS'>", {"BAR", "CAF\xC9"}},
        {"<META\r\nNAME=\"keywords\" CONTENT=\"split tag\">", {"SPLIT", "TAG"}},
        {"<META NAME=\"keywords\"\r\nCONTENT=\"next line\">", {"LINE", "NEXT"}},
        {"<META NAME = \"keywords\" CONTENT=\"blanks\">", {}},
        {"<META NAME=\"description\" CONTENT=\"not words\">", {}},
        {"<METADATA NAME=keywords CONTENT=prefix>", {"PREFIX"}},
        {"<META NAME=keywords CONTENT=\"a<b\">", {"A", "B"}},
    };
    for (const auto& c : cases) EXPECT_EQ(WordsOf(c.document), c.words) << c.document;
}

TEST(DocumentReaderMeta, KeywordNumbersKeepTheirPointsAndCommas) {
    ScanInput input;
    input.settings.digitmin = 1;
    EXPECT_EQ(ScanWith("<META NAME=keywords CONTENT=\"1,000, 3.14, x\">", input).words,
              (Strings{"1,000", "3.14", "X"}));
}

TEST(DocumentReaderMeta, KeywordStopwordsAreDropped) {
    ScanInput input;
    input.settings.stopwordString = ",THE,";
    EXPECT_EQ(ScanWith("<META NAME=keywords CONTENT=\"the moon\">", input).words, (Strings{"MOON"}));
}

// ---- Hidden sections ---------------------------------------------------------------------

TEST(DocumentReaderSections, ScriptStyleAndIgnoreSectionsHideWords) {
    const WordsCase cases[] = {
        {"<SCRIPT LANGUAGE=\"JavaScript\">var hidden;</SCRIPT>shown", {"SHOWN"}},
        {"<script>\r\nhidden\r\n</script>\r\nshown", {"SHOWN"}},
        {"<STYLE TYPE=\"text/css\">p { color: red }</STYLE>shown", {"SHOWN"}},
        {"<TARVO IGNORE>hidden</TARVO>shown", {"SHOWN"}},
        {"<tarvo-ignore>hidden</tarvo>shown", {"SHOWN"}},
        {"<TARVOx ignore=yes>hidden</TARVO>shown", {"SHOWN"}},
        {"<TARVO>not hidden</TARVO>", {"HIDDEN", "NOT"}},
        {"<SCRIPT>hidden</SCRIPT >still hidden", {}},
        {"<STYLE>hidden</STYLE x>still hidden", {}},
        {"<TARVO IGNORE>one<TARVO IGNORE>two</TARVO>three</TARVO>four", {"FOUR", "THREE"}},
        {"<SCRIPT>a<!-- b -->c</SCRIPT>d", {"D"}},
    };
    for (const auto& c : cases) EXPECT_EQ(WordsOf(c.document), c.words) << c.document;
}

TEST(DocumentReaderSections, IgnoreSectionHidesKeywordsButScriptDoesNot) {
    EXPECT_EQ(WordsOf("<TARVO IGNORE><META NAME=keywords CONTENT=hidden></TARVO>"), Strings{});
    EXPECT_EQ(WordsOf("<SCRIPT><META NAME=keywords CONTENT=kept></SCRIPT>"), (Strings{"KEPT"}));
    EXPECT_EQ(WordsOf("<STYLE><META NAME=keywords CONTENT=kept></STYLE>"), (Strings{"KEPT"}));
}

TEST(DocumentReaderSections, TitleInsideAScriptIsStillTheTitle) {
    EXPECT_EQ(Scan("<SCRIPT><TITLE>Inside</TITLE></SCRIPT>").title(), Padded("Inside", 100));
}

// ---- Line ends and file ends ----------------------------------------------------------------

TEST(DocumentReaderLines, LfOnlyFileYieldsTheSameWordsAsCrLf) {
    const std::string lines[] = {"<HTML><TITLE>Line ends</TITLE>", "first line", "second.line 3.5", "<!-- hidden",
                                 "--> last"};
    std::string crlf, lf;
    for (const auto& line : lines) {
        crlf += line + "\r\n";
        lf += line + "\n";
    }
    EXPECT_EQ(Scan(crlf).entries, Scan(lf).entries);
    EXPECT_EQ(Scan(crlf).words, (Strings{"FIRST", "LAST", "LINE", "SECOND"}));
}

TEST(DocumentReaderLines, CtrlZEndsTheDocument) {
    // clang-format off
    EXPECT_EQ(WordsOf(std::string("before\r\nmid\x1A" "after\r\nnext")), (Strings{"BEFORE", "MID"}));
    // clang-format on
}

TEST(DocumentReaderLines, LoneCrEndsALine) { EXPECT_EQ(WordsOf("ab\rcd"), (Strings{"AB", "CD"})); }

// ---- Damaged and hostile input ------------------------------------------------------------------

TEST(DocumentReaderHostile, BinaryBytesNeverCrash) {
    std::mt19937 random(2026);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(20000, '\0');
        for (char& c : bytes) c = static_cast<char>(byte(random));
        const Scanned scanned = Scan(bytes);
        for (const auto& entry : scanned.entries) ASSERT_EQ(entry.size(), indexfiles::kWorkEntryLength);
    }
}

TEST(DocumentReaderHostile, NulBytesAreWordBytes) {
    const Scanned scanned = Scan(std::string("a\0b c", 5));
    EXPECT_EQ(scanned.words, (Strings{std::string("A\0B", 3), "C"}));
}

TEST(DocumentReaderHostile, FiftyMegabyteSingleLine) {
    std::string line;
    line.reserve(50u << 20);
    const std::string words[] = {"alpha ", "beta, ", "gamma.", "3.14 ", "<b>", "&amp;", "delta\t"};
    for (std::size_t i = 0; line.size() < (50u << 20); ++i) line += words[i % std::size(words)];
    EXPECT_EQ(WordsOf(line), (Strings{"ALPHA", "BETA", "DELTA", "GAMMA"}));
    // One word of 50 MB: stored under its first 27 bytes.
    const std::string giant(50u << 20, 'w');
    EXPECT_EQ(WordsOf(giant), (Strings{std::string(27, 'W')}));
}

TEST(DocumentReaderHostile, UnterminatedTagOrCommentHidesTheRest) {
    EXPECT_EQ(WordsOf("shown <A HREF=\"x\r\nhidden words\r\nto the end"), (Strings{"SHOWN"}));
    EXPECT_EQ(WordsOf("shown <!-- hidden\r\nto the end >"), (Strings{"SHOWN"}));
    EXPECT_EQ(WordsOf("shown <" + std::string(1 << 20, 'x')), (Strings{"SHOWN"}));
}

TEST(DocumentReaderHostile, TenThousandNestedLookingTags) {
    std::string document;
    for (int i = 0; i < 10000; ++i) document += "<div><<b>";
    document += "deep";
    for (int i = 0; i < 10000; ++i) document += "</b>>";
    const Scanned scanned = Scan(document);
    EXPECT_EQ(scanned.words, (Strings{"DEEP"}));
}

TEST(DocumentReaderHostile, ManyDistinctWordsInOneDocument) {
    std::string document;
    for (int i = 0; i < 100000; ++i) document += "w" + std::to_string(i) + " w" + std::to_string(i / 2) + "\r\n";
    const Scanned scanned = Scan(document);
    ASSERT_EQ(scanned.words.size(), 100000u);
    EXPECT_EQ(scanned.words.front(), "W0");
    EXPECT_EQ(scanned.words.back(), "W99999");
}

// ---- One reader for many documents ----------------------------------------------------------------

TEST(DocumentReaderReuse, NothingCarriesOverToTheNextDocument) {
    const WordRules rules{WordSettings{}};
    TTARVOStringList words;
    std::vector<std::string> titles;
    DocumentReader reader;
    auto first = platform::TextLineReader::FromBytes("shared <TITLE>One</TITLE> <SCRIPT> <A HREF=\"x");
    reader.Read(first, 1, "one.htm", "", "", rules, words, titles);
    auto second = platform::TextLineReader::FromBytes("shared second");
    reader.Read(second, 2, "two.htm", "", "", rules, words, titles);
    std::string text;
    words.AppendText(text);
    EXPECT_EQ(text,
              "SECOND                     :00002\r\n"
              "SHARED                     :00001\r\n"
              "SHARED                     :00002\r\n");
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles[0], Padded("one.htm", 255) + Padded("One", 100));
    EXPECT_EQ(titles[1], Padded("two.htm", 255) + Padded("Title for two.htm is undefined", 100));
}

TEST(DocumentReaderReuse, SameNumberTwiceStillGivesEachEntryOnce) {
    const WordRules rules{WordSettings{}};
    TTARVOStringList words;
    std::vector<std::string> titles;
    DocumentReader reader;
    for (int i = 0; i < 2; ++i) {
        auto document = platform::TextLineReader::FromBytes("same words");
        reader.Read(document, 5, "d.htm", "", "", rules, words, titles);
    }
    EXPECT_EQ(words.Count(), 2u);
    EXPECT_EQ(titles.size(), 2u);
}

// ---- Golden documents -------------------------------------------------------------------

std::string ReadFixture(const std::string& name) {
    std::ifstream file(std::string(TARVO_TEST_DATA_DIR) + "/scan/" + name, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << name;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

/// Empty when equal, else where and how the two byte strings first differ.
std::string FirstDifference(const std::string& actual, const std::string& expected) {
    if (actual == expected) return {};
    std::size_t offset = 0;
    while (offset < actual.size() && offset < expected.size() && actual[offset] == expected[offset]) ++offset;
    std::ostringstream message;
    message << "first difference at byte offset " << offset << " (actual size " << actual.size() << ", expected size "
            << expected.size() << ")";
    return message.str();
}

/// What a flush writes for one document: its entries, then its title line, CR LF after each.
std::string FlushedBytes(const std::string& fixture, const ScanInput& input) {
    const WordRules rules(input.settings);
    TTARVOStringList words;
    std::vector<std::string> titles;
    platform::TextLineReader document(std::string(TARVO_TEST_DATA_DIR) + "/scan/" + fixture);
    indexer::ReadDocument(document, input.number, input.path, input.entryTitle, input.entryUrl, rules, words, titles);
    std::string bytes;
    words.AppendText(bytes);
    for (const auto& line : titles) bytes += line + "\r\n";
    return bytes;
}

TEST(DocumentReaderGolden, HtmlPageWithCrLfLineEnds) {
    ScanInput input;
    input.path = "page-crlf.htm";
    input.number = 7;
    EXPECT_EQ(FirstDifference(FlushedBytes("page-crlf.htm", input), ReadFixture("page.expected")), "");
}

TEST(DocumentReaderGolden, SamePageWithLfLineEndsGivesTheSameEntries) {
    ScanInput input;
    input.path = "page-crlf.htm";
    input.number = 7;
    const std::string crlf = FlushedBytes("page-crlf.htm", input);
    const std::string lf = FlushedBytes("page-lf.htm", input);
    const std::size_t entriesSize = crlf.size() - indexfiles::kTocLineLength - 2;
    EXPECT_EQ(FirstDifference(lf.substr(0, entriesSize), crlf.substr(0, entriesSize)), "");
}

TEST(DocumentReaderGolden, TextFileWithCtrlZAndEntryTitleAndUrl) {
    ScanInput input;
    input.path = "notes.txt";
    input.entryTitle = "Notes";
    input.entryUrl = "http://example.com/notes.txt";
    input.number = 65535;
    EXPECT_EQ(FirstDifference(FlushedBytes("notes.txt", input), ReadFixture("notes.expected")), "");
}

}  // namespace
