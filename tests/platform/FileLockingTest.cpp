// Folder locks between a writer that replaces a group of files and readers
// that open the group, and second handles on an open file that keep reading
// it after its name was given to another file.
#include "platform/FileLocking.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>
#include <utility>

#include "platform/FileReplace.h"

namespace platform {
namespace {

using ScratchFolder = tarvo_test::TempFolder;

using Kind = FolderLock::Kind;

/// Whether a lock of `kind` could be taken now, without waiting.
bool Free(const std::string& folder, Kind kind) {
    return FolderLock::Acquire(folder, kind, FolderLock::Wait::No).IsHeld();
}

TEST(FolderLock, SharedHoldersShareAndAnExclusiveHolderIsAlone) {
    ScratchFolder folder;
    const struct {
        const char* name;
        Kind held;
        bool sharedFree;
        bool exclusiveFree;
    } cases[] = {
        {"shared held", Kind::Shared, true, false},
        {"exclusive held", Kind::Exclusive, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FolderLock lock = FolderLock::Acquire(folder.Path(), c.held);
        ASSERT_TRUE(lock.IsHeld()) << lock.LockError();
        EXPECT_EQ(Free(folder.Path(), Kind::Shared), c.sharedFree);
        EXPECT_EQ(Free(folder.Path(), Kind::Exclusive), c.exclusiveFree);
        const FolderLock refused = FolderLock::Acquire(folder.Path(), Kind::Exclusive, FolderLock::Wait::No);
        EXPECT_EQ(refused.LockError(), EWOULDBLOCK);
        lock.Release();
        EXPECT_FALSE(lock.IsHeld());
        EXPECT_TRUE(Free(folder.Path(), Kind::Exclusive)) << "released";
    }
}

TEST(FolderLock, TheLockMovesWithItsObjectAndEndsWithIt) {
    ScratchFolder folder;
    {
        FolderLock first = FolderLock::Acquire(folder.Path(), Kind::Exclusive);
        FolderLock second = std::move(first);
        EXPECT_FALSE(first.IsHeld());
        EXPECT_TRUE(second.IsHeld());
        EXPECT_FALSE(Free(folder.Path(), Kind::Shared));
        FolderLock third;
        third = std::move(second);
        EXPECT_FALSE(Free(folder.Path(), Kind::Shared));
    }
    EXPECT_TRUE(Free(folder.Path(), Kind::Exclusive)) << "destroyed";
}

TEST(FolderLock, AFolderThatCannotBeOpenedIsNotLocked) {
    ScratchFolder folder;
    std::ofstream(folder / "file") << "x";
    const struct {
        std::string path;
        int error;
    } cases[] = {{folder / "missing", ENOENT}, {folder / "file", ENOTDIR}};
    for (const auto& c : cases) {
        const FolderLock lock = FolderLock::Acquire(c.path, Kind::Shared);
        EXPECT_FALSE(lock.IsHeld()) << c.path;
        EXPECT_EQ(lock.LockError(), c.error) << c.path;
    }
}

TEST(FolderLock, PatienceGivesUpOnAHolderThatDoesNotLetGo) {
    ScratchFolder folder;
    const FolderLock holder = FolderLock::Acquire(folder.Path(), Kind::Exclusive);
    const FolderLock waited = FolderLock::AcquireWithin(folder.Path(), Kind::Shared, std::chrono::milliseconds(20));
    EXPECT_FALSE(waited.IsHeld());
    EXPECT_EQ(waited.LockError(), EWOULDBLOCK);
    const FolderLock missing =
        FolderLock::AcquireWithin(folder / "missing", Kind::Shared, std::chrono::milliseconds(20));
    EXPECT_EQ(missing.LockError(), ENOENT) << "a folder that cannot be opened is not waited for";
    const FolderLock free = FolderLock::AcquireWithin(folder.Path(), Kind::Exclusive, std::chrono::milliseconds(0));
    EXPECT_FALSE(free.IsHeld());
}

TEST(FolderLock, PatienceTakesTheLockOnceTheHolderLetsGo) {
    ScratchFolder folder;
    FolderLock holder = FolderLock::Acquire(folder.Path(), Kind::Exclusive);
    holder.Release();
    const FolderLock waited = FolderLock::AcquireWithin(folder.Path(), Kind::Shared, std::chrono::milliseconds(0));
    EXPECT_TRUE(waited.IsHeld());
}

TEST(FolderLock, AnEmptyFolderNameLocksTheWorkingFolder) {
    const FolderLock lock = FolderLock::Acquire("", Kind::Exclusive);
    ASSERT_TRUE(lock.IsHeld()) << lock.LockError();
    EXPECT_FALSE(Free(std::filesystem::current_path().string(), Kind::Shared));
}

TEST(FileHandleDuplicate, ASecondHandleReadsTheFileItWasOpenedOnAfterARename) {
    ScratchFolder folder;
    std::ofstream(folder / "set.toc", std::ios::binary) << "old";
    std::ofstream(folder / "set.toc.new", std::ios::binary) << "new!";
    FileHandle original = FileHandle::Open(folder / "set.toc", FileHandle::Mode::Read);
    const FileHandle copy = original.Duplicate();
    ASSERT_TRUE(copy.IsOpen());
    original.Close();
    ASSERT_EQ(RenameFile(folder / "set.toc.new", folder / "set.toc"), 0);
    char bytes[8] = {};
    EXPECT_EQ(copy.Size(), 3);
    FileHandle second = copy.Duplicate();
    EXPECT_EQ(second.ReadAt(bytes, sizeof bytes, 0), 3);
    EXPECT_EQ(std::string(bytes, 3), "old");
}

TEST(FileHandleDuplicate, AFailedOpenDuplicatesAsTheSameFailure) {
    ScratchFolder folder;
    const FileHandle missing = FileHandle::Open(folder / "missing.dct", FileHandle::Mode::Read);
    ASSERT_EQ(missing.OpenError(), ENOENT);
    const FileHandle copy = missing.Duplicate();
    EXPECT_FALSE(copy.IsOpen());
    EXPECT_EQ(copy.OpenError(), ENOENT);
    EXPECT_EQ(FileHandle{}.Duplicate().OpenError(), 0);
}

}  // namespace
}  // namespace platform
