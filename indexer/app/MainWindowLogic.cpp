// The main window's behaviour: project commands, run control, close rule
// and command line.
#include "indexer/app/MainWindowLogic.h"

#include <exception>

#include "indexer/app/CommandLine.h"
#include "indexer/app/ProjectNames.h"
#include "indexer/engine/ProjectFile.h"
#include "platform/File.h"
#include "platform/PathNames.h"

namespace indexer {

RunSettings ToRunSettings(const RunRequest& request) {
    RunSettings settings;
    settings.project.delimiters = request.words.delimiters;
    settings.project.dumpwords = request.words.dumpwords;
    settings.project.digitmin = request.words.digitmin;
    settings.project.digitmax = request.words.digitmax;
    settings.project.charset = request.words.charset;
    settings.project.codePage = request.words.codePage;
    settings.project.filelist = request.fileList;
    settings.project.stopwords = request.stopwords;
    settings.project.database = request.databaseName;
    settings.keepWorkFile = request.keepWorkFile;
    return settings;
}

MainWindowLogic::MainWindowLogic(MainView& view, StoredDefaults& defaults, Runner runner, std::string programFolder,
                                 std::string startFolder)
    : view_(view),
      defaults_(defaults),
      runner_(std::move(runner)),
      programFolder_(std::move(programFolder)),
      startFolder_(std::move(startFolder)),
      words_(BuiltInWordDefaults()) {}

void MainWindowLogic::FormCreate() {
    try {
        LoadWordDefaults(defaults_, words_, MissingDefaults::Store);
        reopen_.Load(defaults_);
    } catch (const std::exception& error) {
        view_.ShowError(error.what());
    }
    view_.ShowReopenList(reopen_);
    running_ = false;
    stopRequested_ = false;
    runEnabled_ = false;
    view_.SetRunCommandEnabled(false);
}

void MainWindowLogic::FormShow(const std::vector<std::string>& parameters) {
    closeWhenDone_ = false;
    keepWorkFile_ = false;
    projectPath_.clear();
    // Start-up made the program's folder the working folder: a relative
    // project name found in the folder the user started from is made
    // absolute, one found only in the program's folder stays as it is.
    const CommandLineRequest request =
        ParseCommandLine(parameters, ProjectSearchFolders{startFolder_, programFolder_},
                         [](const std::string& path) { return platform::FileExists(path); });
    closeWhenDone_ = request.closeWhenDone;
    keepWorkFile_ = request.keepWorkFile;
    if (!request.projectPath.empty()) {
        try {
            LoadProject(request.projectPath);
        } catch (const std::exception& error) {
            view_.ShowError(error.what());
        }
        fileDialogFolder_ = ProjectFolder();
    }
    if (closeWhenDone_ && runEnabled_) view_.PostMessage(WindowMessage::StartRunMessage);
}

void MainWindowLogic::Button1Click() { RunOrAskToAbort(); }

void MainWindowLogic::RunIndexer1Click() { RunOrAskToAbort(); }

void MainWindowLogic::RunOrAskToAbort() {
    if (running_) {
        if (view_.AskYesNo(std::string(kAbortQuestion))) stopRequested_ = true;
        return;
    }
    if (runEnabled_) StartRun();
}

void MainWindowLogic::StartRun() {
    const RunRequest request = MakeRunRequest();
    running_ = true;
    stopRequested_ = false;
    view_.SetRunButtonCaption(kAbortCaption);
    view_.SetBusyCursor(true);
    view_.ShowEntriesWithoutDocument(0);
    RunSummary summary;
    std::string failure;
    bool failed = false;
    try {
        summary = runner_(request);
    } catch (const std::exception& error) {
        failed = true;
        failure = error.what();
    }
    view_.SetBusyCursor(false);
    running_ = false;
    view_.SetRunButtonCaption(kRunCaption);
    stopRequested_ = false;
    if (failed) {
        view_.ShowError(failure);
        return;
    }
    view_.ShowEntriesWithoutDocument(summary.entriesWithoutDocument);
    if (closeWhenDone_) view_.PostMessage(WindowMessage::CloseMessage);
}

void MainWindowLogic::Button2Click() {
    if (auto chosen = view_.ChooseFile(fileDialogFolder_)) {
        view_.SetFileListText(*chosen);
        EvaluateRunCommand();
    }
}

void MainWindowLogic::Button3Click() {
    if (auto chosen = view_.ChooseFile(fileDialogFolder_)) view_.SetStopwordsText(*chosen);
}

void MainWindowLogic::DataBaseNameChange() { EvaluateRunCommand(); }

void MainWindowLogic::New1Click() {
    try {
        words_.delimiters = defaults_.ReadDefaultString("delimiters", "");
        words_.dumpwords = defaults_.ReadDefaultBool("dumpwords");
        words_.digitmin = defaults_.ReadDefaultInt("digitmin");
        words_.digitmax = defaults_.ReadDefaultInt("digitmax");
    } catch (const std::exception& error) {
        view_.ShowError(error.what());
        return;
    }
    view_.SetFileListText("");
    view_.SetStopwordsText("");
    view_.SetDataBaseNameText(std::string(kDefaultDatabaseName));
    EvaluateRunCommand();
    projectPath_.clear();
    UpdateProjectCaption();
}

void MainWindowLogic::OpenProject1Click() {
    const auto chosen = view_.ChooseProjectToOpen(fileDialogFolder_);
    if (!chosen) return;
    try {
        LoadProject(*chosen);
    } catch (const std::exception& error) {
        view_.ShowError(error.what());
    }
}

void MainWindowLogic::Save1Click() {
    if (projectPath_.empty()) {
        const auto chosen = view_.ChooseProjectToSave(fileDialogFolder_, kUntitledProjectFile);
        if (!chosen) return;
        projectPath_ = *chosen;
    }
    try {
        SaveProject();
    } catch (const std::exception& error) {
        view_.ShowError(error.what());
    }
}

void MainWindowLogic::SaveAs1Click() {
    const auto chosen = view_.ChooseProjectToSave(fileDialogFolder_, kUntitledProjectFile);
    if (!chosen) return;
    projectPath_ = SaveAsProjectPath(*chosen);
    try {
        SaveProject();
    } catch (const std::exception& error) {
        view_.ShowError(error.what());
    }
}

void MainWindowLogic::ReopenClick(std::size_t entry) {
    if (entry >= ReopenList::kEntryCount) return;
    const std::string path = reopen_.Entry(entry);
    if (!platform::FileExists(platform::ResolveAgainst(programFolder_, path))) {
        view_.ShowError("The file [" + path + "] doesn't exists");
        return;
    }
    try {
        LoadProject(path);
    } catch (const std::exception& error) {
        view_.ShowError(error.what());
    }
}

void MainWindowLogic::Options1Click() { view_.ShowOptionsDialog(); }

void MainWindowLogic::ClearFiles1Click() {
    view_.SetFileListText("");
    view_.SetStopwordsText("");
    EvaluateRunCommand();
}

void MainWindowLogic::Exit1Click() {
    if (FormCloseQuery()) view_.CloseWindow();
}

bool MainWindowLogic::FormCloseQuery() {
    if (!running_) return true;
    view_.ShowError(std::string(kCloseWhileRunning));
    return false;
}

void MainWindowLogic::HandleMessage(WindowMessage message) {
    switch (message) {
        case WindowMessage::StartRunMessage:
            if (!running_ && runEnabled_) StartRun();
            break;
        case WindowMessage::CloseMessage: Exit1Click(); break;
    }
}

void MainWindowLogic::LoadProject(const std::string& path) {
    projectPath_ = path;
    reopen_.Add(path, defaults_);
    view_.ShowReopenList(reopen_);
    ProjectPaths paths;
    ReadProjectFile(platform::ResolveAgainst(programFolder_, path), words_, paths);
    view_.SetFileListText(paths.filelist);
    view_.SetStopwordsText(paths.stopwords);
    view_.SetDataBaseNameText(paths.database);
    EvaluateRunCommand();
    UpdateProjectCaption();
}

void MainWindowLogic::SaveProject() {
    reopen_.Add(projectPath_, defaults_);
    view_.ShowReopenList(reopen_);
    const ProjectPaths paths{view_.FileListText(), view_.StopwordsText(), view_.DataBaseNameText()};
    WriteProjectFile(platform::ResolveAgainst(programFolder_, projectPath_), words_, paths);
    UpdateProjectCaption();
}

void MainWindowLogic::UpdateProjectCaption() { view_.SetProjectCaption(ProjectCaption(projectPath_)); }

void MainWindowLogic::EvaluateRunCommand() {
    runEnabled_ = !view_.FileListText().empty() && !view_.DataBaseNameText().empty();
    view_.SetRunCommandEnabled(runEnabled_);
}

std::string MainWindowLogic::ProjectFolder() const {
    if (projectPath_.empty()) return programFolder_;
    return platform::DirectoryOf(platform::ResolveAgainst(programFolder_, projectPath_));
}

RunRequest MainWindowLogic::MakeRunRequest() const {
    RunRequest request;
    const std::string folder = ProjectFolder();
    request.fileList = platform::ResolveAgainst(folder, view_.FileListText());
    request.stopwords = platform::ResolveAgainst(folder, view_.StopwordsText());
    request.databaseName = view_.DataBaseNameText();
    request.words = words_;
    request.keepWorkFile = keepWorkFile_;
    return request;
}

}  // namespace indexer
