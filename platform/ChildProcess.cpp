// fork/exec implementation of child processes.
#include "platform/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/File.h"

namespace platform {
namespace {

std::vector<char*> PointersOf(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

int OpenForChild(const std::string& path, int flags) {
    return ::open(path.empty() ? "/dev/null" : path.c_str(), flags | O_CLOEXEC, 0666);
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

ChildProcess ChildProcess::Start(const ChildSpec& launch) {
    const int input = OpenForChild(launch.standardInputPath, O_RDONLY);
    if (input < 0) throw IoError("cannot open", launch.standardInputPath, errno);
    const int output = OpenForChild(launch.standardOutputPath, O_WRONLY | O_CREAT | O_TRUNC);
    if (output < 0) {
        const int error = errno;
        ::close(input);
        throw IoError("cannot create", launch.standardOutputPath, error);
    }
    std::vector<std::string> argv{launch.program};
    argv.insert(argv.end(), launch.arguments.begin(), launch.arguments.end());
    std::vector<std::string> envp = launch.environment;
    std::vector<char*> argPointers = PointersOf(argv);
    std::vector<char*> envPointers = PointersOf(envp);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(input, STDIN_FILENO);
        ::dup2(output, STDOUT_FILENO);
        ::execve(launch.program.c_str(), argPointers.data(), envPointers.data());
        ::_exit(127);
    }
    const int forkError = errno;
    ::close(input);
    ::close(output);
    if (pid < 0) throw IoError("cannot start", launch.program, forkError);
    ChildProcess child;
    child.pid_ = pid;
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

}  // namespace platform
