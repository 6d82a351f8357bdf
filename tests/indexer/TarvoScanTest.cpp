// tarvo-scan: the exact bytes of --raw, the readable form, and its refusals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/TestFiles.h"

namespace {

class TarvoScan : public ::testing::Test {
protected:
    /// Runs tarvo-scan with the arguments; returns its exit code, output in output_.
    int Run(const std::string& arguments) {
        const std::string out = folder_ / "out";
        const std::string command =
            std::string(TARVO_BIN_DIR) + "/tarvo-scan " + arguments + " >" + out + " 2>" + (folder_ / "err");
        const int status = std::system(command.c_str());
        output_ = Slurp(out);
        errors_ = Slurp(folder_ / "err");
        // std::system returns the wait status: the exit code is its second byte.
        return (status >> 8) & 0xFF;
    }

    static std::string Slurp(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    static std::string Fixture(const std::string& name) { return std::string(TARVO_TEST_DATA_DIR) + "/scan/" + name; }

    tarvo_test::TempFolder folder_;
    std::string output_;
    std::string errors_;
};

TEST_F(TarvoScan, RawOutputIsWhatTheRunFlushes) {
    ASSERT_EQ(Run("'" + Fixture("page-crlf.htm") + "' --number 7 --url page-crlf.htm --raw"), 0) << errors_;
    EXPECT_EQ(output_, Slurp(Fixture("page.expected")));
    ASSERT_EQ(
        Run("'" + Fixture("notes.txt") + "' --title Notes --url http://example.com/notes.txt --number 65535 --raw"), 0);
    EXPECT_EQ(output_, Slurp(Fixture("notes.expected")));
}

TEST_F(TarvoScan, ReadableOutputShowsEntriesAndTitleInUtf8) {
    ASSERT_EQ(Run("'" + Fixture("notes.txt") + "' --title Notes --url u"), 0) << errors_;
    EXPECT_NE(output_.find("Word entries (15):"), std::string::npos) << output_;
    EXPECT_NE(output_.find("  CAF\xC3\x89                       :00001\n"), std::string::npos) << output_;
    EXPECT_NE(output_.find("Table-of-contents line (355 bytes):"), std::string::npos);
    EXPECT_NE(output_.find("  Title [Notes" + std::string(95, ' ') + "]"), std::string::npos);
}

TEST_F(TarvoScan, CharsetReadsAnUndeclaredDocumentAsUtf8) {
    const std::string page = folder_ / "plain.txt";
    std::ofstream(page, std::ios::binary) << "Abh\xC3\xA4ngig";
    ASSERT_EQ(Run("'" + page + "' --charset utf-8"), 0) << errors_;
    EXPECT_NE(output_.find("  ABH\xC3\x84NGIG "), std::string::npos) << output_;
    ASSERT_EQ(Run("'" + page + "'"), 0) << errors_;  // Windows-1252 by default: two letters
    EXPECT_NE(output_.find("  ABH\xC3\x83\xC2\xA4NGIG "), std::string::npos) << output_;
    EXPECT_EQ(Run("'" + page + "' --charset latin-1"), 2);
    EXPECT_NE(errors_.find("windows-1252 or utf-8"), std::string::npos) << errors_;
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
    EXPECT_EQ(Run("'" + (folder_ / "missing.htm") + "'"), 1);
    EXPECT_NE(errors_.find("missing.htm"), std::string::npos) << errors_;
    EXPECT_EQ(output_, "");
}

TEST_F(TarvoScan, CodePageShowsTheWordsAsThatSetStoresThem) {
    const std::string page = folder_ / "page.htm";
    {
        std::ofstream file(page, std::ios::binary);
        file << "<meta charset=utf-8><title>\xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xBF\xCF\x82</title>"
                "\xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xBF\xCF\x82 \xE6\x97\xA5\xE6\x9C\xAC";  // κόσμος 日本
    }
    ASSERT_EQ(Run("'" + page + "' --codepage utf-8 --raw"), 0) << errors_;
    EXPECT_EQ(output_.substr(0, 12), "\xCE\x9A\xCE\x8C\xCE\xA3\xCE\x9C\xCE\x9F\xCE\xA3");  // ΚΌΣΜΟΣ
    EXPECT_NE(output_.find("\xE6\x97\xA5" + std::string(24, ' ') + ":00001"), std::string::npos) << output_;
    ASSERT_EQ(Run("'" + page + "' --codepage windows-1250"), 0) << errors_;
    EXPECT_NE(output_.find("Word entries (0):"), std::string::npos) << output_;
    EXPECT_EQ(Run("'" + page + "' --codepage koi8-r"), 2);
    EXPECT_EQ(errors_, "tarvo-scan: the code page must be windows-1252, windows-1250 or utf-8\n");
}

}  // namespace
