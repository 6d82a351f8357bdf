// tarvo-index: runs the indexer from the command line, on a project file or
// on options, with live progress on a terminal and a one-line summary.
#include <chrono>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/IndexingError.h"
#include "indexer/engine/IndexingRun.h"
#include "indexer/engine/ProjectFile.h"
#include "indexer/engine/StoredDefaults.h"
#include "indexfiles/IndexFiles.h"
#include "platform/CodePage.h"
#include "platform/Utf8Text.h"
#include "platform/File.h"
#include "platform/InterruptRequest.h"
#include "platform/PathNames.h"
#include "TarvoBuild.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
/// A run stopped with --publish-partial, whatever signal stopped it.
constexpr int kExitInterrupted = 130;
/// A run stopped without publishing ends as if killed by the signal: 128 + its number.
constexpr int kExitBySignalBase = 128;
/// Entries without document named one by one; the rest are counted.
constexpr int kEntriesNamed = 20;

constexpr std::string_view kHelp =
    "Usage: tarvo-index PROJECT.tarvo [options]\n"
    "       tarvo-index --filelist FILE [options]\n"
    "\n"
    "Builds the index file set (.toc .dct .ndx .hsh, and .ext for large\n"
    "dictionaries) that the search program reads.\n"
    "\n"
    "Options (they override the project's values):\n"
    "  --filelist FILE      the file list naming the documents\n"
    "  --stopwords FILE     one stopword per line\n"
    "  --database NAME      base name of the index files (default DataBase),\n"
    "                       relative to the file list's folder\n"
    "  --delimiters STRING  characters that separate words (CR, LF, Tab always do)\n"
    "  --digitmin N         numbers need at least N digits to be words (0: never)\n"
    "  --digitmax N         numbers may have at most N digits (0: no bound)\n"
    "  --dumpwords          also write NAME.lst, every word with its document count\n"
    "  --charset NAME       windows-1252, windows-1250 or utf-8: the character set\n"
    "                       of documents that declare none (by a byte order mark\n"
    "                       or a <meta>)\n"
    "  --codepage NAME      windows-1252 (the default), windows-1250 or utf-8: the\n"
    "                       code page of the index set's words and titles\n"
    "  --debug              keep the sorted work file NAME.temp\n"
    "  --publish-partial    when a signal stops the run, publish what was read\n"
    "  --quiet              print errors only\n"
    "  --help               show this text\n"
    "  --version            show the version\n"
    "\n"
    "File list: one entry per line (lines of the file list and of the stopword\n"
    "file end at CR LF, CR or LF), a path, then optionally \"T:\" and a title and\n"
    "\"F:\" and a URL, in either order. The last path component may hold the\n"
    "wildcards * and ? (letter case ignored); every match is one document and\n"
    "all documents of a line share its title and URL. Relative paths start at\n"
    "the file list's folder; '\\' and '/' both separate folders.\n"
    "  docs/*.htm T: Product pages F: http://example.com/docs/\n"
    "  news.txt F: http://example.com/news.txt T: Latest news\n"
    "Entries that match no file are named on standard error and counted in the\n"
    "summary; when no entry matches a file the run fails and publishes nothing.\n"
    "\n"
    "Ctrl+C (SIGINT), SIGTERM or SIGHUP stops the run and publishes nothing: the\n"
    "index files in use stay as they were, and the exit status is 130 (SIGINT),\n"
    "143 (SIGTERM) or 129 (SIGHUP). With --publish-partial what was read is\n"
    "published instead, and the exit status is 130.\n";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The command line, as read.
struct Options {
    std::string projectPath;
    std::optional<std::string> filelist, stopwords, database, delimiters;
    std::optional<std::int32_t> digitmin, digitmax;
    std::optional<indexer::DocumentCharset> charset;
    std::optional<platform::IndexCodePage> codePage;
    bool dumpwords = false;
    bool debug = false;
    bool publishPartial = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

std::int32_t ParseCount(std::string_view flag, std::string_view text) {
    const auto value = indexer::ParseProfileInteger(text);
    if (!value) throw UsageError(std::string(flag) + " needs a number, not \"" + std::string(text) + "\"");
    return *value;
}

indexer::DocumentCharset ParseCharset(std::string_view text) {
    const auto charset = indexer::ParseCharsetSetting(text);
    if (!charset)
        throw UsageError("--charset needs windows-1252, windows-1250 or utf-8, not \"" + std::string(text) + "\"");
    return *charset;
}

platform::IndexCodePage ParseCodePage(std::string_view text) {
    const auto codePage = platform::ParseCodePageName(text);
    if (!codePage)
        throw UsageError("--codepage needs windows-1252, windows-1250 or utf-8, not \"" + std::string(text) + "\"");
    return *codePage;
}

Options ParseOptions(const std::vector<std::string_view>& arguments) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= arguments.size()) throw UsageError(std::string(argument) + " needs a value");
            return std::string(arguments[++i]);
        };
        if (argument == "--help" || argument == "-h") options.help = true;
        else if (argument == "--version") options.version = true;
        else if (argument == "--filelist") options.filelist = value();
        else if (argument == "--stopwords") options.stopwords = value();
        else if (argument == "--database") options.database = value();
        else if (argument == "--delimiters") options.delimiters = value();
        else if (argument == "--digitmin") options.digitmin = ParseCount(argument, value());
        else if (argument == "--digitmax") options.digitmax = ParseCount(argument, value());
        else if (argument == "--dumpwords") options.dumpwords = true;
        else if (argument == "--charset") options.charset = ParseCharset(value());
        else if (argument == "--codepage") options.codePage = ParseCodePage(value());
        else if (argument == "--debug" || argument == "debug") options.debug = true;
        else if (argument == "--publish-partial") options.publishPartial = true;
        else if (argument == "--quiet" || argument == "-q") options.quiet = true;
        else if (argument.starts_with("-")) throw UsageError("unknown option " + std::string(argument));
        else if (options.projectPath.empty()) options.projectPath = argument;
        else throw UsageError("more than one project file given");
    }
    return options;
}

/// Word options start where the desktop program starts them: from the user's
/// stored defaults (only read here, never written), so a project without an
/// Options section indexes the same way in both. A default that cannot be
/// read is reported and the options read before it are kept.
void ApplyStoredWordDefaults(indexer::TProjectSettings& project) {
    indexer::WordDefaults words = indexer::BuiltInWordDefaults();
    try {
        indexer::ReadUserWordDefaults(words);
    } catch (const indexer::StoredDefaultsError& error) {
        std::fprintf(stderr, "tarvo-index: stored defaults: %s\n", error.what());
    }
    project.delimiters = words.delimiters;
    project.dumpwords = words.dumpwords;
    project.digitmin = words.digitmin;
    project.digitmax = words.digitmax;
    project.charset = words.charset;
    project.codePage = words.codePage;
}

/// The run's settings: the user's stored word defaults, then the project (its
/// relative paths taken from its folder), then the flags.
indexer::RunSettings SettingsFrom(const Options& options) {
    indexer::RunSettings settings;
    indexer::TProjectSettings& project = settings.project;
    ApplyStoredWordDefaults(project);
    if (!options.projectPath.empty()) {
        if (!platform::FileExists(options.projectPath))
            throw indexer::IndexingError("Project file not found: " + options.projectPath);
        indexer::LoadProject(options.projectPath, project);
        const std::string folder = platform::DirectoryOf(options.projectPath);
        project.filelist = platform::ResolveAgainst(folder, project.filelist);
        project.stopwords = platform::ResolveAgainst(folder, project.stopwords);
    }
    if (options.filelist) project.filelist = *options.filelist;
    if (options.stopwords) project.stopwords = *options.stopwords;
    if (options.database) project.database = *options.database;
    if (options.delimiters) project.delimiters = *options.delimiters;
    if (options.digitmin) project.digitmin = *options.digitmin;
    if (options.digitmax) project.digitmax = *options.digitmax;
    if (options.dumpwords) project.dumpwords = true;
    if (options.charset) project.charset = *options.charset;
    if (options.codePage) project.codePage = *options.codePage;
    settings.keepWorkFile = options.debug;
    settings.publishWhenStopped = options.publishPartial;
    if (project.filelist.empty()) throw UsageError("no file list: give a project file or --filelist FILE");
    return settings;
}

/// Live progress on one terminal line of stderr, redrawn at most ten times
/// a second; an interrupt signal is the stop request. The file-list entries
/// that match no file are named on stderr as they come.
class TerminalProgress : public indexer::RunObserver {
public:
    explicit TerminalProgress(bool live) : live_(live) {}
    ~TerminalProgress() override { Clear(); }

    void ShowEntryWithoutDocument(std::string_view pathPart) override {
        if (++entriesWithoutDocument_ > kEntriesNamed) return;
        Clear();
        std::fprintf(stderr, "tarvo-index: no document matches %.*s\n", static_cast<int>(pathPart.size()),
                     pathPart.data());
        Redraw(true);
    }
    void ShowStopwordFileMissing(std::string_view path) override {
        Clear();
        std::fprintf(stderr, "tarvo-index: stopword file not found, every word is indexed: %s\n",
                     platform::Windows1252ToUtf8(path).c_str());
        Redraw(true);
    }
    /// After the run, ended or failed: how many entries were not named.
    void CountUnnamedEntries() {
        if (entriesWithoutDocument_ <= kEntriesNamed) return;
        Clear();
        const int rest = entriesWithoutDocument_ - kEntriesNamed;
        std::fprintf(stderr, "tarvo-index: %d more %s matched no document\n", rest, rest == 1 ? "entry" : "entries");
    }

    void ShowCurrentStep(std::string_view text) override {
        step_ = text;
        Redraw(true);
    }
    void ShowFilesProcessed(std::string_view text) override {
        documents_ = text;
        Redraw(false);
    }
    void ShowCurrentFileName(std::string_view text) override {
        fileName_ = platform::Windows1252ToUtf8(text);
        Redraw(false);
    }
    void ShowWordTotal(std::string_view text) override {
        words_ = text;
        Redraw(false);
    }
    void ShowIndicate(std::string_view text) override {
        indicator_ = platform::Windows1252ToUtf8(text);
        Redraw(false);
    }
    void HideIndicate() override { indicator_.clear(); }
    bool StopRequested() override { return platform::InterruptRequested(); }

    /// Removes the progress line before other output.
    void Clear() {
        if (live_ && drawn_) std::fputs("\r\033[K", stderr);
        drawn_ = false;
    }

private:
    void Redraw(bool force) {
        if (!live_) return;
        const auto now = std::chrono::steady_clock::now();
        if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
        lastDraw_ = now;
        std::string line = step_;
        if (step_ == "Parsing Files") {
            line += ": " + (documents_.empty() ? std::string("0") : documents_) + " documents  " + fileName_;
        } else if (step_ == "Sorting Words") {
            line += " " + indicator_;
        } else if (step_ == "Building Index") {
            line += ": " + (words_.empty() ? std::string("0") : words_) + " words";
        }
        if (line.size() > 78) line.resize(78);
        std::fprintf(stderr, "\r\033[K%s", line.c_str());
        std::fflush(stderr);
        drawn_ = true;
    }

    bool live_;
    bool drawn_ = false;
    int entriesWithoutDocument_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
    std::string step_, documents_, fileName_, words_, indicator_;
};

/// The files of the set that exist after the run, as "NAME.{toc,dct,...}".
std::string FilesWritten(const std::string& databasePath) {
    std::string extensions;
    using indexfiles::IndexFile;
    for (const auto file : {IndexFile::TableOfContents, IndexFile::Dictionary, IndexFile::Postings,
                            IndexFile::PrefixHash, IndexFile::BlockLetters, IndexFile::WordDump, IndexFile::WorkFile}) {
        if (!platform::FileExists(indexfiles::IndexFileName(databasePath, file))) continue;
        if (!extensions.empty()) extensions += ",";
        extensions += std::string(indexfiles::IndexFileExtension(file).substr(1));
    }
    return databasePath + ".{" + extensions + "}";
}

/// The summary line: what was indexed, or that a stop published nothing.
/// The entries without document are counted only when there were some.
std::string SummaryLine(const indexer::RunSummary& summary, double seconds) {
    if (!summary.published) return "Stopped: nothing published";
    std::string line =
        (summary.stopped ? "Stopped: " : "Indexed ") + std::to_string(summary.documents) + " documents, ";
    if (const int missed = summary.entriesWithoutDocument; missed > 0)
        line += std::to_string(missed) + (missed == 1 ? " entry" : " entries") + " found nothing, ";
    char time[32];
    std::snprintf(time, sizeof time, ", %.2f s", seconds);
    return line + std::to_string(summary.words) + " distinct words, files " + FilesWritten(summary.databasePath) + time;
}

/// The exit status of a run that ended without an error.
int ExitStatus(const indexer::RunSummary& summary) {
    if (!summary.published) return kExitBySignalBase + platform::InterruptSignal();
    return summary.stopped ? kExitInterrupted : 0;
}

int Run(const Options& options) {
    const indexer::RunSettings settings = SettingsFrom(options);
    platform::InstallInterruptHandler();
    const auto started = std::chrono::steady_clock::now();
    TerminalProgress progress(!options.quiet && platform::StandardErrorIsTerminal());
    indexer::RunSummary summary;
    try {
        summary = indexer::RunIndexer(settings, progress);
    } catch (...) {
        progress.CountUnnamedEntries();
        throw;
    }
    progress.CountUnnamedEntries();
    progress.Clear();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!options.quiet) std::printf("%s\n", SummaryLine(summary, seconds).c_str());
    // The summary line already says "Stopped:"; the status tells scripts.
    return ExitStatus(summary);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const Options options = ParseOptions(std::vector<std::string_view>(argv + 1, argv + argc));
        if (options.help) {
            std::fputs(kHelp.data(), stdout);
            return 0;
        }
        if (options.version) {
            std::printf("tarvo-index (TARVO) %s\n", std::string(tarvo::kVersion).c_str());
            return 0;
        }
        return Run(options);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "tarvo-index: %s (see tarvo-index --help)\n", error.what());
        return kExitUsage;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarvo-index: %s\n", error.what());
        return kExitFailure;
    }
}
