// The engine core on an in-memory engine: server-variable names, the
// automatic header with its status-line, no-cache and "Location" rules,
// buffered output with its content length, and the request cycle's error log.
#include "cgi/HttpEng.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include "CgiTestSupport.h"
#include "MemoryEngine.h"
#include "cgi/HUtils.h"
#include "platform/Environment.h"

namespace {

using cgitest::SplitCrLf;
using cgitest::TMemoryEngine;

/// Runs one request whose handler is `handler`, returning what was sent.
std::string Serve(TMemoryEngine& engine, const std::function<void(cgi::THttpEngine&)>& handler) {
    engine.OnExecRequest = handler;
    engine.ProcessRequest();
    return engine.sent;
}

// ---- Server variables ------------------------------------------------------

TEST(ServerVariables, AskTheGenericNameThenTheSecondName) {
    TMemoryEngine engine;
    engine.variables = {{"REQUEST PROTOCOL", "HTTP/1.1"},  {"DOCUMENT ROOT", "/srv/www"},
                        {"EXECUTABLE PATH", "/cgi-bin/x"}, {"REMOTE ADDRESS", "10.0.0.1"},
                        {"AUTHETICATION METHOD", "Basic"}, {"USER AGENT", "probe"},
                        {"REFERER", "http://from"},        {"HTTP COOKIE", "k=v"}};
    EXPECT_EQ(engine.GetServerProtocol(), "HTTP/1.1");
    EXPECT_EQ(engine.GetPathTranslated(), "/srv/www");
    EXPECT_EQ(engine.GetScriptName(), "/cgi-bin/x");
    EXPECT_EQ(engine.GetUrl(), "/cgi-bin/x");
    EXPECT_EQ(engine.GetRemoteAddr(), "10.0.0.1");
    EXPECT_EQ(engine.GetAuthType(), "Basic");
    EXPECT_EQ(engine.GetUserAgent(), "probe");
    EXPECT_EQ(engine.GetReferer(), "http://from");
    EXPECT_EQ(engine.GetCookie(), "k=v");
    engine.variables["SERVER PROTOCOL"] = "HTTP/1.0";
    engine.variables["SCRIPT NAME"] = "/cgi-bin/y";
    EXPECT_EQ(engine.GetServerProtocol(), "HTTP/1.0");
    EXPECT_EQ(engine.GetScriptName(), "/cgi-bin/y");
    EXPECT_EQ(engine.GetExecutablePath(), "/cgi-bin/x");
    engine.variables["URL"] = "/u";
    EXPECT_EQ(engine.GetUrl(), "/u");
}

TEST(ServerVariables, QueryStringNeverShowsTheMissingValueMarker) {
    TMemoryEngine engine;
    engine.variables["QUERY STRING"] = std::string(cgi::kNotAvailable);
    EXPECT_EQ(engine.GetQueryString(), "");
    engine.variables["QUERY STRING"] = "a=1";
    EXPECT_EQ(engine.GetQueryString(), "a=1");
}

TEST(ServerVariables, SecurePortOnlyForOneAndContentLengthOnlyForNumbers) {
    TMemoryEngine engine;
    for (const char* value : {"0", "", "yes", "true", " 1", "01"}) {
        engine.variables["SERVER PORT SECURE"] = value;
        EXPECT_FALSE(engine.GetServerPortSecure()) << value;
    }
    engine.variables["SERVER PORT SECURE"] = "1";
    EXPECT_TRUE(engine.GetServerPortSecure());

    const std::pair<const char*, int> lengths[] = {{"42", 42}, {"", 0},   {"abc", 0},        {"-5", -5},
                                                   {"12x", 0}, {"+7", 7}, {"99999999999", 0}};
    for (const auto& [text, expected] : lengths) {
        engine.variables["CONTENT LENGTH"] = text;
        EXPECT_EQ(engine.GetContentLength(), expected) << text;
    }
}

// ---- Automatic header ------------------------------------------------------

TEST(AutomaticHeader, StatusLineContentTypeBlankLineThenThePage) {
    TMemoryEngine engine;
    const std::string sent = Serve(engine, [](cgi::THttpEngine& e) {
        e.WriteLn("<HTML><BODY>");
        e.WriteLn("</BODY></HTML>");
    });
    EXPECT_EQ(sent, "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\n\r\n<HTML><BODY>\r\n</BODY></HTML>\r\n");
}

TEST(AutomaticHeader, NetscapeServersGetNoStatusLine) {
    TMemoryEngine engine;
    engine.variables["SERVER SOFTWARE"] = "Netscape-Enterprise/3.6";
    EXPECT_EQ(Serve(engine, [](cgi::THttpEngine& e) { e.WriteLn("<p>"); }), "content-type:text/html\r\n\r\n<p>\r\n");
}

TEST(AutomaticHeader, UsesTheConfiguredContentType) {
    TMemoryEngine engine;
    engine.AutoContentType = "text/plain";
    EXPECT_EQ(SplitCrLf(Serve(engine, [](cgi::THttpEngine& e) { e.WriteLn("<x>"); }))[1], "content-type:text/plain");
}

TEST(AutomaticHeader, NoCacheLinesFollowTheContentTypeWithDatesLongPast) {
    TMemoryEngine engine;
    engine.NoCache = true;
    const auto lines = SplitCrLf(Serve(engine, [](cgi::THttpEngine& e) { e.WriteLn("<HTML>"); }));
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], "HTTP/1.0 200 OK");
    EXPECT_EQ(lines[1], "content-type:text/html");
    EXPECT_EQ(lines[2], "Pragma:no-cache");
    EXPECT_EQ(lines[3], "Cache-Control:no-cache");
    EXPECT_EQ(lines[4].rfind("Expires:", 0), 0u);
    EXPECT_TRUE(cgitest::IsHttpDate(lines[4].substr(8))) << lines[4];
    EXPECT_EQ(lines[5].rfind("Document Expires:", 0), 0u);
    EXPECT_TRUE(cgitest::IsHttpDate(lines[5].substr(17))) << lines[5];
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], "<HTML>");
    // 1000 days back from now is always some year before this one.
    const int year = std::stoi(lines[4].substr(std::string("Expires:Mon, 01 Jan ").size(), 4));
    EXPECT_LT(year, platform::DecodeDateTime(platform::LocalNow()).year);
}

TEST(AutomaticHeader, PlainTextComesFirstAndTheHeaderAfterIt) {
    TMemoryEngine engine;
    EXPECT_EQ(Serve(engine, [](cgi::THttpEngine& e) { e.WriteLn("plain"); }),
              "plain\r\nHTTP/1.0 200 OK\r\ncontent-type:text/html\r\n\r\n");
}

TEST(AutomaticHeader, AHandlerThatWritesNothingStillGetsAHeader) {
    TMemoryEngine engine;
    EXPECT_EQ(Serve(engine, [](cgi::THttpEngine&) {}), "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\n\r\n");
}

TEST(AutomaticHeader, SwitchedOffNothingIsAdded) {
    TMemoryEngine engine;
    engine.AutoHttpHeader = false;
    EXPECT_EQ(Serve(engine, [](cgi::THttpEngine& e) { e.WriteLn("<HTML>"); }), "<HTML>\r\n");
}

TEST(AutomaticHeader, BytesTriggerTheHeaderWithoutTheAngleBracketTest) {
    TMemoryEngine engine;
    engine.NoCache = true;  // no no-cache lines for bytes
    EXPECT_EQ(Serve(engine, [](cgi::THttpEngine& e) { e.WriteBuffer("GIF89a", 6); }),
              "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\n\r\nGIF89a");
}

TEST(WriteHeader, ALocationHeaderFirstSuppressesTheStatusLine) {
    for (const char* name : {"Location", "LOCATION", "location", "Loc"}) {
        TMemoryEngine engine;
        const std::string sent = Serve(engine, [name](cgi::THttpEngine& e) {
            e.WriteHeader(name, "/elsewhere");
            e.EndHeader();
            e.WriteLn("<p>moved</p>");
        });
        EXPECT_EQ(sent, std::string(name) + ":/elsewhere\r\n\r\n<p>moved</p>\r\n") << name;
    }
}

TEST(WriteHeader, AnyOtherFirstHeaderIsPrecededByTheStatusLine) {
    TMemoryEngine engine;
    const std::string sent = Serve(engine, [](cgi::THttpEngine& e) {
        e.WriteHeader("Set-Cookie", "a=b");
        e.WriteHeader("Location", "/x");
    });
    EXPECT_EQ(sent.rfind("HTTP/1.0 200 OK\r\nSet-Cookie:a=b\r\nLocation:/x\r\n", 0), 0u) << sent;
}

// ---- Buffered output -------------------------------------------------------

TEST(BufferedOutput, SendsNothingBeforeTheHandlerReturns) {
    TMemoryEngine engine;
    engine.BufferedOutput = true;
    std::string seenDuringHandler = "unset";
    Serve(engine, [&](cgi::THttpEngine& e) {
        e.WriteLn("<HTML><BODY>");
        e.WriteLn("text");
        seenDuringHandler = static_cast<TMemoryEngine&>(e).sent;
        EXPECT_FALSE(e.IsDirectOutput());
    });
    EXPECT_EQ(seenDuringHandler, "");
    EXPECT_TRUE(engine.IsDirectOutput());
}

TEST(BufferedOutput, ContentLengthIsTheExactByteCountAfterTheBlankLine) {
    TMemoryEngine engine;
    engine.BufferedOutput = true;
    engine.NoCache = true;
    const std::string body = "<HTML><BODY>\r\nZ\xE9ro\r\n" + std::string(5000, 'x') + "\r\n</BODY></HTML>\r\n";
    const std::string sent = Serve(engine, [&](cgi::THttpEngine& e) { e.Write(body); });
    const std::size_t blank = sent.find("\r\n\r\n");
    ASSERT_NE(blank, std::string::npos);
    EXPECT_EQ(sent.substr(blank + 4), body);
    const auto lines = SplitCrLf(sent.substr(0, blank));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "HTTP/1.0 200 OK");
    EXPECT_EQ(lines.back(), "content-length:" + std::to_string(body.size()));
    EXPECT_LE(engine.channelWrites, 4);
}

TEST(BufferedOutput, ZeroBytesInTheBodyDoNotHideTheHeaderEnd) {
    TMemoryEngine engine;
    engine.BufferedOutput = true;
    const std::string body("\0\1\2", 3);
    const std::string sent = Serve(engine, [&](cgi::THttpEngine& e) { e.WriteBuffer(body.data(), body.size()); });
    EXPECT_EQ(sent, "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\ncontent-length:3\r\n\r\n" + body);
}

TEST(BufferedOutput, WithoutAutomaticHeaderTheBufferGoesOutUnchanged) {
    TMemoryEngine engine;
    engine.BufferedOutput = true;
    engine.AutoHttpHeader = false;
    EXPECT_EQ(Serve(engine, [](cgi::THttpEngine& e) { e.WriteLn("<a>"); }), "<a>\r\n");
}

// ---- Errors and the log ----------------------------------------------------

class RequestErrors : public ::testing::Test {
protected:
    void SetUp() override { platform::SetEnvironmentValue("CGI_LOG_DIR", folder_.Path()); }
    void TearDown() override { platform::UnsetEnvironmentValue("CGI_LOG_DIR"); }
    std::string Log() const { return cgitest::ReadFile(folder_ / "cgi_tests.Log"); }
    cgitest::TempFolder folder_;
};

TEST_F(RequestErrors, AHandlerExceptionGoesToTheLogAndTheResponseIsCompleted) {
    TMemoryEngine engine;
    int numberDuringRequest = -1;
    const std::string sent = Serve(engine, [&](cgi::THttpEngine& e) {
        numberDuringRequest = cgi::request_state::RequestNumber();
        e.WriteLn("<HTML><BODY>");
        throw std::runtime_error("index unreadable");
    });
    EXPECT_EQ(sent, "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\n\r\n<HTML><BODY>\r\n");
    int loggedNumber = -1;
    const std::string log = Log();
    ASSERT_TRUE(cgitest::IsOneLogLine(log, "Unhandled exception : index unreadable", &loggedNumber)) << log;
    EXPECT_EQ(loggedNumber, numberDuringRequest);
    EXPECT_GE(numberDuringRequest, 0);
    EXPECT_LE(numberDuringRequest, 999);
    EXPECT_EQ(cgi::request_state::RequestNumber(), 0);
}

TEST_F(RequestErrors, ARequestErrorEventReplacesTheLogLine) {
    TMemoryEngine engine;
    std::string reason;
    engine.OnRequestError = [&](cgi::THttpEngine& sender, const std::exception& error) {
        EXPECT_EQ(&sender, &engine);
        reason = error.what();
    };
    Serve(engine, [](cgi::THttpEngine&) { throw std::invalid_argument("bad field"); });
    EXPECT_EQ(reason, "bad field");
    EXPECT_EQ(Log(), "");
}

TEST_F(RequestErrors, AFailingErrorEventIsLoggedInsteadOfEscaping) {
    TMemoryEngine engine;
    engine.OnRequestError = [](cgi::THttpEngine&, const std::exception&) { throw std::runtime_error("event broke"); };
    EXPECT_NO_THROW(Serve(engine, [](cgi::THttpEngine&) { throw std::runtime_error("first"); }));
    EXPECT_NE(Log().find(" : Unhandled exception : event broke\r\n"), std::string::npos);
}

TEST_F(RequestErrors, BufferedResponsesAreFlushedAfterAnException) {
    TMemoryEngine engine;
    engine.BufferedOutput = true;
    const std::string sent = Serve(engine, [](cgi::THttpEngine& e) {
        e.WriteLn("<HTML>");
        throw std::runtime_error("late");
    });
    EXPECT_EQ(sent, "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\ncontent-length:8\r\n\r\n<HTML>\r\n");
}

/// Makes a folder the working folder until the end of the scope.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& folder) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::filesystem::path previous_;
};

/// Removes a file or folder at the end of the scope.
struct RemovedAtEnd {
    std::string path;
    ~RemovedAtEnd() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

TEST_F(RequestErrors, LogLinesAppendAndARelativeLogFolderSitsBesideTheProgram) {
    // The working folder is the scratch folder meanwhile: the log must not
    // land there.
    const std::string relative = "log-" + std::filesystem::path(folder_.Path()).filename().string();
    const RemovedAtEnd besideProgram{cgi::ModuleDirectory() + "/" + relative};
    platform::SetEnvironmentValue("CGI_LOG_DIR", relative);
    {
        const WorkingFolder elsewhere(folder_.Path());
        cgi::WriteLog("first");
        cgi::WriteLog("second");
    }
    EXPECT_FALSE(std::filesystem::exists(folder_ / relative));
    const auto lines = SplitCrLf(cgitest::ReadFile(besideProgram.path + "/cgi_tests.Log"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(",  0 : first"), std::string::npos);
    EXPECT_NE(lines[1].find(",  0 : second"), std::string::npos);
}

TEST_F(RequestErrors, AnUnusableLogFolderFallsBackAndNeverRaises) {
    // A log folder below a plain file cannot be created.
    cgitest::WriteFile(folder_ / "file", "x");
    platform::SetEnvironmentValue("CGI_LOG_DIR", folder_ / "file/sub");
    const std::string fallbackLog = cgi::ModuleDirectory() + "/cgi_tests.Log";
    const bool existed = std::filesystem::exists(fallbackLog);
    const std::string before = cgitest::ReadFile(fallbackLog);
    cgi::WriteLog("still fine");
    const std::string after = cgitest::ReadFile(fallbackLog);
    // The program folder's log is put back as it was before the checks.
    if (existed) std::filesystem::resize_file(fallbackLog, before.size());
    else std::filesystem::remove(fallbackLog);
    ASSERT_EQ(after.compare(0, before.size(), before), 0);
    EXPECT_TRUE(cgitest::IsOneLogLine(after.substr(before.size()), "still fine")) << after.substr(before.size());
    EXPECT_EQ(cgitest::ReadFile(folder_ / "file"), "x");
}

// ---- Current engine and locks ----------------------------------------------

TEST(CurrentEngine, ProcessRequestMakesTheEngineCurrentAndDestructionForgetsIt) {
    {
        TMemoryEngine engine;
        engine.formData = "a=1";
        std::string field;
        Serve(engine, [&](cgi::THttpEngine&) {
            field = cgi::HttpGetField("A", "none");
            cgi::HttpWriteLn("<b>");
        });
        EXPECT_EQ(field, "1");
        EXPECT_EQ(cgi::CurrentHttpEngine(), &engine);
        EXPECT_NE(engine.sent.find("<b>\r\n"), std::string::npos);
    }
    EXPECT_EQ(cgi::CurrentHttpEngine(), nullptr);
}

TEST(CurrentEngine, LocksTolerateNullAndWork) {
    TMemoryEngine engine;
    auto lock = engine.CreateLock();
    ASSERT_NE(lock, nullptr);
    engine.Lock(lock.get());
    engine.Unlock(lock.get());
    engine.Lock(nullptr);
    engine.Unlock(nullptr);
    engine.DestroyLock(lock);
    EXPECT_EQ(lock, nullptr);
    std::unique_ptr<cgi::THttpLock> none;
    engine.DestroyLock(none);
}

}  // namespace
