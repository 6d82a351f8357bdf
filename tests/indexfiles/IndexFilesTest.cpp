// Record layouts, file names, publish and open orders and prefix keys of the
// index file set.
#include "indexfiles/IndexFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace indexfiles {
namespace {

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

std::string Padded(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

// ---- Prefix keys and slots ------------------------------------------------------------

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
        {"0A", {0, 10, -1}},  // shares its slot with the one-character prefix A
        {"00A", {0, 0, 10}},
        {"ZZZ", {35, 1295, 46655}},
        {"A_B", {10, -1, -1}},  // second character without a digit value: one key only
        {"AB_", {10, 371, -1}},
        {"\xC9T\xC9", {kSpecialPrefixKey, -1, -1}},  // a non-ASCII first letter
        {"_X", {kSpecialPrefixKey, -1, -1}},
        {"a", {kSpecialPrefixKey, -1, -1}},  // only upper case letters have values
        {"", {-1, -1, -1}},
    };
    for (const auto& c : cases) EXPECT_EQ(ComputePrefixKeys(c.word), c.keys) << c.word;
}

TEST(PrefixKeys, ALookupReadsTheSlotOfTheLongestPrefixWithAKey) {
    const struct {
        std::string word;
        PrefixKey slot;
    } cases[] = {
        {"HELLO", 22557},
        {"AB", 371},
        {"B", 11},
        {"A_B", 10},
        {"AB*", 371},
        {"\xC9T\xC9", kSpecialPrefixKey},
        {"_X", kSpecialPrefixKey},
        {"", kNoPrefixKey},
    };
    for (const auto& c : cases) EXPECT_EQ(LookupSlot(c.word), c.slot) << c.word;
    EXPECT_EQ(HashSlotOffset(22557), 45114);
}

// ---- The files of a set -------------------------------------------------------------

TEST(IndexFileNames, AppendTheLowerCaseExtensionToTheDatabaseName) {
    EXPECT_EQ(IndexFileName("site/DataBase", IndexFile::TableOfContents), "site/DataBase.toc");
    EXPECT_EQ(IndexFileName("DataBase", IndexFile::Dictionary), "DataBase.dct");
    EXPECT_EQ(IndexFileName("DataBase", IndexFile::Postings), "DataBase.ndx");
    EXPECT_EQ(IndexFileName("DataBase", IndexFile::PrefixHash), "DataBase.hsh");
    EXPECT_EQ(IndexFileName("DataBase", IndexFile::BlockLetters), "DataBase.ext");
    EXPECT_EQ(IndexFileName("DataBase", IndexFile::WorkFile), "DataBase.temp");
    EXPECT_EQ(IndexFileName("DataBase", IndexFile::WordDump), "DataBase.lst");
}

std::vector<std::string_view> Extensions(const auto& files) {
    std::vector<std::string_view> extensions;
    for (const IndexFile file : files) extensions.push_back(IndexFileExtension(file));
    return extensions;
}

TEST(IndexFileOrders, TheSearchOpensTheFilesItReadsInTheOrderItReadsThem) {
    EXPECT_EQ(Extensions(kOpenOrder), (std::vector<std::string_view>{".cpg", ".ext", ".dct", ".hsh", ".ndx", ".toc"}));
}

TEST(IndexFileOrders, ARunPublishesTheOpenOrderBackwardsWithItsWordDumpFirst) {
    EXPECT_EQ(Extensions(kPublishOrder),
              (std::vector<std::string_view>{".lst", ".toc", ".ndx", ".hsh", ".dct", ".ext", ".cpg"}));
    std::vector<IndexFile> searchedBackwards;
    for (const IndexFile file : kPublishOrder)
        if (Describe(file).searched) searchedBackwards.push_back(file);
    std::ranges::reverse(searchedBackwards);
    EXPECT_TRUE(std::ranges::equal(searchedBackwards, kOpenOrder));
}

TEST(IndexFileOrders, OnlyTheCodePageTheBlockLettersAndTheWordDumpMayBeMissingFromASet) {
    for (const FileDescriptor& file : kFiles) {
        EXPECT_EQ(&Describe(file.file), &file) << file.extension;
        const bool mayBeMissing = file.file == IndexFile::CodePage || file.file == IndexFile::BlockLetters ||
                                  file.file == IndexFile::WordDump;
        EXPECT_EQ(file.optional, mayBeMissing) << file.extension;
    }
    EXPECT_FALSE(Describe(IndexFile::WorkFile).published);
    EXPECT_FALSE(Describe(IndexFile::WorkFile).searched);
}

TEST(RecordLayouts, SizesMatchTheFileFormat) {
    EXPECT_EQ(kTocRecordSize, 357u);
    EXPECT_EQ(kHashFileSize, 93328u);
    EXPECT_EQ(kMaxDictionaryWords, 654999u);
}

// ---- Work file --------------------------------------------------------------------------

TEST(RecordLayouts, WorkEntryIsWordPaddedToTwentySevenColonFiveDigits) {
    const struct {
        std::string word;
        int number;
        std::string expected;
    } cases[] = {
        {"A", 1, "A" + std::string(26, ' ') + ":00001"},
        {"CAF\xC9", 65535, "CAF\xC9" + std::string(23, ' ') + ":65535"},
        {std::string(27, 'X'), 42, std::string(27, 'X') + ":00042"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", 65535, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0:65535"},
        {"", 0, std::string(27, ' ') + ":00000"},
        {"B", 123456, "B" + std::string(26, ' ') + ":123456"},
        {"C", -1, "C" + std::string(26, ' ') + ":-00001"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatWorkEntry(c.word, c.number), c.expected) << c.word;
    EXPECT_EQ(FormatWorkEntry("X", 7).size(), kWorkRecordSize - 2);
}

TEST(RecordLayouts, WorkEntryReadsBackItsWordAndNumber) {
    const std::string golden = "HELLO                      :00042\r\n";
    EXPECT_EQ(FormatWorkEntry("HELLO", 42) + "\r\n", golden);
    EXPECT_EQ(WorkEntryWordField(golden.data()), "HELLO" + std::string(22, ' '));
    EXPECT_EQ(WordOfField(WorkEntryWordField(golden.data())), "HELLO");
    EXPECT_EQ(WorkEntryNumber(golden.data()), 42);
    EXPECT_EQ(WorkEntryNumber(FormatWorkEntry("W", 65535).data()), 65535);
    EXPECT_EQ(WorkEntryNumber("W                          :0004x"), -1);
    EXPECT_EQ(WorkEntryNumber("W                          : 0042"), -1);
}

// ---- Table of contents ------------------------------------------------------------------

TEST(RecordLayouts, TocLineIsUrlPaddedTo255ThenTitlePaddedTo100) {
    EXPECT_EQ(FormatTocLine("a.htm", "Home"), Padded("a.htm", 255) + Padded("Home", 100));
    const std::string longUrl(300, 'u');
    const std::string longTitle(150, 't');
    EXPECT_EQ(FormatTocLine(longUrl, longTitle), std::string(255, 'u') + std::string(100, 't'));
    EXPECT_EQ(FormatTocLine("", ""), std::string(355, ' '));
}

TEST(RecordLayouts, TocRecordReadsBackItsPaddedFields) {
    const std::string record = FormatTocLine("http://site/a.htm", "Caf\xE9") + "\r\n";
    ASSERT_EQ(record.size(), kTocRecordSize);
    EXPECT_EQ(TocUrlField(Bytes(record)), Padded("http://site/a.htm", 255));
    EXPECT_EQ(TocTitleField(Bytes(record)), Padded("Caf\xE9", 100));
    EXPECT_EQ(WordOfField(TocTitleField(Bytes(record))), "Caf\xE9");
}

// ---- Dictionary, postings, block letters ------------------------------------------------

TEST(RecordLayouts, DictionaryRecordHoldsLengthByteWordAndLittleEndianPosition) {
    std::string record;
    AppendDictionaryRecord(record, "AB", 0x01020304);
    ASSERT_EQ(record.size(), kDictionaryRecordSize);
    // clang-format off
    EXPECT_EQ(record, "\x1B" "AB" + std::string(25, ' ') + std::string("\x04\x03\x02\x01", 4));
    // clang-format on
    EXPECT_EQ(DictionaryWordField(Bytes(record)), "AB" + std::string(25, ' '));
    EXPECT_EQ(DictionaryPosition(Bytes(record)), 0x01020304);
}

TEST(RecordLayouts, DictionaryRecordCutsLongWordsAndKeepsTheSignOfItsPosition) {
    std::string record;
    AppendDictionaryRecord(record, std::string(30, 'W'), -2);
    ASSERT_EQ(record.size(), kDictionaryRecordSize);
    EXPECT_EQ(DictionaryWordField(Bytes(record)), std::string(27, 'W'));
    EXPECT_EQ(record.substr(28), std::string("\xFE\xFF\xFF\xFF", 4));
    EXPECT_EQ(DictionaryPosition(Bytes(record)), -2);
}

TEST(RecordLayouts, SixteenBitValuesAreLittleEndian) {
    std::string bytes;
    for (const std::uint16_t value : {std::uint16_t{1}, std::uint16_t{0x1234}, kEmptySlot}) AppendUint16(bytes, value);
    EXPECT_EQ(bytes, std::string("\x01\x00\x34\x12\xFF\xFF", 6));
    EXPECT_EQ(ReadUint16(Bytes(bytes) + 2 * kPostingValueSize), 0xFFFF);
    EXPECT_EQ(ReadUint16(Bytes(bytes) + kPostingValueSize), 0x1234);
}

TEST(RecordLayouts, BlockLetterRecordCountsItsLetters) {
    const auto record = MakeBlockLetterRecord("AQ");
    // clang-format off
    EXPECT_EQ(std::string(record.data(), record.size()), std::string("\x02" "AQ\0\0\0\0\0\0\0", 10));
    // clang-format on
    const BlockLetters read = ReadBlockLetterRecord(reinterpret_cast<const unsigned char*>(record.data()));
    EXPECT_EQ(read.count, 2);
    EXPECT_EQ(std::string(read.letters.data(), read.count), "AQ");
}

TEST(RecordLayouts, BlockLetterRecordHoldsNineLettersAtMost) {
    const auto record = MakeBlockLetterRecord("ABCDEFGHIJ");
    // clang-format off
    EXPECT_EQ(std::string(record.data(), record.size()), "\x09" "ABCDEFGHI");
    const std::string overfull = "\x0C" "ABCDEFGHI";
    // clang-format on
    const BlockLetters read = ReadBlockLetterRecord(Bytes(overfull));
    EXPECT_EQ(read.count, kMaxBlockLetters);
    EXPECT_EQ(std::string(read.letters.data(), read.count), "ABCDEFGHI");
}

// ---- Word dump ----------------------------------------------------------------------------

TEST(RecordLayouts, DumpLineHasCountSeparatorAndPaddedWord) {
    EXPECT_EQ(FormatDumpLine(2, "HELLO"), "00002 : HELLO                      ");
    EXPECT_EQ(FormatDumpLine(123456, "W"), "123456 : W                          ");
}

TEST(RecordLayouts, DumpLineReadsBackItsCountAndWord) {
    const auto read = ReadDumpLine("00002 : HELLO                      ");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->documentCount, 2u);
    EXPECT_EQ(read->word, "HELLO");
    const std::string longWord(30, 'L');
    const std::string longLine = FormatDumpLine(123456, longWord);
    const auto longRead = ReadDumpLine(longLine);
    ASSERT_TRUE(longRead.has_value());
    EXPECT_EQ(longRead->documentCount, 123456u);
    EXPECT_EQ(longRead->word, longWord);
    EXPECT_FALSE(ReadDumpLine("HELLO").has_value());
    EXPECT_FALSE(ReadDumpLine(" : HELLO").has_value());
    EXPECT_FALSE(ReadDumpLine("0x2 : HELLO").has_value());
}

}  // namespace
}  // namespace indexfiles
