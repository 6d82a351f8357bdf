// The development relay's shared parts: the work folder and its file names,
// the server file of 268-byte request records with its exclusive access and
// retries, liveness by the server window and modification time, and the
// relay's timings.
// Both the standard CGI and the Windows CGI relay use them.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Component.h"
#include "platform/File.h"
#include "platform/LocalTime.h"
#include "platform/Timer.h"

namespace cgi::relay {

/// Status byte of a request record.
enum TRequestStatus : std::uint8_t {
    rsSubmitted = 0,      ///< waiting for the server
    rsTaken = 1,          ///< the server is serving it
    rsFinished = 2,       ///< answered (also: the record is gone from the file)
    rsServerMissing = 3,  ///< read status only: the server file does not exist
    rsUnreadable = 4,     ///< read status only: the server file could not be opened
};

inline constexpr std::size_t kRecordSize = 268;
inline constexpr std::size_t kRecordNameOffset = 12;
inline constexpr std::size_t kRecordNameSize = 256;  ///< with its zero terminator
inline constexpr std::size_t kRecordTimeOffset = 4;

/// One request record of the server file.
struct TRequestRecord {
    std::uint8_t status = rsSubmitted;
    platform::DateTime submitted = 0;  ///< local time of submission
    std::string name;                  ///< upper case, at most 255 bytes
};

/// Encodes a record as its 268 bytes (little-endian double, zero-padded name).
std::string EncodeRecord(const TRequestRecord& record);
/// Decodes 268 bytes into a record.
TRequestRecord DecodeRecord(std::string_view bytes);

/// Waiting times and retry counts of the relay. The defaults are the
/// product's; test programs may shorten them before anything runs.
struct TRelayTimings {
    std::chrono::milliseconds standardServerPoll{50};
    std::chrono::milliseconds windowsServerPoll{60};
    std::chrono::milliseconds clientPoll{100};
    std::chrono::milliseconds clientWaitLimit{180'000};
    std::chrono::milliseconds staleAge{30'000};
    std::chrono::milliseconds submitPause{50};
    std::chrono::milliseconds openRetryPause{100};
    std::chrono::milliseconds finishOpenPause{50};
    std::chrono::milliseconds staleRemovalPause{300};
    std::chrono::milliseconds serverRestartPause{200};
    int openAttempts = 11;
};

/// The process's relay timings.
TRelayTimings& RelayTimings();

/// The work folder's base name: the program's folder + "/Temp" (created when
/// missing; the program's folder itself when it cannot be), "/", and the
/// program file's name.
std::string TempBaseName();
/// The server file: TempBaseName() + "_S".
std::string ServerFileName();
/// The title of a relay server's window: the program file's name + "_S".
std::string ServerWindowTitle();

/// Turns this process into a relay server: takes the server window title,
/// watches for quit signals and starts a timer, owned by `engine`, that calls
/// `poll` every `interval`. Returns the timer so the engine can pause it.
platform::TTimer& StartServerPolling(platform::TComponent& engine, std::chrono::milliseconds interval,
                                     std::function<void()> poll);
/// Whether a development environment's window is open.
bool DevelopmentWindowExists();

/// Whether the name's first "_REQ" is at its end (a standard CGI request).
bool IsStandardRequestName(std::string_view upperName);

/// Whether the file exists and was last modified longer ago than the stale age.
bool IsStale(const std::string& path);

/// Whether the last relay server of this program ended without taking its
/// window away (it was killed): its window's marker has no live owner.
bool ServerWindowOwnerEnded();
/// Whether the server file exists while no relay server's window does, and
/// it was either left by a server that ended without taking its window
/// away, whatever its age, or has gone stale. A running server shows its
/// window before it creates the file.
bool IsServerFileLeftBehind();

/// Deletes every file matching a wildcard path.
void DeleteFilesMatching(const std::string& pathPattern);

/// Opens the server file exclusively for reading and writing, trying
/// `attempts` times with `pause` between; a closed handle when all failed.
platform::FileHandle OpenServerFile(int attempts, std::chrono::milliseconds pause);

/// Appends a record at the end of the open server file and touches it.
bool AppendRecord(platform::FileHandle& serverFile, const TRequestRecord& record);

/// The status of the request `upperName`: rsServerMissing without server
/// file; rsFinished when no record names it; rsUnreadable when the file
/// could not be opened (it is then deleted when stale); else the record's.
int ReadRequestStatus(const std::string& upperName);

/// Takes the first submitted record for which `isMine` holds: marks it
/// rsTaken in place and returns it. Without one, touches the server file
/// (keeping it fresh for waiting clients) and returns nullopt.
std::optional<TRequestRecord> TakeNextRequest(const std::function<bool(const std::string&)>& isMine);

/// Marks the request finished and rewrites the server file with only the
/// records still waiting or being served; touches it.
void FinishRequest(const std::string& upperName);

/// Shows the server window, then recreates the server file empty for a
/// starting relay server; logs "Can not create file " and its name on
/// failure. True on success. The files matching `leftClientFiles` (a path
/// pattern; none when empty) are deleted before the server file appears:
/// once it is there, clients submit requests whose files must stay.
bool CreateServerFile(const std::string& leftClientFiles = {});

/// The relay's per-process record of its own part.
struct TServerData {
    TServerData();
    TServerData(const TServerData&) = delete;
    TServerData& operator=(const TServerData&) = delete;
    /// Deletes the server file when this process created it.
    ~TServerData();

    bool serverFileOwner = false;  ///< this process created the server file
    std::string requestName;       ///< upper-cased name this process submitted
    std::string serverFileName;    ///< the server file, named once at creation
};

}  // namespace cgi::relay
