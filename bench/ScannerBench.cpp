// bench-links: tarvo_engine
// Scanner throughput: MB/s of HTML read from files and turned into word
// entries on one core, with the run's 25-document flush into a work buffer,
// on a generated Windows-1252 corpus. Reports peak memory too.
//
// usage: ScannerBench [--megabytes N] [--documents D] [--rounds R] [--folder F]
// With --folder, every *.htm and *.html file below F is read instead of a
// generated corpus (for one, the HTML of Debian's cppreference-doc-en-html).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench/ProcessStats.h"
#include "indexer/engine/DocumentReader.h"
#include "indexer/engine/WordList.h"
#include "indexer/engine/WordRules.h"
#include "platform/File.h"
#include "platform/TextLineReader.h"

namespace {

struct Options {
    std::size_t megabytes = 166;
    std::size_t documents = 2000;
    int rounds = 3;
    std::string folder;  ///< read the pages below this folder instead of generating
};

constexpr int kChunkDocuments = 25;

/// Makes pages of plausible HTML: a head with title, META keywords, a
/// script and a style block, then paragraphs of words drawn with a skewed
/// frequency from a fixed vocabulary, with tags, references, numbers,
/// comments and Windows-1252 letters mixed in, CR LF line ends.
class CorpusGenerator {
public:
    explicit CorpusGenerator(unsigned seed) : random_(seed) {
        const std::string_view letters = "abcdefghijklmnopqrstuvwxyzabcdeeeiiooaauu\xE9\xE8\xFC\xF6\xE4\xE7";
        std::uniform_int_distribution<std::size_t> length(2, 11);
        std::uniform_int_distribution<std::size_t> letter(0, letters.size() - 1);
        for (int i = 0; i < 50000; ++i) {
            std::string word;
            const std::size_t size = length(random_);
            for (std::size_t k = 0; k < size; ++k) word.push_back(letters[letter(random_)]);
            if (i % 7 == 0) word[0] = static_cast<char>(word[0] - 32 * (word[0] >= 'a' && word[0] <= 'z'));
            vocabulary_.push_back(word);
        }
    }

    /// Appends one page of about `size` bytes.
    void Page(std::size_t size, std::string& out) {
        out += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\">\r\n<HTML><HEAD>\r\n<TITLE>";
        Words(6, out);
        out += "</TITLE>\r\n<META NAME=\"keywords\" CONTENT=\"";
        Words(8, out, ", ");
        out +=
            "\">\r\n<SCRIPT LANGUAGE=\"JavaScript\"><!--\r\nfunction go(x) { return x > 1 && x < 9; }\r\n// --></SCRIPT>\r\n"
            "<STYLE>p { margin: 0 }</STYLE>\r\n</HEAD><BODY BGCOLOR=\"#FFFFFF\">\r\n";
        const std::size_t end = out.size() + size;
        std::uniform_int_distribution<int> pick(0, 99);
        while (out.size() < end) {
            out += "<TABLE WIDTH=\"100%\" BORDER=\"0\"><TR><TD VALIGN=\"top\" CLASS=\"body\">\r\n<P>";
            for (int line = 0; line < 5; ++line) {
                for (int k = 0; k < 10; ++k) {
                    const int what = pick(random_);
                    if (what < 78) out += Word();
                    else if (what < 82) out += "<B>" + Word() + "</B>";
                    else if (what < 84) out += std::to_string(pick(random_) * 37) + ".5";
                    else if (what < 87) out += "&eacute;" + Word();
                    else if (what < 89) out += Word() + "&amp;" + Word();
                    else if (what < 93)
                        out += "<A HREF=\"/site/section" + std::to_string(pick(random_)) +
                               "/page.htm\" TARGET=\"_top\">" + Word() + "</A>";
                    else if (what < 95) out += Word() + ",";
                    else if (what < 97) out += Word() + ".";
                    else out += "<!-- " + Word() + " -->";
                    out += ' ';
                }
                out += "\r\n";
            }
            out += "</P></TD></TR></TABLE>\r\n<IMG SRC=\"/images/spacer.gif\" WIDTH=\"1\" HEIGHT=\"8\" ALT=\"\">\r\n";
        }
        out += "</BODY></HTML>\r\n";
    }

private:
    const std::string& Word() {
        // Log-uniform ranks give word frequencies falling as 1/rank, as in
        // natural text: a few words are very common, most are rare.
        const double rank = std::exp(uniform_(random_) * std::log(static_cast<double>(vocabulary_.size())));
        return vocabulary_[std::min(vocabulary_.size() - 1, static_cast<std::size_t>(rank) - 1)];
    }

    void Words(int count, std::string& out, std::string_view separator = " ") {
        for (int i = 0; i < count; ++i) {
            if (i > 0) out += separator;
            out += Word();
        }
    }

    std::mt19937 random_;
    std::uniform_real_distribution<double> uniform_{0.0, 1.0};
    std::vector<std::string> vocabulary_;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view name = argv[i];
        if (name == "--folder") {
            options.folder = argv[i + 1];
            continue;
        }
        const long value = std::strtol(argv[i + 1], nullptr, 10);
        if (value <= 0) return false;
        if (name == "--megabytes") options.megabytes = static_cast<std::size_t>(value);
        else if (name == "--documents") options.documents = static_cast<std::size_t>(value);
        else if (name == "--rounds") options.rounds = static_cast<int>(value);
        else return false;
    }
    return argc % 2 == 1;
}

std::vector<std::string> WriteCorpus(const std::filesystem::path& folder, const Options& options,
                                     std::size_t& totalBytes) {
    CorpusGenerator generator(20261208);
    std::vector<std::string> paths;
    const std::size_t pageSize = (options.megabytes << 20) / options.documents;
    std::string page;
    totalBytes = 0;
    for (std::size_t i = 0; i < options.documents; ++i) {
        page.clear();
        generator.Page(pageSize, page);
        const std::string path = (folder / ("page" + std::to_string(i) + ".htm")).string();
        auto file = platform::FileHandle::Open(path, platform::FileHandle::Mode::CreateTruncate);
        if (!file.IsOpen() || !file.WriteAll(page.data(), page.size()))
            throw platform::IoError("cannot write", path, file.OpenError());
        totalBytes += page.size();
        paths.push_back(path);
    }
    return paths;
}

/// The HTML pages below a folder, in name order, and their total size.
std::vector<std::string> FindPages(const std::string& folder, std::size_t& totalBytes) {
    std::vector<std::string> paths;
    totalBytes = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".html" && extension != ".htm")) continue;
        paths.push_back(entry.path().string());
        totalBytes += static_cast<std::size_t>(entry.file_size());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

struct PassResult {
    double seconds = 0;
    double processorSeconds = 0;
    std::size_t entries = 0;
    std::size_t flushedBytes = 0;
};

/// Reads every document as a run does: one reader, the lists flushed every
/// 25 documents (here into a reused buffer instead of the work file).
PassResult ScanPass(const std::vector<std::string>& paths, const indexer::WordRules& rules) {
    PassResult result;
    indexer::DocumentReader reader;
    indexer::TTARVOStringList words;
    std::vector<std::string> titles;
    std::string flushed;
    const auto flush = [&] {
        flushed.clear();
        words.AppendText(flushed);
        result.entries += words.Count();
        result.flushedBytes += flushed.size();
        words.Clear();
        titles.clear();
    };
    const auto start = std::chrono::steady_clock::now();
    const double processorStart = bench::ProcessorSeconds();
    int number = 0;
    for (const auto& path : paths) {
        platform::TextLineReader document(path);
        reader.Read(document, ++number, path, "", "", rules, words, titles);
        if (number % kChunkDocuments == 0) flush();
    }
    flush();
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.processorSeconds = bench::ProcessorSeconds() - processorStart;
    return result;
}

/// Only the line reading, for comparison: what the scanner adds on top.
/// Returns the processor seconds used.
double ReadPass(const std::vector<std::string>& paths, std::size_t& lines) {
    const double start = bench::ProcessorSeconds();
    lines = 0;
    for (const auto& path : paths) {
        platform::TextLineReader document(path);
        std::string_view line;
        while (document.ReadLine(line)) ++lines;
    }
    return bench::ProcessorSeconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: ScannerBench [--megabytes N] [--documents D] [--rounds R] [--folder F]\n");
        return 2;
    }
    const auto folder =
        std::filesystem::temp_directory_path() / ("tarvo-scanner-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    int status = 0;
    try {
        std::size_t totalBytes = 0;
        const bool generated = options.folder.empty();
        const auto paths = generated ? WriteCorpus(folder, options, totalBytes) : FindPages(options.folder, totalBytes);
        const double megabytes = static_cast<double>(totalBytes) / (1 << 20);
        std::printf("corpus: %zu documents, %.1f MB of %s\n", paths.size(), megabytes,
                    generated ? "generated HTML" : options.folder.c_str());

        std::size_t lines = 0;
        double readBest = 1e9;
        for (int round = 0; round < options.rounds; ++round) readBest = std::min(readBest, ReadPass(paths, lines));
        std::printf("line reading only:    %8.1f MB per processor second (%zu lines)\n", megabytes / readBest, lines);

        const indexer::WordRules rules{indexer::WordSettings{}};
        PassResult best;
        best.seconds = 1e9;
        for (int round = 0; round < options.rounds; ++round) {
            const PassResult pass = ScanPass(paths, rules);
            if (pass.processorSeconds < best.processorSeconds || round == 0) best = pass;
        }
        // Processor time, not wall time: other work on the machine does not count.
        std::printf("scan to word entries: %8.1f MB per processor second (%.3f s processor, %.3f s wall)\n",
                    megabytes / best.processorSeconds, best.processorSeconds, best.seconds);
        std::printf("                      %zu entries, %.1f MB flushed\n", best.entries,
                    static_cast<double>(best.flushedBytes) / (1 << 20));
        std::printf("peak memory:          %8.1f MB\n", static_cast<double>(bench::PeakResidentBytes()) / (1 << 20));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ScannerBench: %s\n", error.what());
        status = 1;
    }
    std::filesystem::remove_all(folder);
    return status;
}
