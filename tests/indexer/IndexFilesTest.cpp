// Record layouts, file names and prefix keys of the index file set.
#include "indexer/engine/IndexFiles.h"

#include <gtest/gtest.h>

namespace indexer {
namespace {

struct PrefixCase {
    std::string word;
    PrefixKeys keys;
};

TEST(PrefixKeys, FollowTheBase36RuleForOneToThreeCharacters) {
    const PrefixCase cases[] = {
        {"HELLO", {17, 626, 22557}},
        {"AB", {10, 371, -1}},
        {"B", {11, -1, -1}},
        {"9", {9, -1, -1}},
        {"0A", {0, 10, -1}},      // shares its slot with the one-character prefix A
        {"00A", {0, 0, 10}},
        {"ZZZ", {35, 1295, 46655}},
        {"A_B", {10, -1, -1}},    // second character without a digit value: one key only
        {"AB_", {10, 371, -1}},
        {"\xC9T\xC9", {kSpecialPrefixKey, -1, -1}},  // a non-ASCII first letter
        {"_X", {kSpecialPrefixKey, -1, -1}},
        {"a", {kSpecialPrefixKey, -1, -1}},        // only upper case letters have values
        {"", {-1, -1, -1}},
    };
    for (const auto& c : cases) EXPECT_EQ(ComputePrefixKeys(c.word), c.keys) << c.word;
}

TEST(IndexFileNames, AppendTheLowerCaseExtensionToTheDatabaseName) {
    EXPECT_EQ(IndexFileName("site/DataBase", IndexFile::TableOfContents), "site/DataBase.toc");
    EXPECT_EQ(IndexFileName("DataBase", IndexFile::Dictionary), "DataBase.dct");
    EXPECT_EQ(IndexFileName("DataBase", IndexFile::Postings), "DataBase.ndx");
    EXPECT_EQ(IndexFileName("DataBase", IndexFile::PrefixHash), "DataBase.hsh");
    EXPECT_EQ(IndexFileName("DataBase", IndexFile::BlockLetters), "DataBase.ext");
    EXPECT_EQ(IndexFileName("DataBase", IndexFile::WorkFile), "DataBase.temp");
    EXPECT_EQ(IndexFileName("DataBase", IndexFile::WordDump), "DataBase.lst");
}

TEST(RecordLayouts, SizesMatchTheFileFormat) {
    EXPECT_EQ(kTocRecordSize, 357u);
    EXPECT_EQ(kHashFileSize, 93328u);
    EXPECT_EQ(kMaxDictionaryWords, 654999u);
}

TEST(RecordLayouts, WorkEntryIsWordFieldColonAndFiveDigits) {
    EXPECT_EQ(FormatWorkEntry("HELLO", 1), "HELLO                      :00001");
    EXPECT_EQ(FormatWorkEntry("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", 65535),
              "ABCDEFGHIJKLMNOPQRSTUVWXYZ0:65535");
    EXPECT_EQ(FormatWorkEntry("X", 7).size(), kWorkRecordSize - 2);
}

TEST(RecordLayouts, TocLineCutsUrlAt255AndTitleAt100) {
    const std::string longUrl(300, 'u');
    const std::string longTitle(150, 't');
    const std::string line = FormatTocLine(longUrl, longTitle);
    ASSERT_EQ(line.size(), 355u);
    EXPECT_EQ(line.substr(0, 255), std::string(255, 'u'));
    EXPECT_EQ(line.substr(255), std::string(100, 't'));
    const std::string shortLine = FormatTocLine("a.htm", "A");
    EXPECT_EQ(shortLine.substr(0, 6), "a.htm ");
    EXPECT_EQ(shortLine.substr(255), "A" + std::string(99, ' '));
}

TEST(RecordLayouts, DumpLineHasCountSeparatorAndPaddedWord) {
    EXPECT_EQ(FormatDumpLine(2, "HELLO"), "00002 : HELLO                      ");
    EXPECT_EQ(FormatDumpLine(123456, "W"), "123456 : W                          ");
}

TEST(RecordLayouts, DictionaryRecordHoldsLengthByteWordAndLittleEndianPosition) {
    std::string record;
    AppendDictionaryRecord(record, "AB", 0x01020304);
    ASSERT_EQ(record.size(), kDictionaryRecordSize);
    EXPECT_EQ(record[0], 27);
    EXPECT_EQ(record.substr(1, 27), "AB" + std::string(25, ' '));
    EXPECT_EQ(record.substr(28), std::string("\x04\x03\x02\x01", 4));
}

TEST(RecordLayouts, BlockLetterRecordCountsItsLetters) {
    const auto record = MakeBlockLetterRecord("AQ");
    EXPECT_EQ(std::string(record.data(), record.size()), std::string("\x02" "AQ\0\0\0\0\0\0\0", 10));
}

}  // namespace
}  // namespace indexer
