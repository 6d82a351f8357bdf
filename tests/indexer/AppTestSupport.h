// Shared pieces of the desktop indexer's logic tests: a scratch folder with a
// stored-defaults file of its own, and a main view that records what the
// logic shows and answers dialogs from queued replies.
#pragma once

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "indexer/app/MainView.h"
#include "indexer/app/ReopenList.h"

namespace apptest {

namespace fs = std::filesystem;

/// A fresh folder per test, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() {
        path_ = fs::temp_directory_path() /
                ("tarvo-app-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchFolder() { fs::remove_all(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string Path(const std::string& name = "") const { return name.empty() ? path_.string() : (path_ / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        const fs::path file = path_ / name;
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    fs::path path_;
};

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
