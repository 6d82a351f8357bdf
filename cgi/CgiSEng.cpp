// Standard CGI requests, and the relay between CGI processes and a relay
// server started by hand.
#include "cgi/CgiSEng.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <thread>

#include "cgi/CgiRelay.h"
#include "cgi/CgiStreams.h"
#include "cgi/HUtils.h"
#include "cgi/RequestBody.h"
#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/FileTimes.h"
#include "platform/LocalTime.h"
#include "platform/ProcessInfo.h"
#include "platform/QuitSignals.h"
#include "platform/StandardStreams.h"
#include "platform/WindowTitle.h"

namespace cgi {
namespace {

constexpr std::string_view kDebugMarkerLine = "CORVID_CGI_DEBUG=true";
constexpr std::size_t kRelayedValueLimit = 255;
constexpr std::size_t kAnswerBlockSize = 1024;

/// The request channels and input of this thread.
struct StdThreadState {
    std::unique_ptr<TCgiOutput> output;
    std::unique_ptr<TCgiInput> input;
    std::string inputData;
    std::optional<std::vector<std::string>> relayedEnvironment;
    std::string requestFileName;
    std::string requestId;
};

thread_local StdThreadState t_std;

/// Process-wide relay values.
struct StdProcessState {
    std::string programPath = ModuleFileName();  // named first, so it outlives this state
    bool started = false;
    bool relayServerMode = false;
    bool serverWindowSeen = false;
    std::unique_ptr<relay::TServerData> serverData;

    ~StdProcessState() {
        // A relay server leaves no files named after the program behind.
        if (relayServerMode) relay::DeleteFilesMatching(programPath + "_*");
    }
};

StdProcessState& Process() {
    static StdProcessState state;
    return state;
}

long long BodyLength(std::string_view text) { return BodyLengthForReadLimit(text); }

std::string DrawRequestId() {
    static constexpr char kHex[] = "0123456789ABCDEF";
    thread_local std::mt19937 generator(std::random_device{}());
    std::string id(4, '0');
    for (char& digit : id) digit = kHex[generator() % 16];
    return id;
}

// Reads up to `length` body bytes; the block grows with what arrives, so a
// length that the input does not back costs no memory.
std::string ReadBody(TCgiInput& input, long long length) {
    constexpr std::size_t kBlock = 65536;
    std::string body;
    while (static_cast<long long>(body.size()) < length) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<long long>(kBlock, length - static_cast<long long>(body.size())));
        const std::size_t start = body.size();
        body.resize(start + want);
        const std::size_t got = input.ReadFully(body.data() + start, want);
        body.resize(start + got);
        if (got < want) break;
    }
    return body;
}

bool ServerSoftwareIsSet() { return !GetEnvVar("SERVER_SOFTWARE").empty(); }

// A web server hands the words of a query string that holds no "=" to the
// program as its arguments (the index-search form of CGI), so under a web
// server such arguments are the client's words, never a developer's
// START_SERVER: they count as no arguments.
bool ArgumentsAreQueryWords(bool serverSoftware) {
    if (!serverSoftware) return false;
    const std::string query = GetEnvVar("QUERY_STRING");
    return !query.empty() && query.find('=') == std::string::npos;
}

// ---- Relay client ----------------------------------------------------------

// Writes the request file: the environment, the marker line, a blank line,
// then the body as CONTENT_LENGTH announces it.
void WriteRequestFile(const std::string& path) {
    std::string block;
    for (const std::string& entry : platform::EnvironmentStrings()) {
        block += entry;
        block += "\r\n";
    }
    block += kDebugMarkerLine;
    block += "\r\n\r\n";
    const long long length = BodyLength(GetEnvVar("CONTENT_LENGTH"));
    if (length > 0 && t_std.input) block += ReadBody(*t_std.input, length);
    platform::FileHandle file = platform::FileHandle::Open(path, platform::FileHandle::Mode::CreateTruncate);
    if (!file.IsOpen()) throw platform::IoError("cannot create", path, file.OpenError());
    if (!file.WriteAll(block.data(), block.size())) throw platform::IoError("cannot write", path, 0);
}

bool SubmitToRelayServer() {
    if (!ServerSoftwareIsSet() || CgiVersionNamesWindows()) return false;
    const std::string serverPath = relay::ServerFileName();
    if (!platform::FileExists(serverPath)) return false;
    const auto& timings = relay::RelayTimings();
    relay::TServerData& data = *Process().serverData;
    for (int attempt = 0; attempt < timings.openAttempts; ++attempt) {
        data.serverFileOwner = false;
        platform::FileHandle serverFile = relay::OpenServerFile(1, timings.submitPause);
        if (serverFile.IsOpen()) {
            // Ids are drawn under the server file's lock, so two clients never share one.
            const std::string base = relay::TempBaseName() + "_C_";
            do {
                t_std.requestId = DrawRequestId();
                t_std.requestFileName = base + t_std.requestId + "_REQ";
            } while (platform::FileExists(t_std.requestFileName));
            try {
                WriteRequestFile(t_std.requestFileName);
            } catch (const std::exception& error) {
                WriteLog(error.what());
            }
            relay::TRequestRecord record;
            record.status = relay::rsSubmitted;
            record.submitted = platform::LocalNow();
            record.name = platform::AnsiUpper(t_std.requestFileName);
            data.requestName = record.name;
            return relay::AppendRecord(serverFile, record);
        }
        if (!platform::FileExists(serverPath)) return false;
        std::this_thread::sleep_for(timings.submitPause);
    }
    return false;
}

// Copies the answer file to standard output, adding "Content-Length" after
// the header lines when the first block holds the end of the header.
void CopyAnswer(const std::string& answerPath) {
    platform::FileHandle answer = platform::FileHandle::Open(answerPath, platform::FileHandle::Mode::Read);
    if (!answer.IsOpen()) return;
    const long long total = answer.Size();
    std::string block(kAnswerBlockSize, '\0');
    long long count = answer.ReadSome(block.data(), block.size());
    if (count < 0) count = 0;
    std::string_view first(block.data(), static_cast<std::size_t>(count));
    const std::size_t headerEnd = first.find("\r\n\r\n");
    if (headerEnd != std::string_view::npos) {
        std::string head(first.substr(0, headerEnd));
        head += "\r\nContent-Length: ";
        head += std::to_string(total - static_cast<long long>(headerEnd) - 4);
        platform::WriteStandardOutput(head.data(), head.size());
        first.remove_prefix(headerEnd);
    }
    platform::WriteStandardOutput(first.data(), first.size());
    while (count == static_cast<long long>(kAnswerBlockSize)) {
        count = answer.ReadSome(block.data(), block.size());
        if (count > 0) platform::WriteStandardOutput(block.data(), static_cast<std::size_t>(count));
    }
    answer.Close();
    platform::RemoveFile(answerPath);
}

[[noreturn]] void WaitAsRelayClient() {
    platform::WatchQuitSignals();
    const auto& timings = relay::RelayTimings();
    const std::string serverPath = relay::ServerFileName();
    const std::string& requestName = Process().serverData->requestName;
    const std::string answerPath = relay::TempBaseName() + "_C_" + t_std.requestId + "_OUT";
    const auto deadline = std::chrono::steady_clock::now() + timings.clientWaitLimit;
    int status = relay::rsSubmitted;
    while (std::chrono::steady_clock::now() < deadline && !platform::QuitSignalReceived()) {
        const bool serverWindowNow = platform::TopLevelWindowExists(relay::ServerWindowTitle());
        const bool serverWindowGone =
            (Process().serverWindowSeen && !serverWindowNow) || relay::ServerWindowOwnerEnded();
        const bool serverFresh = platform::FileExists(serverPath) && !relay::IsStale(serverPath);
        if (serverWindowGone || (status != relay::rsFinished && !serverFresh)) {
            platform::RemoveFile(serverPath);
            platform::RemoveFile(t_std.requestFileName);
            break;
        }
        Process().serverWindowSeen = serverWindowNow;
        status = relay::ReadRequestStatus(requestName);
        if (status == relay::rsFinished) {
            CopyAnswer(answerPath);
            break;
        }
        if (status == relay::rsServerMissing || status == relay::rsUnreadable) {
            WriteLog("CGI server aborted");
            break;
        }
        std::this_thread::sleep_for(timings.clientPoll);
    }
    TerminateCgi();
}

void StartRelayServer() {
    // Files of clients of an earlier server go before the server file
    // appears; a client that finds it may submit at once.
    if (relay::CreateServerFile(relay::TempBaseName() + "_C_*")) Process().serverData->serverFileOwner = true;
}

// ---- Relay server: the relayed environment ---------------------------------

// Reads "NAME=value" lines up to the blank line; a line ends at two line-end
// bytes in a row (CR LF) and four in a row end the block.
std::vector<std::string> ReadRelayedEnvironment(TCgiInput& input) {
    std::vector<std::string> lines;
    std::string line;
    int lineEnds = 0;
    for (int byte = input.ReadByte(); byte >= 0; byte = input.ReadByte()) {
        if (byte == '\r' || byte == '\n') {
            ++lineEnds;
            if (lineEnds == 2) {
                lines.push_back(line);
                line.clear();
            }
            if (lineEnds == 4) break;
            continue;
        }
        lineEnds = 0;
        line += static_cast<char>(byte);
    }
    return lines;
}

std::string RelayedValue(const std::vector<std::string>& environment, const std::string& name) {
    const std::string prefix = name + "=";
    for (const std::string& line : environment) {
        if (line.size() < prefix.size() || !platform::AsciiEqualsIgnoreCase(line.substr(0, prefix.size()), prefix))
            continue;
        return line.substr(prefix.size(), kRelayedValueLimit);
    }
    return {};
}

}  // namespace

// ---- Module start-up -------------------------------------------------------

bool CgiVersionNamesWindows() { return platform::AnsiUpper(GetEnvVar("CGI_VERSION")).find("WIN") != std::string::npos; }

bool IsStandardRelayServer() { return Process().relayServerMode; }

void StartStandardCgiModule() {
    StdProcessState& process = Process();
    if (process.started) return;
    process.started = true;

    const auto& arguments = platform::ProcessArguments();
    const bool serverSoftware = ServerSoftwareIsSet();
    const bool ownArguments = !arguments.empty() && !ArgumentsAreQueryWords(serverSoftware);
    const bool startedAsServer =
        (serverSoftware || ownArguments) ? (ownArguments && arguments.front() == "START_SERVER") : true;
    process.relayServerMode = startedAsServer && relay::DevelopmentWindowExists();
    process.serverData = std::make_unique<relay::TServerData>();

    if (platform::RunsAsLoadedLibrary() || CgiVersionNamesWindows() || !(serverSoftware || process.relayServerMode))
        return;
    const std::string serverPath = relay::ServerFileName();
    if (relay::IsServerFileLeftBehind()) {
        platform::RemoveFile(serverPath);
        std::this_thread::sleep_for(relay::RelayTimings().staleRemovalPause);
    }
    if (!platform::FileExists(serverPath)) relay::DeleteFilesMatching(relay::TempBaseName() + "_C_*");
    if (process.relayServerMode) {
        StartRelayServer();
        return;
    }
    t_std.output = std::make_unique<TCgiOutput>();
    t_std.input = std::make_unique<TCgiInput>();
    if (SubmitToRelayServer()) WaitAsRelayClient();
}

// ---- Engine ----------------------------------------------------------------

TCGIStdEngine::TCGIStdEngine(platform::TComponent* owner, const THttpEngineSettings& settings) : TCgiEngine(owner) {
    StartStandardCgiModule();
    AutoTerminate = settings.autoTerminate;
    BufferedOutput = settings.bufferedOutput;
    NoCache = settings.noCache;
    ApplyRequestSettings(settings);
    TakeStartSettings(settings);

    if (IsDesigning() || platform::RunsAsLoadedLibrary() || CgiVersionNamesWindows()) return;
    if (!ServerSoftwareIsSet() && !Process().relayServerMode) return;
    ServeProcess(Process().relayServerMode, relay::RelayTimings().standardServerPoll);
}

void TCGIStdEngine::ReadRequestInput() {
    if (!t_std.input) return;
    // Through the server variables, so a relayed request reads its own.
    const long long length = BodyLength(GetServerVariable("CONTENT_LENGTH"));
    if (length <= 0) {
        t_std.inputData = GetQueryString();
        return;
    }
    if (length > AutoReadLimit) {
        WriteLog("Content length exceeds AutoReadLimit");
        return;
    }
    const bool multipart = IsMultipartFormData(GetServerVariable("CONTENT_TYPE"));
    if (!AutoReadInput || multipart) return;  // the body stays for ReadInput
    const std::string body = ReadBody(*t_std.input, length);
    t_std.inputData = body.substr(0, body.find('\0'));
}

void TCGIStdEngine::DoExecRequest() {
    t_std.inputData.clear();
    ReadRequestInput();
    // A development process started by hand goes on serving relayed
    // requests, so for it no request is the last.
    RunRequestEvents(!IsDevelopment());
}

void TCGIStdEngine::EndRequest() {
    THttpEngine::EndRequest();
    if (!AutoTerminate) return;
    t_std.output.reset();
    t_std.input.reset();
    if (!Process().relayServerMode) TerminateCgi();
}

int TCGIStdEngine::GetConnectionHandle() { return 0; }

void TCGIStdEngine::WriteStatusLine() {
    const std::string software = platform::AnsiUpper(GetServerSoftware());
    if (software.find("NETSCAPE") == std::string::npos && software.find("APACHE") == std::string::npos)
        WriteLn("HTTP/1.0 200 OK");
}

void TCGIStdEngine::Write(std::string_view text) {
    THttpEngine::Write(text);
    if (SendsToChannel() && !text.empty() && t_std.output) t_std.output->Write(text);
}

void TCGIStdEngine::WriteBuffer(const void* bytes, std::size_t count) {
    THttpEngine::WriteBuffer(bytes, count);
    if (SendsToChannel() && count > 0 && t_std.output) t_std.output->Write(bytes, count);
}

void TCGIStdEngine::EndHeader() {
    // The blank line goes through Write, which sends it to the output.
    THttpEngine::EndHeader();
}

int TCGIStdEngine::ReadInput(void* buffer, int count) {
    if (!t_std.input || count <= 0) return 0;
    return static_cast<int>(t_std.input->ReadFully(buffer, static_cast<std::size_t>(count)));
}

std::string TCGIStdEngine::GetServerVariable(std::string_view name) {
    std::string variable = platform::AnsiUpper(name);
    std::replace(variable.begin(), variable.end(), ' ', '_');
    if (variable == "EXECUTABLE_PATH") variable = "SCRIPT_NAME";
    if (t_std.relayedEnvironment) return RelayedValue(*t_std.relayedEnvironment, variable);
    return GetEnvVar(variable);
}

std::string TCGIStdEngine::GetFieldValue(std::string_view name, std::string_view defaultValue) {
    return ExtractField(name, t_std.inputData, defaultValue);
}

std::vector<std::string> TCGIStdEngine::GetFieldNames() { return SplitFieldNames(t_std.inputData); }

bool TCGIStdEngine::IsActiveEngine() {
    if (platform::RunsAsLoadedLibrary()) return false;
    return (ServerSoftwareIsSet() || Process().relayServerMode) && !CgiVersionNamesWindows();
}

// ---- Relay server ----------------------------------------------------------

bool TCGIStdEngine::IsOwnRelayedRequest(const std::string& upperName) const {
    return relay::IsStandardRequestName(upperName);
}

void TCGIStdEngine::ServeRelayedRequest(const std::string& requestPath, const std::string& upperName) {
    t_std.requestFileName = requestPath;
    const std::string answerPath = requestPath.substr(0, requestPath.size() - 4) + "_OUT";
    t_std.input =
        std::make_unique<TCgiInput>(platform::FileHandle::Open(requestPath, platform::FileHandle::Mode::Read));
    t_std.output = std::make_unique<TCgiOutput>(
        platform::FileHandle::Open(answerPath, platform::FileHandle::Mode::CreateTruncate));
    t_std.relayedEnvironment = ReadRelayedEnvironment(*t_std.input);
    ProcessRequest();
    // Finish: the streams are closed before the client is told the answer is there.
    t_std.relayedEnvironment.reset();
    t_std.output.reset();
    t_std.input.reset();
    relay::FinishRequest(upperName);
    platform::RemoveFile(requestPath);
}

}  // namespace cgi
