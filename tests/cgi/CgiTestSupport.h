// Shared helpers of the CGI tests: the shared temporary folder, a
// copy of the test handler program inside it (so its "Log" and "Temp"
// folders land there), and running that program as a web server would.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/TestFiles.h"

namespace cgitest {

namespace fs = std::filesystem;

using tarvo_test::TempFolder;

inline std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// The folder of the test helper programs.
inline fs::path TestProgramFolder() { return fs::path(TARVO_BIN_DIR).parent_path() / "testbin"; }

/// Copies the test handler program into `folder` and returns the copy's path.
inline std::string InstallHandler(const TempFolder& folder) {
    const fs::path target = folder / "CgiTestHandler";
    fs::copy_file(TestProgramFolder() / "CgiTestHandler", target, fs::copy_options::overwrite_existing);
    return target.string();
}

/// What one run of a CGI program gave.
struct RunResult {
    int exitCode = -1;
    std::string output;
};

/// A child process with its own output file, for runs that overlap.
struct StartedRun {
    tarvo_test::ChildProcess process;
    std::string outputPath;
    RunResult Finish(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        RunResult result;
        result.exitCode = process.Wait(limit);
        result.output = ReadFile(outputPath);
        return result;
    }
};

/// Starts `program` with exactly `environment`, `stdinBytes` on its standard
/// input and `arguments`; its output goes to a file in `work`.
inline StartedRun StartProgram(const TempFolder& work, const std::string& program,
                               const std::vector<std::string>& environment, const std::string& stdinBytes = {},
                               const std::vector<std::string>& arguments = {}) {
    static int serial = 0;
    ++serial;
    const std::string inputPath = work / ("stdin-" + std::to_string(serial));
    StartedRun run;
    run.outputPath = work / ("stdout-" + std::to_string(serial));
    WriteFile(inputPath, stdinBytes);
    tarvo_test::ProgramRun launch;
    launch.program = program;
    launch.arguments = arguments;
    launch.environment = environment;
    launch.standardInputPath = inputPath;
    launch.standardOutputPath = run.outputPath;
    run.process = tarvo_test::ChildProcess::Start(launch);
    return run;
}

/// Runs `program` to its end (see StartProgram).
inline RunResult RunProgram(const TempFolder& work, const std::string& program,
                            const std::vector<std::string>& environment, const std::string& stdinBytes = {},
                            const std::vector<std::string>& arguments = {}) {
    return StartProgram(work, program, environment, stdinBytes, arguments).Finish();
}

/// The lines of a text split at CR LF (a trailing empty piece dropped).
inline std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace cgitest

namespace cgitest {

/// Whether `text` matches `shape`, where "9" stands for any digit and every
/// other byte for itself.
inline bool MatchesShape(const std::string& text, const std::string& shape) {
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == '9' ? (text[i] < '0' || text[i] > '9') : text[i] != shape[i]) return false;
    }
    return true;
}

/// Whether `log` is exactly one error log line with `message`: local date and
/// time, ",  ", a request number of 0 to 999, " : ", the message, CR LF.
/// The request number goes to `*number` when given.
inline bool IsOneLogLine(const std::string& log, const std::string& message, int* number = nullptr) {
    const std::string stampShape = "9999-99-99 99:99:99,  ";
    if (log.size() < stampShape.size() || !MatchesShape(log.substr(0, stampShape.size()), stampShape)) return false;
    const std::string tail = " : " + message + "\r\n";
    if (log.size() < stampShape.size() + tail.size() + 1 ||
        log.compare(log.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    const std::string digits = log.substr(stampShape.size(), log.size() - tail.size() - stampShape.size());
    if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    if (number != nullptr) *number = std::stoi(digits);
    return true;
}

/// Whether `text` is an HTTP date: "Mon, 01 Jan 2001 00:00:00 GMT".
inline bool IsHttpDate(const std::string& text) {
    static const std::string kWeekdays = "SunMonTueWedThuFriSat";
    static const std::string kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    if (text.size() != 29) return false;
    std::string masked = text;
    masked.replace(0, 3, "XXX");
    masked.replace(8, 3, "XXX");
    const std::size_t weekday = kWeekdays.find(text.substr(0, 3));
    const std::size_t month = kMonths.find(text.substr(8, 3));
    return MatchesShape(masked, "XXX, 99 XXX 9999 99:99:99 GMT") && weekday != std::string::npos && weekday % 3 == 0 &&
           month != std::string::npos && month % 3 == 0;
}

}  // namespace cgitest
