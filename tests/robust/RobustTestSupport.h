// Helpers for the robustness tests: a temporary site folder, starting the
// real tarvo-index and tarvocgi programs as child processes (with a file-size
// limit or another user where a test needs one), reading the results page a
// search answers and checking that it is complete.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"
namespace robust::test_support {

using tarvo_test::ReadBytes;
using tarvo_test::TempFolder;
using tarvo_test::WriteBytes;

inline bool Exists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

inline std::string BinPath(const std::string& program) { return std::string(TARVO_BIN_DIR) + "/" + program; }

/// How a child process ended.
struct ExitState {
    int status = -1;  ///< exit status; -1 when a signal ended it
    int signal = 0;   ///< the signal that ended it; 0 when it exited
    bool Exited(int expected) const { return signal == 0 && status == expected; }
};

inline std::string Describe(const ExitState& state) {
    return state.signal != 0 ? "killed by signal " + std::to_string(state.signal)
                             : "exit status " + std::to_string(state.status);
}

/// What to start and how.
struct Launch {
    std::string program;
    std::vector<std::string> arguments;
    /// The whole environment; empty: the test's own.
    std::vector<std::string> environment;
    std::string workingFolder;  ///< empty: the test's own
    std::string outPath;        ///< standard output; empty: /dev/null
    std::string errPath;        ///< standard error; empty: /dev/null
    /// A file-size limit in bytes (writes beyond it fail with EFBIG); 0: none.
    rlim_t fileSizeLimit = 0;
    /// Run as this user and group (root only); nullopt: as the test.
    std::optional<uid_t> user;
};

inline ExitState WaitFor(pid_t pid) {
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0) {
        if (errno != EINTR) return {};
    }
    if (WIFSIGNALED(raw)) return {-1, WTERMSIG(raw)};
    return {WEXITSTATUS(raw), 0};
}

/// Starts the program; returns its process id, or -1 when the fork failed.
/// Everything the child needs is prepared before the fork, so the child only
/// calls functions that are safe there.
inline pid_t Start(const Launch& launch) {
    std::vector<std::string> argv{launch.program};
    argv.insert(argv.end(), launch.arguments.begin(), launch.arguments.end());
    std::vector<char*> argp;
    for (auto& argument : argv) argp.push_back(argument.data());
    argp.push_back(nullptr);
    std::vector<std::string> env = launch.environment;
    std::vector<char*> envp;
    for (auto& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    const std::string out = launch.outPath.empty() ? "/dev/null" : launch.outPath;
    const std::string err = launch.errPath.empty() ? "/dev/null" : launch.errPath;
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int inFd = ::open("/dev/null", O_RDONLY);
    if (outFd < 0 || errFd < 0 || inFd < 0) ::_exit(126);
    ::dup2(inFd, 0);
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    if (!launch.workingFolder.empty() && ::chdir(launch.workingFolder.c_str()) != 0) ::_exit(126);
    if (launch.fileSizeLimit > 0) {
        // Ignored, SIGXFSZ no longer ends the process: the write fails with EFBIG.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{launch.fileSizeLimit, launch.fileSizeLimit};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    if (launch.user) {
        const gid_t group = *launch.user;
        if (::setgroups(0, nullptr) != 0 || ::setgid(group) != 0 || ::setuid(*launch.user) != 0) ::_exit(126);
    }
    if (launch.environment.empty()) ::execv(launch.program.c_str(), argp.data());
    else ::execve(launch.program.c_str(), argp.data(), envp.data());
    ::_exit(127);
}

inline ExitState Run(const Launch& launch) {
    const pid_t pid = Start(launch);
    if (pid < 0) return {};
    return WaitFor(pid);
}

/// A run of tarvo-index: how it ended and what it printed.
struct IndexRun {
    ExitState state;
    std::string out;
    std::string err;
};

/// Runs `program` (tarvo-index, or a copy of it) with the file list and
/// database, quietly, from the file list's folder.
inline IndexRun RunIndex(const std::string& program, const std::string& filelist, const std::string& database,
                         const std::string& scratchPrefix, rlim_t fileSizeLimit = 0,
                         std::optional<uid_t> user = std::nullopt) {
    Launch launch;
    launch.program = program;
    launch.arguments = {"--filelist", filelist, "--database", database, "--quiet"};
    launch.outPath = scratchPrefix + ".out";
    launch.errPath = scratchPrefix + ".err";
    launch.fileSizeLimit = fileSizeLimit;
    launch.user = user;
    IndexRun run;
    run.state = Run(launch);
    run.out = ReadBytes(launch.outPath);
    run.err = ReadBytes(launch.errPath);
    return run;
}

/// The environment a web server gives tarvocgi for a GET request.
inline std::vector<std::string> CgiEnvironment(const std::string& volume, const std::string& words) {
    std::string query = "volumeName=" + volume + "&searchWords=";
    for (const char ch : words) {
        if (ch == ' ') query += '+';
        else if (ch == '*') query += "%2A";
        else query += ch;
    }
    query += "&language=en";
    return {"PATH=/usr/bin:/bin",       "GATEWAY_INTERFACE=CGI/1.1", "SERVER_SOFTWARE=tarvo-robust-test",
            "SERVER_PROTOCOL=HTTP/1.1", "REQUEST_METHOD=GET",        "SCRIPT_NAME=/cgi-bin/tarvocgi",
            "QUERY_STRING=" + query};
}

/// One answered search: how tarvocgi ended and the page it wrote.
struct SearchResult {
    ExitState state;
    std::string page;
};

/// Runs the tarvocgi copy `program` once for `words` on the set `volume`
/// (relative to the program's folder); `outPath` receives the page.
inline SearchResult Search(const std::string& program, const std::string& volume, const std::string& words,
                           const std::string& outPath) {
    Launch launch;
    launch.program = program;
    launch.environment = CgiEnvironment(volume, words);
    launch.outPath = outPath;
    SearchResult result;
    result.state = Run(launch);
    result.page = ReadBytes(outPath);
    return result;
}

/// Copies the program into `folder`, so that index sets there are found
/// relative to it (tarvocgi) or it can be run by another user (tarvo-index).
inline std::string CopyProgram(const std::string& program, const std::string& folder) {
    const std::string copy = folder + "/" + program;
    std::filesystem::copy_file(BinPath(program), copy, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(copy, std::filesystem::perms::all, std::filesystem::perm_options::add);
    return copy;
}

/// Succeeds when the page is complete: both data markers in order, a count
/// line first, then as many document lines as it counts (or one or two
/// message lines when it counts none), and no file error message.
inline ::testing::AssertionResult CompletePage(const std::string& page) {
    const std::string start = "<!--start of data-->\r\n";
    const std::string end = "<!--end of data-->\r\n";
    const std::size_t from = page.find(start);
    const std::size_t to = page.find(end);
    if (from == std::string::npos || to == std::string::npos || to < from)
        return ::testing::AssertionFailure() << "data markers missing: " << page;
    if (page.find("</BODY></HTML>", to) == std::string::npos)
        return ::testing::AssertionFailure() << "page ends early: " << page;
    std::vector<std::string> lines;
    for (std::size_t at = from + start.size(); at < to;) {
        const std::size_t eol = page.find("\r\n", at);
        lines.push_back(page.substr(at, eol - at));
        at = eol + 2;
    }
    if (lines.empty()) return ::testing::AssertionFailure() << "no count line: " << page;
    const std::size_t tilde = lines[0].find("~|~~|~");
    if (tilde == std::string::npos || tilde == 0 || tilde > 9 || lines[0].find_first_not_of("0123456789") != tilde)
        return ::testing::AssertionFailure() << "bad count line: " << page;
    const int count = std::stoi(lines[0].substr(0, tilde));
    if (page.find("File errors!") != std::string::npos) return ::testing::AssertionFailure() << "file error: " << page;
    const std::size_t body = lines.size() - 1;
    if (count > 0 ? body != static_cast<std::size_t>(count) : (body < 1 || body > 2))
        return ::testing::AssertionFailure() << "count " << count << " with " << body << " lines: " << page;
    return ::testing::AssertionSuccess();
}

/// The documents of one generation of a site: `count` pages "<stem>/p<n>.htm"
/// titled "<Title> page <n>", each with the words "common", `word` and
/// "item<n>", and the file list "<stem>.lst.txt" naming them all.
inline void WriteGeneration(const TempFolder& site, const std::string& stem, const std::string& title,
                            const std::string& word, int count) {
    for (int n = 1; n <= count; ++n) {
        WriteBytes(site / (stem + "/p" + std::to_string(n) + ".htm"),
                   "<HTML><HEAD><TITLE>" + title + " page " + std::to_string(n) + "</TITLE></HEAD><BODY>common " +
                       word + " item" + std::to_string(n) + " text</BODY></HTML>\r\n");
    }
    WriteBytes(site / (stem + ".lst.txt"), stem + "/*.htm\r\n");
}

/// The queries the robustness tests ask: every kind of answer (documents,
/// nothing found, the wildcard rule) and terms that differ between generations.
inline const std::vector<std::string>& Queries() {
    static const std::vector<std::string> queries{"common", "alpha OR beta", "item1*", "common NOT beta", "zzz", "c*"};
    return queries;
}

/// The page of every query on the set at `volume`, by query.
inline std::map<std::string, std::string> AnswersOf(const std::string& program, const std::string& volume,
                                                    const std::string& scratch) {
    std::map<std::string, std::string> answers;
    for (const auto& query : Queries()) {
        const SearchResult result = Search(program, volume, query, scratch);
        EXPECT_TRUE(result.state.Exited(0)) << query << ": " << Describe(result.state);
        EXPECT_TRUE(CompletePage(result.page)) << query;
        answers[query] = result.page;
    }
    return answers;
}

/// The published files of the set at `database`, by extension; missing files are absent.
inline std::map<std::string, std::string> SetFiles(const std::string& database) {
    std::map<std::string, std::string> files;
    for (const char* extension : {".toc", ".dct", ".ndx", ".hsh", ".ext", ".lst"}) {
        if (Exists(database + extension)) files[extension] = ReadBytes(database + extension);
    }
    return files;
}

/// The names in `folder` that end in the staged suffix ".new".
inline std::vector<std::string> StagedFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".new")) names.push_back(name);
    }
    return names;
}

/// A site in use: generation A (30 pages "Alpha page n" with the word
/// "alpha") indexed as "DataBase" beside a copy of tarvocgi, with the set's
/// bytes and the pages it answers kept for comparison after a fault.
class SiteInUse {
public:
    SiteInUse() {
        WriteGeneration(site, "genA", "Alpha", "alpha", 30);
        cgi = CopyProgram("tarvocgi", site.Path());
        const IndexRun run = RunIndex(BinPath("tarvo-index"), site / "genA.lst.txt", "DataBase", site / "first");
        EXPECT_TRUE(run.state.Exited(0)) << Describe(run.state) << " " << run.err;
        files = SetFiles(Database());
        answers = AnswersOf(cgi, "DataBase", site / "answer.page");
    }

    std::string Database() const { return site / "DataBase"; }

    /// Succeeds when the published set has the bytes it had before the fault
    /// and tarvocgi answers every query with the same page.
    ::testing::AssertionResult Unchanged() const {
        if (SetFiles(Database()) != files) return ::testing::AssertionFailure() << "the published set changed";
        const auto now = AnswersOf(cgi, "DataBase", site / "answer.page");
        for (const auto& [query, page] : answers) {
            if (now.at(query) != page)
                return ::testing::AssertionFailure() << query << " answers\n"
                                                     << now.at(query) << "instead of\n"
                                                     << page;
        }
        return ::testing::AssertionSuccess();
    }

    TempFolder site;
    std::string cgi;
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> answers;
};

}  // namespace robust::test_support
