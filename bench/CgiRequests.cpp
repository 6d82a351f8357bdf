// bench-links: tarvo_engine tarvo_test_support
// Whole tarvocgi processes per second and their median latency (process start
// to exit, fork and exec with a prepared CGI environment) for an exact term,
// a broad wildcard and a 5-term boolean query on a 65,535-document index.
//
// Usage: CgiRequests [--tarvocgi PATH] [--work FOLDER] [--runs N] [--prepare-only]
//   --tarvocgi   the program to measure (default: build/bin/tarvocgi)
//   --work       folder for the index and the program copy (default: build/bench/cgi-work);
//                an index already there is reused
//   --runs       timed runs per query (default 300)
//   --prepare-only  build the index and the program copy, then stop (the web
//                server benchmark bench/CgiServerBench.mjs uses this)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "indexer/engine/IndexBuilder.h"
#include "indexer/engine/RunObserver.h"
#include "indexfiles/IndexFiles.h"
#include "platform/File.h"
#include "platform/Folders.h"
#include "tests/support/ChildProcess.h"

namespace {

constexpr int kDocuments = 65535;
constexpr int kWordsPerDocument = 12;
constexpr int kVocabulary = 6000;

struct Options {
    std::string tarvocgi = "build/bin/tarvocgi";
    std::string work = "build/bench/cgi-work";
    int runs = 300;
    bool prepareOnly = false;
};

struct Query {
    const char* label;
    const char* formData;  // the query string of the GET request
};

// The measured requests; the words come from the vocabulary below. The first
// names no index: it shows the cost of a process that answers at once.
const Query kQueries[] = {
    {"no index (base)", "volumeName=none&searchWords=quorin&language=en"},
    {"exact term", "volumeName=bench&searchWords=quorin&language=en"},
    {"broad wildcard", "volumeName=bench&searchWords=sta*&language=en"},
    {"5-term boolean", "volumeName=bench&searchWords=quabel+OR+quidor+AND+qualis+OR+quemar+NOT+quofel&language=en"},
};

// Named words placed at fixed ranks of the vocabulary (rank 0 is the most
// frequent): QUORIN is in about 90 documents, the boolean query's words
// range from very common (QUALIS) to rare.
const struct {
    const char* word;
    std::size_t rank;
} kPlacedWords[] = {{"QUALIS", 0},   {"QUABEL", 150},  {"QUIDOR", 300},
                    {"QUEMAR", 600}, {"QUOFEL", 1200}, {"QUORIN", 2000}};

/// A small deterministic generator, so every run indexes the same corpus.
class Lcg {
public:
    std::uint32_t Next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    double Unit() { return Next() / 2147483648.0; }

private:
    std::uint64_t state_ = 42;
};

// Pronounceable words from consonant-vowel syllables; one word in ten starts
// with "STA" so that "STA*" is a broad wildcard. Words are spread over the
// documents with a skew, low ranks frequent as in real text.
std::vector<std::string> MakeVocabulary() {
    static const char* const kSyllables[] = {"KA", "LO", "MI", "BE", "RA", "NU", "DO", "TE", "FE", "LU",
                                             "SA", "PI", "GO", "RE", "TU", "VA", "NE", "SI", "MO", "DA"};
    std::vector<std::string> words;
    std::set<std::string> seen;
    Lcg random;
    while (static_cast<int>(words.size()) < kVocabulary) {
        std::string word = (random.Next() % 10 == 0) ? "STA" : "";
        const int syllables = 2 + static_cast<int>(random.Next() % 3);
        for (int i = 0; i < syllables; ++i) word += kSyllables[random.Next() % 20];
        if (seen.insert(word).second) words.push_back(word);
    }
    // No generated word holds a "Q", so the placed words are unique.
    for (const auto& placed : kPlacedWords) words[placed.rank] = placed.word;
    return words;
}

// Writes the work file and the table of contents of the corpus, then builds
// the index file set with the indexing engine.
void BuildBenchIndex(const std::string& base) {
    const std::vector<std::string> vocabulary = MakeVocabulary();
    auto work = platform::FileHandle::Open(base + ".temp", platform::FileHandle::Mode::CreateTruncate);
    auto toc = platform::FileHandle::Open(base + ".toc", platform::FileHandle::Mode::CreateTruncate);
    if (!work.IsOpen() || !toc.IsOpen()) throw platform::IoError("cannot create", base, work.OpenError());
    Lcg random;
    std::string workText;
    std::string tocText;
    for (int document = 1; document <= kDocuments; ++document) {
        std::set<std::string> words;
        while (static_cast<int>(words.size()) < kWordsPerDocument) {
            // Skewed choice: low word numbers are frequent, as in real text.
            const double u = random.Unit();
            words.insert(vocabulary[static_cast<std::size_t>(kVocabulary * u * u * u)]);
        }
        for (const std::string& word : words) workText += indexfiles::FormatWorkEntry(word, document) + "\r\n";
        char number[16];
        std::snprintf(number, sizeof number, "%05d", document);
        tocText += indexfiles::FormatTocLine(std::string("http://bench.test/doc/") + number + ".htm",
                                             std::string("Bench document ") + number) +
                   "\r\n";
        if (workText.size() > (1u << 22)) {
            work.WriteAll(workText.data(), workText.size());
            workText.clear();
        }
    }
    if (!work.WriteAll(workText.data(), workText.size()) || !toc.WriteAll(tocText.data(), tocText.size())) {
        throw platform::IoError("cannot write", base, 0);
    }
    work.Close();
    toc.Close();
    indexer::RunObserver quiet;
    indexer::BuildIndex({base, false, false}, quiet);
}

void CopyProgram(const std::string& from, const std::string& to) {
    auto source = platform::FileHandle::Open(from, platform::FileHandle::Mode::Read);
    if (!source.IsOpen()) throw platform::IoError("cannot open", from, source.OpenError());
    std::string content(static_cast<std::size_t>(source.Size()), '\0');
    source.ReadExactAt(content.data(), content.size(), 0);
    platform::RemoveFile(to);
    auto target = platform::FileHandle::Open(to, platform::FileHandle::Mode::CreateTruncate);
    if (!target.IsOpen() || !target.WriteAll(content.data(), content.size())) {
        throw platform::IoError("cannot write", to, target.OpenError());
    }
    if (!tarvo_test::MarkExecutable(to)) throw platform::IoError("cannot make executable", to, 0);
}

std::vector<std::string> Environment(const Options& options, const Query& query) {
    return {"PATH=/usr/bin:/bin",
            "GATEWAY_INTERFACE=CGI/1.1",
            "SERVER_SOFTWARE=BenchServer/1.0",
            "SERVER_NAME=127.0.0.1",
            "SERVER_PORT=80",
            "SERVER_PROTOCOL=HTTP/1.1",
            "REQUEST_METHOD=GET",
            "SCRIPT_NAME=/cgi-bin/tarvocgi",
            "REMOTE_ADDR=127.0.0.1",
            std::string("QUERY_STRING=") + query.formData,
            "CGI_LOG_DIR=" + options.work + "/log"};
}

// The count line of a saved answer, to show what the request found.
std::string CountLine(const std::string& path) {
    auto file = platform::FileHandle::Open(path, platform::FileHandle::Mode::Read);
    std::string head(4096, '\0');
    const long long got = file.IsOpen() ? file.ReadAt(head.data(), head.size(), 0) : 0;
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    const std::string marker = "<!--start of data-->\r\n";
    const auto at = head.find(marker);
    if (at == std::string::npos) return "(no data)";
    const auto start = at + marker.size();
    return head.substr(start, head.find("\r\n", start) - start);
}

void Measure(const Options& options, const std::string& program, const Query& query) {
    tarvo_test::ProgramRun run{program, {}, Environment(options, query), "", options.work + "/answer.out"};
    if (tarvo_test::RunProgramToEnd(run) != 0) throw platform::IoError("tarvocgi failed for", query.label, 0);
    const std::string count = CountLine(run.standardOutputPath);
    run.standardOutputPath.clear();  // the timed runs write to /dev/null
    for (int i = 0; i < 10; ++i) tarvo_test::RunProgramToEnd(run);

    std::vector<double> latencies;
    latencies.reserve(static_cast<std::size_t>(options.runs));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < options.runs; ++i) {
        const auto before = std::chrono::steady_clock::now();
        tarvo_test::RunProgramToEnd(run);
        latencies.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::sort(latencies.begin(), latencies.end());
    std::printf("%-16s %10.0f req/s   median %7.3f ms   p90 %7.3f ms   count line %s\n", query.label,
                options.runs / seconds, latencies[latencies.size() / 2], latencies[latencies.size() * 9 / 10],
                count.c_str());
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--tarvocgi" && hasValue) options.tarvocgi = argv[++i];
        else if (arg == "--work" && hasValue) options.work = argv[++i];
        else if (arg == "--runs" && hasValue) options.runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--prepare-only") options.prepareOnly = true;
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
        const std::string base = options.work + "/bench";
        if (!platform::FileExists(base + ".dct")) {
            std::printf("Building the %d-document index in %s ...\n", kDocuments, options.work.c_str());
            std::fflush(stdout);
            BuildBenchIndex(base);
        }
        const std::string program = options.work + "/tarvocgi";
        CopyProgram(options.tarvocgi, program);
        if (options.prepareOnly) return 0;
        std::printf("%d timed runs per query, fork and exec of %s\n", options.runs, program.c_str());
        for (const Query& query : kQueries) Measure(options, program, query);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "CgiRequests: %s\n", error.what());
        return 1;
    }
}
