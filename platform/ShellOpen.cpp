// Starting the desktop opener without waiting for it.
#include "platform/ShellOpen.h"

#include <cerrno>
#include <cstdlib>
#include <spawn.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {

namespace {

constexpr int kStarted = 42;

bool IsExecutable(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

/// The opener's full path, searched on PATH when the name has no '/'.
std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return IsExecutable(name) ? name : std::string{};
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const auto colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        std::string candidate;
        candidate.reserve(folder.size() + name.size() + 2);
        candidate.append(folder.empty() ? std::string_view(".") : folder);
        candidate.push_back('/');
        candidate.append(name);
        if (IsExecutable(candidate)) return candidate;
        if (colon == std::string_view::npos) return {};
        folders.remove_prefix(colon + 1);
    }
}

}  // namespace

int ShellOpen(const std::string& address, const std::string& opener) {
    const std::string program = FindProgram(opener);
    if (program.empty()) return kShellNoAssociation;
    // A short-lived shell starts the opener in the background and ends, so
    // the opener never waits on this process and leaves no zombie behind.
    const std::string script = "\"$0\" \"$1\" >/dev/null 2>&1 </dev/null &";
    std::vector<char*> argv = {const_cast<char*>("sh"),
                               const_cast<char*>("-c"),
                               const_cast<char*>(script.c_str()),
                               const_cast<char*>(program.c_str()),
                               const_cast<char*>(address.c_str()),
                               nullptr};
    pid_t child = 0;
    const int error = ::posix_spawn(&child, "/bin/sh", nullptr, nullptr, argv.data(), environ);
    if (error != 0) return error <= 32 ? error : 32;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 32;
    return kStarted;
}

}  // namespace platform
