// The general engine component: its defaults, setters that forward to the
// current engine, forwarding accessors, and the engine it chooses for a
// process (checked with real child processes).
#include "cgi/GenEng.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "CgiTestSupport.h"
#include "MemoryEngine.h"
#include "platform/Component.h"

namespace {

using cgitest::TMemoryEngine;

/// A memory engine whose content length cannot be read.
class TFailingLengthEngine : public TMemoryEngine {
public:
    int GetContentLength() override { throw std::runtime_error("no length"); }
};

TEST(GeneralEngineComponent, StartsWithTheDocumentedDefaults) {
    platform::TForm form(nullptr);
    auto& component = form.CreateOwned<cgi::TGeneralHttpEngine>();
    EXPECT_TRUE(component.AutoHttpHeader());
    EXPECT_EQ(component.AutoContentType(), "text/html");
    EXPECT_TRUE(component.AutoReadInput());
    EXPECT_EQ(component.AutoReadLimit(), 10000);
    EXPECT_FALSE(component.BufferedOutput());
    EXPECT_TRUE(component.CgiAutoTerminate());
    EXPECT_FALSE(component.NoCache());
    EXPECT_FALSE(component.OnExecRequest());
    EXPECT_EQ(component.StandardEngine(), nullptr);
    EXPECT_EQ(component.WindowsEngine(), nullptr);
}

TEST(GeneralEngineComponent, SettersForwardToTheCurrentEngineExceptAutoTerminate) {
    TMemoryEngine engine;
    engine.MakeCurrent();
    platform::TForm form(nullptr);
    auto& component = form.CreateOwned<cgi::TGeneralHttpEngine>();
    component.SetNoCache(true);
    component.SetBufferedOutput(true);
    component.SetAutoReadLimit(77);
    component.SetAutoReadInput(false);
    component.SetAutoHttpHeader(false);
    component.SetAutoContentType("text/plain");
    component.SetCgiAutoTerminate(false);
    int calls = 0;
    component.SetOnExecRequest([&](cgi::THttpEngine&) { ++calls; });
    component.SetOnFirstExecRequest([&](cgi::THttpEngine&) { calls += 10; });
    component.SetOnLastExecRequest([&](cgi::THttpEngine&) { calls += 100; });
    component.SetOnRequestError([&](cgi::THttpEngine&, const std::exception&) { calls += 1000; });
    EXPECT_TRUE(engine.NoCache);
    EXPECT_TRUE(engine.BufferedOutput);
    EXPECT_EQ(engine.AutoReadLimit, 77);
    EXPECT_FALSE(engine.AutoReadInput);
    EXPECT_FALSE(engine.AutoHttpHeader);
    EXPECT_EQ(engine.AutoContentType, "text/plain");
    EXPECT_FALSE(component.CgiAutoTerminate());
    ASSERT_TRUE(engine.OnExecRequest && engine.OnFirstExecRequest && engine.OnLastExecRequest && engine.OnRequestError);
    engine.OnExecRequest(engine);
    engine.OnFirstExecRequest(engine);
    engine.OnLastExecRequest(engine);
    engine.OnRequestError(engine, std::runtime_error("x"));
    EXPECT_EQ(calls, 1111);
}

TEST(GeneralEngineComponent, SettersWithoutAnEngineOnlyChangeTheComponent) {
    ASSERT_EQ(cgi::CurrentHttpEngine(), nullptr);
    cgi::TGeneralHttpEngine component(nullptr);
    component.SetNoCache(true);
    EXPECT_TRUE(component.NoCache());
}

TEST(GeneralEngineComponent, AccessorsForwardToTheCurrentEngine) {
    TMemoryEngine engine;
    engine.MakeCurrent();
    engine.variables = {{"SERVER NAME", "www.example.test"},
                        {"QUERY STRING", "#1NOT_AVAILABLE#1"},
                        {"Remote User", "alice"},
                        {"REMOTE USER", "bob"},
                        {"CONTENT LENGTH", "12"},
                        {"REQUEST METHOD", "GET"}};
    engine.formData = "a=1&b=2";
    cgi::TGeneralHttpEngine component(nullptr);
    EXPECT_EQ(component.GetServerName(), "www.example.test");
    EXPECT_EQ(component.GetQueryString(), "");
    EXPECT_EQ(component.GetRemoteUser(), "alice");  // asked as "Remote User", not through the engine's getter
    EXPECT_EQ(component.GetContentLength(), 12);
    EXPECT_EQ(component.GetRequestMethod(), "GET");
    EXPECT_EQ(component.GetFieldValue("B", "-"), "2");
    EXPECT_EQ(component.GetFieldNames(), (std::vector<std::string>{"a", "b"}));
    component.Write("<p>");
    component.EndHeader();
    EXPECT_NE(engine.sent.find("<p>"), std::string::npos);
    auto lock = component.CreateLock();
    component.Lock(lock.get());
    component.Unlock(lock.get());
    component.DestroyLock(lock);
    EXPECT_EQ(lock, nullptr);
}

TEST(GeneralEngineComponent, ContentLengthIsZeroWhenTheEngineRaises) {
    TFailingLengthEngine engine;
    engine.MakeCurrent();
    cgi::TGeneralHttpEngine component(nullptr);
    EXPECT_EQ(component.GetContentLength(), 0);
}

TEST(GeneralEngineComponent, AccessorsWithoutAnEngineRaiseAClearError) {
    ASSERT_EQ(cgi::CurrentHttpEngine(), nullptr);
    cgi::TGeneralHttpEngine component(nullptr);
    EXPECT_THROW(component.GetServerName(), cgi::ENoCurrentEngine);
    EXPECT_THROW(component.Write("x"), cgi::ENoCurrentEngine);
    EXPECT_EQ(component.GetContentLength(), 0);
}

// ---- Engine choice, in real processes --------------------------------------

class EngineChoice : public ::testing::Test {
protected:
    cgitest::RunResult Run(std::vector<std::string> environment, const std::vector<std::string>& arguments = {}) {
        environment.push_back("TARVO_WINDOW_DIR=" + (folder_ / "windows"));
        environment.push_back("TEST_HANDLER=engine");
        return cgitest::RunProgram(folder_, program_, environment, {}, arguments);
    }
    cgitest::TempFolder folder_;
    std::string program_ = cgitest::InstallHandler(folder_);
};

TEST_F(EngineChoice, ServerSoftwareWithoutWindowsVersionGetsOnlyTheStandardEngine) {
    const auto result = Run({"SERVER_SOFTWARE=Apache"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "content-type:text/html\r\n\r\n<HTML><BODY>\r\nengine=standard\r\nwindows engine=no\r\n");
}

TEST_F(EngineChoice, AWindowsVersionInAnyCaseGetsTheWindowsEngine) {
    cgitest::WriteFile(folder_ / "r.ini", "[System]\r\nOutput File=" + (folder_ / "out") + "\r\n");
    const auto result = Run({"SERVER_SOFTWARE=Apache", "CGI_VERSION=CGI/1.3 (win)"}, {folder_ / "r.ini"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(cgitest::ReadFile(folder_ / "out"),
              "content-type:text/html\r\n\r\n<HTML><BODY>\r\nengine=windows\r\nstandard engine=no\r\n");
}

TEST_F(EngineChoice, StartedByHandWithoutDevelopmentWindowEndsQuietly) {
    const auto result = Run({});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_FALSE(cgitest::fs::exists(folder_ / "Temp/CgiTestHandler_S"));
}

}  // namespace
