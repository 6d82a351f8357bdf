// POSIX implementation of the path helpers and the working folder.
#include "platform/PathNames.h"

#include <cerrno>
#include <climits>
#include <unistd.h>
#include <vector>

namespace platform {

bool IsAbsolutePath(std::string_view path) noexcept { return !path.empty() && path.front() == '/'; }

std::string DirectoryOf(std::string_view path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string_view::npos) return {};
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}

std::string FileNameOf(std::string_view path) {
    const auto slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ResolveAgainst(std::string_view folder, std::string_view path) {
    if (path.empty() || IsAbsolutePath(path) || folder.empty()) return std::string(path);
    std::string joined(folder);
    if (joined.back() != '/') joined += '/';
    joined += path;
    return joined;
}

std::string CurrentDirectory() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
}

int ChangeDirectory(const std::string& folder) noexcept { return ::chdir(folder.c_str()) == 0 ? 0 : errno; }

std::string ProgramDirectory() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size())
            return DirectoryOf(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform
