// FastCGI requests through libfcgi: the server start, the workers' accept
// loop, and one request's input, output and abort.
#include "cgi/FcgiEng.h"

#include <fcgiapp.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "cgi/HUtils.h"
#include "cgi/RequestBody.h"
#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/ProcessInfo.h"
#include "platform/ServerSocket.h"

namespace cgi {
namespace {

/// The page goes to libfcgi in pieces of this size; before each the engine
/// looks whether the web server aborted the request.
constexpr std::size_t kPageChunk = 65536;
/// A worker keeps the blocks of its page and form data between requests
/// unless a request made them larger than this.
constexpr std::size_t kKeptBlockCapacity = 1u << 20;
/// The longest "--timeout" in seconds (a day).
constexpr int kMaxTimeLimitSeconds = 86400;
/// Passed to libfcgi as the listening socket: the workers accept the
/// connections themselves, so libfcgi must never accept one.
constexpr int kNoListeningSocket = -1;

// The record header of the protocol, as far as the abort check reads it.
constexpr std::size_t kRecordHeaderSize = 8;
constexpr unsigned char kProtocolVersion = 1;
constexpr unsigned char kAbortRequestType = 2;

struct FastCgiProcess {
    bool started = false;
    bool server = false;
    TFastCgiStart start;
};

FastCgiProcess& Process() {
    static FastCgiProcess process;
    return process;
}

/// A web server sets at least one of these for a CGI request; then the
/// arguments are the client's words, never a server start.
bool InsideCgiRequest() {
    for (const char* name : {"SERVER_SOFTWARE", "GATEWAY_INTERFACE", "REQUEST_METHOD", "QUERY_STRING"}) {
        if (!platform::EnvironmentValue(name).value_or("").empty()) return true;
    }
    return false;
}

int DefaultWorkers() {
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, static_cast<unsigned>(kMaxWorkers)));
}

int OptionNumber(const std::string& option, const std::string& text, int largest) {
    int value = 0;
    std::size_t used = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < 1 || value > largest)
        throw std::invalid_argument(option + " takes a number from 1 to " + std::to_string(largest) + ", not \"" +
                                    text + "\"");
    return value;
}

bool IsServerOption(const std::string& argument) { return argument == "--workers" || argument == "--timeout"; }

void ReadServerOptions(const std::vector<std::string>& arguments, std::size_t first, TFastCgiStart& start) {
    for (std::size_t at = first; at < arguments.size(); at += 2) {
        const std::string& option = arguments[at];
        if (!IsServerOption(option)) throw std::invalid_argument("unknown option \"" + option + "\"");
        if (at + 1 >= arguments.size()) throw std::invalid_argument(option + " needs a value");
        if (option == "--workers") start.workers = OptionNumber(option, arguments[at + 1], kMaxWorkers);
        else start.timeLimit = std::chrono::seconds(OptionNumber(option, arguments[at + 1], kMaxTimeLimitSeconds));
    }
}

/// Whether the bytes waiting on the connection hold an abort of request
/// `requestId`, or the web server closed the connection. The records that
/// libfcgi has not read yet are walked header by header (an empty stdin
/// record usually comes first).
bool AbortWaiting(int connection, int requestId) {
    std::array<unsigned char, 4096> waiting;
    const long long count = platform::PeekWaitingBytes(connection, waiting.data(), waiting.size());
    if (count == 0) return true;
    if (count < 0) return false;
    const auto size = static_cast<std::size_t>(count);
    for (std::size_t at = 0; at + kRecordHeaderSize <= size;) {
        const unsigned char* header = waiting.data() + at;
        if (header[0] != kProtocolVersion) return false;
        const int id = header[2] << 8 | header[3];
        if (header[1] == kAbortRequestType && id == requestId) return true;
        at += kRecordHeaderSize + static_cast<std::size_t>(header[4] << 8 | header[5]) + header[6];
    }
    return false;
}

void KeepBlockSmall(std::string& block) {
    block.clear();
    if (block.capacity() > kKeptBlockCapacity) block.shrink_to_fit();
}

/// One worker: accepts connections until the acceptor stops, and answers
/// the one request of each. A connection is closed after its request, so an
/// idle connection a web server keeps never holds a worker.
void ServeConnections(TFCGIEngine& engine, platform::ConnectionAcceptor& acceptor, std::chrono::seconds timeLimit) {
    engine.MakeCurrent();
    FCGX_Request request;
    FCGX_InitRequest(&request, kNoListeningSocket, 0);
    for (;;) {
        platform::SocketHandle connection = acceptor.Accept();
        if (!connection.IsOpen()) break;
        // The limits hold from the first byte, while libfcgi reads the
        // request's variables, until the last byte of the page.
        platform::SetConnectionTimeLimits(connection.Descriptor(), timeLimit);
        // libfcgi reads the next request from a connection it holds open.
        request.ipcFd = connection.Release();
        request.keepConnection = 1;
        // Closed at once, without libfcgi's lingering wait for the web server
        // to close first, which a client trickling bytes could stretch
        // without end: the input has been read to its end by then.
        request.detached = 1;
        try {
            if (FCGX_Accept_r(&request) == 0) {
                engine.ServeRequest(request);
                request.detached = 1;
                FCGX_Finish_r(&request);
            }
        } catch (const std::exception& error) {
            WriteLog(std::string("Unhandled exception : ") + error.what());
        }
        request.detached = 1;
        if (request.ipcFd >= 0) FCGX_Free(&request, 1);
    }
}

[[noreturn]] void EndWithMessage(const std::string& message, int exitCode) {
    std::fprintf(stderr, "%s: %s\n", ModuleName().c_str(), message.c_str());
    platform::ExitProcessNow(exitCode);
}

}  // namespace

// ---- Module start-up -------------------------------------------------------

bool ReadFastCgiStart(const std::vector<std::string>& arguments, TFastCgiStart& start) {
    std::size_t options = 0;
    if (!arguments.empty() && arguments.front() == "--fastcgi") {
        if (InsideCgiRequest()) return false;
        if (arguments.size() < 2 || arguments[1].empty())
            throw std::invalid_argument("--fastcgi needs an address: a Unix socket path or HOST:PORT");
        start.address = arguments[1];
        options = 2;
    } else {
        int handed = platform::ActivatedSocket();
        if (handed < 0 && platform::IsListeningSocket(0)) handed = 0;
        if (handed < 0) return false;
        if (!arguments.empty() && !IsServerOption(arguments.front())) return false;
        start.handedSocket = handed;
    }
    start.workers = DefaultWorkers();
    ReadServerOptions(arguments, options, start);
    return true;
}

void StartFastCgiModule() {
    FastCgiProcess& process = Process();
    if (process.started) return;
    process.started = true;
    if (platform::RunsAsLoadedLibrary()) return;
    try {
        process.server = ReadFastCgiStart(platform::ProcessArguments(), process.start);
    } catch (const std::invalid_argument& error) {
        EndWithMessage(std::string(error.what()) + "\nusage: " + ModuleName() +
                           " --fastcgi ADDRESS [--workers N] [--timeout SECONDS]",
                       2);
    }
}

bool IsFastCgiServer() { return Process().server; }

// ---- Engine ----------------------------------------------------------------

TFCGIEngine::TFCGIEngine(platform::TComponent* owner, const THttpEngineSettings& settings) : THttpEngine(owner) {
    StartFastCgiModule();
    BufferedOutput = settings.bufferedOutput;
    NoCache = settings.noCache;
    ApplyRequestSettings(settings);
    if (IsDesigning() || !IsActiveEngine()) return;
    RunServer(settings);
}

TFCGIEngine::TFCGIEngine(const THttpEngineSettings& settings, bool) : THttpEngine(nullptr) {
    BufferedOutput = settings.bufferedOutput;
    NoCache = settings.noCache;
    ApplyRequestSettings(settings);
}

TFCGIEngine::~TFCGIEngine() = default;

void TFCGIEngine::RunServer(const THttpEngineSettings& settings) {
    const TFastCgiStart& start = Process().start;
    platform::SocketHandle opened;
    platform::SocketFile socketFile;
    int listening = start.handedSocket;
    try {
        // Held before the socket takes connections: a stop that comes as soon
        // as a client can see the server is still a stop in order.
        platform::HoldStopSignals();
        if (listening < 0) {
            opened = platform::ListenOn(start.address, &socketFile);
            listening = opened.Descriptor();
        }
        if (FCGX_Init() != 0) EndWithMessage("the FastCGI library cannot start", 1);
        platform::ConnectionAcceptor acceptor(listening);
        std::vector<std::unique_ptr<TFCGIEngine>> engines;
        std::vector<std::thread> workers;
        for (int i = 0; i < start.workers; ++i) {
            engines.push_back(std::unique_ptr<TFCGIEngine>(new TFCGIEngine(settings, false)));
            workers.emplace_back(ServeConnections, std::ref(*engines.back()), std::ref(acceptor), start.timeLimit);
        }
        platform::WaitForStopSignal();
        // New connections fail from here; the ones a web server has already
        // made are answered before the workers end.
        platform::RemoveSocketFile(socketFile);
        acceptor.Stop();
        for (std::thread& worker : workers) worker.join();
    } catch (const std::exception& error) {
        EndWithMessage(error.what(), 1);
    }
    TerminateCgi();
}

void TFCGIEngine::ServeRequest(FCGX_Request& request) {
    request_ = &request;
    aborted_ = false;
    ProcessRequest();
    DrainInput();
    if (!RequestAborted()) SendPage();
    KeepBlockSmall(page_);
    KeepBlockSmall(inputData_);
    request_ = nullptr;
}

void TFCGIEngine::DrainInput() {
    // Reading the input to its end lets libfcgi see what the web server sent
    // after it: an abort of this request, or a second request on the same
    // connection, which libfcgi refuses (it cannot multiplex).
    std::array<char, 4096> sink;
    long long left = kMaxDroppedBody;
    while (left > 0 && !FCGX_HasSeenEOF(request_->in) && FCGX_GetError(request_->in) == 0) {
        const int got = FCGX_GetStr(sink.data(), static_cast<int>(sink.size()), request_->in);
        if (got <= 0) break;
        left -= got;
    }
}

void TFCGIEngine::SendPage() {
    for (std::size_t at = 0; at < page_.size(); at += kPageChunk) {
        if (RequestAborted()) return;
        const int count = static_cast<int>(std::min(kPageChunk, page_.size() - at));
        if (FCGX_PutStr(page_.data() + at, count, request_->out) != count) {
            aborted_ = true;
            return;
        }
    }
}

bool TFCGIEngine::RequestAborted() {
    if (aborted_ || request_ == nullptr) return aborted_;
    aborted_ = FCGX_GetError(request_->in) != 0 || AbortWaiting(request_->ipcFd, request_->requestId);
    return aborted_;
}

void TFCGIEngine::ReadRequestInput() {
    const long long length = BodyLengthForReadLimit(GetServerVariable("CONTENT_LENGTH"));
    if (length <= 0) {
        inputData_ = GetQueryString();
        return;
    }
    if (length > AutoReadLimit) {
        WriteLog("Content length exceeds AutoReadLimit");
        return;
    }
    if (!AutoReadInput || IsMultipartFormData(GetServerVariable("CONTENT_TYPE"))) return;
    std::string body(static_cast<std::size_t>(length), '\0');
    body.resize(static_cast<std::size_t>(ReadInput(body.data(), static_cast<int>(length))));
    inputData_.assign(body, 0, body.find('\0'));
}

void TFCGIEngine::DoExecRequest() {
    inputData_.clear();
    ReadRequestInput();
    // A server answers requests until it is stopped: none is the last.
    RunRequestEvents(false);
}

void TFCGIEngine::WriteStatusLine() {}

void TFCGIEngine::Write(std::string_view text) {
    THttpEngine::Write(text);
    if (SendsToChannel()) page_.append(text);
}

void TFCGIEngine::WriteBuffer(const void* bytes, std::size_t count) {
    THttpEngine::WriteBuffer(bytes, count);
    if (SendsToChannel()) page_.append(static_cast<const char*>(bytes), count);
}

int TFCGIEngine::ReadInput(void* buffer, int count) {
    if (request_ == nullptr || count <= 0) return 0;
    auto* bytes = static_cast<char*>(buffer);
    int done = 0;
    while (done < count) {
        const int got = FCGX_GetStr(bytes + done, count - done, request_->in);
        if (got <= 0) break;
        done += got;
    }
    return done;
}

std::string TFCGIEngine::GetServerVariable(std::string_view name) {
    std::string variable = platform::AnsiUpper(name);
    std::replace(variable.begin(), variable.end(), ' ', '_');
    if (variable == "EXECUTABLE_PATH") variable = "SCRIPT_NAME";
    if (request_ == nullptr) return {};
    const char* value = FCGX_GetParam(variable.c_str(), request_->envp);
    return value != nullptr ? std::string(value) : std::string();
}

std::string TFCGIEngine::GetRequestSetting(std::string_view name) {
    if (request_ != nullptr) {
        if (const char* value = FCGX_GetParam(std::string(name).c_str(), request_->envp)) return value;
    }
    return THttpEngine::GetRequestSetting(name);
}

std::string TFCGIEngine::GetFieldValue(std::string_view name, std::string_view defaultValue) {
    return ExtractField(name, inputData_, defaultValue);
}

std::vector<std::string> TFCGIEngine::GetFieldNames() { return SplitFieldNames(inputData_); }

bool TFCGIEngine::IsActiveEngine() { return IsFastCgiServer() && !platform::RunsAsLoadedLibrary(); }

}  // namespace cgi
