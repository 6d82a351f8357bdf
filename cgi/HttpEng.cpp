// The request cycle, automatic header, buffering and error log of the engine.
#include "cgi/HttpEng.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>

#include "cgi/HUtils.h"
#include "cgi/RequestBody.h"
#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/File.h"
#include "platform/Folders.h"
#include "platform/LocalTime.h"

namespace cgi {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kHeaderEnd = "\r\n\r\n";
constexpr double kNoCacheDaysBack = 1000.0;

/// The request values that exist once per thread.
struct RequestState {
    THttpEngine* currentEngine = nullptr;
    bool headerSent = false;
    bool statusLineDecided = false;
    int requestNumber = 0;
    std::unique_ptr<std::string> outputBuffer;
    bool directOutput = true;
};

thread_local RequestState t_request;

int DrawRequestNumber() {
    thread_local std::minstd_rand generator(std::random_device{}());
    return static_cast<int>(generator() % 1000);
}

std::string LogFolder() {
    const std::string programFolder = ModuleDirectory();
    std::string folder = platform::EnvironmentValue("CGI_LOG_DIR").value_or("");
    if (folder.empty()) folder = programFolder + "/Log";
    else if (folder.front() != '/') folder = programFolder + "/" + folder;
    if (!platform::CreateFolder(folder)) folder = programFolder;
    return folder;
}

std::string LogTimeStamp() {
    const platform::CivilTime now = platform::DecodeDateTime(platform::LocalNow());
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    return text;
}

}  // namespace

// ---- Module-level --------------------------------------------------------

void WriteLog(std::string_view message) noexcept {
    try {
        const std::string path = BuildFileName(ModuleFileName(), LogFolder(), "Log", ModuleName());
        std::string line = LogTimeStamp();
        line += ",  ";
        line += std::to_string(t_request.requestNumber);
        line += " : ";
        line += message;
        line += kCrLf;
        platform::FileHandle file = platform::FileHandle::Open(path, platform::FileHandle::Mode::Append);
        if (file.IsOpen()) file.WriteAll(line.data(), line.size());
    } catch (...) {
        // Logging never raises.
    }
}

THttpEngine* CurrentHttpEngine() noexcept { return t_request.currentEngine; }

namespace request_state {
int RequestNumber() noexcept { return t_request.requestNumber; }
bool HeaderSent() noexcept { return t_request.headerSent; }
}  // namespace request_state

// ---- Life cycle ------------------------------------------------------------

THttpEngine::THttpEngine(platform::TComponent* owner) : platform::TComponent(owner) {
    if (!IsDesigning()) platform::TApplication::Instance().SetShowMainForm(false);
}

THttpEngine::~THttpEngine() {
    if (t_request.currentEngine == this) t_request.currentEngine = nullptr;
}

void THttpEngine::ApplyRequestSettings(const THttpEngineSettings& settings) {
    AutoReadLimit = settings.autoReadLimit;
    AutoReadInput = settings.autoReadInput;
    AutoContentType = settings.autoContentType;
    AutoHttpHeader = settings.autoHttpHeader;
    DropsUnreadBody = settings.dropsUnreadBody;
    OnRequestError = settings.onRequestError;
    OnLastExecRequest = settings.onLastExecRequest;
    OnExecRequest = settings.onExecRequest;
    OnFirstExecRequest = settings.onFirstExecRequest;
}

void THttpEngine::RunRequestEvents(bool lastEventRuns) {
    if (firstRequest_ && OnFirstExecRequest) {
        firstRequest_ = false;
        OnFirstExecRequest(*this);
    }
    if (DropsUnreadBody) DropUnreadBody(*this, AutoReadLimit);
    if (OnExecRequest) OnExecRequest(*this);
    if (OnLastExecRequest && lastEventRuns) OnLastExecRequest(*this);
}

void THttpEngine::Loaded() {
    platform::TComponent::Loaded();
    if (IsDesigning() || !IsActiveEngine() || Owner() == nullptr) return;
    if (auto* form = dynamic_cast<platform::TForm*>(Owner())) {
        form->SetWindowState(platform::TWindowState::wsMinimized);
        form->Hide();
    }
    MakeCurrent();
}

void THttpEngine::MakeCurrent() noexcept { t_request.currentEngine = this; }

bool THttpEngine::IsDirectOutput() const noexcept { return t_request.directOutput; }

bool THttpEngine::SendsToChannel() const noexcept { return !BufferedOutput || t_request.directOutput; }

void THttpEngine::EndRequest() {}

// ---- Server variables ------------------------------------------------------

std::string THttpEngine::VariableOrSecond(std::string_view name, std::string_view second) {
    std::string value = GetServerVariable(name);
    if (value.empty()) value = GetServerVariable(second);
    return value;
}

std::string THttpEngine::GetServerName() { return GetServerVariable("SERVER NAME"); }
std::string THttpEngine::GetServerSoftware() { return GetServerVariable("SERVER SOFTWARE"); }
std::string THttpEngine::GetGatewayInterface() { return GetServerVariable("GATEWAY INTERFACE"); }
std::string THttpEngine::GetServerProtocol() { return VariableOrSecond("SERVER PROTOCOL", "REQUEST PROTOCOL"); }
std::string THttpEngine::GetServerPort() { return GetServerVariable("SERVER PORT"); }
bool THttpEngine::GetServerPortSecure() { return GetServerVariable("SERVER PORT SECURE") == "1"; }
std::string THttpEngine::GetRequestMethod() { return GetServerVariable("REQUEST METHOD"); }
std::string THttpEngine::GetPathInfo() { return GetServerVariable("PATH INFO"); }
std::string THttpEngine::GetPathTranslated() { return VariableOrSecond("PATH TRANSLATED", "DOCUMENT ROOT"); }
std::string THttpEngine::GetScriptName() { return VariableOrSecond("SCRIPT NAME", "EXECUTABLE PATH"); }

std::string THttpEngine::GetQueryString() {
    std::string value = GetServerVariable("QUERY STRING");
    if (value == kNotAvailable) value.clear();
    return value;
}

std::string THttpEngine::GetRemoteHost() { return GetServerVariable("REMOTE HOST"); }
std::string THttpEngine::GetRemoteAddr() { return VariableOrSecond("REMOTE ADDR", "REMOTE ADDRESS"); }
// The second name is spelled as the servers of the time wrote it.
std::string THttpEngine::GetAuthType() { return VariableOrSecond("AUTH TYPE", "AUTHETICATION METHOD"); }
std::string THttpEngine::GetRemoteUser() { return GetServerVariable("REMOTE USER"); }
std::string THttpEngine::GetRemoteIdent() { return GetServerVariable("REMOTE IDENT"); }
std::string THttpEngine::GetContentType() { return GetServerVariable("CONTENT TYPE"); }

int THttpEngine::GetContentLength() { return ParseContentLength(GetServerVariable("CONTENT LENGTH")).AsInt(); }

std::string THttpEngine::GetUrl() {
    std::string value = GetServerVariable("URL");
    if (value.empty()) value = GetExecutablePath();
    return value;
}

std::string THttpEngine::GetUserAgent() { return VariableOrSecond("HTTP USER AGENT", "USER AGENT"); }
std::string THttpEngine::GetCookie() { return GetServerVariable("HTTP COOKIE"); }
std::string THttpEngine::GetReferer() { return VariableOrSecond("HTTP REFERER", "REFERER"); }
std::string THttpEngine::GetExecutablePath() { return VariableOrSecond("EXECUTABLE PATH", "SCRIPT NAME"); }
int THttpEngine::GetConnectionHandle() { return 0; }

std::string THttpEngine::GetRequestSetting(std::string_view name) {
    return platform::EnvironmentValue(std::string(name)).value_or("");
}

// ---- Output ----------------------------------------------------------------

void THttpEngine::WriteStatusLine() {
    if (platform::AnsiUpper(GetServerSoftware()).find("NETSCAPE") == std::string::npos) WriteLn("HTTP/1.0 200 OK");
}

void THttpEngine::ProduceAutomaticHeader() {
    t_request.headerSent = true;
    WriteHeader("content-type", AutoContentType);
    if (NoCache) {
        WriteHeader("Pragma", "no-cache");
        WriteHeader("Cache-Control", "no-cache");
        WriteHeader("Expires", HttpDate(platform::LocalNow() - kNoCacheDaysBack));
        WriteHeader("Document Expires", HttpDate(platform::LocalNow() - kNoCacheDaysBack));
    }
    EndHeader();
}

void THttpEngine::Write(std::string_view text) {
    if (AutoHttpHeader && !t_request.headerSent && !text.empty() && text.front() == '<') ProduceAutomaticHeader();
    if (BufferedOutput && !t_request.directOutput && !text.empty() && t_request.outputBuffer)
        t_request.outputBuffer->append(text);
}

void THttpEngine::WriteBuffer(const void* bytes, std::size_t count) {
    if (AutoHttpHeader && !t_request.headerSent) {
        WriteHeader("content-type", AutoContentType);
        EndHeader();
        t_request.headerSent = true;
    }
    if (BufferedOutput && !t_request.directOutput && count > 0 && t_request.outputBuffer)
        t_request.outputBuffer->append(static_cast<const char*>(bytes), count);
}

int THttpEngine::ReadInput(void*, int) { return 0; }

void THttpEngine::WriteHeader(std::string_view name, std::string_view value) {
    if (AutoHttpHeader && !t_request.statusLineDecided) {
        t_request.statusLineDecided = true;
        // Any name found inside "LOCATION" counts as the redirection header,
        // which must not follow a status line of its own.
        if (std::string_view("LOCATION").find(platform::AnsiUpper(name)) == std::string_view::npos) WriteStatusLine();
    }
    std::string line(name);
    line += ':';
    line += value;
    line += kCrLf;
    Write(line);
}

void THttpEngine::EndHeader() {
    // Once the header block is closed, no automatic header may follow in the body.
    t_request.headerSent = true;
    WriteLn("");
}

void THttpEngine::WriteLn(std::string_view text) {
    // A line of a results page fits a block on the stack; longer ones take a
    // string. Each call has its own block: Write may write header lines first.
    std::array<char, 512> block;
    if (text.size() + kCrLf.size() <= block.size()) {
        const auto lineEnd = std::copy(text.begin(), text.end(), block.begin());
        std::copy(kCrLf.begin(), kCrLf.end(), lineEnd);
        Write(std::string_view(block.data(), text.size() + kCrLf.size()));
        return;
    }
    std::string line(text);
    line += kCrLf;
    Write(line);
}

// ---- Locks -----------------------------------------------------------------

std::unique_ptr<THttpLock> THttpEngine::CreateLock() { return std::make_unique<THttpLock>(); }
void THttpEngine::Lock(THttpLock* lock) {
    if (lock != nullptr) lock->lock();
}
void THttpEngine::Unlock(THttpLock* lock) {
    if (lock != nullptr) lock->unlock();
}
void THttpEngine::DestroyLock(std::unique_ptr<THttpLock>& lock) { lock.reset(); }

// ---- Request cycle ---------------------------------------------------------

std::vector<std::string> THttpEngine::SplitFieldNames(std::string_view data) { return cgi::SplitFieldNames(data); }

void THttpEngine::ProcessRequest() {
    if (BufferedOutput) {
        t_request.outputBuffer = std::make_unique<std::string>();
        t_request.directOutput = false;
    } else {
        t_request.directOutput = true;
    }
    if (t_request.requestNumber == 0) t_request.requestNumber = DrawRequestNumber();

    try {
        MakeCurrent();
        t_request.headerSent = false;
        t_request.statusLineDecided = false;
        DoExecRequest();
        if (AutoHttpHeader && !t_request.headerSent) {
            WriteHeader("content-type", AutoContentType);
            EndHeader();
            t_request.headerSent = true;
        }
    } catch (const std::exception& error) {
        try {
            if (OnRequestError) OnRequestError(*this, error);
            else WriteLog(std::string("Unhandled exception : ") + error.what());
        } catch (const std::exception& handlerError) {
            // The error handler itself failed: the web server still gets a
            // complete response, and the failure is kept in the log.
            WriteLog(std::string("Unhandled exception : ") + handlerError.what());
        }
    }

    if (BufferedOutput) FlushBufferedOutput();
    t_request.outputBuffer.reset();
    t_request.directOutput = true;
    EndRequest();
    t_request.requestNumber = 0;
}

void THttpEngine::FlushBufferedOutput() {
    try {
        t_request.directOutput = true;
        std::unique_ptr<std::string> buffer = std::move(t_request.outputBuffer);
        if (!buffer) return;
        const std::string& content = *buffer;
        if (AutoHttpHeader) {
            // The header block ends at the first blank line before any zero byte.
            const std::string_view searched(content.data(), std::min(content.find('\0'), content.size()));
            const std::size_t end = searched.find(kHeaderEnd);
            if (end != std::string_view::npos) {
                const std::size_t bodyStart = end + kHeaderEnd.size();
                const std::size_t bodyLength = content.size() - bodyStart;
                WriteBuffer(content.data(), end + kCrLf.size());
                WriteHeader("content-length", std::to_string(bodyLength));
                EndHeader();
                WriteBuffer(content.data() + bodyStart, bodyLength);
                return;
            }
        }
        WriteBuffer(content.data(), content.size());
    } catch (const std::exception& error) {
        WriteLog(std::string("Unhandled exception : ") + error.what());
    }
}

}  // namespace cgi
