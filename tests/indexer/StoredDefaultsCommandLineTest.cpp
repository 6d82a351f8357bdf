// tarvo-index starts from the user's stored word defaults, as the desktop
// indexer does, and never changes the store.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "AppTestSupport.h"

namespace {

using apptest::TempFolder;
using apptest::WriteIn;

/// Runs tarvo-index on `project` with the store folder `configHome`;
/// returns its exit status.
int RunTarvoIndex(const TempFolder& scratch, const std::string& configHome, const std::string& project) {
    const std::string command = "XDG_CONFIG_HOME='" + configHome + "' '" + std::string(TARVO_BIN_DIR) +
                                "/tarvo-index' --quiet '" + project + "' >'" + (scratch / "out.txt") +
                                "' 2>&1; echo $? >'" + (scratch / "status.txt") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return std::stoi(tarvo_test::ReadBytes(scratch / "status.txt"));
}

/// A site of one document with numbers of 2, 4 and 6 digits, and a project
/// without an Options section.
std::string WriteSite(const TempFolder& scratch) {
    WriteIn(scratch, "site/page.txt", "Founded 1999, room 12, code 123456.\r\n");
    WriteIn(scratch, "site/list.txt", "page.txt\r\n");
    return WriteIn(scratch, "site/site.tarvo", "[Paths]\r\nfilelist=list.txt\r\ndatabase=Site\r\n");
}

TEST(StoredDefaultsCommandLine, ProjectWithoutOptionsUsesTheStoredWordDefaults) {
    TempFolder scratch;
    const std::string project = WriteSite(scratch);
    const std::string store =
        "[\\Software\\TARVO\\dumpwords]\nbool=int32:1\n"
        "[\\Software\\TARVO\\digitsize]\nint=int32:4\n"
        "[\\Software\\TARVO\\digitmax]\nint=int32:4\n";
    WriteIn(scratch, "config/tarvo/defaults", store);

    ASSERT_EQ(RunTarvoIndex(scratch, (scratch / "config"), project), 0) << tarvo_test::ReadBytes(scratch / "out.txt");
    const std::string words = tarvo_test::ReadBytes(scratch / "site/Site.lst");
    ASSERT_FALSE(words.empty()) << "the stored dumpwords default asks for the word list";
    EXPECT_NE(words.find(": 1999 "), std::string::npos) << words;
    EXPECT_EQ(words.find("123456"), std::string::npos) << "digitmax 4 leaves six digits out";
    EXPECT_EQ(words.find(": 12 "), std::string::npos) << "digitsize 4 (older digitmin) leaves two digits out";
    EXPECT_EQ(tarvo_test::ReadBytes(scratch / "config/tarvo/defaults"), store) << "the store is only read";
}

TEST(StoredDefaultsCommandLine, WithoutAStoreTheBuiltInOptionsApplyAndNothingIsCreated) {
    TempFolder scratch;
    const std::string project = WriteSite(scratch);
    ASSERT_EQ(RunTarvoIndex(scratch, (scratch / "config"), project), 0) << tarvo_test::ReadBytes(scratch / "out.txt");
    EXPECT_FALSE(std::filesystem::exists((scratch / "site/Site.lst")));
    EXPECT_FALSE(std::filesystem::exists((scratch / "config")));
}

TEST(StoredDefaultsCommandLine, UnreadableDefaultIsReportedAndTheRunGoesOn) {
    TempFolder scratch;
    const std::string project = WriteSite(scratch);
    WriteIn(scratch, "config/tarvo/defaults", "[\\Software\\TARVO\\dumpwords]\nbool=string:\"1\"\n");
    ASSERT_EQ(RunTarvoIndex(scratch, (scratch / "config"), project), 0);
    EXPECT_NE(
        tarvo_test::ReadBytes(scratch / "out.txt").find("tarvo-index: stored defaults: Invalid data type for 'bool'"),
        std::string::npos)
        << tarvo_test::ReadBytes(scratch / "out.txt");
    EXPECT_TRUE(std::filesystem::exists((scratch / "site/Site.toc")));
}

TEST(StoredDefaultsCommandLine, ProjectOptionsWinOverTheStoredDefaults) {
    TempFolder scratch;
    WriteIn(scratch, "site/page.txt", "Founded 1999.\r\n");
    WriteIn(scratch, "site/list.txt", "page.txt\r\n");
    const std::string project = WriteIn(
        scratch, "site/site.tarvo", "[Options]\r\ndumpwords=0\r\n[Paths]\r\nfilelist=list.txt\r\ndatabase=Site\r\n");
    WriteIn(scratch, "config/tarvo/defaults", "[\\Software\\TARVO\\dumpwords]\nbool=int32:1\n");
    ASSERT_EQ(RunTarvoIndex(scratch, (scratch / "config"), project), 0);
    EXPECT_FALSE(std::filesystem::exists((scratch / "site/Site.lst")));
}

}  // namespace
