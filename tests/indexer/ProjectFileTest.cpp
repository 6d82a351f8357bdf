// Project files: defaults, value rules, the older digitsize key, and round trips.
#include "indexer/engine/ProjectFile.h"

#include <gtest/gtest.h>

#include "IndexTestSupport.h"
#include "platform/File.h"

namespace indexer {
namespace {

using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

TEST(ProfileIntegers, AcceptDecimalAndHexadecimalOnly) {
    const std::pair<std::string, std::optional<std::int32_t>> cases[] = {
        {"0", 0},
        {"42", 42},
        {"-1", -1},
        {"+7", 7},
        {"0x1", 1},
        {"0X1F", 31},
        {"0xFFFFFFFF", -1},
        {"0x", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"12a", std::nullopt},
        {"0xG", std::nullopt},
        {"2147483648", std::nullopt},
        {"0x100000000", std::nullopt},
        {" 1", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(ParseProfileInteger(text), expected) << text;
}

TEST(ProjectFile, MissingKeysKeepTheWordOptionsAndResetThePaths) {
    TempFolder folder;
    const std::string path = folder / "site.tarvo";
    WriteBytes(path, "[Paths]\r\nfilelist=files.txt\r\n");
    TProjectSettings settings;
    settings.delimiters = " ,";
    settings.dumpwords = true;
    settings.digitmin = 2;
    settings.digitmax = 5;
    settings.stopwords = "old-stop.txt";
    settings.database = "Old";
    LoadProject(path, settings);
    EXPECT_EQ(settings.delimiters, " ,");
    EXPECT_TRUE(settings.dumpwords);
    EXPECT_EQ(settings.digitmin, 2);
    EXPECT_EQ(settings.digitmax, 5);
    EXPECT_EQ(settings.filelist, "files.txt");
    EXPECT_EQ(settings.stopwords, "");
    EXPECT_EQ(settings.database, "DataBase");
    EXPECT_EQ(settings.projectPath, path);
}

TEST(ProjectFile, AMissingFileLoadsAsIfEveryKeyWereMissing) {
    TempFolder folder;
    TProjectSettings settings;
    settings.digitmin = 3;
    settings.filelist = "x";
    LoadProject(folder / "none.tarvo", settings);
    EXPECT_EQ(settings.digitmin, 3);
    EXPECT_EQ(settings.filelist, "");
    EXPECT_EQ(settings.database, "DataBase");
}

TEST(ProjectFile, ValueRulesForIntegersAndBooleans) {
    TempFolder folder;
    const std::string path = folder / "site.tarvo";
    WriteBytes(path, "[Options]\r\ndumpwords=0x1\r\ndigitmax=abc\r\ndigitmin=0x0A\r\n");
    TProjectSettings settings;
    settings.digitmax = 6;
    LoadProject(path, settings);
    EXPECT_TRUE(settings.dumpwords);
    EXPECT_EQ(settings.digitmax, 6) << "an invalid integer keeps the current value";
    EXPECT_EQ(settings.digitmin, 10);
}

struct DigitsizeCase {
    std::string options;
    std::int32_t currentDigitmin;
    std::int32_t expected;
};

TEST(ProjectFile, DigitsizeFillsADigitminOfZero) {
    const DigitsizeCase cases[] = {
        {"digitmin=0\r\ndigitsize=3\r\n", 5, 3},
        {"digitsize=3\r\n", 0, 3},  // no digitmin key, current value 0
        {"digitsize=3\r\n", 2, 2},  // no digitmin key, current value kept
        {"digitmin=4\r\ndigitsize=3\r\n", 0, 4},
        {"digitmin=0\r\ndigitsize=-2\r\n", 0, 0},
        {"digitmin=0\r\ndigitsize=x\r\n", 0, 0},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const std::string path = folder / "p.tarvo";
        WriteBytes(path, "[Options]\r\n" + c.options);
        TProjectSettings settings;
        settings.digitmin = c.currentDigitmin;
        LoadProject(path, settings);
        EXPECT_EQ(settings.digitmin, c.expected) << c.options;
    }
}

TEST(ProjectFile, SaveWritesBothSectionsInOrderAndDropsAPositiveDigitsize) {
    TempFolder folder;
    const std::string path = folder / "site.tarvo";
    WriteBytes(path, "; my site\r\n[Options]\r\ndigitmin=0\r\ndigitsize=3\r\nextra=1\r\n");
    TProjectSettings settings;
    LoadProject(path, settings);
    ASSERT_EQ(settings.digitmin, 3);
    SaveProject(path, settings);
    EXPECT_EQ(
        ReadBytes(path),
        "; my site\r\n[Options]\r\ndigitmin=3\r\nextra=1\r\ndelimiters=~;:?.\",! ()+=-*/'<>{}[]#&%$\x96\r\n"
        "dumpwords=0\r\ndigitmax=0\r\ncharset=windows-1252\r\ncodepage=windows-1252\r\n\r\n[Paths]\r\nfilelist=\r\nstopwords=\r\ndatabase=DataBase\r\n");
}

TEST(ProjectFile, SaveKeepsADigitsizeThatIsNotAPositiveNumber) {
    TempFolder folder;
    const std::string path = folder / "site.tarvo";
    WriteBytes(path, "[Options]\r\ndigitsize=0\r\n");
    SaveProject(path, TProjectSettings{});
    EXPECT_NE(ReadBytes(path).find("digitsize=0"), std::string::npos);
}

TEST(ProjectFile, RoundTripKeepsEverySetting) {
    TempFolder folder;
    const std::string path = folder / "site.tarvo";
    TProjectSettings saved;
    saved.delimiters = " ~;\x96";  // a leading blank must survive
    saved.dumpwords = true;
    saved.digitmin = -1;
    saved.digitmax = 10;
    saved.filelist = "files/list.txt";
    saved.stopwords = "stop words.txt";
    saved.database = "out/Site";
    SaveProject(path, saved);
    TProjectSettings loaded;
    LoadProject(path, loaded);
    EXPECT_EQ(loaded.delimiters, saved.delimiters);
    EXPECT_EQ(loaded.dumpwords, saved.dumpwords);
    EXPECT_EQ(loaded.digitmin, saved.digitmin);
    EXPECT_EQ(loaded.digitmax, saved.digitmax);
    EXPECT_EQ(loaded.filelist, saved.filelist);
    EXPECT_EQ(loaded.stopwords, saved.stopwords);
    EXPECT_EQ(loaded.database, saved.database);
}

TEST(ProjectFile, CharsetRoundTripsAndAFileWithoutItReadsAsWindows1252) {
    TempFolder folder;
    const std::string path = folder / "site.tarvo";
    TProjectSettings saved;
    saved.charset = DocumentCharset::Utf8;
    SaveProject(path, saved);
    EXPECT_NE(ReadBytes(path).find("charset=utf-8\r\n"), std::string::npos);
    TProjectSettings loaded;
    LoadProject(path, loaded);
    EXPECT_EQ(loaded.charset, DocumentCharset::Utf8);
    // An older project, or a name that is no setting, whatever the settings held before.
    for (const char* options : {"digitmin=0\r\n", "charset=latin1\r\n"}) {
        WriteBytes(path, std::string("[Options]\r\n") + options);
        LoadProject(path, loaded);
        EXPECT_EQ(loaded.charset, DocumentCharset::Windows1252) << options;
    }
}

TEST(ProjectFile, UnwritableProjectReportsTheProjectPath) {
    TempFolder folder;
    const std::string path = folder / "missing-folder/site.tarvo";
    try {
        SaveProject(path, TProjectSettings{});
        FAIL() << "no error";
    } catch (const platform::IoError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Unable to write to " + path, 0), 0u) << error.what();
    }
}

}  // namespace
}  // namespace indexer
