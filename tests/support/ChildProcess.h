// Starting another program as a child process with a given environment,
// standard input taken from a file and standard output written to a file,
// as a web server starts a CGI program. Two ways to wait for it: a started
// ChildProcess is polled, signalled and reaped (the CGI tests), while
// RunProgramToEnd blocks until the child has ended, with no polling in
// between, so that the time a caller measures around it is the child's whole
// life (the CGI benchmarks).
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace tarvo_test {

/// One run of a program: what to start and where its standard streams go.
struct ProgramRun {
    std::string program;                   ///< path of the program file
    std::vector<std::string> arguments;    ///< after the program name
    std::vector<std::string> environment;  ///< the whole environment, "NAME=value" each
    std::string standardInputPath;         ///< empty: /dev/null
    std::string standardOutputPath;        ///< empty: /dev/null
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

    /// Starts the program; throws platform::IoError when a redirection file
    /// cannot be opened or no process can be made. A program that cannot be
    /// executed ends at once with exit code 127.
    static ChildProcess Start(const ProgramRun& launch);

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

/// Starts the program and waits until it has ended. Returns its exit code, or
/// -1 when a signal ended it. Throws platform::IoError when it cannot be
/// started (the program file missing or not executable, a redirection file
/// not openable).
int RunProgramToEnd(const ProgramRun& run);

/// Gives the file the permissions of a program (rwxr-xr-x); false on failure.
bool MarkExecutable(const std::string& path) noexcept;

}  // namespace tarvo_test
