// File list parsing and the wildcard search of its entries.
#include "indexer/engine/FileList.h"

#include "platform/DirectorySearch.h"
#include "platform/File.h"
#include "platform/PathNames.h"

namespace indexer {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

/// The text after a marker at `at` up to `end` (npos = end of line), trimmed.
std::string PartAfter(std::string_view line, std::size_t at, std::size_t end) {
    if (at == std::string_view::npos) return {};
    const std::size_t begin = at + 2;
    const std::size_t stop = (end == std::string_view::npos || end < begin) ? line.size() : end;
    return std::string(Trim(line.substr(begin, stop - begin)));
}

bool HasWildcard(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

}  // namespace

std::string WithForwardSlashes(std::string_view path) {
    std::string result(path);
    for (char& c : result)
        if (c == '\\') c = '/';
    return result;
}

FileListEntry ParseFileListLine(std::string_view line) {
    const std::size_t titleAt = line.find("T:");
    const std::size_t urlAt = line.find("F:");
    const std::size_t pathEnd = std::min(titleAt, urlAt);
    FileListEntry entry;
    entry.pathPart = std::string(Trim(line.substr(0, pathEnd == std::string_view::npos ? line.size() : pathEnd)));
    // Each part runs to the other marker when that comes later, else to the end.
    entry.title =
        PartAfter(line, titleAt, urlAt != std::string_view::npos && urlAt > titleAt ? urlAt : std::string_view::npos);
    entry.url =
        PartAfter(line, urlAt, titleAt != std::string_view::npos && titleAt > urlAt ? titleAt : std::string_view::npos);
    return entry;
}

FileList::FileList(const std::string& path)
    : reader_(path, platform::LoneLineFeed::EndsLine), folder_(platform::DirectoryOf(path)) {}

bool FileList::Next(ListedDocument& document) {
    if (matchIndex_ < matches_.size()) {
        TakeMatch(document);
        return true;
    }
    std::string_view line;
    if (!reader_.ReadLine(line)) return false;
    StartEntry(line, document);
    return true;
}

void FileList::StartEntry(std::string_view line, ListedDocument& document) {
    entry_ = ParseFileListLine(line);
    matches_.clear();
    matchIndex_ = 0;
    document = ListedDocument{};
    document.title = entry_.title;
    document.url = entry_.url;
    if (entry_.pathPart.empty()) return;

    const std::size_t separator = entry_.pathPart.find_last_of("/\\");
    const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    writtenFolder_ = entry_.pathPart.substr(0, nameStart);
    const std::string pattern = entry_.pathPart.substr(nameStart);
    openFolder_ = platform::ResolveAgainst(folder_, WithForwardSlashes(writtenFolder_));
    if (openFolder_.empty() && !folder_.empty()) openFolder_ = folder_ + "/";
    if (!pattern.empty()) FindMatches(pattern);
    if (matches_.empty()) document.unmatchedEntry = entry_.pathPart;
    else TakeMatch(document);
}

void FileList::FindMatches(const std::string& pattern) {
    if (!HasWildcard(pattern) && platform::FileExists(openFolder_ + pattern)) {
        matches_.push_back(pattern);  // the name as written, when it exists exactly
        return;
    }
    matches_ = platform::FindMatchingFiles(openFolder_, pattern);
    // A name without wildcards names one file, even if several differ only in case.
    if (!HasWildcard(pattern) && matches_.size() > 1) matches_.resize(1);
}

void FileList::TakeMatch(ListedDocument& document) {
    const std::string& name = matches_[matchIndex_++];
    document.path = writtenFolder_ + name;
    document.openPath = openFolder_ + name;
    document.fileName = name;
    document.title = entry_.title;
    document.url = entry_.url;
    document.unmatchedEntry.clear();
}

}  // namespace indexer
