// Linux implementation of the process facts, from /proc/self.
#include "platform/ProcessInfo.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <unistd.h>

#include "platform/StandardStreams.h"

namespace platform {
namespace {

std::string ResolveProgramFilePath() {
    char buffer[PATH_MAX + 1];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (length <= 0) return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::vector<std::string> ReadCommandLineArguments() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string block((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < block.size()) {
        std::size_t end = block.find('\0', start);
        if (end == std::string::npos) end = block.size();
        words.push_back(block.substr(start, end - start));
        start = end + 1;
    }
    if (!words.empty()) words.erase(words.begin());  // the program name
    return words;
}

std::unique_ptr<std::vector<std::string>>& RecordedArguments() {
    static std::unique_ptr<std::vector<std::string>> arguments;
    return arguments;
}

}  // namespace

const std::string& ProgramFilePath() {
    static const std::string path = ResolveProgramFilePath();
    return path;
}

void SetProcessArguments(int argc, const char* const* argv) {
    auto arguments = std::make_unique<std::vector<std::string>>();
    for (int i = 1; i < argc; ++i) arguments->emplace_back(argv[i] != nullptr ? argv[i] : "");
    RecordedArguments() = std::move(arguments);
}

const std::vector<std::string>& ProcessArguments() {
    auto& arguments = RecordedArguments();
    if (!arguments) arguments = std::make_unique<std::vector<std::string>>(ReadCommandLineArguments());
    return *arguments;
}

int CurrentProcessId() { return static_cast<int>(::getpid()); }

void ExitProcessNow(int exitCode) {
    FlushStandardOutput();
    std::fflush(nullptr);
    ::_exit(exitCode);
}

}  // namespace platform
