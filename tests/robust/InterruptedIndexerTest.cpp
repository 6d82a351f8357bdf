// The real tarvo-index stopped by SIGINT, SIGTERM or SIGHUP while it reads a
// large site over a published index: it publishes nothing, leaves the set in
// use byte-identical and no staged or work file behind, says so and exits as
// the signal's status; with --publish-partial it publishes what it read.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "RobustTestSupport.h"

namespace robust {
namespace {

using test_support::BinPath;
using test_support::Describe;
using test_support::ExitState;
using test_support::Exists;
using test_support::ReadBytes;
using test_support::SiteInUse;
using test_support::WaitFor;
using test_support::WriteGeneration;

/// Documents of the run that is stopped: enough that it is still reading
/// long after its first chunk is written, on any machine.
constexpr int kDocumentsToStop = 3000;

/// Every file of the database's name ("DataBase.*", staged and work files
/// included), by name.
std::map<std::string, std::string> DatabaseFiles(const SiteInUse& site) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(site.site.Path())) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("DataBase.")) files[name] = ReadBytes(entry.path().string());
    }
    return files;
}

/// What a stopped tarvo-index did.
struct StoppedRun {
    ExitState state;
    std::string out;
    std::string err;
    bool started = false;  ///< the work file had appeared before the signal
};

/// Starts tarvo-index on generation B with `extra` options, sends `signal`
/// once its first chunk is written, and waits for it to end.
StoppedRun RunAndStop(const SiteInUse& site, int signal, const std::vector<std::string>& extra = {}) {
    test_support::Launch launch;
    launch.program = BinPath("tarvo-index");
    launch.arguments = {"--filelist", site.site / "genB.lst.txt", "--database", "DataBase"};
    launch.arguments.insert(launch.arguments.end(), extra.begin(), extra.end());
    launch.outPath = site.site / "stopped.out";
    launch.errPath = site.site / "stopped.err";
    StoppedRun run;
    const pid_t pid = test_support::Start(launch);
    if (pid <= 0) return run;
    for (int attempt = 0; attempt < 20000 && !run.started; ++attempt) {
        run.started = Exists(site.Database() + ".temp");
        if (!run.started) std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    ::kill(pid, signal);
    run.state = WaitFor(pid);
    run.out = ReadBytes(launch.outPath);
    run.err = ReadBytes(launch.errPath);
    return run;
}

TEST(InterruptedIndexer, ASignalPublishesNothingAndExitsWithTheSignalsStatus) {
    const struct {
        const char* name;
        int signal;
        int status;
    } cases[] = {
        {"SIGINT", SIGINT, 130},
        {"SIGTERM", SIGTERM, 143},
        {"SIGHUP", SIGHUP, 129},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SiteInUse site;
        WriteGeneration(site.site, "genB", "Beta", "beta", kDocumentsToStop);
        const auto before = DatabaseFiles(site);
        const StoppedRun run = RunAndStop(site, c.signal);
        EXPECT_TRUE(run.started) << "the work file never appeared";
        EXPECT_TRUE(run.state.Exited(c.status)) << Describe(run.state) << " " << run.err;
        EXPECT_EQ(run.out, "Stopped: nothing published\n");
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(DatabaseFiles(site), before) << "the set changed, or a staged or work file stayed";
        EXPECT_TRUE(site.Unchanged());
    }
}

TEST(InterruptedIndexer, PublishPartialPublishesWhatWasReadAndExits130) {
    SiteInUse site;
    WriteGeneration(site.site, "genB", "Beta", "beta", kDocumentsToStop);
    const StoppedRun run = RunAndStop(site, SIGTERM, {"--publish-partial"});
    EXPECT_TRUE(run.started) << "the work file never appeared";
    EXPECT_TRUE(run.state.Exited(130)) << Describe(run.state) << " " << run.err;
    EXPECT_EQ(run.out.rfind("Stopped: ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find(" documents, "), std::string::npos) << run.out;
    EXPECT_NE(test_support::SetFiles(site.Database()), site.files) << "the documents read were not published";
    EXPECT_EQ(test_support::StagedFiles(site.site.Path()), std::vector<std::string>{});
    EXPECT_FALSE(Exists(site.Database() + ".temp"));
    // The partial set is whole: every query is answered with a complete page.
    test_support::AnswersOf(site.cgi, "DataBase", site.site / "partial.page");
}

}  // namespace
}  // namespace robust
