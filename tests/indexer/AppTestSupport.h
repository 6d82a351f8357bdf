// Shared pieces of the desktop indexer's logic tests: a scratch folder with a
// stored-defaults file of its own, and a main view that records what the
// logic shows and answers dialogs from queued replies.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "indexer/app/MainView.h"
#include "indexer/app/ReopenList.h"
#include "tests/support/TestFiles.h"

namespace apptest {

using tarvo_test::TempFolder;

/// Writes `bytes` as the file `name` in `folder` (its folders created);
/// returns the file's path.
inline std::string WriteIn(const TempFolder& folder, const std::string& name, const std::string& bytes) {
    const std::string path = folder / name;
    tarvo_test::WriteBytes(path, bytes);
    return path;
}

/// Records the window's state as the logic sets it; dialogs answer from the
/// reply queues (an empty queue is a cancelled dialog / "No").
class FakeView : public indexer::MainView {
public:
    std::string fileList, stopwords, dataBaseName = "DataBase";
    bool runEnabled = true;  // the logic must set it at start-up
    std::string buttonCaption = "Run Indexer";
    std::string projectCaption = "Project: Untitled";
    std::vector<std::string> reopenCaptions = std::vector<std::string>(5);
    std::vector<bool> reopenVisible = std::vector<bool>(5, false);
    bool busy = false;
    /// Every count of entries without document shown, in order.
    std::vector<int> entriesWithoutDocument;
    int optionsShown = 0;
    bool closed = false;

    std::deque<std::optional<std::string>> fileReplies;
    std::deque<std::optional<std::string>> openReplies;
    std::deque<std::optional<std::string>> saveReplies;
    std::deque<bool> yesNoReplies;

    std::vector<std::string> errors;
    std::vector<std::string> questions;
    std::vector<std::string> proposedSaveNames;
    std::vector<std::string> dialogFolders;
    std::deque<indexer::WindowMessage> posted;

    std::string FileListText() const override { return fileList; }
    void SetFileListText(const std::string& text) override { fileList = text; }
    std::string StopwordsText() const override { return stopwords; }
    void SetStopwordsText(const std::string& text) override { stopwords = text; }
    std::string DataBaseNameText() const override { return dataBaseName; }
    void SetDataBaseNameText(const std::string& text) override { dataBaseName = text; }
    void SetRunCommandEnabled(bool enabled) override { runEnabled = enabled; }
    void SetRunButtonCaption(std::string_view caption) override { buttonCaption = caption; }
    void SetProjectCaption(const std::string& caption) override { projectCaption = caption; }
    void ShowReopenList(const indexer::ReopenList& list) override {
        for (std::size_t i = 0; i < indexer::ReopenList::kEntryCount; ++i) {
            reopenCaptions[i] = list.Entry(i);
            reopenVisible[i] = list.Visible(i);
        }
    }
    void SetBusyCursor(bool isBusy) override { busy = isBusy; }
    void ShowEntriesWithoutDocument(int count) override { entriesWithoutDocument.push_back(count); }
    std::optional<std::string> ChooseFile(const std::string& folder) override {
        dialogFolders.push_back(folder);
        return Next(fileReplies);
    }
    std::optional<std::string> ChooseProjectToOpen(const std::string& folder) override {
        dialogFolders.push_back(folder);
        return Next(openReplies);
    }
    std::optional<std::string> ChooseProjectToSave(const std::string& folder, std::string_view proposed) override {
        dialogFolders.push_back(folder);
        proposedSaveNames.emplace_back(proposed);
        return Next(saveReplies);
    }
    void ShowOptionsDialog() override { ++optionsShown; }
    bool AskYesNo(const std::string& question) override {
        questions.push_back(question);
        if (yesNoReplies.empty()) return false;
        const bool reply = yesNoReplies.front();
        yesNoReplies.pop_front();
        return reply;
    }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    void PostMessage(indexer::WindowMessage message) override { posted.push_back(message); }
    void CloseWindow() override { closed = true; }

private:
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& replies) {
        if (replies.empty()) return std::nullopt;
        auto reply = replies.front();
        replies.pop_front();
        return reply;
    }
};

}  // namespace apptest
