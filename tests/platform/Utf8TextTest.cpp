// Conversion of typed UTF-8 text back to Windows-1252, and path display.
#include "platform/Utf8Text.h"

#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace {

TEST(Utf8ToCp1252, EveryDefinedCodePageByteSurvivesTheRoundTrip) {
    for (int c = 1; c < 256; ++c) {
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) continue;  // undefined
        const std::string byte(1, static_cast<char>(c));
        EXPECT_EQ(platform::Utf8ToCp1252(platform::Cp1252ToUtf8(byte)), byte) << "byte " << c;
    }
}

TEST(Utf8ToCp1252, CharactersOutsideTheCodePageAndBrokenSequencesBecomeQuestionMarks) {
    const struct {
        const char* utf8;
        const char* expected;
    } rows[] = {
        {"\xE2\x80\x93", "\x96"},   // en dash
        {"\xCE\xA9", "?"},          // Greek capital omega
        {"\xF0\x9F\x98\x80", "?"},  // emoji
        {"a\xC3", "a?"},            // cut sequence
        {"\xC0\xAF", "??"},         // overlong slash
        {"\xED\xA0\x80", "???"},    // surrogate
    };
    for (const auto& row : rows) EXPECT_EQ(platform::Utf8ToCp1252(row.utf8), row.expected) << row.utf8;
}

TEST(PathForDisplay, KeepsUtf8AndReadsOtherBytesAsCp1252) {
    EXPECT_EQ(platform::PathForDisplay("/srv/caf\xC3\xA9.htm"), "/srv/caf\xC3\xA9.htm");
    EXPECT_EQ(platform::PathForDisplay("/srv/caf\xE9.htm"), "/srv/caf\xC3\xA9.htm");
    EXPECT_TRUE(platform::IsValidUtf8(""));
    EXPECT_FALSE(platform::IsValidUtf8("\x96"));
}

}  // namespace
