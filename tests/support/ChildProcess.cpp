// fork/execve/waitpid implementation of child processes.
#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/File.h"

namespace tarvo_test {
namespace {

std::vector<char*> PointersOf(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (auto& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

/// An open descriptor for the child's standard input or output.
class Redirection {
public:
    Redirection(const std::string& path, int flags, const char* operation)
        : fd_(::open(path.empty() ? "/dev/null" : path.c_str(), flags | O_CLOEXEC, 0644)) {
        if (fd_ < 0) throw platform::IoError(operation, path, errno);
    }
    ~Redirection() { ::close(fd_); }
    Redirection(const Redirection&) = delete;
    Redirection& operator=(const Redirection&) = delete;
    int Descriptor() const noexcept { return fd_; }

private:
    int fd_;
};

/// Forks and executes the program with its streams redirected; returns the
/// child's process id.
pid_t Spawn(const ProgramRun& run) {
    const Redirection input(run.standardInputPath, O_RDONLY, "cannot open");
    const Redirection output(run.standardOutputPath, O_WRONLY | O_CREAT | O_TRUNC, "cannot create");
    std::vector<std::string> argv{run.program};
    argv.insert(argv.end(), run.arguments.begin(), run.arguments.end());
    std::vector<std::string> envp = run.environment;
    std::vector<char*> argPointers = PointersOf(argv);
    std::vector<char*> envPointers = PointersOf(envp);

    const pid_t pid = ::fork();
    if (pid < 0) throw platform::IoError("cannot start", run.program, errno);
    if (pid == 0) {
        // Child: only async-signal-safe calls until execve.
        if (::dup2(input.Descriptor(), STDIN_FILENO) < 0 || ::dup2(output.Descriptor(), STDOUT_FILENO) < 0)
            ::_exit(126);
        ::execve(run.program.c_str(), argPointers.data(), envPointers.data());
        ::_exit(127);
    }
    return pid;
}

int DecodeStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace

ChildProcess::~ChildProcess() { KillAndReap(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : pid_(other.pid_), exitCode_(other.exitCode_) {
    other.pid_ = -1;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        KillAndReap();
        pid_ = other.pid_;
        exitCode_ = other.exitCode_;
        other.pid_ = -1;
    }
    return *this;
}

ChildProcess ChildProcess::Start(const ProgramRun& launch) {
    ChildProcess child;
    child.pid_ = Spawn(launch);
    return child;
}

bool ChildProcess::IsRunning() noexcept {
    if (pid_ <= 0) return false;
    int status = 0;
    const pid_t result = ::waitpid(pid_, &status, WNOHANG);
    if (result == pid_) {
        exitCode_ = DecodeStatus(status);
        pid_ = -1;
        return false;
    }
    return result == 0;
}

int ChildProcess::Wait(std::chrono::milliseconds limit) noexcept {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (IsRunning()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            KillAndReap();
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return exitCode_;
}

void ChildProcess::RequestQuit() noexcept {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
}

void ChildProcess::KillAndReap() noexcept {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    exitCode_ = -1;
}

int RunProgramToEnd(const ProgramRun& run) {
    if (::access(run.program.c_str(), X_OK) != 0) throw platform::IoError("cannot run", run.program, errno);
    const pid_t pid = Spawn(run);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return DecodeStatus(status);
}

bool MarkExecutable(const std::string& path) noexcept { return ::chmod(path.c_str(), 0755) == 0; }

}  // namespace tarvo_test
