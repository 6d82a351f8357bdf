// Server file records, exclusive access with retries, and the work folder.
#include "cgi/CgiRelay.h"

#include <bit>
#include <cstring>
#include <thread>
#include <vector>

#include "cgi/HUtils.h"
#include "cgi/HttpEng.h"
#include "platform/DirectorySearch.h"
#include "platform/FileLocking.h"
#include "platform/FileTimes.h"
#include "platform/Folders.h"
#include "platform/QuitSignals.h"
#include "platform/WindowTitle.h"

namespace cgi::relay {
namespace {

static_assert(std::endian::native == std::endian::little, "records are stored little-endian");

/// Titles of the development environment's windows.
constexpr std::string_view kDevelopmentWindows[] = {"Corvid 3", "Corvid 2.0", "CorvidBuilder"};

std::vector<TRequestRecord> ReadAllRecords(platform::FileHandle& file) {
    std::vector<TRequestRecord> records;
    const std::int64_t size = file.Size();
    if (size <= 0) return records;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    const long long count = file.ReadAt(bytes.data(), bytes.size(), 0);
    if (count <= 0) return records;
    for (std::size_t at = 0; at + kRecordSize <= static_cast<std::size_t>(count); at += kRecordSize)
        records.push_back(DecodeRecord(std::string_view(bytes).substr(at, kRecordSize)));
    return records;
}

}  // namespace

std::string EncodeRecord(const TRequestRecord& record) {
    std::string bytes(kRecordSize, '\0');
    bytes[0] = static_cast<char>(record.status);
    std::memcpy(bytes.data() + kRecordTimeOffset, &record.submitted, sizeof record.submitted);
    const std::size_t nameLength = std::min(record.name.size(), kRecordNameSize - 1);
    std::memcpy(bytes.data() + kRecordNameOffset, record.name.data(), nameLength);
    return bytes;
}

TRequestRecord DecodeRecord(std::string_view bytes) {
    TRequestRecord record;
    if (bytes.size() < kRecordSize) return record;
    record.status = static_cast<std::uint8_t>(bytes[0]);
    std::memcpy(&record.submitted, bytes.data() + kRecordTimeOffset, sizeof record.submitted);
    const std::string_view name = bytes.substr(kRecordNameOffset, kRecordNameSize);
    record.name = std::string(name.substr(0, name.find('\0')));
    return record;
}

TRelayTimings& RelayTimings() {
    static TRelayTimings timings;
    return timings;
}

std::string TempBaseName() {
    // Decided once per process: the folder is created (or found missing) at start.
    static const std::string baseName = [] {
        std::string folder = ModuleDirectory() + "/Temp";
        if (!platform::CreateFolder(folder)) folder = ModuleDirectory();
        return folder + "/" + ModuleName();
    }();
    return baseName;
}

std::string ServerFileName() { return TempBaseName() + "_S"; }

std::string ServerWindowTitle() { return ModuleName() + "_S"; }

platform::TTimer& StartServerPolling(platform::TComponent& engine, std::chrono::milliseconds interval,
                                     std::function<void()> poll) {
    platform::TApplication::Instance().SetWindowTitle(ServerWindowTitle());
    platform::WatchQuitSignals();
    auto& timer = engine.CreateOwned<platform::TTimer>();
    timer.SetInterval(static_cast<int>(interval.count()));
    timer.OnTimer = std::move(poll);
    timer.SetEnabled(true);
    return timer;
}

bool DevelopmentWindowExists() {
    for (std::string_view title : kDevelopmentWindows)
        if (platform::TopLevelWindowExists(std::string(title))) return true;
    return false;
}

bool IsStandardRequestName(std::string_view upperName) {
    const std::size_t at = upperName.find("_REQ");
    return at != std::string_view::npos && at + 4 == upperName.size();
}

bool IsStale(const std::string& path) {
    const auto modified = platform::FileModificationTime(path);
    return modified && platform::FileClock::now() - *modified > RelayTimings().staleAge;
}

bool ServerWindowOwnerEnded() { return platform::TopLevelWindowOwnerEnded(ServerWindowTitle()); }

bool IsServerFileLeftBehind() {
    // Every request touches the file, so under steady traffic its age says
    // nothing; the window of a killed server does. A window this process
    // cannot see (another marker folder) leaves only the age to go by.
    const std::string path = ServerFileName();
    if (!platform::FileExists(path) || platform::TopLevelWindowExists(ServerWindowTitle())) return false;
    return ServerWindowOwnerEnded() || IsStale(path);
}

void DeleteFilesMatching(const std::string& pathPattern) {
    for (const std::string& path : platform::ListMatchingFiles(pathPattern)) platform::RemoveFile(path);
}

platform::FileHandle OpenServerFile(int attempts, std::chrono::milliseconds pause) {
    const std::string path = ServerFileName();
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (!platform::FileExists(path)) return {};
        platform::FileHandle file = platform::OpenExclusive(path, platform::FileHandle::Mode::ReadWrite);
        if (file.IsOpen()) return file;
        std::this_thread::sleep_for(pause);
    }
    return {};
}

bool AppendRecord(platform::FileHandle& serverFile, const TRequestRecord& record) {
    const std::int64_t size = serverFile.Size();
    if (size < 0) return false;
    // A torn record left by a crashed writer is overwritten, keeping records aligned.
    const std::int64_t at = size - size % static_cast<std::int64_t>(kRecordSize);
    const std::string bytes = EncodeRecord(record);
    if (!serverFile.WriteAllAt(bytes.data(), bytes.size(), at)) return false;
    platform::TouchFile(ServerFileName());
    return true;
}

int ReadRequestStatus(const std::string& upperName) {
    const std::string path = ServerFileName();
    if (!platform::FileExists(path)) return rsServerMissing;
    platform::FileHandle file = OpenServerFile(RelayTimings().openAttempts, RelayTimings().openRetryPause);
    if (!file.IsOpen()) {
        if (!platform::FileExists(path)) return rsServerMissing;
        if (IsStale(path)) platform::RemoveFile(path);
        return rsUnreadable;
    }
    for (const TRequestRecord& record : ReadAllRecords(file))
        if (record.name == upperName) return record.status;
    return rsFinished;
}

std::optional<TRequestRecord> TakeNextRequest(const std::function<bool(const std::string&)>& isMine) {
    platform::FileHandle file = OpenServerFile(RelayTimings().openAttempts, RelayTimings().openRetryPause);
    if (!file.IsOpen()) return std::nullopt;
    const std::vector<TRequestRecord> records = ReadAllRecords(file);
    for (std::size_t index = 0; index < records.size(); ++index) {
        TRequestRecord record = records[index];
        if (record.status != rsSubmitted || !isMine(record.name)) continue;
        record.status = rsTaken;
        const char status = static_cast<char>(rsTaken);
        file.WriteAllAt(&status, 1, static_cast<std::int64_t>(index * kRecordSize));
        return record;
    }
    platform::TouchFile(ServerFileName());
    return std::nullopt;
}

void FinishRequest(const std::string& upperName) {
    platform::FileHandle file = OpenServerFile(RelayTimings().openAttempts, RelayTimings().finishOpenPause);
    if (!file.IsOpen()) return;
    std::string kept;
    for (TRequestRecord& record : ReadAllRecords(file)) {
        if (record.name == upperName) record.status = rsFinished;
        if (record.status < rsFinished) kept += EncodeRecord(record);
    }
    // Rewritten under the same exclusive open, so no submission in between is lost.
    if (file.Truncate(0) && !kept.empty()) file.WriteAllAt(kept.data(), kept.size(), 0);
    platform::TouchFile(ServerFileName());
}

bool CreateServerFile(const std::string& leftClientFiles) {
    // The window comes first: a client that finds the file without it takes
    // the file for one left behind and deletes it.
    platform::TApplication::Instance().SetWindowTitle(ServerWindowTitle());
    const std::string path = ServerFileName();
    // Both CGI engines start up in a relay server; the second keeps the file
    // the first made, so no client finds the shown server without its file
    // and no request already written into it is lost.
    static bool madeByThisProcess = false;
    if (madeByThisProcess && platform::FileExists(path)) return true;
    if (platform::FileExists(path)) {
        platform::RemoveFile(path);
        std::this_thread::sleep_for(RelayTimings().serverRestartPause);
    }
    if (!leftClientFiles.empty()) DeleteFilesMatching(leftClientFiles);
    platform::FileHandle file = platform::FileHandle::Open(path, platform::FileHandle::Mode::CreateTruncate);
    if (!file.IsOpen()) {
        WriteLog("Can not create file " + path);
        return false;
    }
    file.Close();
    platform::TouchFile(path);
    madeByThisProcess = true;
    return true;
}

TServerData::TServerData() : serverFileName(ServerFileName()) {}

TServerData::~TServerData() {
    if (serverFileOwner) platform::RemoveFile(serverFileName);
}

}  // namespace cgi::relay
