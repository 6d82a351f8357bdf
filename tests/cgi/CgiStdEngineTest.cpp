// Standard CGI requests served by a real child process of the test handler:
// fields from the query string or the body, the read limit, multipart bodies,
// malformed lengths, the status-line rule, buffering, errors in the log, and
// the server-variable names.
#include "cgi/CgiSEng.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CgiTestSupport.h"

namespace {

using cgitest::RunProgram;
using cgitest::RunResult;
using Env = std::vector<std::string>;

constexpr const char* kPageStart = "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\n\r\n<HTML><BODY>\r\n";

class StandardCgi : public ::testing::Test {
protected:
    RunResult Run(Env environment, const std::string& body = {}) {
        environment.push_back("TARVO_WINDOW_DIR=" + (folder_ / "windows"));
        return RunProgram(folder_, program_, environment, body);
    }
    std::string Log() const { return cgitest::ReadFile(folder_ / "Log/CgiTestHandler.Log"); }

    cgitest::TempFolder folder_;
    std::string program_ = cgitest::InstallHandler(folder_);
};

TEST_F(StandardCgi, GetTakesTheFieldsFromTheQueryString) {
    const RunResult result =
        Run({"SERVER_SOFTWARE=TestServer/1.0", "REQUEST_METHOD=GET", "QUERY_STRING=volumeName=a&searchWords=b+c%21",
             "TEST_FIELDS=volumeName,searchWords,language"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, std::string(kPageStart) +
                                 "volumeName=[a]\r\nsearchWords=[b c!]\r\nlanguage=[(default)]\r\n</BODY></HTML>\r\n");
    EXPECT_EQ(Log(), "");
}

TEST_F(StandardCgi, PostTakesTheFieldsFromTheBodyOnly) {
    const std::string body = "searchWords=dog&language=de";
    const RunResult result =
        Run({"SERVER_SOFTWARE=TestServer/1.0", "REQUEST_METHOD=POST", "CONTENT_LENGTH=" + std::to_string(body.size()),
             "CONTENT_TYPE=application/x-www-form-urlencoded", "QUERY_STRING=volumeName=fromquery",
             "TEST_FIELDS=volumeName,searchWords,language"},
            body);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, std::string(kPageStart) +
                                 "volumeName=[(default)]\r\nsearchWords=[dog]\r\nlanguage=[de]\r\n</BODY></HTML>\r\n");
}

TEST_F(StandardCgi, PostReadsExactlyTheAnnouncedLength) {
    const RunResult result =
        Run({"SERVER_SOFTWARE=TestServer/1.0", "CONTENT_LENGTH=5", "TEST_FIELDS=a"}, "a=123456789");
    EXPECT_NE(result.output.find("a=[123]\r\n"), std::string::npos) << result.output;
}

TEST_F(StandardCgi, ABodyOverTheReadLimitIsLoggedAndLeavesOnlyDefaults) {
    const std::string body = "searchWords=" + std::string(10001 - 12, 'x');
    ASSERT_EQ(body.size(), 10001u);
    const RunResult result =
        Run({"SERVER_SOFTWARE=TestServer/1.0", "CONTENT_LENGTH=10001", "TEST_FIELDS=searchWords"}, body);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, std::string(kPageStart) + "searchWords=[(default)]\r\n</BODY></HTML>\r\n");
    EXPECT_TRUE(cgitest::IsOneLogLine(Log(), "Content length exceeds AutoReadLimit")) << Log();
}

TEST_F(StandardCgi, ABodyAtTheReadLimitIsStillRead) {
    const std::string body = "q=" + std::string(10000 - 2, 'y');
    const RunResult result = Run({"SERVER_SOFTWARE=TestServer/1.0", "CONTENT_LENGTH=10000", "TEST_FIELDS=q"}, body);
    EXPECT_NE(result.output.find("q=[yyy"), std::string::npos);
    EXPECT_EQ(Log(), "");
}

TEST_F(StandardCgi, AMultipartBodyIsLeftForTheHandlerToRead) {
    const std::string body = "--XyZ\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--XyZ--\r\n";
    const RunResult result = Run({"SERVER_SOFTWARE=TestServer/1.0", "CONTENT_LENGTH=" + std::to_string(body.size()),
                                  "CONTENT_TYPE=multipart/form-data; boundary=XyZ", "TEST_HANDLER=body"},
                                 body);
    EXPECT_EQ(result.output, std::string(kPageStart) + "body=[" + body + "]\r\n");
}

TEST_F(StandardCgi, MalformedOrHugeLengthsNeverCrashTheRequest) {
    struct Case {
        std::string length;
        std::string expectedField;
        bool logged;
    };
    const Case cases[] = {
        {"-5", "fromquery", false},                                         // no body: the query string
        {"abc", "fromquery", false},                                        // not a number: no body
        {"", "fromquery", false},      {"99999999999", "(default)", true},  // far beyond the limit
        {"12abc", "fromquery", false},
    };
    for (const auto& [length, expectedField, logged] : cases) {
        cgitest::TempFolder folder;
        const std::string program = cgitest::InstallHandler(folder);
        const RunResult result =
            RunProgram(folder, program,
                       {"SERVER_SOFTWARE=TestServer/1.0", "CONTENT_LENGTH=" + length, "QUERY_STRING=q=fromquery",
                        "TEST_FIELDS=q", "TARVO_WINDOW_DIR=" + (folder / "windows")},
                       "q=frombody");
        EXPECT_EQ(result.exitCode, 0) << length;
        EXPECT_NE(result.output.find("q=[" + expectedField + "]"), std::string::npos) << length << result.output;
        const bool hasLog = !cgitest::ReadFile(folder / "Log/CgiTestHandler.Log").empty();
        EXPECT_EQ(hasLog, logged) << length;
    }
}

TEST_F(StandardCgi, ABodyShorterThanAnnouncedIsTakenAsItIs) {
    const RunResult result = Run({"SERVER_SOFTWARE=TestServer/1.0", "CONTENT_LENGTH=500", "TEST_FIELDS=a"}, "a=short");
    EXPECT_NE(result.output.find("a=[short]"), std::string::npos);
}

TEST_F(StandardCgi, AHugeAnnouncedLengthWithinARaisedLimitReadsOnlyWhatArrives) {
    const RunResult result = Run(
        {"SERVER_SOFTWARE=TestServer/1.0", "CONTENT_LENGTH=1999999999", "TEST_READ_LIMIT=2000000000", "TEST_FIELDS=a"},
        "a=1");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("a=[1]"), std::string::npos) << result.output;
}

TEST_F(StandardCgi, HugeAndMalformedQueryStringsAreServed) {
    std::string query = "%&=%%=&";
    for (int i = 0; i < 5000; ++i) query += "name" + std::to_string(i) + "=%zz%4&";
    query += "q=%00end%";
    const RunResult result = Run({"SERVER_SOFTWARE=TestServer/1.0", "QUERY_STRING=" + query, "TEST_FIELDS=q,name4999"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("q=[end%]\r\nname4999=[%zz%4]\r\n"), std::string::npos);
}

TEST_F(StandardCgi, StatusLineOnlyForServersOtherThanApacheAndNetscape) {
    const std::pair<std::string, bool> servers[] = {
        {"Apache/2.4.57 (Debian)", false}, {"apache", false},    {"Netscape-Enterprise/4.1", false},
        {"Microsoft-IIS/5.0", true},       {"nginx/1.22", true},
    };
    for (const auto& [software, withStatus] : servers) {
        const RunResult result = Run({"SERVER_SOFTWARE=" + software, "TEST_FIELDS="});
        EXPECT_EQ(result.output.rfind("HTTP/1.0 200 OK\r\n", 0) == 0, withStatus) << software;
        EXPECT_NE(result.output.find("content-type:text/html\r\n\r\n<HTML><BODY>"), std::string::npos) << software;
    }
}

TEST_F(StandardCgi, BufferedResponsesCarryTheirContentLength) {
    const RunResult result =
        Run({"SERVER_SOFTWARE=TestServer/1.0", "QUERY_STRING=a=1", "TEST_FIELDS=a", "TEST_BUFFERED=1"});
    const std::string body = "<HTML><BODY>\r\na=[1]\r\n</BODY></HTML>\r\n";
    EXPECT_EQ(result.output, "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\ncontent-length:" +
                                 std::to_string(body.size()) + "\r\n\r\n" + body);
}

TEST_F(StandardCgi, AHandlerExceptionIsLoggedAndTheProcessStillEndsCleanly) {
    const RunResult result = Run({"SERVER_SOFTWARE=TestServer/1.0", "TEST_HANDLER=throw"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, std::string(kPageStart));
    EXPECT_TRUE(cgitest::IsOneLogLine(Log(), "Unhandled exception : handler failed on purpose")) << Log();
}

TEST_F(StandardCgi, TheLogFolderCanBeChosenByTheServer) {
    const std::string logFolder = folder_ / "server-logs";
    Run({"SERVER_SOFTWARE=TestServer/1.0", "TEST_HANDLER=throw", "CGI_LOG_DIR=" + logFolder});
    EXPECT_NE(cgitest::ReadFile(logFolder + "/CgiTestHandler.Log").find("handler failed on purpose"),
              std::string::npos);
    EXPECT_EQ(Log(), "");
}

TEST_F(StandardCgi, AnErrorEventGetsTheExceptionInsteadOfTheLog) {
    const RunResult result = Run({"SERVER_SOFTWARE=TestServer/1.0", "TEST_HANDLER=throw", "TEST_ERROR_EVENT=1"});
    EXPECT_EQ(result.output, std::string(kPageStart) + "error event: handler failed on purpose\r\n");
    EXPECT_EQ(Log(), "");
}

// The offset of the first byte where the texts differ (npos when equal).
std::size_t FirstDifference(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (a[i] != b[i]) return i;
    }
    return a.size() == b.size() ? std::string::npos : common;
}

// The lines the test handler's "lines" modes write (its PageLine).
std::string PageLines(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        lines += i == 1000 ? std::string(70000, 'y')
                           : "line " + std::to_string(i) + " " + std::string(static_cast<std::size_t>(i % 97), 'x');
        lines += "\r\n";
    }
    return lines;
}

// Standard output is gathered into large writes: a page many times larger
// than one block, with a line longer than a block, arrives whole and in
// order, whether the handler returns, raises an exception or ends the
// process itself.
TEST_F(StandardCgi, ALongPageArrivesWholeOnEveryWayTheRequestEnds) {
    constexpr int kLines = 6000;
    const std::string lines = std::string(kPageStart) + PageLines(kLines);
    const struct {
        const char* handler;
        std::string expected;
    } cases[] = {
        {"lines", lines + "</BODY></HTML>\r\n"},
        {"lines-throw", lines},
        {"lines-terminate", lines},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.handler);
        const RunResult result = Run({"SERVER_SOFTWARE=TestServer/1.0", std::string("TEST_HANDLER=") + c.handler,
                                      "TEST_LINES=" + std::to_string(kLines)});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output.size(), c.expected.size());
        EXPECT_EQ(FirstDifference(result.output, c.expected), std::string::npos) << "first differing offset";
    }
    EXPECT_TRUE(cgitest::IsOneLogLine(Log(), "Unhandled exception : handler failed after its lines")) << Log();
}

TEST_F(StandardCgi, PlainTextComesBeforeTheHeader) {
    const RunResult result = Run({"SERVER_SOFTWARE=TestServer/1.0", "TEST_HANDLER=plain"});
    EXPECT_EQ(result.output, "plain text first\r\nHTTP/1.0 200 OK\r\ncontent-type:text/html\r\n\r\n");
}

TEST_F(StandardCgi, ARedirectionHasNoStatusLine) {
    const RunResult result = Run({"SERVER_SOFTWARE=TestServer/1.0", "TEST_HANDLER=location"});
    EXPECT_EQ(result.output, "Location:http://example.invalid/next\r\n\r\n");
}

TEST_F(StandardCgi, ServerVariablesReadTheirEnvironmentNames) {
    const RunResult result =
        Run({"SERVER_SOFTWARE=TestServer/1.0", "REQUEST_METHOD=GET", "QUERY_STRING=x=1", "CONTENT_LENGTH=abc",
             "SCRIPT_NAME=/cgi-bin/tarvocgi", "HTTP_USER_AGENT=probe/1", "HTTP_COOKIE=k=v", "TEST_HANDLER=vars"});
    EXPECT_EQ(result.output, std::string(kPageStart) +
                                 "method=GET\r\nquery=x=1\r\nlength=0\r\nscript=/cgi-bin/tarvocgi\r\n"
                                 "executable=/cgi-bin/tarvocgi\r\nagent=probe/1\r\ncookie=k=v\r\n");
}

TEST_F(StandardCgi, FieldNamesComeFromTheInputData) {
    const RunResult result =
        Run({"SERVER_SOFTWARE=TestServer/1.0", "QUERY_STRING=a=1&a=2&b=3&a=4", "TEST_HANDLER=names"});
    EXPECT_EQ(result.output, std::string(kPageStart) + "name:a\r\nname:b\r\nname:a\r\n");
}

TEST_F(StandardCgi, AServerSoftwareNamingZBIsNotStandardCgi) {
    // Served by the Windows CGI engine instead, which finds no profile and writes nothing.
    const RunResult result = Run({"SERVER_SOFTWARE=Server ZB", "QUERY_STRING=a=1", "TEST_FIELDS=a"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
}

TEST_F(StandardCgi, AWindowsCgiVersionLeavesTheStandardEngineIdle) {
    const RunResult result =
        Run({"SERVER_SOFTWARE=TestServer/1.0", "CGI_VERSION=CGI/1.3a Win", "QUERY_STRING=a=1", "TEST_FIELDS=a"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
}

}  // namespace
