// The tests' scratch folder: a new one each time, removed with everything in
// it, and removed once by whichever object owns it after a move.
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

namespace {

namespace fs = std::filesystem;

TEST(TempFolder, EachIsNewAndGoesWithItsContentsEvenWithoutWritePermission) {
    std::string path;
    {
        const tarvo_test::TempFolder folder, another;
        EXPECT_NE(folder.Path(), another.Path());
        EXPECT_TRUE(fs::is_directory(folder.Path()));
        tarvo_test::WriteBytes(folder / "sub/file", "x");
        fs::permissions(folder.Path(), fs::perms::owner_write, fs::perm_options::remove);
        path = folder.Path();
    }
    EXPECT_FALSE(fs::exists(path));
}

TEST(TempFolder, AMovedFolderIsRemovedByItsLastOwnerOnly) {
    tarvo_test::TempFolder first;
    const std::string path = first.Path();
    {
        tarvo_test::TempFolder second(std::move(first));
        EXPECT_EQ(second.Path(), path);
        { const tarvo_test::TempFolder fromTheEmptied(std::move(first)); }
        EXPECT_TRUE(fs::is_directory(path));

        tarvo_test::TempFolder third;
        const std::string replaced = third.Path();
        third = std::move(second);
        EXPECT_FALSE(fs::exists(replaced)) << "the folder a move replaces is removed";
        EXPECT_EQ(third.Path(), path);
        EXPECT_TRUE(fs::is_directory(path));
    }
    EXPECT_FALSE(fs::exists(path));
}

}  // namespace
