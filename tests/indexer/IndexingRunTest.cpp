// The whole indexing run, headless: golden files, the file list rules, the
// 25-document flush, stops in every phase, empty runs and limits.
#include "indexer/engine/IndexingRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "IndexTestSupport.h"
#include "indexer/engine/IndexingError.h"
#include "indexfiles/IndexFiles.h"
#include "platform/File.h"

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

RunSettings SettingsFor(const TempFolder& folder, const std::string& list) {
    return test_support::SettingsForList(folder, list);
}

/// The table-of-contents lines of a database, without their padding.
std::vector<std::string> TocEntries(const std::string& tocPath) {
    const std::string bytes = ReadBytes(tocPath);
    std::vector<std::string> entries;
    for (std::size_t at = 0; at + kTocRecordSize <= bytes.size(); at += kTocRecordSize) {
        auto trimmed = [](std::string text) { return text.erase(text.find_last_not_of(' ') + 1); };
        entries.push_back(trimmed(bytes.substr(at, kTocUrlWidth)) + "|" +
                          trimmed(bytes.substr(at + kTocUrlWidth, kTocTitleWidth)));
    }
    return entries;
}

/// The dictionary's words, in file order.
std::vector<std::string> DictionaryWords(const std::string& dctPath) {
    const std::string bytes = ReadBytes(dctPath);
    std::vector<std::string> words;
    for (std::size_t at = 0; at + kDictionaryRecordSize <= bytes.size(); at += kDictionaryRecordSize) {
        std::string word = bytes.substr(at + 1, kWordWidth);
        words.push_back(word.erase(word.find_last_not_of(' ') + 1));
    }
    return words;
}

TEST(IndexingRun, OneDocumentHoldingHelloGivesTheGoldenSet) {
    TempFolder folder;
    WriteBytes(folder / "hello.txt", "Hello\r\n");
    RunSettings settings = SettingsFor(folder, "hello.txt T: Hello page F: http://example.com/hello.txt\r\n");
    RecordingObserver observer;
    const RunSummary summary = RunIndexer(settings, observer);

    const std::string db = folder / "DataBase";
    for (const char* ext : {".toc", ".dct", ".ndx", ".hsh"})
        EXPECT_TRUE(SameBytes(ReadBytes(db + ext), GoldenBytes(std::string("hello") + ext))) << ext;
    EXPECT_FALSE(Exists(db + ".ext"));
    EXPECT_FALSE(Exists(db + ".temp"));
    EXPECT_EQ(summary.documents, 1);
    EXPECT_EQ(summary.words, 1u);
    EXPECT_EQ(summary.databasePath, db);
    EXPECT_FALSE(summary.stopped);
    EXPECT_EQ(observer.steps, (std::vector<std::string>{"Parsing Files", "Sorting Words", "Building Index", "Done"}));
    EXPECT_EQ(observer.fileNames, std::vector<std::string>{"hello.txt"});
    EXPECT_EQ(observer.filesProcessed, std::vector<std::string>{"1"});
    EXPECT_FALSE(observer.startTime.empty());
    EXPECT_FALSE(observer.endTime.empty());
}

TEST(IndexingRun, AWildcardLineIndexesEveryMatchUnderItsTitleAndUrl) {
    TempFolder folder;
    WriteBytes(folder / "site/b.htm", "<p>beta</p>");
    WriteBytes(folder / "site/a.htm", "alpha");
    WriteBytes(folder / "site/c.txt", "gamma");
    RunSettings settings = SettingsFor(folder, "site/*.HTM F: http://example.com/ T: Site\r\n");
    RunObserver quiet;
    RunIndexer(settings, quiet);
    EXPECT_EQ(TocEntries(folder / "DataBase.toc"),
              (std::vector<std::string>{"http://example.com/|Site", "http://example.com/|Site"}));
    EXPECT_EQ(DictionaryWords(folder / "DataBase.dct"), (std::vector<std::string>{"ALPHA", "BETA"}));
}

TEST(IndexingRun, DocumentPathsKeepTheFolderAsWritten) {
    TempFolder folder;
    WriteBytes(folder / "site/a.htm", "<TITLE>Alpha page</TITLE>x");
    WriteBytes(folder / "b.txt", "");
    RunSettings settings = SettingsFor(folder, "site\\a.htm\r\nB.TXT\r\n");
    RunObserver quiet;
    RunIndexer(settings, quiet);
    EXPECT_EQ(TocEntries(folder / "DataBase.toc"),
              (std::vector<std::string>{"site\\a.htm|Alpha page", "b.txt|Title for b.txt is undefined"}));
}

TEST(IndexingRun, EntriesWithoutFilesUseNoNumberAndShowNoFileName) {
    TempFolder folder;
    WriteBytes(folder / "a.txt", "one");
    WriteBytes(folder / "b.txt", "two");
    RunSettings settings =
        SettingsFor(folder, "a.txt\r\nmissing.txt\r\n\r\nb.txt\r\n T: no path\r\nnone/*.htm\r\na.txt\r\n");
    RecordingObserver observer;
    const RunSummary summary = RunIndexer(settings, observer);
    EXPECT_EQ(observer.fileNames, (std::vector<std::string>{"a.txt", "", "", "b.txt", "", "", "a.txt"}));
    // Lines without a path are no entries; the others are named as written.
    EXPECT_EQ(observer.entriesWithoutDocument, (std::vector<std::string>{"missing.txt", "none/*.htm"}));
    EXPECT_EQ(summary.entriesWithoutDocument, 2);
    EXPECT_EQ(observer.filesProcessed, (std::vector<std::string>{"1", "2", "3"}));
    // A document listed twice is read twice.
    EXPECT_EQ(TocEntries(folder / "DataBase.toc").size(), 3u);
    const std::string ndx = ReadBytes(folder / "DataBase.ndx");
    EXPECT_EQ(ndx.size(), (3u + 2u) * 2) << "ONE in documents 1 and 3, TWO in document 2";
}

TEST(IndexingRun, StopwordsAndWordOptionsApply) {
    TempFolder folder;
    WriteBytes(folder / "doc.txt", "The cat and the 1,000 dogs 7");
    WriteBytes(folder / "stop.txt", "the\r\nand \r\n");  // "AND " keeps its blank and stops nothing
    RunSettings settings = SettingsFor(folder, "doc.txt\r\n");
    settings.project.stopwords = folder / "stop.txt";
    settings.project.digitmin = 2;
    settings.project.dumpwords = true;
    RunObserver quiet;
    RunIndexer(settings, quiet);
    EXPECT_EQ(DictionaryWords(folder / "DataBase.dct"), (std::vector<std::string>{"1,000", "AND", "CAT", "DOGS"}));
    EXPECT_EQ(ReadBytes(folder / "DataBase.lst").substr(0, 37), "00001 : 1,000                      \r\n");
}

TEST(IndexingRun, ListFilesWithLineFeedLineEndsIndexAsWithCrLf) {
    // A file list and a stopword file written by Linux tools; the document's
    // own LF stays a delimiter inside its line.
    TempFolder folder;
    WriteBytes(folder / "site/a.txt", "The cat\nand dog\n");
    WriteBytes(folder / "site/b.txt", "Bird\n");
    WriteBytes(folder / "stop.txt", "the\nand \r\nand\n");
    EXPECT_EQ(LoadStopwordString(folder / "stop.txt"), ",THE,AND ,AND,");
    RunSettings settings = SettingsFor(folder, "site/a.txt\nsite/b.txt\n");
    settings.project.stopwords = folder / "stop.txt";
    RunObserver quiet;
    EXPECT_EQ(RunIndexer(settings, quiet).documents, 2);
    EXPECT_EQ(DictionaryWords(folder / "DataBase.dct"), (std::vector<std::string>{"BIRD", "CAT", "DOG"}));
}

TEST(IndexingRun, RelativeDatabaseNameLivesBesideTheFileList) {
    TempFolder folder;
    WriteBytes(folder / "doc.txt", "word");
    RunSettings settings = SettingsFor(folder, "doc.txt\r\n");
    settings.project.database = "out/Site";
    std::filesystem::create_directory(folder / "out");
    RunObserver quiet;
    const RunSummary summary = RunIndexer(settings, quiet);
    EXPECT_EQ(summary.databasePath, folder / "out/Site");
    EXPECT_TRUE(Exists(folder / "out/Site.dct"));
}

/// Checks the work file and the staged table of contents when the 26th
/// document is reached.
class FlushWatcher : public RunObserver {
public:
    explicit FlushWatcher(std::string db) : db_(std::move(db)) {}
    void ShowFilesProcessed(std::string_view text) override {
        if (text == "25") {
            tempAfter25 = ReadBytes(db_ + ".temp");
            tocAfter25 = ReadBytes(db_ + ".toc.new");
        }
        if (text == "26") tocAt26 = ReadBytes(db_ + ".toc.new");
    }
    std::string tempAfter25, tocAfter25, tocAt26;

private:
    std::string db_;
};

TEST(IndexingRun, FlushesEvery25DocumentsAndTheRestAtTheEnd) {
    TempFolder folder;
    std::string list;
    for (int i = 1; i <= 26; ++i) {
        const std::string name = "doc" + std::to_string(100 + i) + ".txt";
        WriteBytes(folder / name, "word" + std::to_string(100 + i) + " shared");
        list += name + "\r\n";
    }
    RunSettings settings = SettingsFor(folder, list);
    settings.keepWorkFile = true;
    FlushWatcher observer(folder / "DataBase");
    RunIndexer(settings, observer);
    EXPECT_EQ(observer.tempAfter25.size(), 50 * kWorkRecordSize);
    EXPECT_EQ(observer.tocAfter25.size(), 25 * kTocRecordSize);
    EXPECT_EQ(observer.tocAt26.size(), 25 * kTocRecordSize) << "the 26th waits for the end of the run";
    EXPECT_EQ(ReadBytes(folder / "DataBase.toc").size(), 26 * kTocRecordSize);
    EXPECT_EQ(ReadBytes(folder / "DataBase.temp").size(), 52 * kWorkRecordSize);
    EXPECT_EQ(DictionaryWords(folder / "DataBase.dct").size(), 27u);
}

TEST(IndexingRun, DebugKeepsTheSortedWorkFile) {
    TempFolder folder;
    WriteBytes(folder / "a.txt", "zebra apple mango");
    RunSettings settings = SettingsFor(folder, "a.txt\r\n");
    settings.keepWorkFile = true;
    RunObserver quiet;
    RunIndexer(settings, quiet);
    EXPECT_EQ(ReadBytes(folder / "DataBase.temp"), FormatWorkEntry("APPLE", 1) + "\r\n" + FormatWorkEntry("MANGO", 1) +
                                                       "\r\n" + FormatWorkEntry("ZEBRA", 1) + "\r\n");
}

TEST(IndexingRun, MissingFileListTouchesNoIndexFile) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(db + ".temp", GoldenBytes("hello.temp"));
    WriteBytes(db + ".dct", "old");
    RunSettings settings;
    settings.project.filelist = folder / "none.txt";
    settings.project.database = db;
    RunObserver quiet;
    try {
        RunIndexer(settings, quiet);
        FAIL() << "no error";
    } catch (const IndexingError& error) {
        EXPECT_EQ(std::string(error.what()), "File list not found: " + folder / "none.txt");
    }
    EXPECT_EQ(ReadBytes(db + ".temp"), GoldenBytes("hello.temp"));
    EXPECT_EQ(ReadBytes(db + ".dct"), "old");
    EXPECT_FALSE(Exists(db + ".hsh"));
}

TEST(IndexingRun, AMissingDatabaseFolderEndsTheRunWithThePath) {
    TempFolder folder;
    WriteBytes(folder / "a.txt", "word");
    RunSettings settings = SettingsFor(folder, "a.txt\r\n");
    settings.project.database = "no-such-folder/DataBase";
    RunObserver quiet;
    try {
        RunIndexer(settings, quiet);
        FAIL() << "no error";
    } catch (const platform::IoError& error) {
        EXPECT_NE(std::string(error.what()).find(folder / "no-such-folder/DataBase.t"), std::string::npos)
            << error.what();
    }
}

TEST(IndexingRun, ARunWithoutDocumentsWritesAnEmptyValidSet) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(db + ".temp", GoldenBytes("hello.temp"));  // stale, must not be built
    WriteBytes(db + ".toc", GoldenBytes("hello.toc"));
    WriteBytes(db + ".ext", "stale");
    RunSettings settings = SettingsFor(folder, "\r\n T: a title without path\r\n");  // no entry at all
    RunObserver quiet;
    const RunSummary summary = RunIndexer(settings, quiet);
    EXPECT_EQ(summary.documents, 0);
    EXPECT_EQ(summary.entriesWithoutDocument, 0);
    EXPECT_EQ(ReadBytes(db + ".toc"), "");
    EXPECT_EQ(ReadBytes(db + ".dct"), "");
    EXPECT_EQ(ReadBytes(db + ".ndx"), "");
    EXPECT_TRUE(SameBytes(ReadBytes(db + ".hsh"), GoldenBytes("empty.hsh")));
    EXPECT_FALSE(Exists(db + ".ext"));
    EXPECT_FALSE(Exists(db + ".temp"));
}

TEST(IndexingRun, AListWhoseEntriesAllFoundNothingFailsAndKeepsTheSetInUse) {
    TempFolder folder;
    const std::string db = folder / "DataBase";
    WriteBytes(folder / "a.txt", "apple");
    RunSettings settings = SettingsFor(folder, "a.txt\r\n");
    RunObserver quiet;
    RunIndexer(settings, quiet);
    std::map<std::string, std::string> before;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        before[entry.path().filename()] = ReadBytes(entry.path());

    settings = test_support::SettingsForList(folder, "old/a.txt\nold/*.htm\n\n", "list2.txt");
    before["list2.txt"] = ReadBytes(folder / "list2.txt");
    try {
        RunIndexer(settings, quiet);
        FAIL() << "no error";
    } catch (const IndexingError& error) {
        EXPECT_EQ(std::string(error.what()), "None of the documents named in " + folder / "list2.txt" + " exists");
    }
    std::map<std::string, std::string> after;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        after[entry.path().filename()] = ReadBytes(entry.path());
    EXPECT_EQ(after, before) << "the set in use changed or a staged file stayed";
}

TEST(IndexingRun, DocumentsWithoutWordsGiveTocLinesAndNoWords) {
    TempFolder folder;
    WriteBytes(folder / "a.htm", "<html><script>hidden</script></html>");
    WriteBytes(folder / "b.txt", "");
    RunSettings settings = SettingsFor(folder, "a.htm\r\nb.txt\r\n");
    RunObserver quiet;
    RunIndexer(settings, quiet);
    EXPECT_EQ(TocEntries(folder / "DataBase.toc").size(), 2u);
    EXPECT_EQ(ReadBytes(folder / "DataBase.dct"), "");
}

TEST(IndexingRun, AStopInEachPhaseStillEndsWithDoneAndAnIndexWithoutWords) {
    for (const auto& c : test_support::kStopInEachPhase) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        std::string list;
        for (int i = 0; i < 30; ++i) {
            WriteBytes(folder / ("d" + std::to_string(i) + ".txt"), "word" + std::to_string(i) + " other");
            list += "d" + std::to_string(i) + ".txt\r\n";
        }
        RunSettings settings = SettingsFor(folder, list);
        RecordingObserver observer;
        observer.stopAtStep = c.stopAtStep;
        observer.stopAfterPumps = c.stopAfterPumps;
        const RunSummary summary = RunIndexer(settings, observer);
        EXPECT_TRUE(summary.stopped);
        EXPECT_EQ(observer.steps.back(), "Done");
        EXPECT_EQ(TocEntries(folder / "DataBase.toc").size(), c.tocLines);
        EXPECT_EQ(ReadBytes(folder / "DataBase.dct"), "");
        EXPECT_EQ(ReadBytes(folder / "DataBase.hsh").size(), kHashFileSize);
        EXPECT_FALSE(Exists(folder / "DataBase.temp"));
    }
}

TEST(IndexingRun, AStopWithoutPublishingInEachPhaseKeepsTheSetInUseAndLeavesNoStagedFile) {
    for (const auto& c : test_support::kStopInEachPhase) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        WriteBytes(folder / "old.txt", "previous");
        RunObserver quiet;
        RunIndexer(test_support::SettingsForList(folder, "old.txt\r\n", "old-list.txt"), quiet);
        const std::string oldToc = ReadBytes(folder / "DataBase.toc");
        const std::string oldDct = ReadBytes(folder / "DataBase.dct");
        std::string list;
        for (int i = 0; i < 30; ++i) {
            WriteBytes(folder / ("d" + std::to_string(i) + ".txt"), "word" + std::to_string(i) + " other");
            list += "d" + std::to_string(i) + ".txt\r\n";
        }
        RunSettings settings = SettingsFor(folder, list);
        settings.publishWhenStopped = false;
        settings.keepWorkFile = true;  // an unpublished run keeps no work file even so
        RecordingObserver observer;
        observer.stopAtStep = c.stopAtStep;
        observer.stopAfterPumps = c.stopAfterPumps;
        const RunSummary summary = RunIndexer(settings, observer);
        EXPECT_TRUE(summary.stopped);
        EXPECT_FALSE(summary.published);
        EXPECT_EQ(ReadBytes(folder / "DataBase.toc"), oldToc);
        EXPECT_EQ(ReadBytes(folder / "DataBase.dct"), oldDct);
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            const std::string name = entry.path().filename();
            EXPECT_FALSE(name.ends_with(".new") || name.ends_with(".temp")) << name;
        }
    }
}

TEST(IndexingRun, The65536thDocumentEndsTheRunWithTheLimit) {
    TempFolder folder;
    WriteBytes(folder / "a.txt", "");
    std::string list;
    list.reserve(7 * 65536);
    for (int i = 0; i < kMaxDocuments + 1; ++i) list += "a.txt\r\n";
    RunSettings settings = SettingsFor(folder, list);
    RecordingObserver observer;
    try {
        RunIndexer(settings, observer);
        FAIL() << "the run numbered a 65536th document";
    } catch (const IndexLimitError& error) {
        EXPECT_NE(std::string(error.what()).find("65535"), std::string::npos) << error.what();
    }
    EXPECT_EQ(observer.filesProcessed.back(), "65535");
    EXPECT_NE(observer.steps.back(), "Done");
}

}  // namespace
}  // namespace indexer
