// The main window's behaviour without its widgets: the project commands, the
// Run command's availability, run control (start, abort question, stop
// request, running flag), the close rule and the command line. The window
// forwards every handler here; everything visible goes through MainView.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "indexer/app/MainView.h"
#include "indexer/app/ProjectFileBridge.h"
#include "indexer/app/ReopenList.h"
#include "indexer/engine/IndexingRun.h"
#include "indexer/engine/StoredDefaults.h"

namespace indexer {

/// What one run is given: the settings as they stand when it starts.
struct RunRequest {
    std::string fileList;      ///< absolute when the project named a relative one
    std::string stopwords;     ///< likewise; may be empty
    std::string databaseName;  ///< as typed; a relative name lies in the file list's folder
    WordDefaults words;
    bool keepWorkFile = false;
};

/// Carries out one run and returns what it did; throws to end it with an
/// error. The window's runner calls the engine with an observer that reports
/// into the window's labels.
using Runner = std::function<RunSummary(const RunRequest& request)>;

/// The engine's settings for a run request.
RunSettings ToRunSettings(const RunRequest& request);

inline constexpr std::string_view kRunCaption = "Run Indexer";
inline constexpr std::string_view kAbortCaption = "Abort";
inline constexpr std::string_view kAbortQuestion = "Abort the current indexer run?";
inline constexpr std::string_view kCloseWhileRunning =
    "The Indexer is currently running! Abort before closing application";

class MainWindowLogic {
public:
    /// `programFolder` is the folder of the program file: the working folder
    /// after start-up, and the folder against which an untitled project's
    /// relative paths are taken. `startFolder` is the working folder the
    /// program was started in, where a relative project named on the command
    /// line is looked for first; empty: only the program folder is searched.
    MainWindowLogic(MainView& view, StoredDefaults& defaults, Runner runner, std::string programFolder,
                    std::string startFolder = {});

    /// Start-up: stored defaults (word options, reopen list), flags cleared,
    /// Run command disabled. A stored default that cannot be read is shown
    /// as an error and the remaining steps are skipped.
    void FormCreate();
    /// The command line (parameters without the program name), once.
    void FormShow(const std::vector<std::string>& parameters);

    void Button1Click();        ///< Run: start when idle, else ask whether to abort
    void RunIndexer1Click();    ///< the menu's Run command, Ctrl+R
    void Button2Click();        ///< Browse for the file list
    void Button3Click();        ///< Browse for the stopwords file
    void DataBaseNameChange();  ///< the database name was edited
    void New1Click();
    void OpenProject1Click();
    void Save1Click();
    void SaveAs1Click();
    void ReopenClick(std::size_t entry);  ///< entry 0 (most recent) to 4
    void Options1Click();
    void ClearFiles1Click();
    void Exit1Click();
    /// The close rule: false (after telling the user) while a run is going.
    bool FormCloseQuery();
    /// A message taken from the window's queue.
    void HandleMessage(WindowMessage message);

    /// Loads a project file into the settings (the project path becomes `path`).
    void LoadProject(const std::string& path);
    /// Saves the settings to the project path.
    void SaveProject();
    /// Sets the project label from the project path.
    void UpdateProjectCaption();

    bool Running() const noexcept { return running_; }
    bool StopRequested() const noexcept { return stopRequested_; }
    bool CloseWhenDone() const noexcept { return closeWhenDone_; }
    bool KeepWorkFile() const noexcept { return keepWorkFile_; }
    bool RunCommandEnabled() const noexcept { return runEnabled_; }
    const std::string& ProjectPath() const noexcept { return projectPath_; }
    const std::string& FileDialogFolder() const noexcept { return fileDialogFolder_; }
    /// The current project's word options; the options dialog edits them.
    WordDefaults& Words() noexcept { return words_; }
    const ReopenList& Reopen() const noexcept { return reopen_; }
    StoredDefaults& Defaults() noexcept { return defaults_; }

    /// The settings a run started now would get.
    RunRequest MakeRunRequest() const;
    /// The folder against which the project's relative paths are taken: the
    /// project file's folder, or the program's folder while untitled.
    std::string ProjectFolder() const;

private:
    void StartRun();
    void RunOrAskToAbort();
    void EvaluateRunCommand();

    MainView& view_;
    StoredDefaults& defaults_;
    Runner runner_;
    std::string programFolder_;
    std::string startFolder_;

    WordDefaults words_;
    ReopenList reopen_;
    std::string projectPath_;
    std::string fileDialogFolder_;
    bool running_ = false;
    bool stopRequested_ = false;
    bool closeWhenDone_ = false;
    bool keepWorkFile_ = false;
    bool runEnabled_ = false;
};

}  // namespace indexer
