// bench-links: tarvo_test_support
// Per-request time of whole search processes run as standard CGI programs
// (fork, exec with the CGI environment of a GET request, wait; the page goes
// to /dev/null) on a real site: five queries and a bare /bin/true, the floor.
// Prints the median and p90 per query and the documents the page listed.
//
// Usage: CgiProcessBench [--tarvocgi PATH] [--indexer PATH] [--corpus DIR]
//                        [--work DIR] [--runs N]
//   --tarvocgi  the search program to measure (default build/bin/tarvocgi)
//   --indexer   builds the index when the work folder has none
//               (default build/bin/tarvo-index)
//   --corpus    folder of the site's pages, every *.html below it is indexed
//               (default /usr/share/cppreference/doc/html)
//   --work      folder of the index "DataBase" and the program copy
//               (default /tmp/tarvo-bench-cgi-process); an index there is reused
//   --runs      timed runs per query (default 300)
// The queries run in turns (one run of each, then the next round), so a
// change of load on the machine touches every query alike.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/Folders.h"
#include "tests/support/ChildProcess.h"

namespace {

struct Options {
    std::string tarvocgi = "build/bin/tarvocgi";
    std::string indexer = "build/bin/tarvo-index";
    std::string corpus = "/usr/share/cppreference/doc/html";
    std::string work = "/tmp/tarvo-bench-cgi-process";
    int runs = 300;
};

struct Query {
    std::string label;
    std::string searchWords;  // URL-encoded; empty for the bare process
};

const std::vector<Query> kQueries = {
    {"/bin/true (floor)", ""},
    {"template", "template"},
    {"template AND class", "template+AND+class"},
    {"vector OR deque", "vector+OR+deque"},
    {"template NOT class", "template+NOT+class"},
    {"alloc*", "alloc*"},
};

std::string ReadWholeFile(const std::string& path) {
    auto file = platform::FileHandle::Open(path, platform::FileHandle::Mode::Read);
    if (!file.IsOpen()) throw platform::IoError("cannot open", path, file.OpenError());
    std::string content(static_cast<std::size_t>(file.Size()), '\0');
    file.ReadExactAt(content.data(), content.size(), 0);
    return content;
}

void WriteWholeFile(const std::string& path, const std::string& content) {
    platform::RemoveFile(path);
    auto file = platform::FileHandle::Open(path, platform::FileHandle::Mode::CreateTruncate);
    if (!file.IsOpen() || !file.WriteAll(content.data(), content.size())) {
        throw platform::IoError("cannot write", path, file.OpenError());
    }
}

// The file list: one line per folder that holds pages, the pattern picking
// its pages; lines end in CR LF (a lone LF is no line break for the indexer).
std::string CorpusFileList(const std::string& corpus) {
    std::set<std::string> folders;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        if (entry.is_regular_file() && entry.path().extension() == ".html") {
            folders.insert(entry.path().parent_path().string());
        }
    }
    if (folders.empty()) throw std::runtime_error("no .html pages below " + corpus);
    std::string list;
    for (const std::string& folder : folders) list += folder + "/*.html\r\n";
    return list;
}

void BuildIndex(const Options& options) {
    const std::string fileList = options.work + "/filelist.txt";
    WriteWholeFile(fileList, CorpusFileList(options.corpus));
    std::printf("Indexing %s into %s/DataBase ...\n", options.corpus.c_str(), options.work.c_str());
    std::fflush(stdout);
    const tarvo_test::ProgramRun run{
        options.indexer, {"--filelist", fileList, "--quiet"}, {"PATH=/usr/bin:/bin"}, "", ""};
    if (tarvo_test::RunProgramToEnd(run) != 0) throw std::runtime_error("the indexer failed");
}

std::vector<std::string> CgiEnvironment(const Options& options, const Query& query) {
    return {"PATH=/usr/bin:/bin",
            "GATEWAY_INTERFACE=CGI/1.1",
            "SERVER_SOFTWARE=BenchServer/1.0",
            "SERVER_PROTOCOL=HTTP/1.1",
            "REQUEST_METHOD=GET",
            "SCRIPT_NAME=/cgi-bin/tarvocgi",
            "REMOTE_ADDR=127.0.0.1",
            "QUERY_STRING=searchWords=" + query.searchWords + "&volumeName=DataBase&language=en",
            "CGI_LOG_DIR=" + options.work + "/log"};
}

/// What one page listed: the count line's number and the document lines
/// between the data markers (every line after the count line).
struct PageCounts {
    long countLine = -1;
    long documentLines = 0;
};

PageCounts CountPage(const std::string& page) {
    const std::string start = "<!--start of data-->\r\n";
    const std::size_t begin = page.find(start);
    const std::size_t end = page.find("<!--end of data-->\r\n");
    PageCounts counts;
    if (begin == std::string::npos || end == std::string::npos || end < begin) return counts;
    std::size_t at = begin + start.size();
    counts.countLine = std::atol(page.c_str() + at);
    at = page.find("\r\n", at) + 2;
    for (; at < end; at = page.find("\r\n", at) + 2) ++counts.documentLines;
    return counts;
}

struct Measured {
    const Query* query;
    tarvo_test::ProgramRun run;
    PageCounts counts;
    std::vector<double> milliseconds;
};

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * static_cast<double>(values.size())))];
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--tarvocgi" && hasValue) options.tarvocgi = argv[++i];
        else if (arg == "--indexer" && hasValue) options.indexer = argv[++i];
        else if (arg == "--corpus" && hasValue) options.corpus = argv[++i];
        else if (arg == "--work" && hasValue) options.work = argv[++i];
        else if (arg == "--runs" && hasValue) options.runs = std::max(1, std::atoi(argv[++i]));
        else throw std::invalid_argument("unknown argument " + arg);
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const Options options = ParseOptions(argc, argv);
        platform::CreateFolder(options.work);
        platform::CreateFolder(options.work + "/log");
        if (!platform::FileExists(options.work + "/DataBase.dct")) BuildIndex(options);
        // The program runs from the index's folder, where volumeName=DataBase names the set.
        const std::string program = options.work + "/tarvocgi";
        WriteWholeFile(program, ReadWholeFile(options.tarvocgi));
        if (!tarvo_test::MarkExecutable(program)) throw platform::IoError("cannot make executable", program, 0);

        std::vector<Measured> measured;
        for (const Query& query : kQueries) {
            const std::string path = query.searchWords.empty() ? "/bin/true" : program;
            measured.push_back({&query, {path, {}, CgiEnvironment(options, query), "", ""}, {}, {}});
            Measured& m = measured.back();
            if (query.searchWords.empty()) continue;
            // One run with the page kept, to count what it listed.
            m.run.standardOutputPath = options.work + "/page.out";
            if (tarvo_test::RunProgramToEnd(m.run) != 0) throw std::runtime_error("tarvocgi failed for " + query.label);
            m.counts = CountPage(ReadWholeFile(m.run.standardOutputPath));
            m.run.standardOutputPath.clear();  // the timed runs write to /dev/null
        }
        for (int round = 0; round < 10; ++round) {
            for (Measured& m : measured) tarvo_test::RunProgramToEnd(m.run);
        }
        for (int round = 0; round < options.runs; ++round) {
            for (Measured& m : measured) {
                const auto before = std::chrono::steady_clock::now();
                tarvo_test::RunProgramToEnd(m.run);
                m.milliseconds.push_back(
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
            }
        }
        std::printf("%d timed runs per query, fork and exec of %s\n", options.runs, program.c_str());
        std::printf("%-20s %9s %9s %7s %9s\n", "query", "median ms", "p90 ms", "found", "listed");
        for (const Measured& m : measured) {
            std::printf("%-20s %9.3f %9.3f", m.query->label.c_str(), Percentile(m.milliseconds, 0.5),
                        Percentile(m.milliseconds, 0.9));
            if (m.query->searchWords.empty()) std::printf("\n");
            else std::printf(" %7ld %9ld\n", m.counts.countLine, m.counts.documentLines);
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "CgiProcessBench: %s\n", error.what());
        return 1;
    }
}
