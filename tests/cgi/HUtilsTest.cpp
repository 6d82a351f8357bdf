// URL decoding, form-field extraction, field names, HTTP dates, environment
// variables and log file names.
#include "cgi/HUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/LocalTime.h"

namespace {

using namespace std::string_literals;

// ---- Decoding --------------------------------------------------------------

struct DecodeCase {
    std::string input;
    std::string expected;
};

TEST(UrlDecode, DecodesEscapesAndPlusAndKeepsMalformedEscapes) {
    const DecodeCase cases[] = {
        {"a+b%41%4", "a bA%4"},   {"%zz", "%zz"},     {"%4a", "J"},   {"%4A%4a", "JJ"},     {"%", "%"},
        {"abc%", "abc%"},         {"abc%4", "abc%4"}, {"%%41", "%A"}, {"%00", "\0"s},       {"x%00y", "x\0y"s},
        {"%e9t%E9", "\xE9t\xE9"}, {"+++", "   "},     {"", ""},       {"%g1%1g", "%g1%1g"},
    };
    for (const auto& [input, expected] : cases) EXPECT_EQ(cgi::UrlDecode(input), expected) << "input " << input;
}

TEST(UrlDecode, IsNeverLongerThanItsInput) {
    std::string noise;
    for (int i = 0; i < 2000; ++i) noise += static_cast<char>("%+aF0z&="[i % 8]);
    EXPECT_LE(cgi::UrlDecode(noise).size(), noise.size());
}

TEST(IsHexDigit, AcceptsOnlyHexDigitsOfEitherCase) {
    for (int c = 0; c < 256; ++c) {
        const char ch = static_cast<char>(c);
        const bool expected = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        EXPECT_EQ(cgi::IsHexDigit(ch), expected) << "byte " << c;
    }
}

// ---- Field extraction ------------------------------------------------------

struct FieldCase {
    std::string name;
    std::string data;
    std::string expected;
};

TEST(ExtractField, FindsValuesByDecodedCaseInsensitiveTrimmedNames) {
    const FieldCase cases[] = {
        {"Searchwords", "searchWords=cat+dog&language=en", "cat dog"},
        {"language", "language=en&language=de", "en\r\nde"},
        {"language", "a=1&language=en&b=2&language=de&language=fr", "en\r\nde\r\nfr"},
        {"missing", "a=1&b=2", "(default)"},
        {"b", "a&b=1", "(default)"},  // "a&b" is one name
        {"a&b", "a&b=1", "1"},
        {"x", "x+=+y", "y"},
        {"  X  ", "x=1", "1"},
        {"volumeName", "volume%4Eame=site", "site"},
        {"q", "q=%20padded%20", "padded"},
        {"q", "q=", ""},
        {"q", "q=a=b", "a=b"},
        {"q", "no equals at all", "(default)"},
        {"q", "", "(default)"},
        {"q", "q=1&", "1"},
        {"q", "&&&q=2&&&", "(default)"},  // the empty pairs merge into the name "&&&Q"
        {"q", "x=1&q=2&&&", "2"},
        {"q", "q=%00trimmed%00", "trimmed"},  // zero bytes are control characters
        {"q", "q=a%00b", std::string("a\0b", 3)},
        {"Q", "q=%", "%"},
    };
    for (const auto& [name, data, expected] : cases)
        EXPECT_EQ(cgi::ExtractField(name, data, "(default)"), expected) << name << " in " << data;
}

TEST(ExtractField, SurvivesHugeAndRepetitiveData) {
    std::string repeated;
    for (int i = 0; i < 100000; ++i) repeated += "a=1&";
    const std::string values = cgi::ExtractField("a", repeated, "");
    EXPECT_EQ(values.size(), 100000u * 3 - 2);  // "1" joined by CR LF

    const std::string huge = "q=" + std::string(1 << 20, 'x');
    EXPECT_EQ(cgi::ExtractField("q", huge, "").size(), 1u << 20);
    EXPECT_EQ(cgi::ExtractField("z", std::string(1 << 20, '%'), "d"), "d");
}

/// Whether every CR LF separated value of `values` is free of blanks at
/// either end.
bool ValuesAreTrimmed(const std::string& values) {
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(values.find("\r\n", start), values.size());
        if (end > start &&
            (static_cast<unsigned char>(values[start]) <= 32 || static_cast<unsigned char>(values[end - 1]) <= 32))
            return false;
        if (end == values.size()) return true;
        start = end + 2;
    }
}

TEST(ExtractField, RandomFormDataNeverBreaksDecodingOrExtraction) {
    std::mt19937 generator(20261208);
    // No "d" and no escape of it or of a CR: the default and the value
    // separator cannot come from the data.
    const std::string alphabet("&=%+aA0fF \0\xFF", 13);
    for (int round = 0; round < 200; ++round) {
        std::string data;
        const int length = static_cast<int>(generator() % 400);
        for (int i = 0; i < length; ++i) data += alphabet[generator() % alphabet.size()];
        EXPECT_LE(cgi::UrlDecode(data).size(), data.size());
        const std::string values = cgi::ExtractField("a", data, "d");
        if (data.find_first_of("aA") == std::string::npos) {
            EXPECT_EQ(values, "d") << data;
        }
        if (values != "d") {
            // Each value costs at least a name, "=" and "&" in the data.
            EXPECT_LE(values.size(), data.size()) << data;
            EXPECT_TRUE(ValuesAreTrimmed(values)) << data;
        }
        for (const std::string& name : cgi::SplitFieldNames(data)) EXPECT_LE(name.size(), data.size());
    }
}

TEST(SplitFieldNames, ListsNamesInOrderMergingOnlyNeighbours) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(cgi::SplitFieldNames("a=1&a=2&b=3&a=4"), (Names{"a", "b", "a"}));
    EXPECT_EQ(cgi::SplitFieldNames("lone&x=1"), (Names{"x"}));
    EXPECT_EQ(cgi::SplitFieldNames("na%6De=1&+sp=2"), (Names{"name", " sp"}));
    EXPECT_EQ(cgi::SplitFieldNames(""), Names{});
    EXPECT_EQ(cgi::SplitFieldNames("=1&=2"), (Names{}));  // empty names equal the empty start
    EXPECT_EQ(cgi::SplitFieldNames("A=1&a=2"), (Names{"A", "a"}));
}

// ---- Dates -----------------------------------------------------------------

class HttpDateTest : public ::testing::Test {
protected:
    void SetZone(const std::string& zone) {
        platform::SetEnvironmentValue("TZ", zone);
        platform::ReloadTimeZone();
    }
    void TearDown() override {
        if (saved_) platform::SetEnvironmentValue("TZ", *saved_);
        else platform::UnsetEnvironmentValue("TZ");
        platform::ReloadTimeZone();
    }
    static platform::DateTime At(int year, int month, int day, int hour, int minute, int second) {
        platform::CivilTime fields;
        fields.year = year;
        fields.month = month;
        fields.day = day;
        fields.hour = hour;
        fields.minute = minute;
        fields.second = second;
        return platform::EncodeDateTime(fields);
    }

private:
    std::optional<std::string> saved_ = platform::EnvironmentValue("TZ");
};

TEST_F(HttpDateTest, ZoneWithoutOffsetGivesTheLocalTimeAsGreenwichTime) {
    SetZone("UTC0");
    EXPECT_EQ(cgi::HttpDate(At(2001, 1, 1, 0, 0, 0)), "Mon, 01 Jan 2001 00:00:00 GMT");
    EXPECT_EQ(cgi::HttpDate(At(1999, 12, 31, 23, 59, 59)), "Fri, 31 Dec 1999 23:59:59 GMT");
    EXPECT_EQ(cgi::HttpDate(At(2024, 2, 29, 12, 5, 9)), "Thu, 29 Feb 2024 12:05:09 GMT");
}

TEST_F(HttpDateTest, AddsOnlyTheOffsetInForceAtThatMoment) {
    SetZone("EST5EDT,M3.2.0,M11.1.0");
    // Winter: standard time, five hours behind; the daylight bias is not added.
    EXPECT_EQ(cgi::HttpDate(At(2001, 1, 1, 12, 0, 0)), "Mon, 01 Jan 2001 17:00:00 GMT");
    // Summer: daylight time, four hours behind.
    EXPECT_EQ(cgi::HttpDate(At(2001, 7, 1, 12, 0, 0)), "Sun, 01 Jul 2001 16:00:00 GMT");
    // Crossing midnight changes weekday, day, month and year together.
    EXPECT_EQ(cgi::HttpDate(At(2000, 12, 31, 22, 30, 0)), "Mon, 01 Jan 2001 03:30:00 GMT");
}

TEST(LocalTime, EncodeAndDecodeAreInverseAndKnowTheWeekday) {
    platform::CivilTime fields;
    fields.year = 2001;
    fields.month = 1;
    fields.day = 1;
    fields.hour = 13;
    fields.minute = 14;
    fields.second = 15;
    fields.millisecond = 16;
    const platform::DateTime moment = platform::EncodeDateTime(fields);
    EXPECT_DOUBLE_EQ(std::floor(moment), 36892.0);  // days since 30 December 1899
    const platform::CivilTime back = platform::DecodeDateTime(moment);
    EXPECT_EQ(back.year, 2001);
    EXPECT_EQ(back.month, 1);
    EXPECT_EQ(back.day, 1);
    EXPECT_EQ(back.hour, 13);
    EXPECT_EQ(back.minute, 14);
    EXPECT_EQ(back.second, 15);
    EXPECT_EQ(back.millisecond, 16);
    EXPECT_EQ(back.weekday, 1);  // Monday
    EXPECT_EQ(platform::DecodeDateTime(0).year, 1899);
    EXPECT_EQ(platform::DecodeDateTime(-1000).year, 1897);
}

// ---- Environment and paths -------------------------------------------------

TEST(GetEnvVar, ReadsVariablesAndHidesAServerSoftwareNamingZB) {
    platform::SetEnvironmentValue("SERVER_SOFTWARE", "WebSite ZB/1.0");
    platform::SetEnvironmentValue("server_software", "WebSite ZB/1.0");
    platform::SetEnvironmentValue("TARVO_TEST_LONG", std::string(10000, 'v'));
    EXPECT_EQ(cgi::GetEnvVar("SERVER_SOFTWARE"), "");
    EXPECT_EQ(cgi::GetEnvVar("server_software"), "WebSite ZB/1.0");
    EXPECT_EQ(cgi::GetEnvVar("TARVO_TEST_LONG").size(), 10000u);
    EXPECT_EQ(cgi::GetEnvVar("TARVO_TEST_SURELY_MISSING"), "");
    platform::SetEnvironmentValue("SERVER_SOFTWARE", "Apache zb");
    EXPECT_EQ(cgi::GetEnvVar("SERVER_SOFTWARE"), "Apache zb");
    platform::UnsetEnvironmentValue("SERVER_SOFTWARE");
    platform::UnsetEnvironmentValue("server_software");
    platform::UnsetEnvironmentValue("TARVO_TEST_LONG");
}

struct BuildCase {
    std::string directory;
    std::string fileName;
    std::string expected;
};

TEST(BuildFileName, ComposesTheLogPathBesideOrInsideTheProgramFolder) {
    const BuildCase cases[] = {
        {"Log", "tarvocgi", "/srv/cgi-bin/Log/tarvocgi.Log"},
        {"Log", "tarvocgi.exe", "/srv/cgi-bin/Log/tarvocgi.Log"},
        {"Log", "tarvo.cgi.exe", "/srv/cgi-bin/Log/tarvo.Log"},
        {"/var/log/tarvo", "tarvocgi", "/var/log/tarvo/tarvocgi.Log"},
        {"/var/log/tarvo/", "tarvocgi", "/var/log/tarvo/tarvocgi.Log"},
        {"./logs/./x", "tarvocgi", "/srv/cgi-bin/logs/x/tarvocgi.Log"},
        {"a//b", "tarvocgi", "/srv/cgi-bin/a/b/tarvocgi.Log"},
        {"Log", "/already/full.name", "/already/full.name"},
    };
    for (const auto& [directory, fileName, expected] : cases)
        EXPECT_EQ(cgi::BuildFileName("/srv/cgi-bin/tarvocgi", directory, "Log", fileName), expected)
            << directory << " + " << fileName;
}

TEST(ModuleFileName, IsTheRealPathOfThisProgram) {
    const std::string& path = cgi::ModuleFileName();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(cgi::ModuleName(), "cgi_tests");
    EXPECT_EQ(cgi::ModuleDirectory() + "/" + cgi::ModuleName(), path);
}

TEST(HandlerEntryPoints, WithoutACurrentEngineGiveDefaultsAndWriteNothing) {
    ASSERT_EQ(cgi::CurrentHttpEngine(), nullptr);
    std::string value = "old";
    cgi::HttpGetField("x", nullptr, value);
    EXPECT_EQ(value, "");
    cgi::HttpGetField("x", "fallback", value);
    EXPECT_EQ(value, "fallback");
    cgi::HttpWriteLn("<HTML>");  // must not crash
}

}  // namespace
