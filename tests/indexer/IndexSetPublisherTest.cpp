// Replacing the index file set whole: a failing run leaves the previous set
// byte-identical, a running one stays invisible until it ends, a stop
// publishes what it leaves, and no staged file outlives a run.
#include "indexer/engine/IndexSetPublisher.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>
#include <vector>

#include "IndexTestSupport.h"
#include "indexer/engine/IndexingError.h"
#include "indexer/engine/IndexingRun.h"
#include "indexfiles/IndexFiles.h"
#include "platform/BufferedWriter.h"
#include "platform/File.h"
#include "platform/FileLocking.h"

namespace indexer {
namespace {

using namespace indexfiles;

using test_support::Exists;
using test_support::GoldenBytes;
using test_support::ReadBytes;
using test_support::RecordingObserver;
using test_support::SameBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

/// Every file a run publishes.
constexpr IndexFile kPublishedFiles[] = {IndexFile::TableOfContents, IndexFile::Dictionary,   IndexFile::Postings,
                                         IndexFile::PrefixHash,      IndexFile::BlockLetters, IndexFile::WordDump};

/// The published files of a database, by extension; missing files are absent.
using SetBytes = std::map<std::string, std::string>;

SetBytes PublishedSet(const std::string& db) {
    SetBytes set;
    for (const IndexFile file : kPublishedFiles) {
        const std::string path = IndexFileName(db, file);
        if (Exists(path)) set[std::string(IndexFileExtension(file))] = ReadBytes(path);
    }
    return set;
}

/// Succeeds when both sets hold the same files with the same bytes.
::testing::AssertionResult SameSet(const SetBytes& actual, const SetBytes& expected) {
    std::string actualNames, expectedNames;
    for (const auto& [extension, bytes] : actual) actualNames += extension + " ";
    for (const auto& [extension, bytes] : expected) expectedNames += extension + " ";
    if (actualNames != expectedNames)
        return ::testing::AssertionFailure() << "files " << actualNames << "instead of " << expectedNames;
    for (const auto& [extension, bytes] : expected) {
        const auto same = SameBytes(actual.at(extension), bytes);
        if (!same) return ::testing::AssertionFailure() << extension << ": " << same.message();
    }
    return ::testing::AssertionSuccess();
}

/// The regular files of the folder whose names end in the staged suffix.
std::vector<std::string> StagedFiles(const TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.ends_with(kStagedSuffix)) names.push_back(name);
    }
    return names;
}

/// Writes `count` documents "<stem><n>.txt" and a file list naming them.
void WriteDocuments(const TempFolder& folder, int count, const std::string& stem) {
    std::string list;
    for (int n = 1; n <= count; ++n) {
        const std::string name = stem + std::to_string(n) + ".txt";
        WriteBytes(folder / name, stem + "word" + std::to_string(n) + " shared " + stem);
        list += name + "\r\n";
    }
    WriteBytes(folder / "list.txt", list);
}

RunSettings SettingsFor(const TempFolder& folder, bool dumpwords) {
    RunSettings settings;
    settings.project.filelist = folder / "list.txt";
    settings.project.dumpwords = dumpwords;
    return settings;
}

/// Indexes three documents with the word dump, then adds a block letter file
/// as a large dictionary has one: the set a site is using before the run.
SetBytes WritePreviousSet(const TempFolder& folder) {
    WriteDocuments(folder, 3, "old");
    RunObserver quiet;
    RunIndexer(SettingsFor(folder, true), quiet);
    const auto record = MakeBlockLetterRecord("M");
    WriteBytes(folder / "DataBase.ext", std::string(record.data(), record.size()));
    const SetBytes previous = PublishedSet(folder / "DataBase");
    EXPECT_EQ(previous.size(), 6u) << "the previous set lacks a file";
    return previous;
}

/// The set a run over `count` new documents writes into an empty folder.
SetBytes FreshSet(int count) {
    TempFolder folder;
    WriteDocuments(folder, count, "new");
    RunObserver quiet;
    RunIndexer(SettingsFor(folder, false), quiet);
    return PublishedSet(folder / "DataBase");
}

/// Runs a hook at every step shown and every document counted.
class HookObserver : public RecordingObserver {
public:
    void ShowCurrentStep(std::string_view text) override {
        RecordingObserver::ShowCurrentStep(text);
        if (onStep) onStep(text);
    }
    void ShowFilesProcessed(std::string_view text) override {
        RecordingObserver::ShowFilesProcessed(text);
        if (onProcessed) onProcessed(text);
    }
    std::function<void(std::string_view)> onStep, onProcessed;
};

// ---- Failing runs -------------------------------------------------------------

struct FailureCase {
    std::string name;
    int documents;
    /// Arranges the failure on the observer; gets the database name.
    std::function<void(HookObserver&, const std::string&)> arrange;
};

TEST(IndexSetPublisher, AFailingRunLeavesThePreviousSetByteIdenticalAndNoStagedFiles) {
    const FailureCase cases[] = {
        {"the work file cannot be written by the last flush of the parse", 26,
         [](HookObserver& observer, const std::string& db) {
             observer.onProcessed = [db](std::string_view text) {
                 if (text != "26") return;
                 std::filesystem::remove(db + ".temp");
                 std::filesystem::create_directory(db + ".temp");
             };
         }},
        {"the work file ends inside a record when the build reads it", 5,
         [](HookObserver& observer, const std::string& db) {
             observer.onStep = [db](std::string_view step) {
                 if (step == "Sorting Words") platform::AppendToFile(db + ".temp", "xyz");
             };
         }},
        {"a damaged document number found by the build", 5,
         [](HookObserver& observer, const std::string& db) {
             observer.onStep = [db](std::string_view step) {
                 if (step != "Building Index") return;
                 std::string work = ReadBytes(db + ".temp");
                 work.replace(kWorkNumberOffset, kWorkNumberWidth, "abcde");
                 WriteBytes(db + ".temp", work);
             };
         }},
        {"a staged dictionary name that cannot be written", 5,
         [](HookObserver& observer, const std::string& db) {
             observer.onStep = [db](std::string_view step) {
                 if (step == "Sorting Words") std::filesystem::create_directory(db + ".dct.new");
             };
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string db = folder / "DataBase";
        const SetBytes previous = WritePreviousSet(folder);
        WriteDocuments(folder, c.documents, "new");
        HookObserver observer;
        c.arrange(observer, db);
        EXPECT_ANY_THROW(RunIndexer(SettingsFor(folder, false), observer));
        EXPECT_NE(observer.steps.back(), "Done");
        EXPECT_TRUE(SameSet(PublishedSet(db), previous));
        EXPECT_EQ(StagedFiles(folder), std::vector<std::string>{});
    }
}

TEST(IndexSetPublisher, TheDocumentLimitLeavesThePreviousSetByteIdentical) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    const SetBytes previous = WritePreviousSet(folder);
    WriteBytes(folder / "a.txt", "");
    std::string list;
    list.reserve(7 * (kMaxDocuments + 1));
    for (int i = 0; i < kMaxDocuments + 1; ++i) list += "a.txt\r\n";
    WriteBytes(folder / "list.txt", list);
    RunObserver quiet;
    EXPECT_THROW(RunIndexer(SettingsFor(folder, false), quiet), IndexLimitError);
    EXPECT_TRUE(SameSet(PublishedSet(db), previous));
    EXPECT_EQ(StagedFiles(folder), std::vector<std::string>{});
}

// ---- Runs that end ----------------------------------------------------------------

TEST(IndexSetPublisher, DuringARunThePreviousSetStaysAndAtTheEndTheNewOneReplacesItWhole) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    const SetBytes previous = WritePreviousSet(folder);
    WriteDocuments(folder, 30, "new");
    HookObserver observer;
    std::vector<std::string> seenDuringRun;
    SetBytes atDone;
    auto look = [&](const std::string& moment) {
        if (!SameSet(PublishedSet(db), previous)) seenDuringRun.push_back(moment);
    };
    observer.onStep = [&](std::string_view step) {
        if (step == "Done") atDone = PublishedSet(db);
        else look(std::string(step));
    };
    observer.onProcessed = [&](std::string_view text) { look("document " + std::string(text)); };
    const RunSummary summary = RunIndexer(SettingsFor(folder, false), observer);

    EXPECT_EQ(seenDuringRun, std::vector<std::string>{}) << "the published set changed before the run ended";
    EXPECT_EQ(observer.filesProcessed.size(), 30u);
    const SetBytes fresh = FreshSet(30);
    EXPECT_TRUE(SameSet(atDone, fresh)) << "the new set is in place when \"Done\" is shown";
    EXPECT_TRUE(SameSet(PublishedSet(db), fresh)) << "no .ext and no .lst: the new set has neither";
    EXPECT_EQ(summary.words, 32u);
    EXPECT_EQ(StagedFiles(folder), std::vector<std::string>{});
}

TEST(IndexSetPublisher, TheWordDumpIsPublishedWithTheSet) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WritePreviousSet(folder);
    WriteDocuments(folder, 2, "new");
    RunObserver quiet;
    RunIndexer(SettingsFor(folder, true), quiet);
    EXPECT_EQ(ReadBytes(db + ".lst"), FormatDumpLine(2, "NEW") + "\r\n" + FormatDumpLine(1, "NEWWORD1") + "\r\n" +
                                          FormatDumpLine(1, "NEWWORD2") + "\r\n" + FormatDumpLine(2, "SHARED") +
                                          "\r\n");
    EXPECT_EQ(StagedFiles(folder), std::vector<std::string>{});
}

TEST(IndexSetPublisher, AStopInEachPhasePublishesASetWithoutWordsOverThePreviousOne) {
    for (const auto& c : test_support::kStopInEachPhase) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string db = folder / "DataBase";
        WritePreviousSet(folder);
        WriteDocuments(folder, 30, "new");
        RecordingObserver observer;
        observer.stopAtStep = c.stopAtStep;
        observer.stopAfterPumps = c.stopAfterPumps;
        EXPECT_TRUE(RunIndexer(SettingsFor(folder, true), observer).stopped);
        EXPECT_EQ(ReadBytes(db + ".toc").size(), c.tocLines * kTocRecordSize);
        EXPECT_EQ(ReadBytes(db + ".dct"), "");
        EXPECT_EQ(ReadBytes(db + ".ndx"), "");
        EXPECT_TRUE(SameBytes(ReadBytes(db + ".hsh"), GoldenBytes("empty.hsh")));
        EXPECT_FALSE(Exists(db + ".ext"));
        EXPECT_FALSE(Exists(db + ".lst")) << "a dump without words has no line";
        EXPECT_EQ(StagedFiles(folder), std::vector<std::string>{});
    }
}

TEST(IndexSetPublisher, StagedFilesLeftByAKilledRunAreDeletedAndNeverPublished) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteDocuments(folder, 4, "new");
    for (const IndexFile file : kPublishedFiles) WriteBytes(StagedIndexFileName(db, file), "left over");
    RunObserver quiet;
    RunIndexer(SettingsFor(folder, false), quiet);
    EXPECT_TRUE(SameSet(PublishedSet(db), FreshSet(4)));
    EXPECT_EQ(StagedFiles(folder), std::vector<std::string>{});
}

// ---- Publishing itself --------------------------------------------------------------

TEST(IndexSetPublisher, AnIncompleteStagedSetPublishesNothing) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    const SetBytes previous = WritePreviousSet(folder);
    for (const IndexFile file : {IndexFile::TableOfContents, IndexFile::Dictionary, IndexFile::Postings})
        WriteBytes(StagedIndexFileName(db, file), "new");
    try {
        PublishStagedSet(db);
        FAIL() << "a set without .hsh was published";
    } catch (const platform::IoError& error) {
        EXPECT_NE(std::string(error.what()).find(db + ".hsh.new"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(SameSet(PublishedSet(db), previous));
    RemoveStagedSet(db);
    EXPECT_EQ(StagedFiles(folder), std::vector<std::string>{});
    EXPECT_TRUE(SameSet(PublishedSet(db), previous)) << "removing the staged set touches no published file";
}

TEST(IndexSetPublisher, EveryStagedFileReplacesItsPublishedOne) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WritePreviousSet(folder);
    SetBytes staged;
    for (const IndexFile file : kPublishedFiles) {
        const std::string extension(IndexFileExtension(file));
        staged[extension] = "new " + extension;
        WriteBytes(StagedIndexFileName(db, file), staged[extension]);
    }
    PublishStagedSet(db);
    EXPECT_TRUE(SameSet(PublishedSet(db), staged));
    EXPECT_EQ(StagedFiles(folder), std::vector<std::string>{});
}

/// Waits until a lock request on the folder waits in the kernel's lock table
/// ("->" marks a waiting request; the inode follows the device numbers).
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

TEST(IndexSetPublisher, TheRenamesWaitForSearchesOpeningTheSetAndReleaseTheFolderAfterwards) {
    if (!std::filesystem::exists("/proc/locks")) GTEST_SKIP() << "no lock table to watch";
    TempFolder folder;
    const std::string db = folder / "DataBase";
    const SetBytes previous = WritePreviousSet(folder);
    SetBytes staged;
    for (const IndexFile file : kPublishedFiles) {
        const std::string extension(IndexFileExtension(file));
        staged[extension] = "new " + extension;
        WriteBytes(StagedIndexFileName(db, file), staged[extension]);
    }

    // A search holds the shared lock while it opens the files of the set.
    platform::FolderLock search = platform::FolderLock::Acquire(folder.Path(), platform::FolderLock::Kind::Shared);
    ASSERT_TRUE(search.IsHeld());
    std::thread publisher([&] { PublishStagedSet(db); });
    const bool blocked = WaitForBlockedLock(folder.Path());
    const SetBytes whileSearching = PublishedSet(db);
    search.Release();
    publisher.join();

    EXPECT_TRUE(blocked) << "publishing did not wait for the folder lock";
    EXPECT_TRUE(SameSet(whileSearching, previous)) << "a file was renamed while a search was opening the set";
    EXPECT_TRUE(SameSet(PublishedSet(db), staged));
    EXPECT_TRUE(platform::FolderLock::Acquire(folder.Path(), platform::FolderLock::Kind::Exclusive,
                                              platform::FolderLock::Wait::No)
                    .IsHeld())
        << "the folder stays locked after publishing";
}

TEST(IndexSetPublisher, StagedNamesEndInTheirOwnSuffix) {
    EXPECT_EQ(StagedIndexFileName("/srv/site/DataBase", IndexFile::TableOfContents), "/srv/site/DataBase.toc.new");
    EXPECT_EQ(StagedIndexFileName("DataBase", IndexFile::BlockLetters), "DataBase.ext.new");
}

}  // namespace
}  // namespace indexer
