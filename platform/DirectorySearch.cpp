// POSIX directory search with Windows-style wildcard patterns.
#include "platform/DirectorySearch.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

#include "platform/CodePage.h"

namespace platform {

namespace {

struct DirectoryCloser {
    void operator()(DIR* directory) const noexcept { ::closedir(directory); }
};
using Directory = std::unique_ptr<DIR, DirectoryCloser>;

enum class HiddenNames { Skip, Include };

/// Calls `visit(name, info)` for every entry of `folder` whose name matches
/// `pattern` and whose status can be read (a symbolic link gives the status
/// of what it names), in the order the system lists them, until `visit`
/// returns false. "." and ".." never match. Returns 0, or the errno value of
/// a folder that cannot be opened.
template <typename Visit>
int ForEachMatch(const std::string& folder, std::string_view pattern, HiddenNames hidden, Visit visit) {
    Directory directory(::opendir(folder.c_str()));
    if (!directory) return errno != 0 ? errno : ENOENT;
    std::string path = folder;
    if (path.back() != '/') path.push_back('/');
    const std::size_t nameStart = path.size();
    while (const dirent* item = ::readdir(directory.get())) {
        const std::string_view name = item->d_name;
        if (name == "." || name == "..") continue;
        if (hidden == HiddenNames::Skip && name.front() == '.') continue;
        if (!WildcardMatch(pattern, name)) continue;
        path.resize(nameStart);
        path.append(name);
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) continue;
        if (!visit(name, info)) break;
    }
    return 0;
}

/// Splits "folder/pattern" at its last '/'; no '/' means the working folder.
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

std::string JoinPath(const std::string& folder, std::string_view name) {
    if (folder == "/") return "/" + std::string(name);
    return folder + "/" + std::string(name);
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) noexcept {
    if (pattern == "*.*") pattern = "*";
    std::size_t p = 0, n = 0;
    std::size_t starAt = std::string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || AsciiUpperChar(pattern[p]) == AsciiUpperChar(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> FindMatchingFiles(const std::string& folder, std::string_view pattern) {
    std::vector<std::string> names;
    ForEachMatch(folder.empty() ? "." : folder, pattern, HiddenNames::Skip,
                 [&names](std::string_view name, const struct stat& info) {
                     if (S_ISREG(info.st_mode)) names.emplace_back(name);
                     return true;
                 });
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ListMatchingFiles(const std::string& pathPattern) {
    std::string folder, pattern;
    SplitPattern(pathPattern, folder, pattern);
    std::vector<std::string> paths;
    ForEachMatch(folder, pattern, HiddenNames::Include, [&](std::string_view name, const struct stat& info) {
        if (S_ISREG(info.st_mode)) paths.push_back(JoinPath(folder, name));
        return true;
    });
    std::sort(paths.begin(), paths.end());
    return paths;
}

int FindFirstMatch(const std::string& pathPattern, bool includeFolders, FolderEntry& entry) {
    std::string folder, pattern;
    SplitPattern(pathPattern, folder, pattern);
    bool found = false;
    const int openError =
        ForEachMatch(folder, pattern, HiddenNames::Include, [&](std::string_view name, const struct stat& info) {
            const bool isFolder = S_ISDIR(info.st_mode);
            if (isFolder && !includeFolders) return true;
            entry.name = name;
            entry.size = static_cast<long long>(info.st_size);
            entry.modified = FileClock::time_point(std::chrono::duration_cast<FileClock::duration>(
                std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec)));
            entry.isFolder = isFolder;
            found = true;
            return false;
        });
    if (openError != 0) return openError;
    return found ? 0 : ENOENT;
}

}  // namespace platform
