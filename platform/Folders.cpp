// POSIX implementation of folder creation and wildcard folder search.
#include "platform/Folders.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

#include "platform/CodePage.h"
#include "platform/DirectorySearch.h"

namespace platform {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};
using DirPointer = std::unique_ptr<DIR, DirCloser>;

void SplitPattern(const std::string& pathPattern, std::string& folder, std::string& pattern) {
    const std::size_t slash = pathPattern.rfind('/');
    if (slash == std::string::npos) {
        folder.assign(1, '.');
        pattern = pathPattern;
        return;
    }
    folder = pathPattern.substr(0, slash == 0 ? 1 : slash);
    pattern = pathPattern.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder == "/") return "/" + name;
    return folder + "/" + name;
}

}  // namespace

bool CreateFolder(const std::string& path) noexcept {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> ListMatchingFiles(const std::string& pathPattern) {
    std::string folder, pattern;
    SplitPattern(pathPattern, folder, pattern);
    std::vector<std::string> paths;
    DirPointer dir(::opendir(folder.c_str()));
    if (!dir) return paths;
    while (const dirent* item = ::readdir(dir.get())) {
        const std::string name = item->d_name;
        if (name == "." || name == ".." || !WildcardMatch(pattern, name)) continue;
        const std::string path = JoinPath(folder, name);
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) paths.push_back(path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

int FindFirstMatch(const std::string& pathPattern, bool includeFolders, FolderEntry& entry) {
    std::string folder, pattern;
    SplitPattern(pathPattern, folder, pattern);
    DirPointer dir(::opendir(folder.c_str()));
    if (!dir) return errno != 0 ? errno : ENOENT;
    while (const dirent* item = ::readdir(dir.get())) {
        const std::string name = item->d_name;
        if (name == "." || name == ".." || !WildcardMatch(pattern, name)) continue;
        struct stat info {};
        if (::stat(JoinPath(folder, name).c_str(), &info) != 0) continue;
        const bool isFolder = S_ISDIR(info.st_mode);
        if (isFolder && !includeFolders) continue;
        entry.name = name;
        entry.size = static_cast<long long>(info.st_size);
        entry.modified = FileClock::time_point(std::chrono::duration_cast<FileClock::duration>(
            std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec)));
        entry.isFolder = isFolder;
        return 0;
    }
    return ENOENT;
}

}  // namespace platform

namespace platform {

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
