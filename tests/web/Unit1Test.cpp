// The search program's request handler in-process: language codes, the
// message table byte for byte, the choice of message lines by error code,
// the document lines, and which volumeName values stay inside the program
// folder.
#include "search/Unit1.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

using search::IndexBasePath;
using search::LanguageOffsetOf;
using search::MessageText;
using search::SearchAnswer;
using search::WriteDataLines;

/// A search outcome with lists of its own, as the search object would hold them.
struct Outcome {
    std::int32_t foundCount = 0;
    int errorCode = 0;
    std::vector<std::string> titles;
    std::vector<std::string> urls;
};

std::vector<std::string> DataLines(const Outcome& outcome, std::int32_t offset = 0) {
    const SearchAnswer answer{outcome.foundCount, outcome.errorCode, outcome.titles, outcome.urls, {}};
    std::vector<std::string> lines;
    WriteDataLines(answer, offset, [&lines](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::string Message(std::string_view text) { return std::string(text) + "~|~Not Applicable~|~~|~"; }

// ---- Languages -------------------------------------------------------------

TEST(LanguageOffset, EveryCodeSelectsItsBlock) {
    const struct {
        const char* code;
        std::int32_t offset;
    } rows[] = {{"en", 0},   {"sp", 100}, {"da", 200}, {"nl", 300}, {"sl", 400},
                {"fr", 500}, {"de", 600}, {"no", 700}, {"it", 800}};
    for (const auto& row : rows) EXPECT_EQ(LanguageOffsetOf(row.code), row.offset) << row.code;
}

TEST(LanguageOffset, UnknownOrDifferentlyCasedCodesGiveEnglish) {
    for (const char* code : {"EN", "es", "Sp", "", "english", "en ", " de", "xx", "d"}) {
        EXPECT_EQ(LanguageOffsetOf(code), 0) << '"' << code << '"';
    }
}

// ---- Message table -----------------------------------------------------------

// The table as bytes, written independently of the program's own literals.
// clang-format off
const struct {
    std::int32_t offset;
    const char* messages[4];
} kTable[] = {
    {0, {"All wildcard characters must", "be after the 3rd character.", "File errors!", "No records found"}},
    {100,
     {"Todos los caracteres \x22" "comodines\x22", "deben estar despu\xe9s del 3er car\xe1" "cter.",
      "\xa1" "Errores de archivo!", "No existe registro"}},
    {200, {"Alle jokertegn (*) skal s\xe6ttes", "efter det 3. tegn.", "Fil fejl!", "Ingen forekomster fundet"}},
    {300, {"Alle wildcard-tekens mogen", "pas na het derde teken.", "Bestandsproblemen!", "Geen records gevonden"}},
    {400, {"Zvezdica pri iskanju se lahko", "uporabi \xb9" "ele na tretjem mestu.", "Napaka v datoteki!", "Ni zadetkov"}},
    {500,
     {"Tout caract\xe8re g\xe9n\xe9rique doit", "\xeatre utilis\xe9 apr\xe8s le 3\xe8me caract\xe8re.",
      "Erreurs fichier", "Aucune page trouv\xe9" "e"}},
    {600,
     {"Alle wildcard beichen m\xfcssen", "nach dem dritten zeichen stehen.", "Dateifehler!",
      "Keine aufnahme gefunden"}},
    {700, {"Skriv minst 3 bokstaver/ tall", "f\xf8r bruk av jokertegn.", "Fil-feil!", "Ingen treff"}},
    {800, {"Ogni metacarattere deve", "essere dopo il terzo carattere.", "Errori su file", "Nessun record trovato"}},
};
// clang-format on

TEST(MessageTable, EveryMessageMatchesByteForByte) {
    for (const auto& row : kTable) {
        for (int number = 0; number < 4; ++number) {
            EXPECT_EQ(std::string(MessageText(row.offset, number)), row.messages[number])
                << "offset " << row.offset << " message " << number;
        }
    }
}

TEST(MessageTable, SingleByteTextsKeepTheirSpecialBytes) {
    EXPECT_EQ(MessageText(100, 0).size(), 32u);  // "comodines" between two double quotes
    EXPECT_EQ(MessageText(100, 0).back(), '"');
    const std::string_view slovenian = MessageText(400, 1);
    ASSERT_GE(slovenian.size(), 9u);
    EXPECT_EQ(static_cast<unsigned char>(slovenian[8]), 185);
    EXPECT_EQ(static_cast<unsigned char>(MessageText(100, 2)[0]), 161);
}

TEST(MessageTable, PositionsOutsideTheTableAreEmpty) {
    EXPECT_TRUE(MessageText(0, 4).empty());
    EXPECT_TRUE(MessageText(0, -1).empty());
    EXPECT_TRUE(MessageText(50, 0).empty());
    EXPECT_TRUE(MessageText(900, 0).empty());
}

// ---- Data lines by error code --------------------------------------------------

Outcome Found(std::int32_t count, int code, std::vector<std::string> titles, std::vector<std::string> urls) {
    return {count, code, std::move(titles), std::move(urls)};
}

TEST(DataLines, ErrorCodeChoosesTheMessageLines) {
    const std::string fileError = Message("Fil-feil!");
    const std::string noRecords = Message("Ingen treff");
    const std::vector<std::string> wildcard = {Message("Skriv minst 3 bokstaver/ tall"),
                                               Message("f\xf8r bruk av jokertegn.")};
    const struct {
        int code;
        std::vector<std::string> messages;
    } rows[] = {
        {257, {fileError}}, {272, {fileError}}, {306, {fileError}},
        {326, {fileError}}, {511, {fileError}}, {search::kRefusedVolumeErrorCode, {fileError}},
        {512, wildcard},    {513, {noRecords}},
    };
    for (const auto& row : rows) {
        // Titles left over by the search never show beside a message.
        const auto lines = DataLines(Found(0, row.code, {"left over"}, {"u"}), 700);
        std::vector<std::string> expected = {"0~|~~|~"};
        expected.insert(expected.end(), row.messages.begin(), row.messages.end());
        EXPECT_EQ(lines, expected) << "code " << row.code;
    }
}

TEST(DataLines, OtherCodesListTheTitles) {
    for (int code : {0, 1, 256, 514, 1000, -1}) {
        const auto lines = DataLines(Found(2, code, {"One", "Two"}, {"http://a/1", "http://a/2"}));
        const std::vector<std::string> expected = {"2~|~~|~", "One~|~http://a/1~|~~|~", "Two~|~http://a/2~|~~|~"};
        EXPECT_EQ(lines, expected) << "code " << code;
    }
}

TEST(DataLines, TitlesOfASearchThatFoundNothingAreMessageLines) {
    const auto lines = DataLines(Found(0, 0, {"first note", "second note"}, {}));
    const std::vector<std::string> expected = {"0~|~~|~", Message("first note"), Message("second note")};
    EXPECT_EQ(lines, expected);
}

TEST(DataLines, NothingFoundAndNoTitlesGivesOnlyTheCountLine) {
    EXPECT_EQ(DataLines(Found(0, 0, {}, {})), std::vector<std::string>{"0~|~~|~"});
}

TEST(DataLines, BlankTitleLineBeginsWithTheSeparator) {
    const auto lines = DataLines(Found(1, 0, {""}, {"http://site/blank.htm"}));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "~|~http://site/blank.htm~|~~|~");
}

TEST(DataLines, SeparatorInsideTitleOrUrlIsWrittenUnchanged) {
    const auto lines = DataLines(Found(1, 0, {"A ~|~ B"}, {"http://x/~|~"}));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "A ~|~ B~|~http://x/~|~~|~~|~");
}

TEST(DataLines, TitlesAndUrlsKeepTheirBytes) {
    const auto lines = DataLines(Found(1, 0, {"Caf\xe9 \x80 \xff"}, {"http://x/caf%E9"}));
    EXPECT_EQ(lines.at(1), "Caf\xe9 \x80 \xff~|~http://x/caf%E9~|~~|~");
}

TEST(DataLines, MissingUrlIsWrittenEmpty) {
    const auto lines = DataLines(Found(2, 0, {"One", "Two"}, {"http://a/1"}));
    EXPECT_EQ(lines.at(2), "Two~|~~|~~|~");
}

TEST(DataLines, CountLineShowsTheNumberFound) { EXPECT_EQ(DataLines(Found(65535, 0, {}, {})).at(0), "65535~|~~|~"); }

// ---- volumeName ------------------------------------------------------------------

TEST(IndexBasePath, PlainNamesAndSubfoldersStayBesideTheProgram) {
    const struct {
        const char* volumeName;
        const char* basePath;
    } rows[] = {
        {"site", "/srv/cgi/site"},           {"", "/srv/cgi/"},
        {"data/site", "/srv/cgi/data/site"}, {"data\\site", "/srv/cgi/data/site"},
        {"a\\b/c", "/srv/cgi/a/b/c"},        {"./site", "/srv/cgi/./site"},
        {"site.v2", "/srv/cgi/site.v2"},     {"...", "/srv/cgi/..."},
        {"..site", "/srv/cgi/..site"},       {"site..", "/srv/cgi/site.."},
        {"data/", "/srv/cgi/data/"},         {"xy:z", "/srv/cgi/xy:z"},
        {"1:site", "/srv/cgi/1:site"},       {"caf\xe9", "/srv/cgi/caf\xe9"},
    };
    for (const auto& row : rows) {
        const auto path = IndexBasePath("/srv/cgi/", row.volumeName);
        ASSERT_TRUE(path.has_value()) << row.volumeName;
        EXPECT_EQ(*path, row.basePath);
    }
}

TEST(IndexBasePath, ValuesLeavingTheFolderTreeAreRefused) {
    for (const char* volumeName : {"..", "../site", "..\\site", "data/../site", "data/..", "data\\..\\..\\site",
                                   "a/b/../../../site", "/etc/site", "\\etc\\site", "//server/share/site", "C:site",
                                   "c:\\web\\site", "Z:/site", "site\n", "data/\x01site"}) {
        EXPECT_FALSE(IndexBasePath("/srv/cgi/", volumeName).has_value()) << volumeName;
    }
}

TEST(IndexBasePath, ZeroByteIsRefused) {
    const std::string withZero("site\0/../../x", 13);
    EXPECT_FALSE(IndexBasePath("/srv/cgi/", withZero).has_value());
}

TEST(IndexFolder, TheSettingMovesTheFolderAndRelativeSettingsStartAtTheProgram) {
    const struct {
        const char* setting;
        const char* folder;
    } rows[] = {
        {"", "/srv/cgi/"},
        {"/srv/indexes", "/srv/indexes/"},
        {"/srv/indexes/", "/srv/indexes/"},
        {"indexes", "/srv/cgi/indexes/"},
        {"../indexes", "/srv/cgi/../indexes/"},
        {"/", "/"},
    };
    for (const auto& row : rows) EXPECT_EQ(search::IndexFolder("/srv/cgi/", row.setting), row.folder) << row.setting;
}

TEST(IndexFolder, VolumeNamesStayInsideAMovedFolderByTheSameRule) {
    const std::string folder = search::IndexFolder("/srv/cgi/", "../indexes");
    EXPECT_EQ(IndexBasePath(folder, "data\\site"), "/srv/cgi/../indexes/data/site");
    for (const char* volumeName : {"../x", "/etc/passwd", "..\\cgi\\site", "a/../../x", "C:x"})
        EXPECT_FALSE(IndexBasePath(folder, volumeName).has_value()) << volumeName;
}

TEST(FileErrorLogLine, NamesTheSetsFileAndTheSystemsReason) {
    EXPECT_EQ(search::FileErrorLogLine("DataBase", {".hsh", ENOENT}), "DataBase.hsh: No such file or directory");
    EXPECT_EQ(search::FileErrorLogLine("data\\site", {".toc", EACCES}), "data/site.toc: Permission denied");
    EXPECT_EQ(search::FileErrorLogLine("site", {".toc", 0}), "site.toc: damaged");
}

TEST(DataLines, DocumentsHandedOverOnDemandGiveTheSameLinesAsTheLists) {
    const Outcome outcome{3, 0, {"First", "", "Third ~|~ title"}, {"http://a/1", "http://a/2", ""}};
    SearchAnswer onDemand{outcome.foundCount, outcome.errorCode, {}, {}, {}};
    onDemand.visitDocuments = [&](const search::TTARVO::DocumentVisitor& visit) {
        for (std::size_t i = 0; i < outcome.titles.size(); ++i) visit(outcome.titles[i], outcome.urls[i]);
    };
    std::vector<std::string> lines;
    WriteDataLines(onDemand, 0, [&lines](std::string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(lines, DataLines(outcome));
    // With nothing found the message lines still come from the list.
    const Outcome nothing{0, 513, {"No records found"}, {}};
    SearchAnswer noDocuments{nothing.foundCount, nothing.errorCode, nothing.titles, {}, onDemand.visitDocuments};
    lines.clear();
    WriteDataLines(noDocuments, 0, [&lines](std::string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(lines, DataLines(nothing));
}

}  // namespace
