// bench-links: tarvo_test_support
// Times whole processes as a web server starts them: fork, exec with a
// prepared environment and a blocking wait, many times, with the programs of
// one job file taken in turn (round 1: every job once, round 2: every job
// once, ...), so that a machine's changing load weighs on all of them alike.
// Prints the median and 90th-percentile wall time of each job. Used by
// bench/compare-peers.sh to compare the search program with other engines.
//
// Usage: ExecTimer [--runs N] [--warmup N] JOBFILE
//   --runs    timed rounds (default 100)
//   --warmup  untimed rounds first (default 5)
// JOBFILE holds one directive a line ('#' starts a comment line):
//   job NAME         starts a job; the lines after it describe it
//   program PATH     the program file
//   arg TEXT         one argument (repeatable, in order)
//   env NAME=VALUE   one environment entry (repeatable; the whole environment)
//   keep FILE        one untimed run first writes its standard output there
// Output: one line a job, "NAME<TAB>median ms<TAB>p90 ms<TAB>failed runs",
// where a failed run is one that did not exit with status 0.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Job {
    std::string name;
    tarvo_test::ProgramRun run;
    std::string keepPath;
    std::vector<double> milliseconds;
    int failedRuns = 0;
};

struct Options {
    int runs = 100;
    int warmup = 5;
    std::string jobFile;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--runs" && hasValue) options.runs = std::max(1, std::stoi(argv[++i]));
        else if (argument == "--warmup" && hasValue) options.warmup = std::max(0, std::stoi(argv[++i]));
        else if (options.jobFile.empty() && !argument.starts_with("--")) options.jobFile = argument;
        else throw std::invalid_argument("unknown argument " + std::string(argument));
    }
    if (options.jobFile.empty()) throw std::invalid_argument("usage: ExecTimer [--runs N] [--warmup N] JOBFILE");
    return options;
}

std::vector<Job> ReadJobs(const std::string& path) {
    std::ifstream file(path);
    if (!file) throw std::runtime_error("cannot read " + path);
    std::vector<Job> jobs;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line.front() == '#') continue;
        const std::size_t blank = line.find(' ');
        const std::string keyword = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        if (keyword == "job") {
            jobs.emplace_back().name = value;
            continue;
        }
        if (jobs.empty()) throw std::runtime_error(path + ": \"" + keyword + "\" before the first job");
        Job& job = jobs.back();
        if (keyword == "program") job.run.program = value;
        else if (keyword == "arg") job.run.arguments.push_back(value);
        else if (keyword == "env") job.run.environment.push_back(value);
        else if (keyword == "keep") job.keepPath = value;
        else throw std::runtime_error(path + ": unknown directive \"" + keyword + "\"");
    }
    for (const Job& job : jobs) {
        if (job.run.program.empty()) throw std::runtime_error(path + ": job " + job.name + " names no program");
    }
    return jobs;
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

void KeepOnePage(Job& job) {
    if (job.keepPath.empty()) return;
    tarvo_test::ProgramRun keeping = job.run;
    keeping.standardOutputPath = job.keepPath;
    tarvo_test::RunProgramToEnd(keeping);
}

void RunTimed(Job& job) {
    const auto start = Clock::now();
    const int exitCode = tarvo_test::RunProgramToEnd(job.run);
    job.milliseconds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (exitCode != 0) ++job.failedRuns;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const Options options = ParseOptions(argc, argv);
        std::vector<Job> jobs = ReadJobs(options.jobFile);
        for (Job& job : jobs) KeepOnePage(job);
        for (int round = 0; round < options.warmup; ++round) {
            for (Job& job : jobs) tarvo_test::RunProgramToEnd(job.run);
        }
        for (int round = 0; round < options.runs; ++round) {
            for (Job& job : jobs) RunTimed(job);
        }
        for (const Job& job : jobs) {
            std::printf("%s\t%.3f\t%.3f\t%d\n", job.name.c_str(), Percentile(job.milliseconds, 0.5),
                        Percentile(job.milliseconds, 0.9), job.failedRuns);
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ExecTimer: %s\n", error.what());
        return 1;
    }
}
