// POSIX directory search with Windows-style wildcard patterns.
#include "platform/DirectorySearch.h"

#include <algorithm>
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

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
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
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || AsciiUpperChar(pattern[p]) == AsciiUpperChar(name[n]))) {
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
    const std::string where = folder.empty() ? "." : folder;
    std::vector<std::string> names;
    Directory directory(::opendir(where.c_str()));
    if (!directory) return names;
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string_view name = entry->d_name;
        if (name.empty() || name.front() == '.' || !WildcardMatch(pattern, name)) continue;
        std::string path = where;
        if (path.back() != '/') path.push_back('/');
        path.append(name);
        if (IsRegularFile(path)) names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace platform
