// The one reading of CONTENT_LENGTH with the rule each caller applies to it,
// and the dropping of an unread body on an in-memory engine.
#include "cgi/RequestBody.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "MemoryEngine.h"

namespace {

using cgi::TLengthKind;

TEST(ContentLength, EdgeCasesReadAsEachCallerExpects) {
    struct Case {
        std::string text;
        TLengthKind kind;
        int asInt;            // GetContentLength
        long long saturated;  // OrAboveRange(LLONG_MAX): the length a body is dropped to
        bool startsAboveRange;
    };
    const Case cases[] = {
        {"", TLengthKind::NotANumber, 0, 0, false},
        {" 5", TLengthKind::NotANumber, 0, 0, false},
        {"5 ", TLengthKind::NotANumber, 0, 0, false},
        {"+", TLengthKind::NotANumber, 0, 0, false},
        {"-", TLengthKind::NotANumber, 0, 0, false},
        {"++5", TLengthKind::NotANumber, 0, 0, false},
        {"12abc", TLengthKind::NotANumber, 0, 0, false},
        {"0x10", TLengthKind::NotANumber, 0, 0, false},
        {"+20", TLengthKind::Number, 20, 20, false},
        {"-5", TLengthKind::Number, -5, -5, false},
        {"+-5", TLengthKind::Number, -5, -5, false},
        {"007", TLengthKind::Number, 7, 7, false},
        {"0", TLengthKind::Number, 0, 0, false},
        {"2147483647", TLengthKind::Number, INT_MAX, INT_MAX, false},
        {"2147483648", TLengthKind::Number, 0, 2147483648LL, false},
        {"-2147483649", TLengthKind::Number, 0, -2147483649LL, false},
        {"67108864", TLengthKind::Number, 67108864, 67108864, false},
        {"9223372036854775807", TLengthKind::Number, 0, LLONG_MAX, false},
        {"9223372036854775808", TLengthKind::AboveRange, 0, LLONG_MAX, true},
        {"+99999999999999999999999", TLengthKind::AboveRange, 0, LLONG_MAX, true},
        {"99999999999999999999999abc", TLengthKind::NotANumber, 0, 0, true},
        {"-99999999999999999999999", TLengthKind::BelowRange, 0, 0, false},
    };
    for (const Case& c : cases) {
        const cgi::TContentLength length = cgi::ParseContentLength(c.text);
        EXPECT_EQ(length.kind, c.kind) << '"' << c.text << '"';
        EXPECT_EQ(length.AsInt(), c.asInt) << '"' << c.text << '"';
        EXPECT_EQ(length.OrAboveRange(LLONG_MAX), c.saturated) << '"' << c.text << '"';
        EXPECT_EQ(length.startsAboveRange, c.startsAboveRange) << '"' << c.text << '"';
    }
}

TEST(ContentLength, MultipartIsRecognisedWhateverTheCase) {
    EXPECT_TRUE(cgi::IsMultipartFormData("multipart/form-data; boundary=b"));
    EXPECT_TRUE(cgi::IsMultipartFormData("Multipart/Form-Data;boundary=b"));
    EXPECT_FALSE(cgi::IsMultipartFormData("multipart/form-data"));
    EXPECT_FALSE(cgi::IsMultipartFormData("application/x-www-form-urlencoded"));
}

/// An engine whose input never ends; it counts the bytes taken.
class TEndlessInputEngine : public cgitest::TMemoryEngine {
public:
    long long taken = 0;
    int ReadInput(void*, int count) override {
        taken += count;
        return count;
    }
};

long long DroppedBytes(const std::string& length, const std::string& type, int readLimit) {
    TEndlessInputEngine engine;
    engine.variables = {{"CONTENT LENGTH", length}, {"CONTENT TYPE", type}};
    cgi::DropUnreadBody(engine, readLimit);
    return engine.taken;
}

TEST(DropUnreadBody, TakesOnlyTheAnnouncedLengthOfABodyNobodyRead) {
    const std::string form = "application/x-www-form-urlencoded";
    const std::string multipart = "multipart/form-data; boundary=b";
    EXPECT_EQ(DroppedBytes("10000", form, 10000), 0);  // the engine read it
    EXPECT_EQ(DroppedBytes("10001", form, 10000), 10001);
    EXPECT_EQ(DroppedBytes("30", multipart, 10000), 30);
    EXPECT_EQ(DroppedBytes("-5", multipart, 10000), 0);
    EXPECT_EQ(DroppedBytes("abc", multipart, 10000), 0);
    EXPECT_EQ(DroppedBytes("3000000000", form, 10000), cgi::kMaxDroppedBody);
    EXPECT_EQ(DroppedBytes("99999999999999999999999", form, 10000), cgi::kMaxDroppedBody);
}

/// Runs the engines' shared event sequence around a handler that notes how
/// much of the body had been taken when it ran.
long long TakenBeforeTheHandler(bool dropsUnreadBody) {
    class TEventEngine : public TEndlessInputEngine {
    public:
        void DoExecRequest() override { RunRequestEvents(true); }
    } engine;
    engine.variables = {{"CONTENT LENGTH", "20000"}};
    engine.AutoReadLimit = 10000;
    engine.DropsUnreadBody = dropsUnreadBody;
    long long takenThen = -1;
    engine.OnExecRequest = [&](cgi::THttpEngine&) { takenThen = engine.taken; };
    engine.ProcessRequest();
    return takenThen;
}

TEST(DropUnreadBody, TheEngineDropsTheBodyBeforeTheHandlerOnlyWhenAsked) {
    EXPECT_EQ(TakenBeforeTheHandler(true), 20000);
    EXPECT_EQ(TakenBeforeTheHandler(false), 0);
}

}  // namespace
