// bench-links: tarvo_engine
// Whole indexing run on a file list: wall time, peak resident memory (mapped
// pages included) and the size of the index file set written.
// Usage: IndexingRunBench FILELIST DATABASE [--dumpwords]
#include <chrono>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <string>

#include "indexer/engine/IndexingRun.h"
#include "indexfiles/IndexFiles.h"
#include "platform/File.h"

namespace {

/// A line of /proc/self/status in kB ("VmHWM", "VmRSS").
long StatusKilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

/// Notes when each phase begins, to report the time each one took.
class PhaseClock : public indexer::RunObserver {
public:
    void ShowCurrentStep(std::string_view text) override {
        const auto now = std::chrono::steady_clock::now();
        const std::clock_t cpu = std::clock();
        if (!phase_.empty())
            std::printf("  %-15s wall %.2f s, cpu %.2f s\n", phase_.c_str(),
                        std::chrono::duration<double>(now - since_).count(),
                        static_cast<double>(cpu - cpuSince_) / CLOCKS_PER_SEC);
        phase_ = text;
        since_ = now;
        cpuSince_ = cpu;
    }

private:
    std::string phase_;
    std::chrono::steady_clock::time_point since_{};
    std::clock_t cpuSince_ = 0;
};

std::int64_t FileSize(const std::string& path) {
    platform::FileHandle file = platform::FileHandle::Open(path, platform::FileHandle::Mode::Read);
    return file.IsOpen() ? file.Size() : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FILELIST DATABASE [--dumpwords]\n", argv[0]);
        return 2;
    }
    indexer::RunSettings settings;
    settings.project.filelist = argv[1];
    settings.project.database = argv[2];
    settings.project.dumpwords = argc > 3 && std::string(argv[3]) == "--dumpwords";
    PhaseClock quiet;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    const indexer::RunSummary summary = indexer::RunIndexer(settings, quiet);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;

    std::int64_t indexBytes = 0;
    for (const auto file :
         {indexfiles::IndexFile::TableOfContents, indexfiles::IndexFile::Dictionary, indexfiles::IndexFile::Postings,
          indexfiles::IndexFile::PrefixHash, indexfiles::IndexFile::BlockLetters})
        indexBytes += FileSize(indexfiles::IndexFileName(summary.databasePath, file));
    std::printf("documents      %d\n", summary.documents);
    std::printf("distinct words %u\n", summary.words);
    std::printf("wall time      %.2f s\n", seconds);
    std::printf("cpu time       %.2f s (user + system)\n", cpuSeconds);
    std::printf("peak RSS       %.1f MB\n", static_cast<double>(StatusKilobytes("VmHWM")) / 1024.0);
    std::printf("index size     %.1f MB\n", static_cast<double>(indexBytes) / (1024.0 * 1024.0));
    return 0;
}
