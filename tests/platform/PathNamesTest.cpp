// Path splitting and resolving.
#include "platform/PathNames.h"

#include <gtest/gtest.h>

namespace {

TEST(PathNames, SplitIntoFolderAndFileName) {
    const struct {
        const char* path;
        const char* folder;
        const char* name;
    } rows[] = {
        {"/srv/site/list.txt", "/srv/site", "list.txt"},
        {"list.txt", "", "list.txt"},
        {"/list.txt", "/", "list.txt"},
        {"sub/", "sub", ""},
        {"", "", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(platform::DirectoryOf(row.path), row.folder) << row.path;
        EXPECT_EQ(platform::FileNameOf(row.path), row.name) << row.path;
    }
}

TEST(PathNames, RelativePathsResolveAgainstTheFolderOnly) {
    EXPECT_EQ(platform::ResolveAgainst("/srv/site", "list.txt"), "/srv/site/list.txt");
    EXPECT_EQ(platform::ResolveAgainst("/srv/site/", "a/b.txt"), "/srv/site/a/b.txt");
    EXPECT_EQ(platform::ResolveAgainst("/srv/site", "/etc/list.txt"), "/etc/list.txt");
    EXPECT_EQ(platform::ResolveAgainst("/srv/site", ""), "");
    EXPECT_EQ(platform::ResolveAgainst("", "list.txt"), "list.txt");
}

TEST(PathNames, ProgramDirectoryIsAnAbsoluteFolder) {
    const std::string folder = platform::ProgramDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(platform::IsAbsolutePath(folder));
}

}  // namespace
