// An indexer killed with SIGKILL in each phase of its run (parsing, sorting,
// building, publishing) leaves the set in use byte-identical and answering as
// before, and the next normal run is clean and publishes the new set whole.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "RobustTestSupport.h"
#include "indexer/engine/IndexingRun.h"
#include "platform/FileLocking.h"

namespace robust {
namespace {

using test_support::AnswersOf;
using test_support::BinPath;
using test_support::Describe;
using test_support::ExitState;
using test_support::Exists;
using test_support::RunIndex;
using test_support::SiteInUse;
using test_support::StagedFiles;
using test_support::WaitFor;
using test_support::WriteGeneration;

/// Ends its own process with SIGKILL at a chosen point of the run.
class KillingObserver : public indexer::RunObserver {
public:
    std::string killAtStep;        ///< when this step is shown
    std::string killAtDocument;    ///< when this many documents have been read
    bool killAtWordTotal = false;  ///< at the first word total of the build

    void ShowCurrentStep(std::string_view text) override {
        step_ = text;
        if (text == killAtStep) ::raise(SIGKILL);
    }
    void ShowFilesProcessed(std::string_view text) override {
        if (text == killAtDocument) ::raise(SIGKILL);
    }
    void ShowWordTotal(std::string_view text) override {
        if (killAtWordTotal && step_ == "Building Index" && !text.empty()) ::raise(SIGKILL);
    }

private:
    std::string step_;
};

/// Runs the engine on the file list in a child process with the observer;
/// returns the child's process id.
pid_t StartRun(const std::string& filelist, KillingObserver& observer) {
    indexer::RunSettings settings;
    settings.project.filelist = filelist;
    settings.project.database = "DataBase";
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    try {
        indexer::RunIndexer(settings, observer);
    } catch (...) {
        ::_exit(1);
    }
    ::_exit(0);
}

/// Waits until a lock request on the folder waits in the kernel's lock table.
bool WaitForBlockedLock(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return false;
    const std::string inode = ":" + std::to_string(info.st_ino) + " ";
    for (int attempt = 0; attempt < 2000; ++attempt) {
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);) {
            if (line.find("->") != std::string::npos && line.find(inode) != std::string::npos) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

/// After the kill: the set in use is as it was; then a normal run of
/// tarvo-index publishes generation B whole and leaves no staged file.
void ExpectCleanRecovery(const SiteInUse& site, const std::map<std::string, std::string>& answersB) {
    EXPECT_TRUE(site.Unchanged());
    const auto next = RunIndex(BinPath("tarvo-index"), site.site / "genB.lst.txt", "DataBase", site.site / "next");
    EXPECT_TRUE(next.state.Exited(0)) << Describe(next.state) << " " << next.err;
    EXPECT_EQ(next.err, "");
    EXPECT_EQ(StagedFiles(site.site.Path()), std::vector<std::string>{});
    EXPECT_FALSE(Exists(site.Database() + ".temp"));
    EXPECT_EQ(AnswersOf(site.cgi, "DataBase", site.site / "after.page"), answersB);
}

/// Generation B's answers, from a set built alone.
std::map<std::string, std::string> AnswersOfGenerationB(const SiteInUse& site) {
    const auto run = RunIndex(BinPath("tarvo-index"), site.site / "genB.lst.txt", "SetB", site.site / "alone");
    EXPECT_TRUE(run.state.Exited(0)) << run.err;
    return AnswersOf(site.cgi, "SetB", site.site / "alone.page");
}

TEST(KilledIndexer, AKillInEachPhaseKeepsTheSetInUseAndTheNextRunIsClean) {
    const struct {
        const char* name;
        std::string step;
        std::string document;
        bool wordTotal;
    } cases[] = {
        {"parsing, after the first chunk was written", "", "30", false},
        {"sorting", "Sorting Words", "", false},
        {"building, at its start", "Building Index", "", false},
        {"building, with words written", "", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SiteInUse site;
        WriteGeneration(site.site, "genB", "Beta", "beta", 60);
        const auto answersB = AnswersOfGenerationB(site);
        KillingObserver observer;
        observer.killAtStep = c.step;
        observer.killAtDocument = c.document;
        observer.killAtWordTotal = c.wordTotal;
        const ExitState state = WaitFor(StartRun(site.site / "genB.lst.txt", observer));
        EXPECT_EQ(state.signal, SIGKILL) << Describe(state);
        ExpectCleanRecovery(site, answersB);
    }
}

TEST(KilledIndexer, AKillWhilePublishingWaitsForTheFolderKeepsTheSetInUse) {
    if (!std::filesystem::exists("/proc/locks")) GTEST_SKIP() << "no lock table to watch";
    SiteInUse site;
    WriteGeneration(site.site, "genB", "Beta", "beta", 60);
    const auto answersB = AnswersOfGenerationB(site);
    // A search holds the folder while it opens the set: the run has written
    // and flushed its whole staged set and waits to rename it.
    platform::FolderLock search = platform::FolderLock::Acquire(site.site.Path(), platform::FolderLock::Kind::Shared);
    ASSERT_TRUE(search.IsHeld());
    KillingObserver observer;
    const pid_t pid = StartRun(site.site / "genB.lst.txt", observer);
    const bool blocked = WaitForBlockedLock(site.site.Path());
    const auto staged = StagedFiles(site.site.Path());
    ::kill(pid, SIGKILL);
    const ExitState state = WaitFor(pid);
    search.Release();
    EXPECT_TRUE(blocked) << "the run did not wait to publish";
    EXPECT_EQ(state.signal, SIGKILL) << Describe(state);
    EXPECT_GE(staged.size(), 4u) << "the staged set was not complete";
    ExpectCleanRecovery(site, answersB);
}

TEST(KilledIndexer, ARealIndexerKilledWhileItsWorkFileGrowsKeepsTheSetInUse) {
    // The real program, killed as soon as its work file appears (the first
    // chunk of the parse is written): the phase depends on the machine's
    // speed, the outcome must not.
    SiteInUse site;
    WriteGeneration(site.site, "genB", "Beta", "beta", 600);
    test_support::Launch launch;
    launch.program = BinPath("tarvo-index");
    launch.arguments = {"--filelist", site.site / "genB.lst.txt", "--database", "DataBase", "--quiet"};
    const pid_t pid = test_support::Start(launch);
    ASSERT_GT(pid, 0);
    bool seen = false;
    for (int attempt = 0; attempt < 20000 && !seen; ++attempt) {
        seen = Exists(site.Database() + ".temp");
        if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    ::kill(pid, SIGKILL);
    const ExitState state = WaitFor(pid);
    EXPECT_TRUE(seen) << "the work file never appeared";
    EXPECT_EQ(state.signal, SIGKILL) << "the run ended before the kill: " << Describe(state);
    EXPECT_TRUE(site.Unchanged());
    const auto next = RunIndex(BinPath("tarvo-index"), site.site / "genB.lst.txt", "DataBase", site.site / "next");
    EXPECT_TRUE(next.state.Exited(0)) << Describe(next.state) << " " << next.err;
    EXPECT_EQ(StagedFiles(site.site.Path()), std::vector<std::string>{});
}

}  // namespace
}  // namespace robust
