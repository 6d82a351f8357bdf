// Searches while the index is rebuilt: several tarvocgi processes answer in a
// loop while tarvo-index rebuilds the same index set again and again from two
// generations of documents. Every page must be complete and equal to the page
// the old or the new set answers alone; no process may crash.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <mutex>
#include <thread>

#include "RobustTestSupport.h"

namespace robust {
namespace {

using test_support::AnswersOf;
using test_support::BinPath;
using test_support::CompletePage;
using test_support::CopyProgram;
using test_support::Describe;
using test_support::Queries;
using test_support::RunIndex;
using test_support::TempFolder;
using test_support::WriteGeneration;

constexpr int kReaders = 4;
constexpr int kRebuilds = 30;
/// Each reader asks at least this many questions, and at most the maximum.
constexpr int kMinRequestsPerReader = 20;
constexpr int kMaxRequestsPerReader = 500;
/// A bound on the whole loop on a slow machine; reaching it is no failure.
constexpr auto kLoopBound = std::chrono::seconds(15);

/// What the readers saw, shared between their threads.
class Findings {
public:
    void Count() { ++requests_; }
    void Fail(const std::string& what) {
        const std::lock_guard lock(mutex_);
        ++failures_;
        if (examples_.size() < 5) examples_.push_back(what);
    }
    int Requests() const { return requests_; }
    int Failures() const {
        const std::lock_guard lock(mutex_);
        return failures_;
    }
    std::string Examples() const {
        const std::lock_guard lock(mutex_);
        std::string text;
        for (const auto& example : examples_) text += example + "\n----\n";
        return text;
    }

private:
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    int failures_ = 0;
    std::vector<std::string> examples_;
};

TEST(ConcurrentSearch, EveryPageDuringRebuildsIsTheOldOrTheNewSetsAnswer) {
    TempFolder site;
    WriteGeneration(site, "genA", "Alpha", "alpha", 30);
    WriteGeneration(site, "genB", "Beta", "beta", 45);
    const std::string indexer = BinPath("tarvo-index");
    const std::string cgi = CopyProgram("tarvocgi", site.Path());

    // The answers of each generation, from a set built alone.
    for (const auto& [list, name] : {std::pair{"genA.lst.txt", "SetA"}, std::pair{"genB.lst.txt", "SetB"}}) {
        const auto run = RunIndex(indexer, site / list, name, site / "alone");
        ASSERT_TRUE(run.state.Exited(0)) << Describe(run.state) << " " << run.err;
    }
    const auto answersA = AnswersOf(cgi, "SetA", site / "alone.page");
    const auto answersB = AnswersOf(cgi, "SetB", site / "alone.page");
    ASSERT_NE(answersA.at("common"), answersB.at("common"));
    ASSERT_NE(answersA.at("item1*"), answersB.at("item1*"));

    const auto first = RunIndex(indexer, site / "genA.lst.txt", "DataBase", site / "run");
    ASSERT_TRUE(first.state.Exited(0)) << first.err;

    const auto deadline = std::chrono::steady_clock::now() + kLoopBound;
    std::atomic<bool> rebuilding{true};
    Findings findings;
    const auto reader = [&](int number) {
        const std::string out = site / ("reader" + std::to_string(number) + ".page");
        for (int i = 0; i < kMaxRequestsPerReader && std::chrono::steady_clock::now() < deadline; ++i) {
            if (!rebuilding && i >= kMinRequestsPerReader) break;
            const std::string& query = Queries()[static_cast<std::size_t>(i + number) % Queries().size()];
            const auto result = test_support::Search(cgi, "DataBase", query, out);
            findings.Count();
            if (!result.state.Exited(0)) {
                findings.Fail(query + ": tarvocgi " + Describe(result.state));
            } else if (const auto complete = CompletePage(result.page); !complete) {
                findings.Fail(query + ": " + complete.message());
            } else if (result.page != answersA.at(query) && result.page != answersB.at(query)) {
                findings.Fail(query + ": neither set's answer:\n" + result.page);
            }
        }
    };
    std::vector<std::thread> readers;
    for (int number = 0; number < kReaders; ++number) readers.emplace_back(reader, number);

    int rebuilds = 0;
    std::string indexFailures;
    for (; rebuilds < kRebuilds && std::chrono::steady_clock::now() < deadline; ++rebuilds) {
        const char* list = rebuilds % 2 == 0 ? "genB.lst.txt" : "genA.lst.txt";
        const auto run = RunIndex(indexer, site / list, "DataBase", site / "run");
        if (!run.state.Exited(0)) indexFailures += Describe(run.state) + " " + run.err + "\n";
    }
    rebuilding = false;
    for (auto& thread : readers) thread.join();

    std::cout << "[ robust   ] " << findings.Requests() << " searches during " << rebuilds << " rebuilds\n";
    RecordProperty("searches", findings.Requests());
    RecordProperty("rebuilds", rebuilds);
    EXPECT_EQ(indexFailures, "");
    EXPECT_GE(rebuilds, 2);
    EXPECT_EQ(findings.Failures(), 0) << findings.Examples();
}

}  // namespace
}  // namespace robust
