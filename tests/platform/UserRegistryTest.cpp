// The per-user store: typed values, key layout, byte-exact strings, the
// atomic rewrite and failure on an unreadable or unwritable store.
#include "platform/UserRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/TestFiles.h"

namespace {

namespace fs = std::filesystem;

class UserRegistryTest : public ::testing::Test {
protected:
    std::string StorePath() const { return folder_ / "config/tarvo/defaults"; }
    std::string ReadStoreFile() const {
        std::ifstream in(StorePath(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    void WriteStoreFile(const std::string& text) const {
        fs::create_directories(fs::path(StorePath()).parent_path());
        std::ofstream(StorePath(), std::ios::binary) << text;
    }

    tarvo_test::TempFolder folder_;
};

TEST_F(UserRegistryTest, MissingStoreHasNoKeysAndCreatesNothingOnRead) {
    platform::UserRegistry registry(StorePath());
    EXPECT_FALSE(registry.KeyExists("\\Software\\TARVO\\delimiters"));
    EXPECT_FALSE(registry.QueryValue("\\Software\\TARVO\\delimiters", "").has_value());
    EXPECT_FALSE(fs::exists(StorePath()));
}

TEST_F(UserRegistryTest, CreatingAKeyMakesTheFolderAndTheFile) {
    platform::UserRegistry registry(StorePath());
    ASSERT_TRUE(registry.OpenOrCreateKey("\\Software\\TARVO\\prj"));
    EXPECT_TRUE(registry.KeyExists("\\Software\\TARVO\\prj"));
    EXPECT_TRUE(registry.KeyExists("\\software\\tarvo\\PRJ")) << "key names ignore letter case";
    EXPECT_FALSE(registry.QueryValue("\\Software\\TARVO\\prj", "1").has_value());
}

TEST_F(UserRegistryTest, ValuesKeepTheirTypeAndEveryByte) {
    platform::UserRegistry registry(StorePath());
    std::string allBytes;
    for (int c = 1; c < 256; ++c) allBytes += static_cast<char>(c);
    ASSERT_TRUE(registry.SetString("K", "", allBytes));
    ASSERT_TRUE(registry.SetInt32("K", "int", -2147483647 - 1));
    ASSERT_TRUE(registry.SetInt32("L", "bool", 1));

    platform::UserRegistry reopened(StorePath());
    const auto text = reopened.QueryValue("K", "");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->type, platform::RegistryValue::Type::String);
    EXPECT_EQ(text->text, allBytes);
    const auto number = reopened.QueryValue("k", "INT");
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(number->type, platform::RegistryValue::Type::Int32);
    EXPECT_EQ(number->number, -2147483647 - 1);
    EXPECT_EQ(reopened.QueryValue("L", "bool")->number, 1);
}

TEST_F(UserRegistryTest, RewritingAValueReplacesItInPlace) {
    platform::UserRegistry registry(StorePath());
    ASSERT_TRUE(registry.SetString("prj", "1", "first"));
    ASSERT_TRUE(registry.SetString("prj", "2", "second"));
    ASSERT_TRUE(registry.SetString("prj", "1", "again"));
    EXPECT_EQ(registry.QueryValue("prj", "1")->text, "again");
    EXPECT_EQ(registry.QueryValue("prj", "2")->text, "second");
    EXPECT_EQ(ReadStoreFile().find("first"), std::string::npos);
}

TEST_F(UserRegistryTest, StoreFileIsPlainTextInTheDocumentedLayout) {
    platform::UserRegistry registry(StorePath());
    ASSERT_TRUE(registry.SetString("\\Software\\TARVO\\delimiters", "", "a\"\\\x96"));
    ASSERT_TRUE(registry.SetInt32("\\Software\\TARVO\\digitmax", "int", 7));
    const std::string expected =
        "; TARVO stored defaults: one [key] per option, typed values; @ is a key's unnamed value.\n"
        "[\\Software\\TARVO\\delimiters]\n"
        "@=string:\"a\\\"\\\\\\x96\"\n"
        "[\\Software\\TARVO\\digitmax]\n"
        "int=int32:7\n";
    EXPECT_EQ(ReadStoreFile(), expected);
}

TEST_F(UserRegistryTest, ValuesOfOtherTypesAreReportedAsSuch) {
    WriteStoreFile(
        "[dumpwords]\n"
        "bool=binary:01 00\n"
        "int=int32:12x\n"
        "text=string:unquoted\n");
    platform::UserRegistry registry(StorePath());
    for (const char* name : {"bool", "int", "text"}) {
        const auto value = registry.QueryValue("dumpwords", name);
        ASSERT_TRUE(value.has_value()) << name;
        EXPECT_EQ(value->type, platform::RegistryValue::Type::Other) << name;
    }
}

TEST_F(UserRegistryTest, ChangeLeavesNoTemporaryFileBehind) {
    platform::UserRegistry registry(StorePath());
    ASSERT_TRUE(registry.SetString("a", "", "x"));
    ASSERT_TRUE(registry.SetString("b", "", "y"));
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(fs::path(StorePath()).parent_path())) ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(UserRegistryTest, UnwritableFolderFailsWritesAndKeepsTheOldStore) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    platform::UserRegistry registry(StorePath());
    ASSERT_TRUE(registry.SetString("a", "", "old"));
    fs::permissions(fs::path(StorePath()).parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(registry.SetString("a", "", "new"));
    EXPECT_FALSE(registry.OpenOrCreateKey("b"));
    fs::permissions(fs::path(StorePath()).parent_path(), fs::perms::owner_all);
    EXPECT_EQ(registry.QueryValue("a", "")->text, "old");
}

TEST_F(UserRegistryTest, StoreInPlaceOfAFolderCannotBeOpened) {
    // The store path names a folder: nothing can be read or created.
    fs::create_directories(StorePath());
    platform::UserRegistry registry(StorePath());
    EXPECT_FALSE(registry.KeyExists("a"));
    EXPECT_FALSE(registry.OpenOrCreateKey("a"));
    EXPECT_FALSE(registry.SetInt32("a", "int", 1));
}

TEST_F(UserRegistryTest, NamesThatCannotBeStoredAreRefused) {
    platform::UserRegistry registry(StorePath());
    EXPECT_FALSE(registry.SetString("bad]key", "", "x"));
    EXPECT_FALSE(registry.SetString("key", "a=b", "x"));
    EXPECT_FALSE(registry.SetString("key", "line\nbreak", "x"));
}

TEST(UserRegistryPath, FollowsXdgConfigHomeThenHome) {
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string keptXdg = savedXdg ? savedXdg : "";
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg-here", 1);
    EXPECT_EQ(platform::UserRegistry::DefaultStorePath(), "/tmp/xdg-here/tarvo/defaults");
    ::setenv("XDG_CONFIG_HOME", "", 1);
    const char* home = std::getenv("HOME");
    EXPECT_EQ(platform::UserRegistry::DefaultStorePath(), std::string(home ? home : "") + "/.config/tarvo/defaults");
    if (savedXdg) ::setenv("XDG_CONFIG_HOME", keptXdg.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
