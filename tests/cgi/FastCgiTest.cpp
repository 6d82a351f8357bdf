// tarvocgi as a FastCGI server, as a real child process over the sample
// site's index: the same pages and log lines as CGI mode (asked through
// cgi-fcgi), the three ways to start it, a republished set, the read limit,
// time limits, abort, a multiplexing web server, SIGTERM with a request in
// flight, and wrong server arguments.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <thread>

#include "CgiTestSupport.h"

extern char** environ;

namespace {

using cgitest::RunResult;
using Env = std::vector<std::string>;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

/// The bundled sample site (TARVO_TEST_DATA_DIR is tests/cgi/data in the sources).
const std::string kSamples =
    (std::filesystem::path(TARVO_TEST_DATA_DIR).parent_path().parent_path().parent_path() / "samples").string();

std::string Program(const std::string& name) { return std::string(TARVO_BIN_DIR) + "/" + name; }

/// Strips the time stamp and request number from every log line: what stays
/// is the message, one per line.
std::vector<std::string> LogMessages(const std::string& log) {
    std::vector<std::string> messages;
    for (const std::string& line : cgitest::SplitCrLf(log)) {
        const std::size_t colon = line.find(" : ");
        messages.push_back(colon == std::string::npos ? line : line.substr(colon + 3));
    }
    return messages;
}

// ---- A minimal FastCGI client for what cgi-fcgi cannot send ----------------

constexpr unsigned char kBeginRequest = 1;
constexpr unsigned char kAbortRequest = 2;
constexpr unsigned char kEndRequest = 3;
constexpr unsigned char kParams = 4;
constexpr unsigned char kStdin = 5;
constexpr unsigned char kStdout = 6;

std::string Record(unsigned char type, int id, const std::string& content = {}) {
    std::string record = {1,
                          static_cast<char>(type),
                          static_cast<char>(id >> 8),
                          static_cast<char>(id & 255),
                          static_cast<char>(content.size() >> 8),
                          static_cast<char>(content.size() & 255),
                          0,
                          0};
    return record + content;
}

std::string BeginRecord(int id) { return Record(kBeginRequest, id, std::string("\0\1\0\0\0\0\0\0", 8)); }

std::string ParamsRecord(int id, const std::map<std::string, std::string>& params) {
    std::string content;
    for (const auto& [name, value] : params) {
        content += static_cast<char>(name.size());
        content += static_cast<char>(value.size());
        content += name + value;
    }
    return Record(kParams, id, content) + Record(kParams, id);
}

struct Reply {
    std::map<int, std::string> stdoutBytes;  ///< per request id
    std::map<int, int> protocolStatus;       ///< per request id that ended
};

class RawConnection {
public:
    explicit RawConnection(const std::string& socketPath) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        timeval limit{20, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    }
    ~RawConnection() { ::close(fd_); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool Connected() const { return connected_; }
    void Send(const std::string& bytes) {
        ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }

    /// Reads records until the server closes the connection.
    Reply ReadToEnd() {
        std::string data;
        char block[65536];
        for (ssize_t got; (got = ::recv(fd_, block, sizeof block, 0)) > 0;)
            data.append(block, static_cast<std::size_t>(got));
        Reply reply;
        for (std::size_t at = 0; at + 8 <= data.size();) {
            const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[at + i]); };
            const int id = byte(2) << 8 | byte(3);
            const std::size_t length = static_cast<std::size_t>(byte(4) << 8 | byte(5));
            if (byte(1) == kStdout) reply.stdoutBytes[id] += data.substr(at + 8, length);
            if (byte(1) == kEndRequest) reply.protocolStatus[id] = static_cast<unsigned char>(data[at + 8 + 4]);
            at += 8 + length + byte(6);
        }
        return reply;
    }

private:
    int fd_;
    bool connected_ = false;
};

// ---- The fixture: the sample site's index and a server ---------------------

class FastCgiServer : public ::testing::Test {
public:
    friend void ServeOnHandedSocket(FastCgiServer& test, int target, const std::string& setup);

protected:
    void SetUp() override {
        program_ = folder_ / "tarvocgi";
        fs::copy_file(Program("tarvocgi"), program_);
        fs::create_directory(folder_ / "index");
        IndexInto(kSamples + "/sample.tarvo");
    }
    void TearDown() override { StopServer(); }

    void IndexInto(const std::string& project) {
        tarvo_test::ProgramRun run;
        run.program = Program("tarvo-index");
        run.arguments = {project, "--database", folder_ / "index/DataBase", "--quiet"};
        ASSERT_EQ(tarvo_test::RunProgramToEnd(run), 0);
    }

    /// Starts `tarvocgi --fastcgi SOCKET` with `extra` arguments and waits for its socket.
    void StartServer(const std::vector<std::string>& extra = {}) {
        socket_ = folder_ / "tarvo.sock";
        std::vector<std::string> arguments = {"--fastcgi", socket_};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        server_ = cgitest::StartProgram(folder_, program_, ServerEnvironment(), {}, arguments);
        bool listening = false;
        for (int i = 0; i < 200 && !listening; ++i) {
            std::this_thread::sleep_for(10ms);
            listening = RawConnection(socket_).Connected();
        }
        ASSERT_TRUE(listening);
    }
    void StopServer() {
        if (!server_.process.IsRunning()) return;
        server_.process.RequestQuit();
        serverExit_ = server_.process.Wait(20s);
    }
    Env ServerEnvironment() const { return {"PATH=/usr/bin:/bin", "CGI_LOG_DIR=" + (folder_ / "Log")}; }

    /// The request's variables (and the index folder) for both modes.
    Env Request(const std::string& method, const std::string& query, const std::string& body = {}) const {
        Env variables = {"GATEWAY_INTERFACE=CGI/1.1",
                         "SERVER_SOFTWARE=Apache/2.4",
                         "REQUEST_METHOD=" + method,
                         "QUERY_STRING=" + query,
                         "TARVO_INDEX_DIR=" + (folder_ / "index"),
                         "CGI_LOG_DIR=" + (folder_ / "Log")};
        if (method == "POST") {
            variables.push_back("CONTENT_LENGTH=" + std::to_string(body.size()));
            variables.push_back("CONTENT_TYPE=application/x-www-form-urlencoded");
        }
        return variables;
    }
    RunResult AskCgi(const Env& request, const std::string& body = {}) {
        return cgitest::RunProgram(folder_, program_, request, body);
    }
    RunResult AskFastCgi(Env request, const std::string& body = {}, const std::string& address = {}) {
        request.push_back("PATH=/usr/bin:/bin");
        return cgitest::RunProgram(folder_, "/usr/bin/cgi-fcgi", request, body,
                                   {"-bind", "-connect", address.empty() ? socket_ : address});
    }
    std::string TakeLog() {
        const std::string path = folder_ / "Log/tarvocgi.Log";
        std::string log = cgitest::ReadFile(path);
        fs::remove(path);
        return log;
    }

    cgitest::TempFolder folder_;
    std::string program_;
    std::string socket_;
    cgitest::StartedRun server_;
    int serverExit_ = -2;
};

struct ModeCase {
    std::string name;
    std::string method;
    std::string query;
    std::string body;
};

TEST_F(FastCgiServer, AnswersWithTheSamePageAndLogLinesAsCgi) {
    const std::vector<ModeCase> cases = {
        {"get", "GET", "volumeName=DataBase&searchWords=library&language=en", ""},
        {"post", "POST", "", "volumeName=DataBase&searchWords=library+AND+read*"},
        {"utf-8", "GET", "volumeName=DataBase&searchWords=caf%C3%A9&_charset_=UTF-8", ""},
        {"wildcard", "GET", "volumeName=DataBase&searchWords=li*&language=de", ""},
        {"no records", "GET", "volumeName=DataBase&searchWords=zzzzqq&language=sl", ""},
        {"missing set", "GET", "volumeName=Missing&searchWords=library", ""},
        {"refused volume", "GET", "volumeName=../etc&searchWords=library", ""},
        {"over the read limit", "POST", "", "searchWords=" + std::string(10001 - 12, 'x')},
    };
    StartServer({"--workers", "2"});
    for (const ModeCase& c : cases) {
        const RunResult cgi = AskCgi(Request(c.method, c.query, c.body), c.body);
        const std::vector<std::string> cgiLog = LogMessages(TakeLog());
        const RunResult fastCgi = AskFastCgi(Request(c.method, c.query, c.body), c.body);
        const std::vector<std::string> fastCgiLog = LogMessages(TakeLog());
        EXPECT_EQ(fastCgi.exitCode, 0) << c.name;
        EXPECT_NE(cgi.output.find("<!--end of data-->"), std::string::npos) << c.name;
        EXPECT_EQ(fastCgi.output, cgi.output) << c.name;
        EXPECT_EQ(fastCgiLog, cgiLog) << c.name;
    }
}

TEST_F(FastCgiServer, TheIndexFolderComesFromTheRequestBeforeTheEnvironment) {
    StartServer();
    Env request = Request("GET", "volumeName=DataBase&searchWords=library");
    const RunResult found = AskFastCgi(request);
    EXPECT_EQ(found.output.find("File errors"), std::string::npos);
    request.erase(request.begin() + 4);  // TARVO_INDEX_DIR: the server's own environment has none
    const RunResult missing = AskFastCgi(request);
    EXPECT_NE(missing.output.find("File errors!"), std::string::npos) << missing.output;
}

TEST_F(FastCgiServer, ASetRepublishedBetweenTwoRequestsIsSeenByTheSecond) {
    StartServer({"--workers", "1"});
    const Env request = Request("GET", "volumeName=DataBase&searchWords=library");
    const RunResult before = AskFastCgi(request);
    ASSERT_NE(before.output.find("Lakeside Library"), std::string::npos);

    cgitest::WriteFile(folder_ / "other.htm", "<title>Other page</title>library of another set");
    cgitest::WriteFile(folder_ / "other.lst", folder_ / "other.htm" + " F: http://other.example/\n");
    cgitest::WriteFile(folder_ / "other.tarvo", "[Paths]\nfilelist=other.lst\n");
    IndexInto(folder_ / "other.tarvo");
    const RunResult after = AskFastCgi(request);
    EXPECT_EQ(after.output, AskCgi(request).output);
    EXPECT_NE(after.output.find("Other page~|~http://other.example/"), std::string::npos) << after.output;
    EXPECT_EQ(after.output.find("Lakeside"), std::string::npos);
}

TEST_F(FastCgiServer, ASetRepublishedInAnotherCodePageIsReadInItByTheNextRequest) {
    StartServer({"--workers", "1"});
    // "Čeština" in Windows-1250 bytes; in Windows-1252 the same bytes read "Èeš".
    // clang-format off
    cgitest::WriteFile(folder_ / "cz.htm", "<title>\xC8" "e\x9Atina</title>library");
    // clang-format on
    cgitest::WriteFile(folder_ / "cz.lst", folder_ / "cz.htm" + " F: http://cz.example/\n");
    cgitest::WriteFile(folder_ / "cz.tarvo", "[Paths]\nfilelist=cz.lst\n");
    IndexInto(folder_ / "cz.tarvo");
    const Env request = Request("GET", "volumeName=DataBase&searchWords=library&_charset_=UTF-8");
    const RunResult before = AskFastCgi(request);
    // clang-format off
    ASSERT_NE(before.output.find("\xC3\x88" "e\xC5\xA1tina~|~http://cz.example/"), std::string::npos) << before.output;
    // clang-format on

    // The same set published again as a Windows-1250 one: a new table of
    // contents with the same bytes and a code page file.
    IndexInto(folder_ / "cz.tarvo");
    cgitest::WriteFile(folder_ / "index/DataBase.cpg", "windows-1250\r\n");
    const RunResult after = AskFastCgi(request);
    EXPECT_EQ(after.output, AskCgi(request).output);
    // clang-format off
    EXPECT_NE(after.output.find("\xC4\x8C" "e\xC5\xA1tina~|~http://cz.example/"), std::string::npos) << after.output;
    // clang-format on
    const RunResult plain = AskFastCgi(Request("GET", "volumeName=DataBase&searchWords=library"));
    EXPECT_NE(plain.output.find("charset=windows-1250"), std::string::npos) << plain.output;
    // clang-format off
    EXPECT_NE(plain.output.find("\xC8" "e\x9Atina~|~http://cz.example/"), std::string::npos);
    // clang-format on

    // A code page file naming no known code page is a file error of ".cpg".
    TakeLog();
    cgitest::WriteFile(folder_ / "index/DataBase.cpg", "windows-1251\r\n");
    const RunResult unknown = AskFastCgi(request);
    EXPECT_NE(unknown.output.find("File errors!"), std::string::npos) << unknown.output;
    EXPECT_EQ(LogMessages(TakeLog()), std::vector<std::string>{"DataBase.cpg: damaged"});
}

TEST_F(FastCgiServer, ServesOnATcpAddress) {
    const int port = 20000 + static_cast<int>(::getpid() % 20000);
    const std::string address = "127.0.0.1:" + std::to_string(port);
    server_ = cgitest::StartProgram(folder_, program_, ServerEnvironment(), {}, {"--fastcgi", address});
    const Env request = Request("GET", "volumeName=DataBase&searchWords=library");
    RunResult answer;
    for (int i = 0; i < 100 && answer.output.empty(); ++i) {
        std::this_thread::sleep_for(20ms);
        answer = AskFastCgi(request, {}, address);
    }
    EXPECT_EQ(answer.output, AskCgi(request).output);
}

// Starts tarvocgi through /bin/sh with a listening socket of its own on
// descriptor `target` and `setup` run before (the shell's "$$" is the
// program's pid after exec), answers one request there and stops it.
void ServeOnHandedSocket(FastCgiServer& test, int target, const std::string& setup);

TEST_F(FastCgiServer, ServesOnAListeningSocketGivenAsStandardInput) {
    // As spawn-fcgi, mod_fcgid and lighttpd start a FastCGI program.
    ServeOnHandedSocket(*this, 0, "");
}

TEST_F(FastCgiServer, ServesOnASocketPassedBySystemd) {
    ServeOnHandedSocket(*this, 3, "export LISTEN_PID=$$ LISTEN_FDS=1; exec 0</dev/null;");
}

TEST_F(FastCgiServer, SigtermLetsTheRequestInFlightFinishAndExitsWithZero) {
    StartServer({"--workers", "2"});
    const std::string body = "volumeName=DataBase&searchWords=library";
    RawConnection connection(socket_);
    ASSERT_TRUE(connection.Connected());
    connection.Send(BeginRecord(1) +
                    ParamsRecord(1, {{"REQUEST_METHOD", "POST"},
                                     {"CONTENT_LENGTH", std::to_string(body.size())},
                                     {"TARVO_INDEX_DIR", folder_ / "index"}}) +
                    Record(kStdin, 1, body.substr(0, 10)));
    std::this_thread::sleep_for(200ms);
    server_.process.RequestQuit();
    std::this_thread::sleep_for(200ms);
    connection.Send(Record(kStdin, 1, body.substr(10)) + Record(kStdin, 1));
    Reply reply = connection.ReadToEnd();
    EXPECT_NE(reply.stdoutBytes.at(1).find("Lakeside Library"), std::string::npos);
    EXPECT_EQ(server_.process.Wait(20s), 0);
}

TEST_F(FastCgiServer, SigtermAnswersTheConnectionsStillWaitingToBeAccepted) {
    StartServer({"--workers", "1"});
    const std::map<std::string, std::string> params = {{"REQUEST_METHOD", "GET"},
                                                       {"QUERY_STRING", "volumeName=DataBase&searchWords=library"},
                                                       {"TARVO_INDEX_DIR", folder_ / "index"}};
    std::vector<std::unique_ptr<RawConnection>> connections;
    for (int i = 0; i < 6; ++i) {
        connections.push_back(std::make_unique<RawConnection>(socket_));
        connections.back()->Send(BeginRecord(1) + ParamsRecord(1, params) + Record(kStdin, 1));
    }
    server_.process.RequestQuit();
    for (auto& connection : connections)
        EXPECT_NE(connection->ReadToEnd().stdoutBytes[1].find("<!--end of data-->"), std::string::npos);
    EXPECT_EQ(server_.process.Wait(20s), 0);
    EXPECT_FALSE(fs::exists(socket_));
}

TEST_F(FastCgiServer, AnAbortedRequestGetsNoPage) {
    StartServer({"--workers", "1"});
    RawConnection connection(socket_);
    connection.Send(
        BeginRecord(1) +
        ParamsRecord(1,
                     {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", "40"}, {"TARVO_INDEX_DIR", folder_ / "index"}}) +
        Record(kStdin, 1, "volumeName=DataBase&"));
    std::this_thread::sleep_for(100ms);
    connection.Send(Record(kAbortRequest, 1));
    Reply reply = connection.ReadToEnd();
    EXPECT_EQ(reply.stdoutBytes[1], "");
    EXPECT_EQ(reply.protocolStatus.count(1), 1u);
    // The worker is free again.
    const Env request = Request("GET", "volumeName=DataBase&searchWords=library");
    EXPECT_EQ(AskFastCgi(request).output, AskCgi(request).output);
}

TEST_F(FastCgiServer, ASecondRequestOnOneConnectionIsRefusedAndTheFirstAnswered) {
    StartServer();
    const std::map<std::string, std::string> params = {{"REQUEST_METHOD", "GET"},
                                                       {"QUERY_STRING", "volumeName=DataBase&searchWords=library"},
                                                       {"TARVO_INDEX_DIR", folder_ / "index"}};
    RawConnection connection(socket_);
    connection.Send(BeginRecord(1) + ParamsRecord(1, params) + BeginRecord(2) + ParamsRecord(2, params) +
                    Record(kStdin, 1) + Record(kStdin, 2));
    Reply reply = connection.ReadToEnd();
    EXPECT_NE(reply.stdoutBytes[1].find("Lakeside Library"), std::string::npos);
    EXPECT_EQ(reply.stdoutBytes.count(2), 0u);
    constexpr int kCannotMultiplex = 1;
    EXPECT_EQ(reply.protocolStatus[1], 0);
    EXPECT_EQ(reply.protocolStatus[2], kCannotMultiplex);
}

TEST_F(FastCgiServer, ASilentClientLosesItsWorkerAfterTheTimeLimit) {
    StartServer({"--workers", "1", "--timeout", "1"});
    RawConnection silent(socket_);
    ASSERT_TRUE(silent.Connected());
    std::this_thread::sleep_for(100ms);
    // The one worker waits for the silent client first; the limit frees it.
    const Env request = Request("GET", "volumeName=DataBase&searchWords=library");
    EXPECT_EQ(AskFastCgi(request).output, AskCgi(request).output);
}

TEST_F(FastCgiServer, WrongServerArgumentsEndWithExitCodeTwo) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--fastcgi"},
                                               {"--fastcgi", folder_ / "s", "--workers", "0"},
                                               {"--fastcgi", folder_ / "s", "--timeout"},
                                               {"--fastcgi", folder_ / "s", "--other", "1"}}) {
        EXPECT_EQ(cgitest::RunProgram(folder_, program_, ServerEnvironment(), {}, arguments).exitCode, 2)
            << arguments.back();
    }
}

TEST_F(FastCgiServer, AQueryStringNamingTheOptionStaysACgiRequest) {
    // A web server hands a query string without "=" over as arguments.
    Env request = Request("GET", "--fastcgi+" + (folder_ / "s"));
    const RunResult result = cgitest::RunProgram(folder_, program_, request, {}, {"--fastcgi", folder_ / "s"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("<!--start of data-->"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder_ / "s"));
}

void ServeOnHandedSocket(FastCgiServer& test, int target, const std::string& setup) {
    test.socket_ = test.folder_ / "handed.sock";
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, test.socket_.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listening, 16), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, listening, target);
    std::string shell = "/bin/sh";
    std::string option = "-c";
    std::string script = setup + " exec \"$0\" --workers 2";
    char* argv[] = {shell.data(), option.data(), script.data(), test.program_.data(), nullptr};
    std::string logSetting = "CGI_LOG_DIR=" + (test.folder_ / "Log");
    char* envp[] = {logSetting.data(), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(::posix_spawn(&pid, shell.c_str(), &actions, nullptr, argv, envp), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(listening);

    const Env request = test.Request("GET", "volumeName=DataBase&searchWords=library");
    EXPECT_EQ(test.AskFastCgi(request).output, test.AskCgi(request).output);
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
