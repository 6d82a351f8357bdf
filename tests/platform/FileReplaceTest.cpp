// Replacing files whole: the rename over an existing file, disk flushes of
// files and folders, and the errors of each.
#include "platform/FileReplace.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace platform {
namespace {

using ScratchFolder = tarvo_test::TempFolder;

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FileReplace, ARenameReplacesTheTargetWholeAndRemovesTheSource) {
    ScratchFolder folder;
    Write(folder / "set.toc.new", "new bytes");
    Write(folder / "set.toc", "old bytes, longer than the new ones");
    EXPECT_EQ(RenameFile(folder / "set.toc.new", folder / "set.toc"), 0);
    EXPECT_EQ(Read(folder / "set.toc"), "new bytes");
    EXPECT_FALSE(std::filesystem::exists(folder / "set.toc.new"));

    Write(folder / "fresh.new", "first");
    EXPECT_EQ(RenameFile(folder / "fresh.new", folder / "fresh"), 0) << "a missing target is no error";
    EXPECT_EQ(Read(folder / "fresh"), "first");
}

TEST(FileReplace, FailuresReturnTheSystemErrorAndChangeNothing) {
    ScratchFolder folder;
    Write(folder / "set.toc", "old");
    EXPECT_EQ(RenameFile(folder / "missing.new", folder / "set.toc"), ENOENT);
    EXPECT_EQ(Read(folder / "set.toc"), "old");
    EXPECT_EQ(SyncFileToDisk(folder / "missing"), ENOENT);
    EXPECT_EQ(SyncFolder(folder / "set.toc"), ENOTDIR);
    EXPECT_EQ(SyncFolder(folder / "no-such-folder"), ENOENT);
}

TEST(FileReplace, FlushesExistingFilesAndFolders) {
    ScratchFolder folder;
    Write(folder / "set.dct", "bytes");
    EXPECT_EQ(SyncFileToDisk(folder / "set.dct"), 0);
    EXPECT_EQ(SyncFolder(folder.Path()), 0);
    EXPECT_EQ(SyncFolder(""), 0) << "the empty folder name is the working folder";
    EXPECT_EQ(Read(folder / "set.dct"), "bytes");
}

}  // namespace
}  // namespace platform
