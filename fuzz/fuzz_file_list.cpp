// Fuzz target: the file-list line parser, and a file list of fuzzed lines
// stepped through over a small folder of documents.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "indexer/engine/FileList.h"
#include "platform/File.h"
#include "platform/TextLineReader.h"

namespace {

/// A folder with a few documents for the list's patterns to match.
const std::string& ListFolder() {
    static const std::string folder = [] {
        const auto base = fuzz::ScratchFolder() / "list";
        std::filesystem::create_directories(base / "site" / "events");
        for (const char* name : {"site/index.htm", "site/about.htm", "site/ABOUT.HTM", "site/events/a.htm",
                                 "site/events/b.txt", "notes.txt"})
            fuzz::WriteFile((base / name).string(), "<title>t</title> words");
        return base.string();
    }();
    return folder;
}

/// Parts of a parsed line are trimmed: no blank or control byte at either end.
void CheckTrimmed(const std::string& part) {
    if (part.empty()) return;
    if (static_cast<unsigned char>(part.front()) <= 32 || static_cast<unsigned char>(part.back()) <= 32)
        fuzz::Fail("file list entry part not trimmed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto lines = platform::TextLineReader::FromBytes(bytes, platform::LoneLineFeed::EndsLine);
    std::string_view line;
    while (lines.ReadLine(line)) {
        const indexer::FileListEntry entry = indexer::ParseFileListLine(line);
        CheckTrimmed(entry.pathPart);
        CheckTrimmed(entry.title);
        CheckTrimmed(entry.url);
    }

    const std::string listPath = ListFolder() + "/filelist.txt";
    fuzz::WriteFile(listPath, bytes);
    try {
        indexer::FileList list(listPath);
        indexer::ListedDocument document;
        for (int step = 0; step < 10000 && list.Next(document); ++step) {
        }
    } catch (const platform::IoError&) {
        // A pattern naming an unreadable place is the list's own error.
    }
    return 0;
}
