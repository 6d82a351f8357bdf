// Helpers shared by the index tests: a temporary folder removed at the end,
// whole-file reads and writes, byte-for-byte comparison that names the first
// differing offset, and an observer that records what a run reports.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "indexer/engine/IndexingRun.h"
#include "indexer/engine/RunObserver.h"
#include "tests/support/TestFiles.h"

namespace indexer::test_support {

using tarvo_test::ReadBytes;
using tarvo_test::TempFolder;
using tarvo_test::WriteBytes;

/// Run settings for the file list `list`, written into `folder` as `name`.
inline RunSettings SettingsForList(const TempFolder& folder, const std::string& list,
                                   const std::string& name = "list.txt") {
    WriteBytes(folder / name, list);
    RunSettings settings;
    settings.project.filelist = folder / name;
    return settings;
}

/// A stop asked for at one point of a run of 30 documents, and the number of
/// ".toc" lines the run leaves. Pumps: two per document (before and after
/// reading it).
struct StopCase {
    std::string name;
    std::string stopAtStep;
    long stopAfterPumps;
    std::size_t tocLines;
};

inline const StopCase kStopInEachPhase[] = {
    {"parsing, before any document", "Parsing Files", 0, 0},
    {"parsing, after two documents", "", 4, 2},
    {"sorting", "Sorting Words", 0, 30},
    {"building", "Building Index", 0, 30},
};

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

/// The checked-in golden file `name` of tests/indexer/data/golden.
inline std::string GoldenBytes(const std::string& name) {
    const std::string path = std::string(TARVO_TEST_DATA_DIR) + "/golden/" + name;
    EXPECT_TRUE(Exists(path)) << "missing golden file " << path;
    return ReadBytes(path);
}

/// Succeeds when both byte strings are equal; otherwise names the sizes and
/// the first offset at which they differ.
inline ::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
    const std::size_t common = std::min(actual.size(), expected.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (actual[i] != expected[i]) {
            return ::testing::AssertionFailure()
                   << "first difference at offset " << i << ": got 0x" << std::hex
                   << (static_cast<unsigned>(static_cast<unsigned char>(actual[i]))) << ", expected 0x"
                   << (static_cast<unsigned>(static_cast<unsigned char>(expected[i])));
        }
    }
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "sizes differ: got " << actual.size() << " bytes, expected "
                                             << expected.size() << " (equal up to offset " << common << ")";
    return ::testing::AssertionSuccess();
}

/// The bytes of a posting file with the document numbers of each list in
/// ascending order: equal when two files list the same documents per word.
inline std::string OrderedPostingLists(const std::string& ndx) {
    auto valueAt = [&ndx](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(ndx[at])) |
               static_cast<unsigned>(static_cast<unsigned char>(ndx[at + 1])) << 8;
    };
    std::string ordered = ndx;
    for (std::size_t at = 0; at + 2 <= ndx.size();) {
        const std::size_t first = at + 2, end = std::min(ndx.size(), first + 2 * std::size_t{valueAt(at)});
        std::vector<std::string> numbers;
        for (std::size_t n = first; n + 2 <= end; n += 2) numbers.push_back(ndx.substr(n, 2));
        std::sort(numbers.begin(), numbers.end(), [](const std::string& a, const std::string& b) {
            return std::string{a[1], a[0]} < std::string{b[1], b[0]};
        });
        for (std::size_t i = 0; i < numbers.size(); ++i) ordered.replace(first + 2 * i, 2, numbers[i]);
        at = end;
    }
    return ordered;
}

/// Records everything a run reports and can ask for a stop at a chosen point.
class RecordingObserver : public RunObserver {
public:
    void ShowCurrentStep(std::string_view text) override {
        steps.emplace_back(text);
        if (!stopAtStep.empty() && text == stopAtStep) stop = true;
    }
    void ShowFilesProcessed(std::string_view text) override { filesProcessed.emplace_back(text); }
    void ShowEntryWithoutDocument(std::string_view text) override { entriesWithoutDocument.emplace_back(text); }
    void ShowCurrentFileName(std::string_view text) override { fileNames.emplace_back(text); }
    void ShowWordTotal(std::string_view text) override { wordTotals.emplace_back(text); }
    void ShowStartTime(std::string_view text) override { startTime = text; }
    void ShowEndTime(std::string_view text) override { endTime = text; }
    void ShowIndicate(std::string_view text) override { indications.emplace_back(text); }
    void HideIndicate() override { ++indicatorHidden; }
    void LetMessagesThrough() override {
        ++messagePumps;
        if (stopAfterPumps > 0 && messagePumps >= stopAfterPumps) stop = true;
    }
    bool StopRequested() override { return stop; }

    std::vector<std::string> steps, filesProcessed, fileNames, wordTotals, indications, entriesWithoutDocument;
    std::string startTime, endTime = "unset";
    int indicatorHidden = 0;
    long messagePumps = 0;
    /// Ask for a stop as soon as this step is shown ("" = never).
    std::string stopAtStep;
    /// Ask for a stop after this many message pumps (0 = never).
    long stopAfterPumps = 0;
    bool stop = false;
};

}  // namespace indexer::test_support
