// The listed URL and title of a table-of-contents record: cut at the first
// zero byte, trailing blanks and control characters removed, whatever the
// length of the text and of its padding.
#include "search/TocReader.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "indexfiles/IndexFiles.h"

namespace {

using indexfiles::kTocRecordSize;
using indexfiles::kTocTitleOffset;
using indexfiles::kTocUrlOffset;
using namespace std::string_literals;

// A record whose URL and title fields hold the given bytes, the rest of each
// field blank and the record's line end after them.
std::array<unsigned char, kTocRecordSize> Record(const std::string& url, const std::string& title) {
    std::array<unsigned char, kTocRecordSize> record;
    record.fill(' ');
    std::copy(url.begin(), url.end(), record.begin() + kTocUrlOffset);
    std::copy(title.begin(), title.end(), record.begin() + kTocTitleOffset);
    record[kTocRecordSize - 2] = '\r';
    record[kTocRecordSize - 1] = '\n';
    return record;
}

TEST(TocEntry, FieldsAreCutAtTheFirstZeroByteAndTrimmed) {
    const struct {
        std::string field;   // the field's first bytes, blanks after them
        std::string listed;  // what the listing shows
    } cases[] = {
        {"", ""},
        {"a", "a"},
        {"http://site.test/a.htm", "http://site.test/a.htm"},
        {"two words", "two words"},
        {"ends in blanks   ", "ends in blanks"},
        {"tab and controls\t\x01\x1f", "tab and controls"},
        {"cut here\0after"s, "cut here"},
        {"blank before zero \0more text"s, "blank before zero"},
        {"\0starts with zero"s, ""},
        {"high bytes stay \xE9\xFC", "high bytes stay \xE9\xFC"},
        {"seven b", "seven b"},
        {"eight by", "eight by"},
        {"nine byte", "nine byte"},
        {std::string(31, 'x'), std::string(31, 'x')},
        {std::string(32, 'x'), std::string(32, 'x')},
        {std::string(33, 'x'), std::string(33, 'x')},
        {"x" + std::string(40, ' ') + "y", "x" + std::string(40, ' ') + "y"},
        {"x" + std::string(40, ' ') + "\t", "x"},
        {"x" + std::string(40, ' ') + std::string(1, '\0') + "y", "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.field));
        const auto record = Record(c.field, c.field);
        const search::TocEntry entry = search::ReadTocEntry(record.data());
        EXPECT_EQ(std::string(entry.Url), c.listed);
        EXPECT_EQ(std::string(entry.Title), c.listed);
    }
}

TEST(TocEntry, FullFieldsKeepEveryCharacterOfTheirListedWidth) {
    // The URL lists 254 of its 255 bytes and the title 99 of its 100.
    const std::string url(255, 'u');
    const std::string title(100, 't');
    const auto record = Record(url, title);
    const search::TocEntry entry = search::ReadTocEntry(record.data());
    EXPECT_EQ(std::string(entry.Url), std::string(254, 'u'));
    EXPECT_EQ(std::string(entry.Title), std::string(99, 't'));
}

TEST(TocEntry, AFieldOfBlanksAndControlsListsEmpty) {
    const auto record = Record(std::string(255, '\x01'), std::string(100, ' '));
    const search::TocEntry entry = search::ReadTocEntry(record.data());
    EXPECT_EQ(entry.Url.size(), 0u);
    EXPECT_EQ(entry.Title.size(), 0u);
}

}  // namespace
