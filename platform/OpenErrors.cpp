// Maps POSIX open errors to the classic file error numbers.
#include "platform/OpenErrors.h"

#include <cerrno>

#include "platform/File.h"

namespace platform {

namespace {

/// The folder part of a path ("." when it names none).
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

int ClassicOpenErrorNumber(int errorNumber, const std::string& path) noexcept {
    switch (errorNumber) {
        case ENOENT: {
            try {
                return DirectoryExists(FolderOf(path)) ? 2 : 3;
            } catch (...) {
                return 2;
            }
        }
        case ENOTDIR: return 3;
        case EMFILE:
        case ENFILE: return 4;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS: return 5;
        default: return 0;
    }
}

}  // namespace platform
