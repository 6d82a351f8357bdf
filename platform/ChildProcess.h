// Starting another program as a child process with a given environment,
// standard input taken from a file and standard output written to a file;
// waiting for it, signalling it and reaping it. Used by the test programs
// that drive CGI requests as a web server would.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace platform {

/// What to start.
struct ChildSpec {
    std::string program;                  ///< path of the program file
    std::vector<std::string> arguments;   ///< after the program name
    std::vector<std::string> environment; ///< the whole environment, "NAME=value" each
    std::string standardInputPath;        ///< empty: /dev/null
    std::string standardOutputPath;       ///< empty: /dev/null
};

/// A started child process. The destructor kills and reaps a child that is
/// still running, so no process outlives its owner. Movable, not copyable.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// Starts the program; throws IoError when it cannot be started.
    static ChildProcess Start(const ChildSpec& launch);

    int Id() const noexcept { return pid_; }
    bool IsRunning() noexcept;

    /// Waits until the child ends, at most `limit`; then kills it. Returns the
    /// exit code, or -1 when it was killed by a signal or had to be killed.
    int Wait(std::chrono::milliseconds limit) noexcept;

    /// Sends SIGTERM (the "close" request) to the child.
    void RequestQuit() noexcept;

private:
    void KillAndReap() noexcept;
    int pid_ = -1;
    int exitCode_ = -1;
};

}  // namespace platform
