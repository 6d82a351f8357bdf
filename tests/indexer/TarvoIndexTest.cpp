// The tarvo-index command: help, exit statuses, one-line errors, projects
// with relative paths and flags that override them, file lists written by
// Linux tools, and the entries that found nothing.
#include <gtest/gtest.h>

#include <cstdlib>

#include "IndexTestSupport.h"

namespace indexer {
namespace {

using test_support::Exists;
using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

/// Runs tarvo-index with `arguments` (already quoted for the shell) from
/// the folder `workingFolder`.
CommandResult RunTarvoIndex(const TempFolder& scratch, const std::string& workingFolder, const std::string& arguments) {
    const std::string outPath = scratch / "stdout.txt";
    const std::string errPath = scratch / "stderr.txt";
    const std::string statusPath = scratch / "status.txt";
    // The shell records the exit status, so no system header is needed here.
    const std::string command = "cd '" + workingFolder + "' && '" + std::string(TARVO_BIN_DIR) + "/tarvo-index' " +
                                arguments + " >'" + outPath + "' 2>'" + errPath + "'; echo $? >'" + statusPath + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    CommandResult result;
    result.status = std::stoi(ReadBytes(statusPath));
    result.out = ReadBytes(outPath);
    result.err = ReadBytes(errPath);
    return result;
}

TEST(TarvoIndex, HelpExplainsTheFileListFormat) {
    TempFolder scratch;
    const CommandResult result = RunTarvoIndex(scratch, scratch.Path(), "--help");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("\"T:\""), std::string::npos);
    EXPECT_NE(result.out.find("\"F:\""), std::string::npos);
    EXPECT_NE(result.out.find("wildcards"), std::string::npos);
    EXPECT_NE(result.out.find("end at CR LF, CR or LF"), std::string::npos);
    EXPECT_NE(result.out.find("--publish-partial"), std::string::npos);
    EXPECT_NE(result.out.find("stops the run and publishes nothing"), std::string::npos);
}

TEST(TarvoIndex, ErrorsEndWithANonZeroStatusAndOneLine) {
    TempFolder scratch;
    const struct {
        std::string arguments;
        int status;
        std::string message;
    } cases[] = {
        {"--filelist missing.txt", 1, "tarvo-index: File list not found: missing.txt\n"},
        {"missing.tarvo", 1, "tarvo-index: Project file not found: missing.tarvo\n"},
        {"", 2, "tarvo-index: no file list: give a project file or --filelist FILE (see tarvo-index --help)\n"},
        {"--digitmin x --filelist a", 2,
         "tarvo-index: --digitmin needs a number, not \"x\" (see tarvo-index --help)\n"},
        {"--bogus", 2, "tarvo-index: unknown option --bogus (see tarvo-index --help)\n"},
        {"--filelist", 2, "tarvo-index: --filelist needs a value (see tarvo-index --help)\n"},
    };
    for (const auto& c : cases) {
        const CommandResult result = RunTarvoIndex(scratch, scratch.Path(), c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments;
        EXPECT_EQ(result.err, c.message) << c.arguments;
        EXPECT_EQ(result.out, "") << c.arguments;
    }
}

TEST(TarvoIndex, ProjectPathsAreTakenFromTheProjectsFolderAndFlagsOverrideThem) {
    TempFolder scratch;
    TempFolder site;
    WriteBytes(site / "pages/a.htm", "<TITLE>A</TITLE>apple 2026 the");
    WriteBytes(site / "pages/list.txt", "a.htm\r\n");
    WriteBytes(site / "stop.txt", "THE\r\n");
    WriteBytes(
        site / "site.tarvo",
        "[Options]\r\ndigitmin=0\r\n[Paths]\r\nfilelist=pages/list.txt\r\nstopwords=stop.txt\r\ndatabase=Index\r\n");

    // Run from an unrelated folder: the project's relative paths still work,
    // and the database lies beside the file list.
    CommandResult result = RunTarvoIndex(scratch, scratch.Path(), "'" + site / "site.tarvo" + "' --quiet");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(ReadBytes(site / "pages/Index.dct").size(), 32u) << "APPLE only: 2026 is no word, THE a stopword";

    result = RunTarvoIndex(scratch, scratch.Path(), "'" + site / "site.tarvo" + "' --digitmin 4 --dumpwords --debug");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ReadBytes(site / "pages/Index.dct").size(), 64u) << "2026 counts with --digitmin 4";
    EXPECT_TRUE(Exists(site / "pages/Index.lst"));
    EXPECT_TRUE(Exists(site / "pages/Index.temp"));
    EXPECT_EQ(result.out.rfind("Indexed 1 documents, 2 distinct words, files ", 0), 0u) << result.out;
}

TEST(TarvoIndex, AFileListWrittenByFindIndexesItsDocuments) {
    TempFolder scratch;
    TempFolder site;
    WriteBytes(site / "site/a.html", "<TITLE>A</TITLE>apple");
    WriteBytes(site / "site/sub/b.html", "<TITLE>B</TITLE>banana");
    const std::string find = "cd '" + site.Path() + "' && find site -name '*.html' | sort > files.txt";
    ASSERT_EQ(std::system(find.c_str()), 0);
    const CommandResult result = RunTarvoIndex(scratch, site.Path(), "--filelist files.txt");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.rfind("Indexed 2 documents, 2 distinct words, files ", 0), 0u) << result.out;
}

TEST(TarvoIndex, CharsetOptionReadsUndeclaredDocumentsAsUtf8) {
    TempFolder scratch;
    TempFolder site;
    WriteBytes(site / "a.txt", "caf\xC3\xA9");
    WriteBytes(site / "list.txt", "a.txt\n");
    CommandResult result = RunTarvoIndex(scratch, site.Path(), "--filelist list.txt --charset utf-8 --quiet");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(ReadBytes(site / "DataBase.dct").find("CAF\xC9 "), std::string::npos);
    result = RunTarvoIndex(scratch, site.Path(), "--filelist list.txt --charset windows-1252 --quiet");
    EXPECT_NE(ReadBytes(site / "DataBase.dct").find("CAF\xC3\xA9 "), std::string::npos);
    result = RunTarvoIndex(scratch, site.Path(), "--filelist list.txt --charset latin1");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(
        result.err,
        "tarvo-index: --charset needs windows-1252, windows-1250 or utf-8, not \"latin1\" (see tarvo-index --help)\n");
}

TEST(TarvoIndex, CodePageOptionChoosesTheSetsCodePageAndRefusesAnUnknownName) {
    TempFolder scratch;
    TempFolder site;
    WriteBytes(site / "a.txt", "\xCE\xB1\xCE\xB2\xCE\xB3");  // αβγ
    WriteBytes(site / "list.txt", "a.txt\n");
    CommandResult result =
        RunTarvoIndex(scratch, site.Path(), "--filelist list.txt --charset utf-8 --codepage UTF-8 --quiet");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(ReadBytes(site / "DataBase.dct").find("\xCE\x91\xCE\x92\xCE\x93 "), std::string::npos);
    EXPECT_EQ(ReadBytes(site / "DataBase.cpg"), "utf-8\r\n");
    result = RunTarvoIndex(scratch, site.Path(), "--filelist list.txt --codepage latin1");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "tarvo-index: --codepage needs windows-1252, windows-1250 or utf-8, not \"latin1\" (see tarvo-index "
              "--help)\n");
    EXPECT_NE(RunTarvoIndex(scratch, scratch.Path(), "--help").out.find("--codepage NAME"), std::string::npos);
}

TEST(TarvoIndex, EntriesThatFoundNothingAreNamedThenCounted) {
    TempFolder scratch;
    TempFolder site;
    WriteBytes(site / "a.txt", "apple");
    std::string list = "a.txt\n";
    std::string named;
    for (int i = 1; i <= 23; ++i) {
        list += "gone" + std::to_string(i) + ".txt\n";
        if (i <= 20) named += "tarvo-index: no document matches gone" + std::to_string(i) + ".txt\n";
    }
    WriteBytes(site / "list.txt", list);
    CommandResult result = RunTarvoIndex(scratch, site.Path(), "--filelist list.txt");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, named + "tarvo-index: 3 more entries matched no document\n");
    EXPECT_EQ(result.out.rfind("Indexed 1 documents, 23 entries found nothing, 1 distinct words, files ", 0), 0u)
        << result.out;

    WriteBytes(site / "list.txt", "a.txt\ngone.txt\n");
    result = RunTarvoIndex(scratch, site.Path(), "--filelist list.txt --quiet");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "tarvo-index: no document matches gone.txt\n") << "named even when quiet";
    EXPECT_EQ(result.out, "");
}

TEST(TarvoIndex, AListWhoseEntriesAllFoundNothingFailsAndKeepsTheIndex) {
    TempFolder scratch;
    TempFolder site;
    WriteBytes(site / "a.txt", "apple");
    WriteBytes(site / "good.txt", "a.txt\n");
    ASSERT_EQ(RunTarvoIndex(scratch, site.Path(), "--filelist good.txt --quiet").status, 0);
    const std::string toc = ReadBytes(site / "DataBase.toc");
    const std::string dct = ReadBytes(site / "DataBase.dct");
    WriteBytes(site / "bad.txt", "old/a.txt\nold/*.htm\n");
    const CommandResult result = RunTarvoIndex(scratch, site.Path(), "--filelist bad.txt");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "tarvo-index: no document matches old/a.txt\n"
              "tarvo-index: no document matches old/*.htm\n"
              "tarvo-index: None of the documents named in bad.txt exists\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(ReadBytes(site / "DataBase.toc"), toc);
    EXPECT_EQ(ReadBytes(site / "DataBase.dct"), dct);
    EXPECT_FALSE(Exists(site / "DataBase.toc.new"));
}

TEST(TarvoIndex, FlagPathsAreTakenFromTheWorkingFolder) {
    TempFolder scratch;
    TempFolder site;
    WriteBytes(site / "docs/a.txt", "hello");
    WriteBytes(site / "docs/list.txt", "a.txt\r\n");
    const CommandResult result = RunTarvoIndex(scratch, site.Path(), "--filelist docs/list.txt --database Out --quiet");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(Exists(site / "docs/Out.toc"));
    EXPECT_TRUE(Exists(site / "docs/Out.hsh"));
}

TEST(TarvoIndex, AMissingStopwordFileIsReportedAndEveryWordIndexed) {
    TempFolder scratch;
    TempFolder site;
    WriteBytes(site / "a.txt", "apple the");
    WriteBytes(site / "list.txt", "a.txt\n");
    const CommandResult result = RunTarvoIndex(scratch, site.Path(), "--filelist list.txt --stopwords stop.txt");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "tarvo-index: stopword file not found, every word is indexed: stop.txt\n");
    EXPECT_EQ(result.out.rfind("Indexed 1 documents, 2 distinct words, files ", 0), 0u) << result.out;

    WriteBytes(site / "stop.txt", "the\n");
    const CommandResult withStopwords = RunTarvoIndex(scratch, site.Path(), "--filelist list.txt --stopwords stop.txt");
    EXPECT_EQ(withStopwords.err, "");
    EXPECT_EQ(withStopwords.out.rfind("Indexed 1 documents, 1 distinct words, files ", 0), 0u) << withStopwords.out;
}

}  // namespace
}  // namespace indexer
