// Stored defaults: the typed read and write rules, their error texts, and
// the start-up reading of the word options (first start, digitsize).
#include "indexer/engine/StoredDefaults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "indexer/engine/WordRules.h"
#include "tests/support/TestFiles.h"

namespace {

namespace fs = std::filesystem;

class StoredDefaultsTest : public ::testing::Test {
protected:
    std::string StorePath() const { return folder_ / "defaults"; }
    void WriteStoreFile(const std::string& text) const { std::ofstream(StorePath(), std::ios::binary) << text; }

    tarvo_test::TempFolder folder_;
};

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const indexer::StoredDefaultsError& error) {
        return error.what();
    }
    return "(no error)";
}

TEST_F(StoredDefaultsTest, FirstStartStoresTheBuiltInWordOptions) {
    platform::UserRegistry registry(StorePath());
    indexer::StoredDefaults defaults(registry);
    indexer::WordDefaults words;
    indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Store);

    EXPECT_EQ(words.delimiters, indexer::kDefaultDelimiters);
    EXPECT_FALSE(words.dumpwords);
    EXPECT_EQ(words.digitmin, 0);
    EXPECT_EQ(words.digitmax, 0);

    const std::string stored = defaults.ReadDefaultString("delimiters", "");
    ASSERT_EQ(stored.size(), 28u);
    EXPECT_EQ(static_cast<unsigned char>(stored.back()), 0x96);
    EXPECT_EQ(registry.QueryValue("\\Software\\TARVO\\dumpwords", "bool")->number, 0);
    EXPECT_EQ(registry.QueryValue("\\Software\\TARVO\\digitmin", "int")->number, 0);
    EXPECT_EQ(registry.QueryValue("\\Software\\TARVO\\digitmax", "int")->number, 0);
    EXPECT_FALSE(defaults.DefaultKeyExists("digitsize")) << "the older name is never written";
}

TEST_F(StoredDefaultsTest, StoredValuesWinOverTheBuiltInOnes) {
    platform::UserRegistry registry(StorePath());
    indexer::StoredDefaults defaults(registry);
    defaults.WriteDefaultString("delimiters", "", " ,;");
    defaults.WriteDefaultBool("dumpwords", true);
    defaults.WriteDefaultInt("digitmin", 2);
    defaults.WriteDefaultInt("digitmax", -1);
    indexer::WordDefaults words = indexer::BuiltInWordDefaults();
    indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Store);
    EXPECT_EQ(words.delimiters, " ,;");
    EXPECT_TRUE(words.dumpwords);
    EXPECT_EQ(words.digitmin, 2);
    EXPECT_EQ(words.digitmax, -1);
}

TEST_F(StoredDefaultsTest, CharsetIsStoredByNameAndAnUnknownNameReadsAsWindows1252) {
    platform::UserRegistry registry(StorePath());
    indexer::StoredDefaults defaults(registry);
    indexer::WordDefaults words;
    words.charset = indexer::DocumentCharset::Utf8;
    indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Store);
    EXPECT_EQ(words.charset, indexer::DocumentCharset::Windows1252);
    EXPECT_EQ(defaults.ReadDefaultString("charset", ""), "windows-1252");
    defaults.WriteDefaultString("charset", "", "utf-8");
    indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Leave);
    EXPECT_EQ(words.charset, indexer::DocumentCharset::Utf8);
    defaults.WriteDefaultString("charset", "", "koi8-r");
    indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Leave);
    EXPECT_EQ(words.charset, indexer::DocumentCharset::Windows1252);
}

TEST_F(StoredDefaultsTest, CodePageIsStoredByNameAndAnUnknownNameReadsAsWindows1252) {
    platform::UserRegistry registry(StorePath());
    indexer::StoredDefaults defaults(registry);
    indexer::WordDefaults words;
    words.codePage = platform::IndexCodePage::Utf8;
    indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Store);
    EXPECT_EQ(words.codePage, platform::IndexCodePage::Windows1252);
    EXPECT_EQ(defaults.ReadDefaultString("codepage", ""), "windows-1252");
    defaults.WriteDefaultString("codepage", "", "windows-1250");
    indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Leave);
    EXPECT_EQ(words.codePage, platform::IndexCodePage::Windows1250);
    defaults.WriteDefaultString("codepage", "", "koi8-r");
    indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Leave);
    EXPECT_EQ(words.codePage, platform::IndexCodePage::Windows1252);
}

TEST_F(StoredDefaultsTest, OlderDigitSizeFillsAMissingDigitMinAndIsStoredUnderTheNewName) {
    platform::UserRegistry registry(StorePath());
    indexer::StoredDefaults defaults(registry);
    defaults.WriteDefaultInt("digitsize", 4);
    indexer::WordDefaults words;
    indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Store);
    EXPECT_EQ(words.digitmin, 4);
    EXPECT_EQ(defaults.ReadDefaultInt("digitmin"), 4);
}

TEST_F(StoredDefaultsTest, DigitMinWinsOverDigitSize) {
    platform::UserRegistry registry(StorePath());
    indexer::StoredDefaults defaults(registry);
    defaults.WriteDefaultInt("digitsize", 4);
    defaults.WriteDefaultInt("digitmin", 1);
    indexer::WordDefaults words;
    indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Store);
    EXPECT_EQ(words.digitmin, 1);
}

TEST_F(StoredDefaultsTest, LeaveModeReadsTheSameButWritesNothing) {
    WriteStoreFile("[\\Software\\TARVO\\digitsize]\nint=int32:3\n");
    platform::UserRegistry registry(StorePath());
    indexer::StoredDefaults defaults(registry);
    indexer::WordDefaults words;
    indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Leave);
    EXPECT_EQ(words.delimiters, indexer::kDefaultDelimiters);
    EXPECT_EQ(words.digitmin, 3);
    EXPECT_FALSE(defaults.DefaultKeyExists("delimiters"));
    EXPECT_FALSE(defaults.DefaultKeyExists("digitmin"));
}

TEST_F(StoredDefaultsTest, ErrorTextsNameTheValue) {
    WriteStoreFile(
        "[\\Software\\TARVO\\digitmin]\n"
        "[\\Software\\TARVO\\dumpwords]\n"
        "bool=string:\"1\"\n"
        "[\\Software\\TARVO\\delimiters]\n"
        "@=int32:5\n");
    platform::UserRegistry registry(StorePath());
    indexer::StoredDefaults defaults(registry);
    EXPECT_EQ(ErrorOf([&] { defaults.ReadDefaultInt("digitmin"); }), "Failed to get data for 'int'");
    EXPECT_EQ(ErrorOf([&] { defaults.ReadDefaultBool("dumpwords"); }), "Invalid data type for 'bool'");
    EXPECT_EQ(ErrorOf([&] { defaults.ReadDefaultString("delimiters", ""); }), "Invalid data type for ''");
    EXPECT_EQ(defaults.ReadDefaultString("prj", "1"), "") << "a missing string value reads as empty";
    EXPECT_TRUE(defaults.DefaultKeyExists("prj")) << "reading a string opens the key, creating it";
}

TEST_F(StoredDefaultsTest, StartUpStopsAtTheFirstUnreadableOptionKeepingWhatWasRead) {
    WriteStoreFile(
        "[\\Software\\TARVO\\delimiters]\n@=string:\" .\"\n"
        "[\\Software\\TARVO\\dumpwords]\nbool=int32:1\n"
        "[\\Software\\TARVO\\digitmin]\n");
    platform::UserRegistry registry(StorePath());
    indexer::StoredDefaults defaults(registry);
    indexer::WordDefaults words;
    EXPECT_EQ(ErrorOf([&] { indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Store); }),
              "Failed to get data for 'int'");
    EXPECT_EQ(words.delimiters, " .");
    EXPECT_TRUE(words.dumpwords);
    EXPECT_FALSE(defaults.DefaultKeyExists("digitmax")) << "the later steps are skipped";
}

TEST_F(StoredDefaultsTest, StoreThatCannotBeOpenedReadsEmptyAndSkipsWrites) {
    fs::create_directories(StorePath());  // a folder where the file should be
    platform::UserRegistry registry(StorePath());
    indexer::StoredDefaults defaults(registry);
    EXPECT_NO_THROW(defaults.WriteDefaultInt("digitmin", 3));
    EXPECT_NO_THROW(defaults.WriteDefaultString("prj", "1", "x"));
    EXPECT_EQ(defaults.ReadDefaultInt("digitmin"), 0);
    EXPECT_FALSE(defaults.ReadDefaultBool("dumpwords"));
    EXPECT_EQ(defaults.ReadDefaultString("prj", "1"), "");
    indexer::WordDefaults words;
    EXPECT_NO_THROW(indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Store));
    EXPECT_EQ(words.delimiters, indexer::kDefaultDelimiters);
}

}  // namespace
