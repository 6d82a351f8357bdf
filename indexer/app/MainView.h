// What the main window's logic needs of the window itself: its controls'
// texts, the enabling of the Run command, the project label, the reopen
// menu, the cursor, the dialogs and message boxes, and posting messages to
// its own queue. The FLTK window implements it; tests use a recording fake.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace indexer {

class ReopenList;

/// Messages the main window posts to its own queue; they are handled after
/// the code that posted them has returned to the event loop.
enum class WindowMessage {
    StartRunMessage,  ///< start a run, as the Run command does when idle
    CloseMessage,     ///< close the window, as Exit does
};

class MainView {
public:
    MainView() = default;
    virtual ~MainView() = default;
    MainView(const MainView&) = delete;
    MainView& operator=(const MainView&) = delete;

    // The three path controls, as Windows-1252 / file-system bytes.
    virtual std::string FileListText() const = 0;
    virtual void SetFileListText(const std::string& text) = 0;
    virtual std::string StopwordsText() const = 0;
    virtual void SetStopwordsText(const std::string& text) = 0;
    virtual std::string DataBaseNameText() const = 0;
    /// Sets the edit's text; the window then reports the change as an edit.
    virtual void SetDataBaseNameText(const std::string& text) = 0;

    /// Enables or disables the Run button and the Run menu item together.
    virtual void SetRunCommandEnabled(bool enabled) = 0;
    /// The Run button's caption: "Run Indexer" or "Abort".
    virtual void SetRunButtonCaption(std::string_view caption) = 0;
    /// The project label `Label9`.
    virtual void SetProjectCaption(const std::string& caption) = 0;
    /// Shows the reopen entries' captions and visibility in the menu.
    virtual void ShowReopenList(const ReopenList& list) = 0;
    /// The hourglass cursor for the whole application, or the normal one.
    virtual void SetBusyCursor(bool busy) = 0;
    /// How many file-list entries of the run that ended matched no file;
    /// nothing is shown for 0 (also set at the start of every run).
    virtual void ShowEntriesWithoutDocument(int count) = 0;

    /// The open dialog for any file ("All files|*.*"), starting in `folder`
    /// when not empty; nothing when cancelled.
    virtual std::optional<std::string> ChooseFile(const std::string& folder) = 0;
    /// The open dialog for project files ("TARVO Projects|*.tarvo").
    virtual std::optional<std::string> ChooseProjectToOpen(const std::string& folder) = 0;
    /// The save dialog for project files, proposing `proposedName`.
    virtual std::optional<std::string> ChooseProjectToSave(const std::string& folder,
                                                           std::string_view proposedName) = 0;
    /// The options dialog, modal.
    virtual void ShowOptionsDialog() = 0;
    /// A question with Yes and No; true for Yes.
    virtual bool AskYesNo(const std::string& question) = 0;
    /// An error message with an OK button.
    virtual void ShowError(const std::string& message) = 0;

    /// Posts a message to the window's own queue (never handled at once).
    virtual void PostMessage(WindowMessage message) = 0;
    /// Closes the window for good, which ends the program.
    virtual void CloseWindow() = 0;
};

}  // namespace indexer
