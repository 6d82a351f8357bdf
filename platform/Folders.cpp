// POSIX implementation of folder creation and letter-case resolution.
#include "platform/Folders.h"

#include <dirent.h>
#include <memory>
#include <sys/stat.h>

#include "platform/CodePage.h"

namespace platform {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};
using DirPointer = std::unique_ptr<DIR, DirCloser>;

}  // namespace

bool CreateFolder(const std::string& path) noexcept {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ResolvePathIgnoringCase(const std::string& path) {
    struct stat info {};
    if (path.empty() || path.front() != '/' || ::stat(path.c_str(), &info) == 0) return path;
    std::string resolved;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        const std::string exact = resolved + "/" + part;
        if (::stat(exact.c_str(), &info) == 0) {
            resolved = exact;
            continue;
        }
        DirPointer dir(::opendir(resolved.empty() ? "/" : resolved.c_str()));
        if (!dir) return path;
        std::string match;
        while (const dirent* item = ::readdir(dir.get())) {
            if (AsciiEqualsIgnoreCase(item->d_name, part)) {
                match = item->d_name;
                break;
            }
        }
        if (match.empty()) return path;
        resolved += "/" + match;
    }
    return resolved.empty() ? path : resolved;
}

}  // namespace platform
