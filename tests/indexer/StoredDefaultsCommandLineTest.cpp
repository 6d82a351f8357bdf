// tarvo-index starts from the user's stored word defaults, as the desktop
// indexer does, and never changes the store.
#include <gtest/gtest.h>

#include <cstdlib>

#include "AppTestSupport.h"

namespace {

using apptest::ScratchFolder;

/// Runs tarvo-index on `project` with the store folder `configHome`;
/// returns its exit status.
int RunTarvoIndex(const ScratchFolder& scratch, const std::string& configHome, const std::string& project) {
    const std::string command = "XDG_CONFIG_HOME='" + configHome + "' '" + std::string(TARVO_BIN_DIR) +
                                "/tarvo-index' --quiet '" + project + "' >'" + scratch.Path("out.txt") + "' 2>&1; echo $? >'" +
                                scratch.Path("status.txt") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return std::stoi(scratch.Read("status.txt"));
}

/// A site of one document with numbers of 2, 4 and 6 digits, and a project
/// without an Options section.
std::string WriteSite(const ScratchFolder& scratch) {
    scratch.Write("site/page.txt", "Founded 1999, room 12, code 123456.\r\n");
    scratch.Write("site/list.txt", "page.txt\r\n");
    return scratch.Write("site/site.tarvo", "[Paths]\r\nfilelist=list.txt\r\ndatabase=Site\r\n");
}

TEST(StoredDefaultsCommandLine, ProjectWithoutOptionsUsesTheStoredWordDefaults) {
    ScratchFolder scratch;
    const std::string project = WriteSite(scratch);
    const std::string store =
        "[\\Software\\TARVO\\dumpwords]\nbool=int32:1\n"
        "[\\Software\\TARVO\\digitsize]\nint=int32:4\n"
        "[\\Software\\TARVO\\digitmax]\nint=int32:4\n";
    scratch.Write("config/tarvo/defaults", store);

    ASSERT_EQ(RunTarvoIndex(scratch, scratch.Path("config"), project), 0) << scratch.Read("out.txt");
    const std::string words = scratch.Read("site/Site.lst");
    ASSERT_FALSE(words.empty()) << "the stored dumpwords default asks for the word list";
    EXPECT_NE(words.find(": 1999 "), std::string::npos) << words;
    EXPECT_EQ(words.find("123456"), std::string::npos) << "digitmax 4 leaves six digits out";
    EXPECT_EQ(words.find(": 12 "), std::string::npos) << "digitsize 4 (older digitmin) leaves two digits out";
    EXPECT_EQ(scratch.Read("config/tarvo/defaults"), store) << "the store is only read";
}

TEST(StoredDefaultsCommandLine, WithoutAStoreTheBuiltInOptionsApplyAndNothingIsCreated) {
    ScratchFolder scratch;
    const std::string project = WriteSite(scratch);
    ASSERT_EQ(RunTarvoIndex(scratch, scratch.Path("config"), project), 0) << scratch.Read("out.txt");
    EXPECT_FALSE(apptest::fs::exists(scratch.Path("site/Site.lst")));
    EXPECT_FALSE(apptest::fs::exists(scratch.Path("config")));
}

TEST(StoredDefaultsCommandLine, UnreadableDefaultIsReportedAndTheRunGoesOn) {
    ScratchFolder scratch;
    const std::string project = WriteSite(scratch);
    scratch.Write("config/tarvo/defaults", "[\\Software\\TARVO\\dumpwords]\nbool=string:\"1\"\n");
    ASSERT_EQ(RunTarvoIndex(scratch, scratch.Path("config"), project), 0);
    EXPECT_NE(scratch.Read("out.txt").find("tarvo-index: stored defaults: Invalid data type for 'bool'"),
              std::string::npos)
        << scratch.Read("out.txt");
    EXPECT_TRUE(apptest::fs::exists(scratch.Path("site/Site.toc")));
}

TEST(StoredDefaultsCommandLine, ProjectOptionsWinOverTheStoredDefaults) {
    ScratchFolder scratch;
    scratch.Write("site/page.txt", "Founded 1999.\r\n");
    scratch.Write("site/list.txt", "page.txt\r\n");
    const std::string project =
        scratch.Write("site/site.tarvo", "[Options]\r\ndumpwords=0\r\n[Paths]\r\nfilelist=list.txt\r\ndatabase=Site\r\n");
    scratch.Write("config/tarvo/defaults", "[\\Software\\TARVO\\dumpwords]\nbool=int32:1\n");
    ASSERT_EQ(RunTarvoIndex(scratch, scratch.Path("config"), project), 0);
    EXPECT_FALSE(apptest::fs::exists(scratch.Path("site/Site.lst")));
}

}  // namespace
