// Windows CGI requests from profile files, and the profile-file relay.
#include "cgi/CgiWEng.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <thread>

#include "cgi/CgiRelay.h"
#include "cgi/CgiSEng.h"
#include "cgi/CgiStreams.h"
#include "cgi/HUtils.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/FileTimes.h"
#include "platform/Folders.h"
#include "platform/LocalTime.h"
#include "platform/ProcessInfo.h"
#include "platform/QuitSignals.h"

namespace cgi {
namespace {

constexpr std::size_t kExternalLengthSpan = 10;
constexpr std::size_t kExternalReadSize = 2048;
constexpr std::size_t kOutputPieceSize = 1024;

/// The request values of this thread.
struct WinThreadState {
    std::string profilePath;
    std::unique_ptr<TCGIIniFile> profile;
    std::string outputFileName;
    std::unique_ptr<TCgiOutput> output;
};

thread_local WinThreadState t_win;

/// Process-wide values of the module.
struct WinProcessState {
    bool started = false;
    bool standardEnvironment = false;
    bool relayServerMode = false;
    std::unique_ptr<relay::TServerData> serverData;
};

WinProcessState& Process() {
    static WinProcessState state;
    return state;
}

template <class Integer>
bool ParseInteger(std::string_view text, Integer& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::string ProfileName(std::string_view text) { return TrimBlanks(platform::AnsiUpper(text)); }

// Whether `key` is `base`, "_" and an integer: a continuation of a repeated field.
bool IsContinuationKey(const std::string& key, const std::string& base) {
    if (base.empty() || key.size() <= base.size() + 1 || key.compare(0, base.size(), base) != 0 ||
        key[base.size()] != '_')
        return false;
    long long number = 0;
    return ParseInteger(std::string_view(key).substr(base.size() + 1), number);
}

// Reads the value of a "Form External" entry: "path length"; false on any failure.
bool ReadExternalValue(const std::string& entry, std::string& value) {
    const std::size_t blank = entry.find(' ');
    if (blank == std::string::npos) return false;
    long long length = 0;
    if (!ParseInteger(TrimBlanks(std::string_view(entry).substr(blank, kExternalLengthSpan)), length) || length < 0)
        return false;
    platform::FileHandle file =
        platform::FileHandle::Open(MakeAbsoluteCgiPath(entry.substr(0, blank)), platform::FileHandle::Mode::Read);
    if (!file.IsOpen()) return false;
    // Never more than the file holds, whatever length the profile claims.
    const std::int64_t available = file.Size();
    if (available < 0) return false;
    std::string bytes(static_cast<std::size_t>(std::min<long long>(length, available)), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long long count = file.ReadSome(bytes.data() + done, std::min(kExternalReadSize, bytes.size() - done));
        if (count < 0) return false;
        if (count == 0) break;
        done += static_cast<std::size_t>(count);
    }
    bytes.resize(done);
    value = bytes.substr(0, bytes.find('\0'));
    return true;
}

// ---- Relay client ----------------------------------------------------------

bool SubmitProfileToRelayServer() {
    const std::string serverPath = relay::ServerFileName();
    if (!platform::FileExists(serverPath)) return false;
    const auto& timings = relay::RelayTimings();
    relay::TServerData& data = *Process().serverData;
    for (int attempt = 0; attempt < timings.openAttempts; ++attempt) {
        relay::TRequestRecord record;
        record.status = relay::rsSubmitted;
        record.submitted = platform::LocalNow();
        record.name = platform::AnsiUpper(t_win.profilePath);
        data.requestName = record.name;
        platform::FileHandle serverFile = relay::OpenServerFile(1, timings.submitPause);
        if (serverFile.IsOpen()) return relay::AppendRecord(serverFile, record);
        if (!platform::FileExists(serverPath)) return false;
        std::this_thread::sleep_for(timings.submitPause);
    }
    return false;
}

[[noreturn]] void WaitForRelayedProfile() {
    platform::WatchQuitSignals();
    const auto& timings = relay::RelayTimings();
    const std::string serverPath = relay::ServerFileName();
    const std::string& requestName = Process().serverData->requestName;
    const auto deadline = std::chrono::steady_clock::now() + timings.clientWaitLimit;
    int status = relay::ReadRequestStatus(requestName);
    while (std::chrono::steady_clock::now() < deadline && !platform::QuitSignalReceived()) {
        // A server killed with its window left behind, or whose file has not
        // been touched for the stale age, is gone; a live server touches its
        // file at every poll.
        if (status != relay::rsFinished && (relay::ServerWindowOwnerEnded() || relay::IsStale(serverPath))) {
            platform::RemoveFile(serverPath);
            break;
        }
        if (status == relay::rsFinished || status == relay::rsServerMissing || status == relay::rsUnreadable) break;
        std::this_thread::sleep_for(timings.clientPoll);
        status = relay::ReadRequestStatus(requestName);
    }
    TerminateCgi();
}

}  // namespace

// ---- Profile file ----------------------------------------------------------

TCGIIniFile::TCGIIniFile(const std::string& path) {
    platform::FileHandle file = platform::FileHandle::Open(path, platform::FileHandle::Mode::Read);
    if (!file.IsOpen()) return;
    std::string line;
    char block[8192];
    for (long long count = file.ReadSome(block, sizeof block); count > 0; count = file.ReadSome(block, sizeof block)) {
        for (long long i = 0; i < count; ++i) {
            const char byte = block[i];
            // CR ends a line; a lone LF does too, for profiles written with Unix line ends.
            if (byte == '\r' || byte == '\n') {
                ParseLine(line);
                line.clear();
                continue;
            }
            if (line.empty() && static_cast<unsigned char>(byte) <= 32) continue;
            if (line.size() < kLineBufferSize - 1) line += byte;
        }
    }
    ParseLine(line);
}

void TCGIIniFile::ParseLine(std::string_view line) {
    if (line.empty()) return;
    if (line.front() == '[') {
        std::string_view name = line.substr(1);
        while (!name.empty() && (name.back() == ']' || name.back() == ' ')) name.remove_suffix(1);
        const std::string upperName = ProfileName(name);
        const auto known = std::find(sectionNames_.begin(), sectionNames_.end(), upperName);
        if (known != sectionNames_.end()) {
            currentSection_ = static_cast<int>(known - sectionNames_.begin());
        } else if (sectionNames_.size() < kMaxSections) {
            sectionNames_.push_back(upperName);
            sections_.emplace_back();
            currentSection_ = static_cast<int>(sections_.size()) - 1;
        } else {
            currentSection_ = -1;  // beyond the section limit: its keys are dropped
        }
        return;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals >= kKeySpan || currentSection_ < 0) return;
    std::string key = ProfileName(line.substr(0, equals));
    if (key.empty()) return;
    sections_[static_cast<std::size_t>(currentSection_)][std::move(key)] = TrimBlanks(line.substr(equals + 1));
}

const std::map<std::string, std::string>* TCGIIniFile::FindSection(std::string_view section) const {
    const std::string upperName = ProfileName(section);
    for (std::size_t i = 0; i < sectionNames_.size(); ++i)
        if (sectionNames_[i] == upperName) return &sections_[i];
    return nullptr;
}

std::string TCGIIniFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    if (const auto* table = FindSection(section)) {
        const auto found = table->find(ProfileName(key));
        if (found != table->end()) return found->second;
    }
    return std::string(defaultValue);
}

bool TCGIIniFile::HasKey(std::string_view section, std::string_view key) const {
    const auto* table = FindSection(section);
    return table != nullptr && table->count(ProfileName(key)) != 0;
}

std::vector<std::string> TCGIIniFile::FieldNames() const {
    std::vector<std::string> names;
    std::string lastKept;
    for (std::size_t i = 0; i < sectionNames_.size(); ++i) {
        if (sectionNames_[i].rfind("FORM", 0) != 0) continue;
        for (const auto& [key, value] : sections_[i]) {
            if (IsContinuationKey(key, lastKept)) continue;
            names.push_back(key);
            lastKept = key;
        }
    }
    return names;
}

// ---- Module start-up -------------------------------------------------------

std::string MakeAbsoluteCgiPath(std::string_view path) {
    if (!path.empty() && path.front() == '/') return std::string(path);
    return "/" + std::string(path);
}

bool IsStandardEnvironment() {
    return platform::RunsAsLoadedLibrary() || (!GetEnvVar("SERVER_SOFTWARE").empty() && !CgiVersionNamesWindows());
}

void StartWindowsCgiModule() {
    WinProcessState& process = Process();
    if (process.started) return;
    process.started = true;
    process.standardEnvironment = IsStandardEnvironment();
    if (process.standardEnvironment) return;

    const auto& arguments = platform::ProcessArguments();
    if (!arguments.empty()) t_win.profilePath = MakeAbsoluteCgiPath(arguments.front());
    process.relayServerMode = arguments.empty() && relay::DevelopmentWindowExists();
    process.serverData = std::make_unique<relay::TServerData>();
    const std::string serverPath = relay::ServerFileName();
    if (relay::IsServerFileLeftBehind()) platform::RemoveFile(serverPath);
    if (process.relayServerMode) {
        if (relay::CreateServerFile()) process.serverData->serverFileOwner = true;
        return;
    }
    if (SubmitProfileToRelayServer()) WaitForRelayedProfile();
}

// ---- Engine ----------------------------------------------------------------

TCGIWinEngine::TCGIWinEngine(platform::TComponent* owner, const THttpEngineSettings& settings) : TCgiEngine(owner) {
    StartWindowsCgiModule();
    // A profile process serves one request, so CgiAutoTerminate is not asked.
    AutoTerminate = true;
    NoCache = settings.noCache;
    BufferedOutput = settings.bufferedOutput;
    // Unlike the standard engine, a Windows CGI engine that stays idle (under
    // a standard CGI environment) keeps the default request settings and
    // events: it never serves a request.
    if (IsDesigning() || Process().standardEnvironment || !IsActiveEngine()) return;
    ApplyRequestSettings(settings);
    TakeStartSettings(settings);
    ServeProcess(Process().relayServerMode, relay::RelayTimings().windowsServerPoll);
}

void TCGIWinEngine::DoExecRequest() {
    t_win.profile = std::make_unique<TCGIIniFile>(t_win.profilePath);
    const std::string outputFile = t_win.profile->ReadString("System", "OUTPUT FILE", "");
    if (outputFile.empty()) return;
    t_win.outputFileName = MakeAbsoluteCgiPath(outputFile);
    // The output file is emptied first: a response shorter than an old file's
    // content must not leave the old tail behind.
    t_win.output = std::make_unique<TCgiOutput>(
        platform::FileHandle::Open(t_win.outputFileName, platform::FileHandle::Mode::CreateTruncate));
    try {
        // Here the relay server (not the development flag, as for standard
        // CGI) is what serves more requests: a profile process ends after one.
        RunRequestEvents(!Process().relayServerMode);
    } catch (...) {
        if (AutoTerminate) t_win.output.reset();
        throw;
    }
}

void TCGIWinEngine::EndRequest() {
    THttpEngine::EndRequest();
    t_win.output.reset();
}

std::string TCGIWinEngine::GetCookie() {
    if (!t_win.profile) return std::string(kNotAvailable);
    return t_win.profile->ReadString("EXTRA HEADERS", "COOKIE", kNotAvailable);
}

int TCGIWinEngine::GetConnectionHandle() { return 0; }

void TCGIWinEngine::Write(std::string_view text) {
    THttpEngine::Write(text);
    if (SendsToChannel() && !text.empty() && t_win.output) t_win.output->Write(text);
}

void TCGIWinEngine::WriteBuffer(const void* bytes, std::size_t count) {
    THttpEngine::WriteBuffer(bytes, count);
    if (!SendsToChannel() || !t_win.output) return;
    const auto* data = static_cast<const char*>(bytes);
    for (std::size_t done = 0; done < count; done += kOutputPieceSize)
        t_win.output->Write(data + done, std::min(kOutputPieceSize, count - done));
}

int TCGIWinEngine::ReadInput(void*, int) { return 0; }

void TCGIWinEngine::WriteHeader(std::string_view name, std::string_view value) {
    std::string line(name);
    line += ':';
    line += value;
    line += "\r\n";
    THttpEngine::Write(line);
    if (SendsToChannel() && t_win.output) t_win.output->Write(line);
}

std::string TCGIWinEngine::GetServerVariable(std::string_view name) {
    if (!t_win.profile) return {};
    std::string key = platform::AnsiUpper(name);
    std::replace(key.begin(), key.end(), '_', ' ');
    if (key == "SCRIPT NAME") key = "EXECUTABLE PATH";
    for (std::string_view section : {"CGI", "SYSTEM", "EXTRA HEADERS", "ACCEPT"})
        if (t_win.profile->HasKey(section, key)) return t_win.profile->ReadString(section, key, "");
    return {};
}

bool TCGIWinEngine::LookUpField(const std::string& name, std::string& value) {
    if (GetRequestMethod() == "GET") {
        value = ExtractField(name, GetQueryString(), kNotAvailable);
        return value != kNotAvailable;
    }
    if (!t_win.profile) return false;
    if (t_win.profile->HasKey("Form Literal", name)) {
        value = t_win.profile->ReadString("Form Literal", name, "");
        return true;
    }
    if (t_win.profile->HasKey("Form File", name)) {
        value = t_win.profile->ReadString("Form File", name, "");
        return true;
    }
    if (t_win.profile->HasKey("Form External", name))
        return ReadExternalValue(t_win.profile->ReadString("Form External", name, ""), value);
    return false;
}

std::string TCGIWinEngine::GetFieldValue(std::string_view name, std::string_view defaultValue) {
    if (GetRequestMethod() == "GET") return ExtractField(name, GetQueryString(), defaultValue);
    const std::string fieldName(name);
    std::string value;
    if (!LookUpField(fieldName, value)) return std::string(defaultValue);
    std::string next;
    for (int n = 1; LookUpField(fieldName + "_" + std::to_string(n), next); ++n) {
        value += "\r\n";
        value += next;
    }
    return value;
}

std::vector<std::string> TCGIWinEngine::GetFieldNames() {
    if (GetRequestMethod() != "POST") return SplitFieldNames(GetQueryString());
    return t_win.profile ? t_win.profile->FieldNames() : std::vector<std::string>{};
}

bool TCGIWinEngine::IsActiveEngine() { return !IsStandardEnvironment(); }

// ---- Relay server ----------------------------------------------------------

bool TCGIWinEngine::IsOwnRelayedRequest(const std::string& upperName) const {
    return !relay::IsStandardRequestName(upperName);
}

void TCGIWinEngine::ServeRelayedRequest(const std::string& requestPath, const std::string& upperName) {
    t_win.profilePath = requestPath;
    ProcessRequest();
    relay::FinishRequest(upperName);
}

}  // namespace cgi
