// Wildcard patterns and the directory search for documents and work files.
#include "platform/DirectorySearch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/TestFiles.h"

namespace platform {
namespace {

TEST(WildcardMatch, StarsQuestionMarksAndLetterCase) {
    const struct {
        std::string pattern, name;
        bool matches;
    } cases[] = {
        {"*.htm", "index.htm", true},
        {"*.HTM", "index.htm", true},
        {"*.htm", "index.html", false},
        {"*.htm", "htm", false},
        {"a?c.txt", "abc.txt", true},
        {"a?c.txt", "ac.txt", false},
        {"*", "anything", true},
        {"*.*", "noextension", true},
        {"*.*", "a.b", true},
        {"page*", "page", true},
        {"*page*", "homepage1", true},
        {"p*e*.t?t", "pages.txt", true},
        {"p*e*.t?t", "pages.tx", false},
        {"INDEX.HTM", "index.htm", true},
        {"index.htm", "index.htn", false},
        {"\xE9*", "\xE9t\xE9", true},
        {"\xE9*", "\xC9t\xE9", false},  // only ASCII letters fold
        {"", "", true},
        {"", "a", false},
    };
    for (const auto& c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
}

TEST(WildcardMatch, RunsAndSingleBytesIgnoringCase) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*", "anything", true},
        {"prog_C_*", "PROG_c_0A1F_REQ", true},
        {"prog_C_*", "prog_S", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*.log", "x.LOG", true},
        {"*a*b", "xaxxb", true},
        {"*a*b", "xaxxbx", false},
        {"", "", true},
        {"abc", "abcd", false},
    };
    for (const auto& [pattern, name, matches] : cases)
        EXPECT_EQ(WildcardMatch(pattern, name), matches) << pattern << " / " << name;
}

class DirectorySearch : public ::testing::Test {
protected:
    void Touch(const std::string& name) { std::ofstream(folder_ / name) << "x"; }
    tarvo_test::TempFolder folder_;
};

TEST_F(DirectorySearch, ReturnsRegularVisibleFilesInByteOrder) {
    for (const char* name : {"b.htm", "A.HTM", "c.txt", ".hidden.htm", "a.htm"}) Touch(name);
    std::filesystem::create_directory(folder_ / "folder.htm");
    std::filesystem::create_symlink(folder_ / "a.htm", folder_ / "link.htm");
    std::filesystem::create_symlink(folder_ / "missing", folder_ / "dangling.htm");
    EXPECT_EQ(FindMatchingFiles(folder_.Path(), "*.htm"),
              (std::vector<std::string>{"A.HTM", "a.htm", "b.htm", "link.htm"}));
    EXPECT_EQ(FindMatchingFiles(folder_.Path() + "/", "?.txt"), std::vector<std::string>{"c.txt"});
}

TEST_F(DirectorySearch, MissingFolderGivesNothing) { EXPECT_TRUE(FindMatchingFiles(folder_ / "none", "*").empty()); }

TEST_F(DirectorySearch, PathSearchesListFilesAndFindTheFirstEntry) {
    Touch("prog_C_0001_REQ");
    Touch("prog_C_0001_OUT");
    Touch("prog_S");
    std::filesystem::create_directory(folder_ / "prog_C_folder");
    const auto found = ListMatchingFiles(folder_ / "prog_C_*");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], folder_ / "prog_C_0001_OUT");
    FolderEntry entry;
    EXPECT_EQ(FindFirstMatch(folder_ / "prog_S", false, entry), 0);
    EXPECT_EQ(entry.name, "prog_S");
    EXPECT_EQ(entry.size, 1);
    EXPECT_NE(FindFirstMatch(folder_ / "nothing*", false, entry), 0);
    EXPECT_NE(FindFirstMatch(folder_ / "prog_C_folder", false, entry), 0);
    EXPECT_EQ(FindFirstMatch(folder_ / "prog_C_folder", true, entry), 0);
    EXPECT_TRUE(entry.isFolder);
    EXPECT_TRUE(ListMatchingFiles(folder_ / "no-such-folder/*").empty());
}

// Documents leave hidden files out; the CGI layer's work files are found
// (and deleted) whatever their names begin with.
TEST_F(DirectorySearch, OnlyPathSearchesSeeHiddenFiles) {
    Touch(".prog_C_1");
    Touch("prog_C_2");
    EXPECT_EQ(FindMatchingFiles(folder_.Path(), "*prog_C_*"), std::vector<std::string>{"prog_C_2"});
    EXPECT_EQ(ListMatchingFiles(folder_ / "*prog_C_*"),
              (std::vector<std::string>{folder_ / ".prog_C_1", folder_ / "prog_C_2"}));
    FolderEntry entry;
    EXPECT_EQ(FindFirstMatch(folder_ / ".PROG_c_1", false, entry), 0);
    EXPECT_EQ(entry.name, ".prog_C_1");
}

}  // namespace
}  // namespace platform
