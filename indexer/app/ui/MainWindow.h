// TForm1, the desktop indexer's main window: the project's paths, the menus,
// the Run button and the progress labels over the tiled background. The
// widgets only forward to MainWindowLogic and show what it asks them to.
#pragma once

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Bar.H>

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "indexer/app/ui/FltkNames.h"
#include "indexer/app/MainView.h"
#include "indexer/app/MainWindowLogic.h"
#include "indexer/app/ui/TiledBitmap.h"
#include "indexer/engine/RunObserver.h"

namespace indexer {

class TAboutBox;
class TOptionsFrm;
class THelpForm;

class TForm1 : public Fl_Double_Window, public MainView {
public:
    /// Builds the window and runs start-up (FormCreate): the stored defaults
    /// and the reopen list are read, the Run command is disabled.
    /// `startFolder` is the working folder the program was started in.
    TForm1(StoredDefaults& defaults, std::string programFolder, std::string startFolder);
    ~TForm1() override;

    /// The secondary windows the menus show; set once after they exist.
    void AttachWindows(TAboutBox& about, TOptionsFrm& options, THelpForm& help);
    /// Shows the window and reads the command line (FormShow), once.
    void ShowWithCommandLine(const std::vector<std::string>& parameters);

    // MainView
    std::string FileListText() const override { return fileListText_; }
    void SetFileListText(const std::string& text) override;
    std::string StopwordsText() const override { return stopwordsText_; }
    void SetStopwordsText(const std::string& text) override;
    std::string DataBaseNameText() const override;
    void SetDataBaseNameText(const std::string& text) override;
    void SetRunCommandEnabled(bool enabled) override;
    void SetRunButtonCaption(std::string_view caption) override;
    void SetProjectCaption(const std::string& caption) override;
    void ShowReopenList(const ReopenList& list) override;
    void SetBusyCursor(bool busy) override;
    void ShowEntriesWithoutDocument(int count) override;
    std::optional<std::string> ChooseFile(const std::string& folder) override;
    std::optional<std::string> ChooseProjectToOpen(const std::string& folder) override;
    std::optional<std::string> ChooseProjectToSave(const std::string& folder, std::string_view proposedName) override;
    void ShowOptionsDialog() override;
    bool AskYesNo(const std::string& question) override;
    void ShowError(const std::string& message) override;
    void PostMessage(WindowMessage message) override;
    void CloseWindow() override;

    /// Height of the menu bar above the client area.
    static constexpr int kMenuHeight = 25;
    /// Client area below the menu bar.
    static constexpr int kClientWidth = 482;
    static constexpr int kClientHeight = 223;

private:
    /// The run's reports, shown in the progress labels.
    class ProgressLabels : public RunObserver {
    public:
        explicit ProgressLabels(TForm1& form) : form_(form) {}
        void ShowCurrentStep(std::string_view text) override;
        void ShowFilesProcessed(std::string_view text) override;
        void ShowCurrentFileName(std::string_view text) override;
        void ShowWordTotal(std::string_view text) override;
        void ShowStartTime(std::string_view text) override;
        void ShowEndTime(std::string_view text) override;
        void ShowIndicate(std::string_view text) override;
        void HideIndicate() override;
        void LetMessagesThrough() override;
        bool StopRequested() override;

    private:
        TForm1& form_;
    };

    void BuildMenu();
    RunSummary RunProject(const RunRequest& request);
    void Contents1Click();
    void About1Click();
    void DeliverPostedMessages();
    static void OnPostedMessage(void* form);
    std::optional<std::string> RunFileDialog(const std::string& folder, const char* filter, const char* title,
                                             bool save, std::string_view proposedName);
    static void SetLabel(Fl_Box& label, std::string_view cp1252);

    std::string programFolder_;
    std::string fileListText_;
    std::string stopwordsText_;

    TTiledBitmap background_;
    Fl_Menu_Bar MainMenu1;
    Fl_Button Button1;
    Fl_Button Button2;
    Fl_Box Label1;
    Fl_Box FileList;
    Fl_Button Button3;
    Fl_Box Label2;
    Fl_Box Stopwords;
    Fl_Box Label7;
    Fl_Input DataBaseName;
    Fl_Box Label9;
    Fl_Box Label3, FilesProcessed;
    Fl_Box Label4, CurrentFileName;
    Fl_Box Label5, StartTime;
    Fl_Box Label8, wordTotal;
    Fl_Box Label6, EndTime;
    Fl_Box CurrentStep;
    Fl_Box Indicate;
    Fl_Box EntriesNotFound;  ///< after a run: the file-list entries that matched no file

    int runIndexerItem_ = -1;           ///< menu index of RunIndexer1
    std::array<int, 5> reopenItems_{};  ///< menu indexes of PRJ1..PRJ5

    ProgressLabels progress_;
    MainWindowLogic logic_;
    std::deque<WindowMessage> posted_;
    bool shownOnce_ = false;

    TAboutBox* about_ = nullptr;      ///< not owned: created by the program's start-up
    TOptionsFrm* options_ = nullptr;  ///< not owned
    THelpForm* help_ = nullptr;       ///< not owned
};

}  // namespace indexer
