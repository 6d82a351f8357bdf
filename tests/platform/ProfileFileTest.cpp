// Profile (INI) files: the Windows reading rules, and writes that keep the
// rest of the file in place.
#include "platform/ProfileFile.h"

#include "platform/File.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/TestFiles.h"

namespace platform {
namespace {

struct ReadCase {
    std::string text;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

TEST(ProfileFileRead, FollowsTheWindowsProfileRules) {
    const ReadCase cases[] = {
        {"[Options]\r\ndigitmin=3\r\n", "Options", "digitmin", "3"},
        {"[options]\r\nDIGITMIN=3\r\n", "OPTIONS", "DigitMin", "3"},                // names ignore case
        {"  [ Options ]  \r\n  digitmin  =  3  \r\n", "Options", "digitmin", "3"},  // blanks around
        {"[Options]\ndigitmin=3\n", "Options", "digitmin", "3"},                    // LF line ends
        {"[Options]\r\nkey=a=b\r\n", "Options", "key", "a=b"},                      // after the first =
        {"[Options]\r\nkey=\r\n", "Options", "key", ""},
        {"[Options]\r\nkey=\"quoted \"\r\n", "Options", "key", "quoted "},  // one pair of quotes removed
        {"[Options]\r\nkey='x'\r\n", "Options", "key", "x"},
        {"[Options]\r\nkey=\"x\r\n", "Options", "key", "\"x"},
        {"[Options]\r\n;key=1\r\n", "Options", "key", std::nullopt},  // a comment is no key
        {"[Options]\r\nother=1\r\n", "Options", "key", std::nullopt},
        {"[Paths]\r\nkey=1\r\n", "Options", "key", std::nullopt},
        {"key=1\r\n[Options]\r\n", "Options", "key", std::nullopt},  // before any section
        {"[Options]\r\nkey=1\r\nkey=2\r\n", "Options", "key", "1"},  // the first one counts
        {"[A]\r\nkey=1\r\n[B]\r\nkey=2\r\n", "B", "key", "2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProfileFile::Parse(c.text).ReadString(c.section, c.key), c.expected) << c.text;
}

TEST(ProfileFileRead, CutsValuesAt1023Characters) {
    const std::string text = "[S]\r\nk=" + std::string(2000, 'v') + "\r\n";
    EXPECT_EQ(ProfileFile::Parse(text).ReadString("S", "k")->size(), kProfileValueLimit);
}

TEST(ProfileFileWrite, ReplacesAKeyWhereItStandsAndKeepsEverythingElse) {
    ProfileFile profile =
        ProfileFile::Parse("; project notes\r\n[Options]\r\nDigitMin=1\r\ncustom=keep\r\n\r\n[Other]\r\nx=y\r\n");
    profile.WriteString("options", "digitmin", "4");
    EXPECT_EQ(profile.Text(), "; project notes\r\n[Options]\r\ndigitmin=4\r\ncustom=keep\r\n\r\n[Other]\r\nx=y\r\n");
}

TEST(ProfileFileWrite, AddsNewKeysAtTheEndOfTheirSectionAndNewSectionsAtTheEnd) {
    ProfileFile profile = ProfileFile::Parse("[Options]\r\na=1\r\n\r\n[Other]\r\nx=y\r\n");
    profile.WriteString("Options", "b", "2");
    profile.WriteString("Paths", "filelist", "files.txt");
    EXPECT_EQ(profile.Text(), "[Options]\r\na=1\r\nb=2\r\n\r\n[Other]\r\nx=y\r\n\r\n[Paths]\r\nfilelist=files.txt\r\n");
}

TEST(ProfileFileWrite, QuotesValuesThatReadingWouldChange) {
    const std::string values[] = {" ~;:", "tab\t", "\"both\"", "'x'", "plain", ""};
    for (const auto& value : values) {
        ProfileFile profile;
        profile.WriteString("S", "k", value);
        EXPECT_EQ(ProfileFile::Parse(profile.Text()).ReadString("S", "k"), value) << value;
    }
}

TEST(ProfileFileWrite, DeletesOnlyTheNamedKey) {
    ProfileFile profile = ProfileFile::Parse("[Options]\r\ndigitsize=3\r\ndigitmin=0\r\n");
    profile.DeleteKey("OPTIONS", "DIGITSIZE");
    profile.DeleteKey("Options", "missing");
    profile.DeleteKey("Missing", "digitmin");
    EXPECT_EQ(profile.Text(), "[Options]\r\ndigitmin=0\r\n");
}

class ProfileFileDisk : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return folder_ / name; }
    tarvo_test::TempFolder folder_;
};

TEST_F(ProfileFileDisk, MissingFileLoadsEmptyAndSaveReplacesTheFileWhole) {
    const std::string path = PathOf("site.tarvo");
    ProfileFile profile = ProfileFile::Load(path);
    EXPECT_EQ(profile.Text(), "");
    profile.WriteString("Paths", "database", "DataBase");
    profile.Save(path);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, "[Paths]\r\ndatabase=DataBase\r\n");
    EXPECT_FALSE(std::filesystem::exists(path + ".saving"));
    EXPECT_EQ(ProfileFile::Load(path).ReadString("paths", "DATABASE"), "DataBase");
}

TEST_F(ProfileFileDisk, SaveIntoAMissingFolderFailsWithThePath) {
    const std::string path = PathOf("missing/site.tarvo");
    try {
        ProfileFile().Save(path);
        FAIL() << "no error";
    } catch (const IoError& error) {
        EXPECT_NE(std::string(error.what()).find("missing/site.tarvo"), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace platform
