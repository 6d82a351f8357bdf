// bench-links: tarvo_test_support
// Whole CGI processes of the request layer alone: the test handler program
// started as a web server would (fork and exec with a prepared environment),
// answering a GET and a small POST under standard CGI and one Windows CGI
// profile; median and 90th-percentile time from start to exit. A run of
// /bin/true comes first as the machine's own cost of a process.
//
// Usage: CgiLayerProcess [--handler PATH] [--runs N]
//   --handler  the test handler program (default: <build>/testbin/CgiTestHandler)
//   --runs     processes per workload (default 300)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/ProcessInfo.h"
#include "tests/support/ChildProcess.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Workload {
    std::string name;
    std::string program;  ///< empty: the handler
    std::vector<std::string> environment;
    std::string body;
    std::vector<std::string> arguments;
};

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    std::string handler =
        (fs::path(platform::ProgramFilePath()).parent_path().parent_path() / "testbin/CgiTestHandler").string();
    int runs = 300;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--handler") handler = argv[i + 1];
        else if (option == "--runs") runs = std::stoi(argv[i + 1]);
    }
    const fs::path work = fs::temp_directory_path() / "tarvo-bench-cgi-layer";
    fs::remove_all(work);
    fs::create_directories(work);
    const std::string program = (work / "CgiTestHandler").string();
    fs::copy_file(handler, program);
    const std::string output = (work / "out").string();
    WriteFile(
        (work / "request.ini").string(),
        "[CGI]\r\nRequest Method=GET\r\nQuery String=volumeName=site&searchWords=dog+cat&language=en\r\n[System]\r\nOutput File=" +
            (work / "win.out").string() + "\r\n");

    const std::string fields = "TEST_FIELDS=volumeName,searchWords,language";
    const std::string post = "volumeName=site&searchWords=dog+cat&language=en";
    const std::vector<Workload> workloads = {
        {"baseline /bin/true", "/bin/true", {}, {}, {}},
        {"standard CGI GET",
         {},
         {"SERVER_SOFTWARE=Bench/1.0", "REQUEST_METHOD=GET",
          "QUERY_STRING=volumeName=site&searchWords=dog+cat&language=en", fields},
         {},
         {}},
        {"standard CGI POST",
         {},
         {"SERVER_SOFTWARE=Bench/1.0", "REQUEST_METHOD=POST", "CONTENT_LENGTH=" + std::to_string(post.size()), fields},
         post,
         {}},
        {"Windows CGI profile", {}, {fields}, {}, {(work / "request.ini").string()}},
    };
    std::printf("%-22s %6s %12s %12s\n", "workload", "runs", "median", "p90");
    for (const Workload& workload : workloads) {
        WriteFile((work / "stdin").string(), workload.body);
        std::vector<double> microseconds;
        for (int run = 0; run < runs; ++run) {
            tarvo_test::ProgramRun launch;
            launch.program = workload.program.empty() ? program : workload.program;
            launch.arguments = workload.arguments;
            launch.environment = workload.environment;
            launch.environment.push_back("TARVO_WINDOW_DIR=" + (work / "windows").string());
            launch.standardInputPath = (work / "stdin").string();
            launch.standardOutputPath = output;
            const auto start = Clock::now();
            tarvo_test::ChildProcess child = tarvo_test::ChildProcess::Start(launch);
            if (child.Wait(std::chrono::seconds(10)) != 0) {
                std::fprintf(stderr, "%s: a run failed\n", workload.name.c_str());
                return 1;
            }
            microseconds.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        std::printf("%-22s %6d %9.0f us %9.0f us\n", workload.name.c_str(), runs, Percentile(microseconds, 0.5),
                    Percentile(microseconds, 0.9));
    }
    fs::remove_all(work);
    return 0;
}
