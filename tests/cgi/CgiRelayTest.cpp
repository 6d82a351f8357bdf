// The development relay end to end: a relay server started by hand while a
// development window is open, several CGI client processes at once each
// getting its own complete answer, Windows CGI profiles relayed the same way,
// clients that give up on a missing or silent server, and stale files.
#include "cgi/CgiRelay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "CgiTestSupport.h"
#include "platform/Environment.h"
#include "platform/FileLocking.h"
#include "platform/FileTimes.h"
#include "platform/WindowTitle.h"

namespace {

using namespace std::chrono_literals;
using cgitest::fs::exists;

/// Polls `condition` every few milliseconds for at most `limit`; a bound for
/// waiting on other processes, never a measurement.
template <class Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class Relay : public ::testing::Test {
protected:
    void SetUp() override {
        // Window markers of this test live in its own folder, so parallel
        // tests never see each other's windows.
        platform::SetEnvironmentValue("TARVO_WINDOW_DIR", windows_);
    }
    void TearDown() override {
        if (server_.IsRunning()) {
            server_.RequestQuit();
            server_.Wait(10s);
        }
        platform::UnsetEnvironmentValue("TARVO_WINDOW_DIR");
    }

    std::vector<std::string> WithWindows(std::vector<std::string> environment) const {
        environment.push_back("TARVO_WINDOW_DIR=" + windows_);
        return environment;
    }

    /// Opens the development window and starts the handler by hand as relay server.
    void StartServer() {
        development_ = platform::TitledWindow("Corvid 3");
        ASSERT_TRUE(development_.IsShown());
        auto run = cgitest::StartProgram(folder_, program_, WithWindows({"TEST_FIELDS=id,words"}));
        server_ = std::move(run.process);
        ASSERT_TRUE(Eventually([&] {
            return exists(serverFile_) && platform::TopLevelWindowExists("CgiTestHandler_S");
        })) << "the relay server did not come up";
    }

    cgitest::StartedRun StartClient(const std::string& query, const std::string& body = {}) {
        std::vector<std::string> environment = {"SERVER_SOFTWARE=TestServer/1.0", "REQUEST_METHOD=GET",
                                                "QUERY_STRING=" + query, "TEST_RELAY_WAIT_MS=15000"};
        if (!body.empty()) environment.push_back("CONTENT_LENGTH=" + std::to_string(body.size()));
        return cgitest::StartProgram(folder_, program_, WithWindows(environment), body);
    }

    std::vector<std::string> ClientFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : cgitest::fs::directory_iterator(folder_ / "Temp")) {
            const std::string name = entry.path().filename().string();
            if (name.find("_C_") != std::string::npos) names.push_back(name);
        }
        return names;
    }

    static std::string ExpectedAnswer(const std::string& page) {
        return "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\nContent-Length: " + std::to_string(page.size()) +
               "\r\n\r\n" + page;
    }

    cgitest::TempFolder folder_;
    std::string program_ = cgitest::InstallHandler(folder_);
    std::string windows_ = folder_ / "windows";
    std::string serverFile_ = folder_ / "Temp/CgiTestHandler_S";
    platform::TitledWindow development_;
    tarvo_test::ChildProcess server_;
};

TEST_F(Relay, SeveralClientsAtOnceEachGetTheirOwnCompleteAnswer) {
    StartServer();
    std::vector<cgitest::StartedRun> clients;
    constexpr int kClients = 6;
    for (int i = 0; i < kClients; ++i)
        clients.push_back(StartClient("id=" + std::to_string(i) + "&words=w" + std::to_string(i)));
    for (int i = 0; i < kClients; ++i) {
        const auto result = clients[static_cast<std::size_t>(i)].Finish(20s);
        EXPECT_EQ(result.exitCode, 0) << "client " << i;
        const std::string page = "<HTML><BODY>\r\nid=[" + std::to_string(i) + "]\r\nwords=[w" + std::to_string(i) +
                                 "]\r\n</BODY></HTML>\r\n";
        EXPECT_EQ(result.output, ExpectedAnswer(page)) << "client " << i;
    }
    EXPECT_TRUE(ClientFiles().empty());

    // The server's own file holds no finished records.
    EXPECT_EQ(cgitest::ReadFile(serverFile_).size() % cgi::relay::kRecordSize, 0u);
    server_.RequestQuit();
    EXPECT_EQ(server_.Wait(10s), 0);
    EXPECT_FALSE(exists(serverFile_)) << "a relay server removes the server file it created";
    EXPECT_FALSE(platform::TopLevelWindowExists("CgiTestHandler_S"));
}

TEST_F(Relay, APostBodyTravelsThroughTheRequestFile) {
    StartServer();
    const std::string body = "id=posted&words=a+b";
    const auto result = StartClient("id=ignored", body).Finish(20s);
    EXPECT_EQ(result.output, ExpectedAnswer("<HTML><BODY>\r\nid=[posted]\r\nwords=[a b]\r\n</BODY></HTML>\r\n"));
}

TEST_F(Relay, AWindowsCgiProfileIsServedIntoItsOutputFile) {
    StartServer();
    const std::string profile = folder_ / "Relayed.ini";
    const std::string output = folder_ / "relayed.out";
    cgitest::WriteFile(
        profile,
        "[CGI]\r\nRequest Method=GET\r\nQuery String=id=win&words=x\r\n[System]\r\nOutput File=" + output + "\r\n");
    const auto result =
        cgitest::RunProgram(folder_, program_, WithWindows({"TEST_RELAY_WAIT_MS=15000"}), {}, {profile});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(cgitest::ReadFile(output),
              "content-type:text/html\r\n\r\n<HTML><BODY>\r\nid=[win]\r\nwords=[x]\r\n</BODY></HTML>\r\n");
    EXPECT_TRUE(exists(profile)) << "the profile belongs to the web server";
}

TEST_F(Relay, WithoutADevelopmentWindowAProgramStartedByHandServesNothing) {
    const auto result = cgitest::RunProgram(folder_, program_, WithWindows({}));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_FALSE(exists(serverFile_));
}

// A web server hands the words of a query string without "=" to the program
// as its arguments (Apache's mod_cgi does), so a client can send
// "?START_SERVER": that request is answered like any other and never turns
// the process into a relay server, even while a development window is open.
TEST_F(Relay, AStartServerWordInTheQueryStringIsAnsweredAndStartsNoServer) {
    development_ = platform::TitledWindow("Corvid 3");
    ASSERT_TRUE(development_.IsShown());
    for (const std::string query : {"START_SERVER", "START_SERVER+id"}) {
        std::vector<std::string> arguments = {"START_SERVER"};
        if (query != "START_SERVER") arguments.push_back("id");
        const auto result = cgitest::StartProgram(folder_, program_,
                                                  WithWindows({"SERVER_SOFTWARE=TestServer/1.0", "REQUEST_METHOD=GET",
                                                               "QUERY_STRING=" + query, "TEST_FIELDS=id"}),
                                                  {}, arguments)
                                .Finish(10s);
        EXPECT_EQ(result.exitCode, 0) << query;
        EXPECT_EQ(result.output,
                  "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\n\r\n<HTML><BODY>\r\nid=[(default)]\r\n"
                  "</BODY></HTML>\r\n")
            << query;
        EXPECT_FALSE(exists(serverFile_)) << query;
    }
}

TEST_F(Relay, AClientGivesUpWhenNoServerAnswersInTime) {
    // A fresh server file that no server reads: the client waits its limit and ends without output.
    cgitest::fs::create_directories(folder_ / "Temp");
    cgitest::WriteFile(serverFile_, "");
    const auto result = cgitest::RunProgram(
        folder_, program_,
        WithWindows({"SERVER_SOFTWARE=TestServer/1.0", "QUERY_STRING=id=1", "TEST_RELAY_WAIT_MS=300"}));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(cgitest::ReadFile(serverFile_).size(), cgi::relay::kRecordSize) << "the submitted record stays";
}

TEST_F(Relay, AClientThatCannotReadTheServerFileLogsThatTheServerAborted) {
    cgitest::fs::create_directories(folder_ / "Temp");
    cgitest::WriteFile(serverFile_, "");
    auto client = cgitest::StartProgram(
        folder_, program_,
        WithWindows({"SERVER_SOFTWARE=TestServer/1.0", "QUERY_STRING=id=1", "TEST_RELAY_WAIT_MS=15000"}));
    ASSERT_TRUE(Eventually([&] { return cgitest::fs::file_size(serverFile_) == cgi::relay::kRecordSize; }));
    // Held here as a second process would hold it: every open of the client fails.
    platform::FileHandle held;
    ASSERT_TRUE(Eventually([&] {
        held = platform::OpenExclusive(serverFile_, platform::FileHandle::Mode::ReadWrite);
        return held.IsOpen();
    }));
    const auto result = client.Finish(20s);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_TRUE(cgitest::IsOneLogLine(cgitest::ReadFile(folder_ / "Log/CgiTestHandler.Log"), "CGI server aborted"));
}

TEST_F(Relay, AClientRemovesAServerFileThatWentStaleWhileItWaited) {
    cgitest::fs::create_directories(folder_ / "Temp");
    cgitest::WriteFile(serverFile_, "");
    const auto result = cgitest::RunProgram(folder_, program_,
                                            WithWindows({"SERVER_SOFTWARE=TestServer/1.0", "QUERY_STRING=id=1",
                                                         "TEST_RELAY_WAIT_MS=10000", "TEST_RELAY_STALE_MS=300"}));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_FALSE(exists(serverFile_));
    EXPECT_TRUE(ClientFiles().empty()) << "the client's request file goes with it";
}

TEST_F(Relay, AStaleServerFileAndLeftOverRequestsAreCleanedUpAndTheRequestServed) {
    cgitest::fs::create_directories(folder_ / "Temp");
    cgitest::WriteFile(serverFile_, std::string(cgi::relay::kRecordSize, '\0'));
    cgitest::WriteFile(folder_ / "Temp/CgiTestHandler_C_ABCD_REQ", "old");
    cgitest::WriteFile(folder_ / "Temp/CgiTestHandler_C_ABCD_OUT", "old");
    ASSERT_TRUE(platform::SetFileModificationTime(serverFile_, platform::FileClock::now() - 60s));
    const auto result = cgitest::RunProgram(
        folder_, program_, WithWindows({"SERVER_SOFTWARE=TestServer/1.0", "QUERY_STRING=id=7", "TEST_FIELDS=id"}));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\n\r\n<HTML><BODY>\r\nid=[7]\r\n</BODY></HTML>\r\n");
    EXPECT_FALSE(exists(serverFile_));
    EXPECT_TRUE(ClientFiles().empty());
}

TEST_F(Relay, AFreshServerFileIsNotTakenForStale) {
    cgitest::fs::create_directories(folder_ / "Temp");
    cgitest::WriteFile(serverFile_, "");
    cgitest::WriteFile(folder_ / "Temp/CgiTestHandler_C_ABCD_REQ", "someone else's");
    const auto result = cgitest::RunProgram(
        folder_, program_,
        WithWindows({"SERVER_SOFTWARE=TestServer/1.0", "QUERY_STRING=id=1", "TEST_RELAY_WAIT_MS=200"}));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(exists(folder_ / "Temp/CgiTestHandler_C_ABCD_REQ"));
}

// A relay server killed outright leaves its server file and its window's
// marker behind, and each request that finds the file touches it again. A
// marker without a live owner makes the file one left behind whatever its
// age: requests are answered at once by their own process, standard and
// Windows CGI alike, and the file goes.
TEST_F(Relay, AServerFileLeftByAKilledServerIsDeletedAndEveryRequestAnswered) {
    StartServer();
    ASSERT_EQ(::kill(server_.Id(), SIGKILL), 0);
    server_.Wait(10s);
    ASSERT_TRUE(exists(serverFile_)) << "a killed server cannot remove its file";
    ASSERT_FALSE(platform::TopLevelWindowExists("CgiTestHandler_S"));
    ASSERT_TRUE(platform::TopLevelWindowOwnerEnded("CgiTestHandler_S")) << "its window's marker stays, unheld";
    ASSERT_TRUE(platform::SetFileModificationTime(serverFile_, platform::FileClock::now()));

    const auto result = cgitest::RunProgram(
        folder_, program_,
        WithWindows({"SERVER_SOFTWARE=TestServer/1.0", "REQUEST_METHOD=GET", "QUERY_STRING=id=1&words=w",
                     "TEST_RELAY_WAIT_MS=15000", "TEST_FIELDS=id,words"}));
    EXPECT_EQ(result.output,
              "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\n\r\n<HTML><BODY>\r\nid=[1]\r\nwords=[w]\r\n"
              "</BODY></HTML>\r\n");
    EXPECT_FALSE(exists(serverFile_));
    EXPECT_TRUE(ClientFiles().empty());

    cgitest::WriteFile(serverFile_, "");
    const std::string profile = folder_ / "Direct.ini";
    const std::string output = folder_ / "direct.out";
    cgitest::WriteFile(profile,
                       "[CGI]\r\nRequest Method=GET\r\nQuery String=id=win&words=x\r\n[System]\r\n"
                       "Output File=" +
                           output + "\r\n");
    cgitest::RunProgram(folder_, program_, WithWindows({"TEST_RELAY_WAIT_MS=15000", "TEST_FIELDS=id,words"}), {},
                        {profile});
    EXPECT_EQ(cgitest::ReadFile(output),
              "content-type:text/html\r\n\r\n<HTML><BODY>\r\nid=[win]\r\nwords=[x]\r\n</BODY></HTML>\r\n");
    EXPECT_FALSE(exists(serverFile_));
}

TEST(RelayRecord, EncodesTheDocumented268ByteLayout) {
    cgi::relay::TRequestRecord record;
    record.status = cgi::relay::rsTaken;
    record.submitted = 36892.5;  // 1 January 2001, noon
    record.name = "/SRV/CGI-BIN/TEMP/TARVOCGI_C_0A1F_REQ";
    const std::string bytes = cgi::relay::EncodeRecord(record);
    ASSERT_EQ(bytes.size(), 268u);
    EXPECT_EQ(bytes[0], 1);
    // 36892.5 as a little-endian IEEE double: 0x40E2039000000000.
    const std::string expectedTime("\x00\x00\x00\x00\x90\x03\xE2\x40", 8);
    EXPECT_EQ(bytes.substr(4, 8), expectedTime);
    EXPECT_EQ(bytes.substr(12, record.name.size()), record.name);
    EXPECT_EQ(bytes.find_first_not_of('\0', 12 + record.name.size()), std::string::npos);

    const auto back = cgi::relay::DecodeRecord(bytes);
    EXPECT_EQ(back.status, record.status);
    EXPECT_EQ(back.submitted, record.submitted);
    EXPECT_EQ(back.name, record.name);

    record.name = std::string(400, 'N');  // longer names keep their terminator
    EXPECT_EQ(cgi::relay::DecodeRecord(cgi::relay::EncodeRecord(record)).name.size(), 255u);
}

TEST(RelayRecord, OnlyANameEndingInItsFirstReqIsAStandardRequest) {
    EXPECT_TRUE(cgi::relay::IsStandardRequestName("/T/X_C_0000_REQ"));
    EXPECT_FALSE(cgi::relay::IsStandardRequestName("/T/X_REQ_C_0000_REQ"));
    EXPECT_FALSE(cgi::relay::IsStandardRequestName("/T/PROFILE.INI"));
    EXPECT_FALSE(cgi::relay::IsStandardRequestName(""));
}

}  // namespace
