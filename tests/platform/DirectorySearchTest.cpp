// Wildcard patterns and the directory search for documents.
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
        {"*.htm", "index.htm", true},   {"*.HTM", "index.htm", true},  {"*.htm", "index.html", false},
        {"*.htm", "htm", false},        {"a?c.txt", "abc.txt", true},  {"a?c.txt", "ac.txt", false},
        {"*", "anything", true},        {"*.*", "noextension", true},  {"*.*", "a.b", true},
        {"page*", "page", true},        {"*page*", "homepage1", true}, {"p*e*.t?t", "pages.txt", true},
        {"p*e*.t?t", "pages.tx", false}, {"INDEX.HTM", "index.htm", true}, {"index.htm", "index.htn", false},
        {"\xE9*", "\xE9t\xE9", true},   {"\xE9*", "\xC9t\xE9", false},  // only ASCII letters fold
        {"", "", true},                 {"", "a", false},
    };
    for (const auto& c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
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

TEST_F(DirectorySearch, MissingFolderGivesNothing) {
    EXPECT_TRUE(FindMatchingFiles(folder_ / "none", "*").empty());
}

}  // namespace
}  // namespace platform
