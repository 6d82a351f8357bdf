// Faults during an indexing run: documents that cannot be read, the disk
// filling up, a listed folder that disappears. Each run either ends with a
// clear error and leaves the set in use byte-identical and answering as
// before, or ends cleanly; the next normal run is clean either way.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "RobustTestSupport.h"
#include "indexer/engine/IndexingRun.h"
#include "platform/File.h"

namespace robust {
namespace {

using test_support::BinPath;
using test_support::CompletePage;
using test_support::CopyProgram;
using test_support::Describe;
using test_support::Exists;
using test_support::ReadBytes;
using test_support::RunIndex;
using test_support::SiteInUse;
using test_support::StagedFiles;
using test_support::WriteBytes;
using test_support::WriteGeneration;

/// The number of documents a page lists (its count line).
int CountOf(const std::string& page) {
    const std::size_t at = page.find("<!--start of data-->\r\n");
    return at == std::string::npos ? -1 : std::stoi(page.substr(at + 22));
}

/// Runs tarvocgi for "common" on the site's set and returns the count it lists.
int CommonCount(const SiteInUse& site) {
    const auto result = test_support::Search(site.cgi, "DataBase", "common", site.site / "count.page");
    EXPECT_TRUE(CompletePage(result.page));
    return CountOf(result.page);
}

// ---- Documents that cannot be read ------------------------------------------------

TEST(IndexFaults, ListedNamesThatAreNoReadableFileAreSkippedLikeMissingDocuments) {
    // A folder and a dangling link named like documents: neither is a file,
    // so the run passes over them as over a missing document.
    SiteInUse site;
    WriteGeneration(site.site, "genB", "Beta", "beta", 5);
    std::filesystem::create_directory(site.site / "genB/folder.htm");
    std::filesystem::create_symlink(site.site / "genB/nowhere.htm", site.site / "genB/dangling.htm");
    WriteBytes(site.site / "genB.lst.txt", "genB/*.htm\r\ngenB/folder.htm\r\ngenB/dangling.htm\r\n");
    const auto run = RunIndex(BinPath("tarvo-index"), site.site / "genB.lst.txt", "DataBase", site.site / "run");
    EXPECT_TRUE(run.state.Exited(0)) << Describe(run.state) << " " << run.err;
    // Like missing documents, they are named as entries that matched no document.
    EXPECT_EQ(run.err,
              "tarvo-index: no document matches genB/folder.htm\n"
              "tarvo-index: no document matches genB/dangling.htm\n");
    EXPECT_EQ(CommonCount(site), 5);
    EXPECT_EQ(StagedFiles(site.site.Path()), std::vector<std::string>{});
}

TEST(IndexFaults, ADocumentWithoutReadPermissionEndsTheRunWithAnErrorNamingIt) {
    // Tests run as root in CI, and root reads any file: there the indexer runs
    // as the unprivileged user 65534 (nobody), for whom the document is
    // unreadable while the folder stays writable.
    SiteInUse site;
    WriteGeneration(site.site, "genB", "Beta", "beta", 5);
    const std::string secret = site.site / "genB/p3.htm";
    std::filesystem::permissions(secret, std::filesystem::perms::none);
    std::optional<uid_t> user;
    if (::geteuid() == 0) {
        user = 65534;
        std::filesystem::permissions(site.site.Path(), std::filesystem::perms::all);
    }
    const std::string indexer = CopyProgram("tarvo-index", site.site.Path());
    const auto run = RunIndex(indexer, site.site / "genB.lst.txt", "DataBase", site.site / "run", 0, user);
    EXPECT_TRUE(run.state.Exited(1)) << Describe(run.state) << " " << run.err;
    EXPECT_TRUE(run.err.ends_with("tarvo-index: cannot open " + secret + ": Permission denied\n")) << run.err;
    EXPECT_TRUE(site.Unchanged());
    EXPECT_EQ(StagedFiles(site.site.Path()), std::vector<std::string>{});

    // Readable again: the next run is clean.
    std::filesystem::permissions(secret, std::filesystem::perms::owner_read | std::filesystem::perms::others_read);
    const auto next = RunIndex(indexer, site.site / "genB.lst.txt", "DataBase", site.site / "run", 0, user);
    EXPECT_TRUE(next.state.Exited(0)) << Describe(next.state) << " " << next.err;
    EXPECT_EQ(CommonCount(site), 5);
    EXPECT_EQ(StagedFiles(site.site.Path()), std::vector<std::string>{});
}

// ---- The disk filling up ----------------------------------------------------------------

/// `count` pages "genC/p<n>.htm", each with `words` distinct words.
void WriteWordyGeneration(const SiteInUse& site, int count, int words) {
    for (int n = 1; n <= count; ++n) {
        std::string text = "<TITLE>Gamma page " + std::to_string(n) + "</TITLE>common gamma";
        for (int k = 0; k < words; ++k) text += " w" + std::to_string(n) + "x" + std::to_string(k);
        WriteBytes(site.site / ("genC/p" + std::to_string(n) + ".htm"), text + "\r\n");
    }
    WriteBytes(site.site / "genC.lst.txt", "genC/*.htm\r\n");
}

TEST(IndexFaults, AFileSizeLimitReachedDuringTheRunEndsItWithAnErrorAndKeepsTheSet) {
    // A file-size limit stands for a full disk: a write beyond it fails with
    // EFBIG ("File too large") once SIGXFSZ is ignored. The limit holds for
    // the error output's file too, so it leaves room for the message.
    const struct {
        const char* name;
        int documents;
        int words;
        rlim_t limit;
    } cases[] = {
        {"the work file outgrows the limit", 30, 300, 64 * 1024},
        {"the staged table of contents outgrows the limit", 200, 1, 48 * 1024},
        {"the first chunk of the table of contents outgrows the limit", 30, 3, 4 * 1024},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SiteInUse site;
        WriteWordyGeneration(site, c.documents, c.words);
        const auto run =
            RunIndex(BinPath("tarvo-index"), site.site / "genC.lst.txt", "DataBase", site.site / "run", c.limit);
        EXPECT_TRUE(run.state.Exited(1)) << Describe(run.state) << " " << run.err;
        EXPECT_TRUE(run.err.starts_with("tarvo-index: cannot ") && run.err.ends_with(": File too large\n")) << run.err;
        EXPECT_TRUE(site.Unchanged());
        EXPECT_EQ(StagedFiles(site.site.Path()), std::vector<std::string>{});

        const auto next = RunIndex(BinPath("tarvo-index"), site.site / "genC.lst.txt", "DataBase", site.site / "run");
        EXPECT_TRUE(next.state.Exited(0)) << Describe(next.state) << " " << next.err;
        EXPECT_EQ(CommonCount(site), c.documents);
        EXPECT_EQ(StagedFiles(site.site.Path()), std::vector<std::string>{});
    }
}

// ---- A listed folder that disappears ------------------------------------------------------

/// Runs a hook when a given number of documents has been read.
class RemovingObserver : public indexer::RunObserver {
public:
    RemovingObserver(std::string atDocument, std::string folder)
        : atDocument_(std::move(atDocument)), folder_(std::move(folder)) {}
    void ShowFilesProcessed(std::string_view text) override {
        if (text == atDocument_) std::filesystem::remove_all(folder_);
    }

private:
    std::string atDocument_;
    std::string folder_;
};

indexer::RunSettings SettingsFor(const std::string& filelist) {
    indexer::RunSettings settings;
    settings.project.filelist = filelist;
    settings.project.database = "DataBase";
    return settings;
}

TEST(IndexFaults, ADocumentFolderThatDisappearsMidRunLeavesTheDocumentsReadBefore) {
    // The documents after the tenth are gone. The run opens each document
    // when it checks that it exists, a few documents ahead of the one it
    // reads: those already open are still read, the others are passed over
    // as missing documents, and the run publishes what it read.
    SiteInUse site;
    WriteGeneration(site.site, "genB", "Beta", "beta", 60);
    // A wildcard entry and explicit entries into the same folder.
    WriteBytes(site.site / "genB.lst.txt", "genB/*.htm\r\ngenB/p1.htm\r\ngenB/p2.htm\r\n");
    RemovingObserver observer("10", site.site / "genB");
    const indexer::RunSummary summary = indexer::RunIndexer(SettingsFor(site.site / "genB.lst.txt"), observer);
    EXPECT_GE(summary.documents, 10);
    EXPECT_LE(summary.documents, 15) << "only the documents already open are read";
    EXPECT_FALSE(summary.stopped);
    EXPECT_EQ(CommonCount(site), summary.documents);
    EXPECT_EQ(StagedFiles(site.site.Path()), std::vector<std::string>{});
}

TEST(IndexFaults, TheFileListsFolderDisappearingMidRunEndsItWithAnErrorNamingThePath) {
    // The database lies beside the file list, so its folder goes too: the run
    // cannot go on and says which path it lost.
    SiteInUse site;
    const std::string sub = site.site / "sub";
    std::string list;
    for (int n = 1; n <= 40; ++n) {
        WriteBytes(sub + "/p" + std::to_string(n) + ".htm", "<TITLE>Sub " + std::to_string(n) + "</TITLE>common");
        list += "p" + std::to_string(n) + ".htm\r\n";
    }
    WriteBytes(sub + "/list.txt", list);
    RemovingObserver observer("10", sub);
    try {
        indexer::RunIndexer(SettingsFor(sub + "/list.txt"), observer);
        ADD_FAILURE() << "the run ended without an error";
    } catch (const platform::IoError& error) {
        EXPECT_NE(std::string(error.what()).find(" " + sub + "/"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(Exists(sub));
    EXPECT_TRUE(site.Unchanged()) << "the set of another folder is not touched";
}

}  // namespace
}  // namespace robust
