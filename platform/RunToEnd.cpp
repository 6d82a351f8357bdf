// fork/execve/waitpid implementation of running a program to its end.
#include "platform/RunToEnd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/File.h"

namespace platform {
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
    Redirection(const std::string& path, int flags)
        : fd_(::open(path.empty() ? "/dev/null" : path.c_str(), flags | O_CLOEXEC, 0644)) {
        if (fd_ < 0) throw IoError("cannot open", path, errno);
    }
    ~Redirection() { ::close(fd_); }
    Redirection(const Redirection&) = delete;
    Redirection& operator=(const Redirection&) = delete;
    int Descriptor() const noexcept { return fd_; }

private:
    int fd_;
};

}  // namespace

int RunProgramToEnd(const ProgramRun& run) {
    if (::access(run.program.c_str(), X_OK) != 0) throw IoError("cannot run", run.program, errno);
    const Redirection input(run.standardInputPath, O_RDONLY);
    const Redirection output(run.standardOutputPath, O_WRONLY | O_CREAT | O_TRUNC);
    std::vector<std::string> argv{run.program};
    argv.insert(argv.end(), run.arguments.begin(), run.arguments.end());
    std::vector<std::string> envp = run.environment;
    std::vector<char*> argPointers = PointersOf(argv);
    std::vector<char*> envPointers = PointersOf(envp);

    const pid_t pid = ::fork();
    if (pid < 0) throw IoError("cannot start", run.program, errno);
    if (pid == 0) {
        // Child: only async-signal-safe calls until execve.
        if (::dup2(input.Descriptor(), 0) < 0 || ::dup2(output.Descriptor(), 1) < 0) ::_exit(126);
        ::execve(run.program.c_str(), argPointers.data(), envPointers.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool MarkExecutable(const std::string& path) noexcept {
    return ::chmod(path.c_str(), 0755) == 0;
}

}  // namespace platform
