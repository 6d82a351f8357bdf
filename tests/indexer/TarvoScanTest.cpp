// tarvo-scan: the exact bytes of --raw, the readable form, and its refusals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

class TarvoScan : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("tarvo-scan-") + info->name() + "-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    /// Runs tarvo-scan with the arguments; returns its exit code, output in output_.
    int Run(const std::string& arguments) {
        const std::string out = (dir_ / "out").string();
        const std::string command =
            std::string(TARVO_BIN_DIR) + "/tarvo-scan " + arguments + " >" + out + " 2>" + (dir_ / "err").string();
        const int status = std::system(command.c_str());
        output_ = Slurp(out);
        errors_ = Slurp((dir_ / "err").string());
        // std::system returns the wait status: the exit code is its second byte.
        return (status >> 8) & 0xFF;
    }

    static std::string Slurp(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    static std::string Fixture(const std::string& name) { return std::string(TARVO_TEST_DATA_DIR) + "/scan/" + name; }

    std::filesystem::path dir_;
    std::string output_;
    std::string errors_;
};

TEST_F(TarvoScan, RawOutputIsWhatTheRunFlushes) {
    ASSERT_EQ(Run("'" + Fixture("page-crlf.htm") + "' --number 7 --url page-crlf.htm --raw"), 0) << errors_;
    EXPECT_EQ(output_, Slurp(Fixture("page.expected")));
    ASSERT_EQ(Run("'" + Fixture("notes.txt") + "' --title Notes --url http://example.com/notes.txt --number 65535 --raw"), 0);
    EXPECT_EQ(output_, Slurp(Fixture("notes.expected")));
}

TEST_F(TarvoScan, ReadableOutputShowsEntriesAndTitleInUtf8) {
    ASSERT_EQ(Run("'" + Fixture("notes.txt") + "' --title Notes --url u"), 0) << errors_;
    EXPECT_NE(output_.find("Word entries (15):"), std::string::npos) << output_;
    EXPECT_NE(output_.find("  CAF\xC3\x89                       :00001\n"), std::string::npos) << output_;
    EXPECT_NE(output_.find("Table-of-contents line (355 bytes):"), std::string::npos);
    EXPECT_NE(output_.find("  Title [Notes" + std::string(95, ' ') + "]"), std::string::npos);
}

TEST_F(TarvoScan, RefusesBadCommandLinesAndMissingFiles) {
    EXPECT_EQ(Run(""), 2);
    EXPECT_NE(errors_.find("usage: tarvo-scan FILE"), std::string::npos);
    EXPECT_EQ(Run("a b"), 2);
    EXPECT_EQ(Run("--bogus x"), 2);
    EXPECT_EQ(Run("x --number 0"), 2);
    EXPECT_EQ(Run("x --number 65536"), 2);
    EXPECT_EQ(Run("x --number 12x"), 2);
    EXPECT_EQ(Run("x --title"), 2);
    EXPECT_EQ(Run("'" + (dir_ / "missing.htm").string() + "'"), 1);
    EXPECT_NE(errors_.find("missing.htm"), std::string::npos) << errors_;
    EXPECT_EQ(output_, "");
}

}  // namespace
