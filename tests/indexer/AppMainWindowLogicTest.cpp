// The main window's logic without a display: Run command availability, run
// control and the abort question, the close rule, the command line, the
// project commands and the caption, against a recording view.
#include "indexer/app/MainWindowLogic.h"

#include <gtest/gtest.h>

#include <functional>

#include "AppTestSupport.h"
#include "indexer/engine/ProjectFile.h"

namespace {

using apptest::FakeView;
using apptest::TempFolder;
using apptest::WriteIn;
using indexer::WindowMessage;

class MainWindowLogicTest : public ::testing::Test {
protected:
    MainWindowLogicTest()
        : registry_(scratch_ / "store/defaults"),
          defaults_(registry_),
          logic_(
              view_, defaults_, [this](const indexer::RunRequest& request) { return Run(request); },
              scratch_ / "program") {
        std::filesystem::create_directories(scratch_ / "program");
    }

    indexer::RunSummary Run(const indexer::RunRequest& request) {
        requests_.push_back(request);
        captionDuringRun_ = view_.buttonCaption;
        busyDuringRun_ = view_.busy;
        if (duringRun_) duringRun_();
        return runSummary_;
    }

    /// A project file with a file list and the given extra lines.
    std::string WriteProject(const std::string& name, const std::string& fileList = "list.txt",
                             const std::string& extra = "") {
        return WriteIn(scratch_, name, "[Paths]\nfilelist=" + fileList + "\ndatabase=Site\n" + extra);
    }

    TempFolder scratch_;
    platform::UserRegistry registry_;
    indexer::StoredDefaults defaults_;
    FakeView view_;
    indexer::MainWindowLogic logic_;
    std::vector<indexer::RunRequest> requests_;
    std::function<void()> duringRun_;
    indexer::RunSummary runSummary_;
    std::string captionDuringRun_;
    bool busyDuringRun_ = false;
};

// --- Run command availability ------------------------------------------------

TEST_F(MainWindowLogicTest, StartWithoutParametersLeavesRunDisabledAndUntitled) {
    logic_.FormCreate();
    logic_.FormShow({});
    EXPECT_FALSE(view_.runEnabled);
    EXPECT_FALSE(logic_.Running());
    EXPECT_EQ(view_.projectCaption, "Project: Untitled") << "the design caption stays until a project command";
    EXPECT_TRUE(view_.posted.empty());
}

TEST_F(MainWindowLogicTest, RunFollowsFileListAndDatabaseName) {
    logic_.FormCreate();
    view_.fileReplies.push_back("/srv/site/list.txt");
    logic_.Button2Click();
    EXPECT_TRUE(view_.runEnabled);
    view_.dataBaseName.clear();
    logic_.DataBaseNameChange();
    EXPECT_FALSE(view_.runEnabled);
    view_.dataBaseName = "X";
    logic_.DataBaseNameChange();
    EXPECT_TRUE(view_.runEnabled);
}

TEST_F(MainWindowLogicTest, CancelledBrowseChangesNothing) {
    logic_.FormCreate();
    logic_.Button2Click();
    logic_.Button3Click();
    EXPECT_EQ(view_.fileList, "");
    EXPECT_FALSE(view_.runEnabled);
    view_.fileReplies.push_back("/srv/stop.txt");
    logic_.Button3Click();
    EXPECT_EQ(view_.stopwords, "/srv/stop.txt");
    EXPECT_FALSE(view_.runEnabled) << "the stopwords file does not enable Run";
}

TEST_F(MainWindowLogicTest, ClearFilesEmptiesPathsButKeepsDatabaseAndProject) {
    logic_.FormCreate();
    const std::string project = WriteProject("p.tarvo");
    logic_.LoadProject(project);
    view_.stopwords = "stop.txt";
    logic_.ClearFiles1Click();
    EXPECT_EQ(view_.fileList, "");
    EXPECT_EQ(view_.stopwords, "");
    EXPECT_EQ(view_.dataBaseName, "Site");
    EXPECT_EQ(logic_.ProjectPath(), project);
    EXPECT_FALSE(view_.runEnabled);
}

TEST_F(MainWindowLogicTest, NewProjectTakesStoredWordOptionsAndEmptiesTheProject) {
    logic_.FormCreate();
    logic_.LoadProject(WriteProject("p.tarvo", "list.txt", "[Options]\ndelimiters=;\ndigitmax=7\n"));
    EXPECT_EQ(logic_.Words().delimiters, ";");
    defaults_.WriteDefaultInt("digitmin", 2);
    logic_.New1Click();
    EXPECT_EQ(logic_.Words().delimiters, indexer::kDefaultDelimiters);
    EXPECT_EQ(logic_.Words().digitmin, 2);
    EXPECT_EQ(logic_.Words().digitmax, 0);
    EXPECT_EQ(view_.fileList, "");
    EXPECT_EQ(view_.dataBaseName, "DataBase");
    EXPECT_EQ(logic_.ProjectPath(), "");
    EXPECT_EQ(view_.projectCaption, "Project: untitled");
    EXPECT_FALSE(view_.runEnabled);
}

TEST_F(MainWindowLogicTest, OpenProjectRightAfterNewEnablesRun) {
    logic_.FormCreate();
    logic_.New1Click();
    view_.openReplies.push_back(WriteIn(scratch_, "site.tarvo", "[Paths]\nfilelist=list.txt\n"));
    logic_.OpenProject1Click();
    EXPECT_EQ(view_.dataBaseName, "DataBase");
    EXPECT_TRUE(view_.runEnabled);
    EXPECT_EQ(view_.projectCaption, "Project: site");
}

TEST_F(MainWindowLogicTest, CancelledOpenChangesNothing) {
    logic_.FormCreate();
    logic_.OpenProject1Click();
    EXPECT_EQ(logic_.ProjectPath(), "");
    EXPECT_EQ(view_.reopenCaptions[0], "");
}

// --- Run control -------------------------------------------------------------

TEST_F(MainWindowLogicTest, RunShowsAbortAndHourglassThenRestores) {
    logic_.FormCreate();
    logic_.LoadProject(WriteProject("p.tarvo"));
    logic_.Button1Click();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(captionDuringRun_, "Abort");
    EXPECT_TRUE(busyDuringRun_);
    EXPECT_EQ(view_.buttonCaption, "Run Indexer");
    EXPECT_FALSE(view_.busy);
    EXPECT_FALSE(logic_.Running());
    EXPECT_TRUE(view_.runEnabled);
    EXPECT_TRUE(view_.posted.empty()) << "no close without autorun";
}

TEST_F(MainWindowLogicTest, RelativePathsAreTakenFromTheProjectFolder) {
    logic_.FormCreate();
    logic_.LoadProject(WriteProject("site/p.tarvo", "docs/list.txt", "stopwords=stop.txt\n"));
    logic_.RunIndexer1Click();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].fileList, (scratch_ / "site") + "/docs/list.txt");
    EXPECT_EQ(requests_[0].stopwords, (scratch_ / "site") + "/stop.txt");
    EXPECT_EQ(requests_[0].databaseName, "Site") << "the database name stays relative to the file list";
}

TEST_F(MainWindowLogicTest, UntitledProjectTakesRelativePathsFromTheProgramFolder) {
    logic_.FormCreate();
    view_.fileList = "list.txt";
    view_.stopwords = "/etc/stop.txt";
    logic_.DataBaseNameChange();
    logic_.Button1Click();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].fileList, (scratch_ / "program") + "/list.txt");
    EXPECT_EQ(requests_[0].stopwords, "/etc/stop.txt");
}

TEST_F(MainWindowLogicTest, SecondRunReadsTheSameFilesAsTheFirst) {
    logic_.FormCreate();
    logic_.LoadProject(WriteProject("site/p.tarvo", "list.txt"));
    logic_.Button1Click();
    logic_.Button1Click();
    ASSERT_EQ(requests_.size(), 2u);
    EXPECT_EQ(requests_[0].fileList, requests_[1].fileList);
}

TEST_F(MainWindowLogicTest, RunGetsWordOptionsAndKeepWorkFile) {
    logic_.FormCreate();
    logic_.FormShow({WriteProject("p.tarvo", "list.txt", "[Options]\ndigitmin=3\ndumpwords=1\n"), "x", "DEBUG"});
    logic_.Button1Click();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_TRUE(requests_[0].keepWorkFile);
    EXPECT_TRUE(requests_[0].words.dumpwords);
    EXPECT_EQ(requests_[0].words.digitmin, 3);
}

TEST_F(MainWindowLogicTest, AbortQuestionYesSetsTheStopRequestUntilTheRunEnds) {
    logic_.FormCreate();
    logic_.LoadProject(WriteProject("p.tarvo"));
    bool stopSeen = false;
    duringRun_ = [&] {
        view_.yesNoReplies.push_back(true);
        logic_.RunIndexer1Click();  // Ctrl+R during the run
        stopSeen = logic_.StopRequested();
    };
    logic_.Button1Click();
    EXPECT_EQ(view_.questions, std::vector<std::string>{"Abort the current indexer run?"});
    EXPECT_TRUE(stopSeen);
    EXPECT_FALSE(logic_.StopRequested()) << "cleared when the run ends";
    EXPECT_EQ(requests_.size(), 1u) << "no second run from the click";
}

TEST_F(MainWindowLogicTest, AbortQuestionNoLetsTheRunGoOn) {
    logic_.FormCreate();
    logic_.LoadProject(WriteProject("p.tarvo"));
    bool stopSeen = true;
    duringRun_ = [&] {
        view_.yesNoReplies.push_back(false);
        logic_.Button1Click();
        stopSeen = logic_.StopRequested();
        logic_.HandleMessage(WindowMessage::StartRunMessage);  // a stray start during the run
    };
    logic_.Button1Click();
    EXPECT_FALSE(stopSeen);
    EXPECT_EQ(requests_.size(), 1u);
}

TEST_F(MainWindowLogicTest, WindowRefusesToCloseWhileRunning) {
    logic_.FormCreate();
    logic_.LoadProject(WriteProject("p.tarvo"));
    bool closeAllowed = true;
    duringRun_ = [&] {
        closeAllowed = logic_.FormCloseQuery();
        logic_.Exit1Click();
        logic_.HandleMessage(WindowMessage::CloseMessage);
    };
    logic_.Button1Click();
    EXPECT_FALSE(closeAllowed);
    EXPECT_FALSE(view_.closed);
    ASSERT_EQ(view_.errors.size(), 3u);
    EXPECT_EQ(view_.errors[0], "The Indexer is currently running! Abort before closing application");
    EXPECT_TRUE(logic_.FormCloseQuery()) << "idle again after the run";
    logic_.Exit1Click();
    EXPECT_TRUE(view_.closed);
}

TEST_F(MainWindowLogicTest, TheEntriesThatFoundNothingAreShownWhenTheRunEnds) {
    logic_.FormCreate();
    logic_.LoadProject(WriteProject("p.tarvo"));
    runSummary_.entriesWithoutDocument = 3;
    duringRun_ = [this] { EXPECT_EQ(view_.entriesWithoutDocument, std::vector<int>{0}) << "cleared at the start"; };
    logic_.Button1Click();
    EXPECT_EQ(view_.entriesWithoutDocument, (std::vector<int>{0, 3}));
    // A failed run leaves the count cleared.
    duringRun_ = [] { throw std::runtime_error("None of the documents named in list.txt exists"); };
    logic_.Button1Click();
    EXPECT_EQ(view_.entriesWithoutDocument, (std::vector<int>{0, 3, 0}));
    EXPECT_EQ(view_.errors, std::vector<std::string>{"None of the documents named in list.txt exists"});
}

TEST_F(MainWindowLogicTest, FailedRunRestoresTheWindowShowsTheErrorAndDoesNotClose) {
    logic_.FormCreate();
    logic_.FormShow({WriteProject("p.tarvo"), "autorun"});
    ASSERT_EQ(view_.posted.size(), 1u);
    duringRun_ = [] { throw std::runtime_error("cannot open /srv/list.txt: No such file or directory"); };
    logic_.HandleMessage(WindowMessage::StartRunMessage);
    EXPECT_EQ(view_.buttonCaption, "Run Indexer");
    EXPECT_FALSE(view_.busy);
    EXPECT_FALSE(logic_.Running());
    EXPECT_EQ(view_.errors, std::vector<std::string>{"cannot open /srv/list.txt: No such file or directory"});
    EXPECT_EQ(view_.posted.size(), 1u) << "no CloseMessage after a failed run";
}

TEST_F(MainWindowLogicTest, AutorunStartsByMessageAndClosesByMessage) {
    logic_.FormCreate();
    logic_.FormShow({WriteProject("p.tarvo"), "AutoRun"});
    EXPECT_TRUE(requests_.empty()) << "the run starts from the queue, not during FormShow";
    ASSERT_EQ(view_.posted.size(), 1u);
    EXPECT_EQ(view_.posted.front(), WindowMessage::StartRunMessage);
    view_.posted.pop_front();
    logic_.HandleMessage(WindowMessage::StartRunMessage);
    EXPECT_EQ(requests_.size(), 1u);
    EXPECT_FALSE(view_.closed) << "the close is posted, not done inside the run";
    ASSERT_EQ(view_.posted.size(), 1u);
    EXPECT_EQ(view_.posted.front(), WindowMessage::CloseMessage);
    logic_.HandleMessage(WindowMessage::CloseMessage);
    EXPECT_TRUE(view_.closed);
}

// --- Command line ------------------------------------------------------------

TEST_F(MainWindowLogicTest, CommandLineWordsCountOnlyInTheirPlaces) {
    const std::string project = WriteProject("site.tarvo");
    const struct {
        std::vector<std::string> parameters;
        bool loads, autorun, debug;
    } rows[] = {
        {{project, "AUTORUN"}, true, true, false},
        {{project, "x", "autorun"}, true, false, false},
        {{"debug", project}, false, false, true},
        {{project, "autorun", "Debug"}, true, true, true},
        {{scratch_ / "missing.tarvo", "autorun"}, false, true, false},
        {{}, false, false, false},
    };
    for (const auto& row : rows) {
        FakeView view;
        indexer::MainWindowLogic logic(
            view, defaults_, [](const indexer::RunRequest&) { return indexer::RunSummary{}; }, scratch_ / "program");
        logic.FormCreate();
        logic.FormShow(row.parameters);
        const std::string label = ::testing::PrintToString(row.parameters);
        EXPECT_EQ(logic.ProjectPath().empty(), !row.loads) << label;
        EXPECT_EQ(logic.CloseWhenDone(), row.autorun) << label;
        EXPECT_EQ(logic.KeepWorkFile(), row.debug) << label;
        EXPECT_EQ(view.posted.size(), row.loads && row.autorun ? 1u : 0u) << label;
    }
}

TEST_F(MainWindowLogicTest, RelativeCommandLineProjectIsTakenFromTheProgramFolder) {
    WriteIn(scratch_, "program/site.tarvo", "[Paths]\nfilelist=list.txt\n");
    WriteProject("site.tarvo", "elsewhere.txt");  // same name in another folder: not this one
    logic_.FormCreate();
    logic_.FormShow({"site.tarvo"});
    EXPECT_EQ(logic_.ProjectPath(), "site.tarvo");
    EXPECT_EQ(view_.fileList, "list.txt");
    EXPECT_EQ(logic_.FileDialogFolder(), scratch_ / "program");
    logic_.Button1Click();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].fileList, (scratch_ / "program") + "/list.txt");
}

TEST_F(MainWindowLogicTest, RelativeCommandLineProjectIsTakenFromTheStartFolderWhenItIsThere) {
    WriteIn(scratch_, "program/site.tarvo", "[Paths]\nfilelist=program.txt\n");
    WriteIn(scratch_, "program/only-here.tarvo", "[Paths]\nfilelist=only.txt\n");
    WriteIn(scratch_, "user/site.tarvo", "[Paths]\nfilelist=user.txt\n");
    const struct {
        std::string startFolder;
        std::string parameter;
        std::string projectPath;
        std::string fileList;
    } rows[] = {
        {scratch_ / "user", "site.tarvo", scratch_ / "user/site.tarvo", "user.txt"},
        {scratch_ / "user", "only-here.tarvo", "only-here.tarvo", "only.txt"},
        {scratch_ / "program", "site.tarvo", "site.tarvo", "program.txt"},
        {scratch_ / "user", "missing.tarvo", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.startFolder + " " + row.parameter);
        FakeView view;
        indexer::MainWindowLogic logic(
            view, defaults_, [](const indexer::RunRequest&) { return indexer::RunSummary{}; }, scratch_ / "program",
            row.startFolder);
        logic.FormCreate();
        logic.FormShow({row.parameter});
        EXPECT_EQ(logic.ProjectPath(), row.projectPath);
        EXPECT_EQ(view.fileList, row.fileList);
    }
}

TEST_F(MainWindowLogicTest, AutorunWithoutFileListStartsNothing) {
    const std::string project = WriteIn(scratch_, "empty.tarvo", "[Paths]\ndatabase=Site\n");
    logic_.FormCreate();
    logic_.FormShow({project, "autorun"});
    EXPECT_TRUE(logic_.CloseWhenDone());
    EXPECT_TRUE(view_.posted.empty());
}

TEST_F(MainWindowLogicTest, FileDialogStartsInTheCommandLineProjectsFolder) {
    const std::string project = WriteProject("site/p.tarvo");
    logic_.FormCreate();
    logic_.FormShow({project});
    logic_.Button2Click();
    ASSERT_EQ(view_.dialogFolders.size(), 1u);
    EXPECT_EQ(view_.dialogFolders[0], scratch_ / "site");
}

// --- Project files through the window ---------------------------------------

TEST_F(MainWindowLogicTest, SaveWritesTheWindowsPathsAndWordOptions) {
    logic_.FormCreate();
    view_.fileList = "list.txt";
    view_.stopwords = "stop.txt";
    view_.dataBaseName = "Idx";
    logic_.Words().digitmax = 5;
    view_.saveReplies.push_back(scratch_ / "out.tarvo");
    logic_.Save1Click();
    EXPECT_EQ(view_.proposedSaveNames, std::vector<std::string>{"untitled.tarvo"});
    EXPECT_EQ(view_.projectCaption, "Project: out");
    indexer::TProjectSettings read;
    indexer::LoadProject(scratch_ / "out.tarvo", read);
    EXPECT_EQ(read.filelist, "list.txt");
    EXPECT_EQ(read.stopwords, "stop.txt");
    EXPECT_EQ(read.database, "Idx");
    EXPECT_EQ(read.digitmax, 5);
    logic_.Save1Click();
    EXPECT_EQ(view_.proposedSaveNames.size(), 1u) << "a titled project saves without a dialog";
}

TEST_F(MainWindowLogicTest, SaveOnUntitledKeepsTheReturnedNameAndSaveAsMendsTar) {
    logic_.FormCreate();
    view_.saveReplies.push_back(scratch_ / "site.tar");
    logic_.Save1Click();
    EXPECT_EQ(logic_.ProjectPath(), scratch_ / "site.tar");
    view_.saveReplies.push_back(scratch_ / "my.site.tar");
    logic_.SaveAs1Click();
    EXPECT_EQ(logic_.ProjectPath(), scratch_ / "my.tarvo");
    EXPECT_TRUE(std::filesystem::exists(scratch_ / "my.tarvo"));
    logic_.SaveAs1Click();  // cancelled
    EXPECT_EQ(logic_.ProjectPath(), scratch_ / "my.tarvo");
}

TEST_F(MainWindowLogicTest, DigitSizeProjectLoadsIntoDigitMinAndSavesWithoutIt) {
    logic_.FormCreate();
    const std::string project = WriteProject("old.tarvo", "list.txt", "[Options]\ndigitmin=0\ndigitsize=3\n");
    logic_.LoadProject(project);
    EXPECT_EQ(logic_.Words().digitmin, 3);
    logic_.Save1Click();
    const std::string saved = tarvo_test::ReadBytes(scratch_ / "old.tarvo");
    EXPECT_NE(saved.find("digitmin=3"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("digitsize"), std::string::npos) << saved;
}

TEST_F(MainWindowLogicTest, UnwritableProjectShowsTheErrorAndKeepsRunning) {
    logic_.FormCreate();
    view_.saveReplies.push_back(scratch_ / "no/such/folder/p.tarvo");
    logic_.Save1Click();
    ASSERT_EQ(view_.errors.size(), 1u);
    EXPECT_EQ(view_.errors[0].rfind("Unable to write to " + scratch_ / "no/such/folder/p.tarvo", 0), 0u)
        << view_.errors[0];
}

TEST_F(MainWindowLogicTest, MissingProjectLoadsAsEmptyAndStillEntersTheReopenList) {
    logic_.FormCreate();
    logic_.Words().digitmax = 4;
    logic_.LoadProject(scratch_ / "gone.tarvo");
    EXPECT_EQ(logic_.Words().digitmax, 4);
    EXPECT_EQ(view_.fileList, "");
    EXPECT_EQ(view_.dataBaseName, "DataBase");
    EXPECT_EQ(view_.reopenCaptions[0], scratch_ / "gone.tarvo");
    EXPECT_TRUE(view_.reopenVisible[0]);
}

TEST_F(MainWindowLogicTest, ReopenLoadsAnExistingEntryAndMovesItToTheTop) {
    logic_.FormCreate();
    const std::string first = WriteProject("a.tarvo");
    const std::string second = WriteProject("b.tarvo", "other.txt");
    logic_.LoadProject(first);
    logic_.LoadProject(second);
    logic_.ReopenClick(1);
    EXPECT_EQ(logic_.ProjectPath(), first);
    EXPECT_EQ(view_.fileList, "list.txt");
    EXPECT_EQ(view_.reopenCaptions[0], first);
    EXPECT_EQ(view_.reopenCaptions[1], second);
}

TEST_F(MainWindowLogicTest, ReopenOfAVanishedFileSaysSoAndChangesNothing) {
    logic_.FormCreate();
    const std::string first = WriteProject("a.tarvo");
    const std::string second = WriteProject("b.tarvo");
    logic_.LoadProject(first);
    logic_.LoadProject(second);
    std::filesystem::remove(first);
    logic_.ReopenClick(1);
    EXPECT_EQ(view_.errors, std::vector<std::string>{"The file [" + first + "] doesn't exists"});
    EXPECT_EQ(logic_.ProjectPath(), second);
    EXPECT_EQ(view_.reopenCaptions[0], second);
    EXPECT_EQ(view_.reopenCaptions[1], first);
}

// --- Start-up with stored defaults ------------------------------------------

TEST_F(MainWindowLogicTest, UnreadableStoredDefaultShowsTheErrorAndSkipsTheRest) {
    WriteIn(scratch_, "store/defaults", "[\\Software\\TARVO\\dumpwords]\nbool=string:\"yes\"\n");
    logic_.FormCreate();
    EXPECT_EQ(view_.errors, std::vector<std::string>{"Invalid data type for 'bool'"});
    EXPECT_FALSE(defaults_.DefaultKeyExists("prj")) << "the reopen list step is skipped";
    EXPECT_FALSE(view_.runEnabled);
    EXPECT_EQ(logic_.Words().delimiters, indexer::kDefaultDelimiters);
}

TEST_F(MainWindowLogicTest, OptionsMenuShowsTheDialog) {
    logic_.FormCreate();
    logic_.Options1Click();
    EXPECT_EQ(view_.optionsShown, 1);
}

}  // namespace
