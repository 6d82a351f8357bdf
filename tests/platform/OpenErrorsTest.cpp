// The classic error numbers of failed opens.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/OpenErrors.h"

namespace platform {
namespace {

TEST(OpenErrors, EachReasonHasItsClassicNumber) {
    const std::string existingFolder = std::filesystem::temp_directory_path().string();
    struct Case {
        int errorNumber;
        std::string path;
        int expected;
    };
    const std::vector<Case> cases = {
        {ENOENT, existingFolder + "/no-such-file.dct", 2},
        {ENOENT, existingFolder + "/no-such-folder-for-tarvo/site.dct", 3},
        {ENOENT, "relative-name-in-the-working-folder.dct", 2},
        {ENOTDIR, existingFolder + "/file/site.dct", 3},
        {EMFILE, existingFolder + "/site.dct", 4},
        {ENFILE, existingFolder + "/site.dct", 4},
        {EACCES, existingFolder + "/site.dct", 5},
        {EPERM, existingFolder + "/site.dct", 5},
        {EISDIR, existingFolder + "/site.dct", 5},
        {EIO, existingFolder + "/site.dct", 0},
        {ENAMETOOLONG, existingFolder + "/site.dct", 0},
        {0, existingFolder + "/site.dct", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassicOpenErrorNumber(c.errorNumber, c.path), c.expected) << c.errorNumber << " " << c.path;
}

}  // namespace
}  // namespace platform
