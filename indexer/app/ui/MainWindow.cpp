// The main window's widgets, their layout, and the bridge to its logic.
#include "indexer/app/ui/MainWindow.h"

#include <FL/Fl.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include "indexer/app/ui/AboutBox.h"
#include "indexer/app/ui/DisplayText.h"
#include "indexer/app/ui/HelpForm.h"
#include "indexer/app/ui/OptionsDialog.h"
#include "indexer/app/ui/Pictures.h"
#include "indexer/engine/IndexingRun.h"
#include "platform/File.h"
#include "platform/Utf8Text.h"
#include "platform/PathNames.h"

namespace indexer {

namespace {

constexpr int kTop = TForm1::kMenuHeight;    // client area origin below the menu bar
constexpr Fl_Font kSansFont = FL_HELVETICA;  // stands in for MS Sans Serif
constexpr int kSansSize = 10;                // 8 points of the narrower original face

/// A path as a menu caption: '&' marks accelerators and '@' symbols in
/// captions, so a literal one is doubled.
std::string MenuText(std::string_view path) {
    std::string out;
    for (char c : platform::PathForDisplay(path)) {
        out += c;
        if (c == '&' || c == '@') out += c;
    }
    return out;
}

void StyleLabel(Fl_Box& label, Fl_Font font, int size, Fl_Color color = FL_BLACK) {
    label.box(FL_NO_BOX);
    label.labelfont(font);
    label.labelsize(size);
    label.labelcolor(color);
    label.align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
}

/// A fixed label: sized to its text like an auto-sized label, never clipped.
void StyleFixedLabel(Fl_Box& label, Fl_Font font, int size, Fl_Color color = FL_BLACK) {
    StyleLabel(label, font, size, color);
    label.align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE);
    int w = 0, h = 0;
    fl_font(font, size);
    fl_measure(label.label(), w, h, 0);
    label.size(w + 2, h);
}

void StyleButton(Fl_Button& button, const char* hint) {
    button.labelfont(kSansFont);
    button.labelsize(kSansSize);
    button.tooltip(hint);
}

template <void (MainWindowLogic::*Handler)()>
void Forward(Fl_Widget*, void* logic) {
    (static_cast<MainWindowLogic*>(logic)->*Handler)();
}

}  // namespace

TForm1::TForm1(StoredDefaults& defaults, std::string programFolder, std::string startFolder)
    : Fl_Double_Window(kClientWidth, kClientHeight + kMenuHeight, "TARVO Indexer"),
      programFolder_(programFolder),
      background_(0, kTop, kClientWidth, kClientHeight),
      MainMenu1(0, 0, kClientWidth, kMenuHeight),
      // Button1 is created first among the controls: it is first in tab order.
      Button1(392, kTop + 112, 75, 25, "Run Indexer"),
      Button2(8, kTop + 8, 50, 20, "Browse"),
      Label1(65, kTop + 8, 0, 0, "File List:"),
      FileList(150, kTop + 11, 323, 30),
      Button3(8, kTop + 60, 50, 20, "Browse"),
      Label2(65, kTop + 60, 0, 0, "Stopwords:"),
      Stopwords(150, kTop + 62, 323, 30),
      Label7(26, kTop + 107, 0, 0, "Database Name:"),
      DataBaseName(145, kTop + 105, 209, 27),
      Label9(16, kTop + 145, 0, 0, "Project: Untitled"),
      Label3(16, kTop + 166, 0, 0, "Files Processed:"),
      FilesProcessed(96, kTop + 166, 95, 14, "0"),
      Label4(197, kTop + 166, 0, 0, "Current File:"),
      CurrentFileName(256, kTop + 166, 222, 14),
      Label5(16, kTop + 182, 0, 0, "Start Time:"),
      StartTime(72, kTop + 182, 130, 14),
      Label8(206, kTop + 186, 0, 0, " Word Total:"),
      wordTotal(268, kTop + 186, 120, 14),
      Label6(16, kTop + 198, 0, 0, "End Time:"),
      EndTime(72, kTop + 198, 130, 14),
      CurrentStep(208, kTop + 207, 110, 14),
      Indicate(320, kTop + 207, 14, 16),
      EntriesNotFound(340, kTop + 207, 138, 14),
      progress_(*this),
      logic_(
          *this, defaults, [this](const RunRequest& request) { return RunProject(request); }, std::move(programFolder),
          std::move(startFolder)) {
    end();
    labelfont(kSansFont);
    labelsize(kSansSize);
    background_.BitMap(*MakeBackgroundTile());

    StyleButton(Button1, "Start processing the files");
    StyleButton(Button2, "Selects the \"File List\" file");
    StyleButton(Button3, "Selects the \"Stopwords\" file");
    for (Fl_Box* heading : {&Label1, &Label2, &Label7}) StyleFixedLabel(*heading, FL_TIMES_BOLD, 16);
    for (Fl_Box* path : {&FileList, &Stopwords}) {
        StyleLabel(*path, FL_TIMES, 13);
        path->align(path->align() | FL_ALIGN_WRAP);
    }
    DataBaseName.textfont(FL_TIMES);
    DataBaseName.textsize(16);
    DataBaseName.tooltip("The name assigned to files (no ext.)");
    DataBaseName.value("DataBase");
    DataBaseName.when(FL_WHEN_CHANGED);
    DataBaseName.callback(Forward<&MainWindowLogic::DataBaseNameChange>, &logic_);
    StyleFixedLabel(Label9, kSansFont, kSansSize, FL_RED);
    Label9.size(300, Label9.h());
    for (Fl_Box* caption : {&Label3, &Label4, &Label5, &Label8, &Label6})
        StyleFixedLabel(*caption, kSansFont, kSansSize);
    for (Fl_Box* value : {&FilesProcessed, &CurrentFileName, &StartTime, &wordTotal, &EndTime})
        StyleLabel(*value, kSansFont, kSansSize);
    StyleLabel(CurrentStep, kSansFont, kSansSize, FL_RED);
    StyleLabel(Indicate, FL_TIMES_BOLD, 13, FL_RED);
    SetLabel(Indicate, "\x96");
    Indicate.hide();
    StyleLabel(EntriesNotFound, kSansFont, kSansSize, FL_RED);
    EntriesNotFound.hide();

    Button1.callback(Forward<&MainWindowLogic::Button1Click>, &logic_);
    Button2.callback(Forward<&MainWindowLogic::Button2Click>, &logic_);
    Button3.callback(Forward<&MainWindowLogic::Button3Click>, &logic_);
    BuildMenu();

    // Fixed single border with only the close button.
    size_range(w(), h(), w(), h());
    callback(
        [](Fl_Widget*, void* form) {
            // Escape does not close the main window; the close button, Exit and
            // CloseMessage do, through the close rule.
            if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
            static_cast<TForm1*>(form)->logic_.Exit1Click();
        },
        this);

    logic_.FormCreate();
}

TForm1::~TForm1() { Fl::remove_timeout(OnPostedMessage, this); }

void TForm1::BuildMenu() {
    MainMenu1.box(FL_FLAT_BOX);
    MainMenu1.textfont(kSansFont);
    MainMenu1.textsize(12);
    void* logic = &logic_;
    MainMenu1.add("&File/&New Project", 0, Forward<&MainWindowLogic::New1Click>, logic);
    MainMenu1.add("&File/&Open Project ...", 0, Forward<&MainWindowLogic::OpenProject1Click>, logic);
    static constexpr const char* kReopenPaths[] = {"&File/R&eopen/PRJ1", "&File/R&eopen/PRJ2", "&File/R&eopen/PRJ3",
                                                   "&File/R&eopen/PRJ4", "&File/R&eopen/PRJ5"};
    static constexpr Fl_Callback* kReopenHandlers[] = {
        [](Fl_Widget*, void* l) { static_cast<MainWindowLogic*>(l)->ReopenClick(0); },
        [](Fl_Widget*, void* l) { static_cast<MainWindowLogic*>(l)->ReopenClick(1); },
        [](Fl_Widget*, void* l) { static_cast<MainWindowLogic*>(l)->ReopenClick(2); },
        [](Fl_Widget*, void* l) { static_cast<MainWindowLogic*>(l)->ReopenClick(3); },
        [](Fl_Widget*, void* l) { static_cast<MainWindowLogic*>(l)->ReopenClick(4); }};
    for (std::size_t entry = 0; entry < reopenItems_.size(); ++entry)
        reopenItems_[entry] = MainMenu1.add(kReopenPaths[entry], 0, kReopenHandlers[entry], logic, FL_MENU_INVISIBLE);
    MainMenu1.add("&File/&Save", 0, Forward<&MainWindowLogic::Save1Click>, logic);
    MainMenu1.add("&File/Save &As ...", 0, Forward<&MainWindowLogic::SaveAs1Click>, logic, FL_MENU_DIVIDER);
    runIndexerItem_ =
        MainMenu1.add("&File/&Run Indexer", FL_CTRL + 'r', Forward<&MainWindowLogic::RunIndexer1Click>, logic);
    MainMenu1.add("&File/Options...", 0, Forward<&MainWindowLogic::Options1Click>, logic);
    MainMenu1.add("&File/&Clear Files", 0, Forward<&MainWindowLogic::ClearFiles1Click>, logic, FL_MENU_DIVIDER);
    MainMenu1.add("&File/E&xit", 0, Forward<&MainWindowLogic::Exit1Click>, logic);
    MainMenu1.add(
        "&Help/&Contents", 0, [](Fl_Widget*, void* f) { static_cast<TForm1*>(f)->Contents1Click(); }, this,
        FL_MENU_DIVIDER);
    MainMenu1.add(
        "&Help/&About...", 0, [](Fl_Widget*, void* f) { static_cast<TForm1*>(f)->About1Click(); }, this);
}

void TForm1::AttachWindows(TAboutBox& about, TOptionsFrm& options, THelpForm& help) {
    about_ = &about;
    options_ = &options;
    help_ = &help;
}

void TForm1::ShowWithCommandLine(const std::vector<std::string>& parameters) {
    show();
    if (shownOnce_) return;
    shownOnce_ = true;
    logic_.FormShow(parameters);
}

void TForm1::SetLabel(Fl_Box& label, std::string_view cp1252) {
    label.copy_label(LabelText(cp1252).c_str());
    label.redraw();
    if (label.parent() != nullptr) label.parent()->redraw();  // transparent: repaint the background under it
}

void TForm1::SetFileListText(const std::string& text) {
    fileListText_ = text;
    FileList.copy_label(PathLabelText(text).c_str());
    redraw();
}

void TForm1::SetStopwordsText(const std::string& text) {
    stopwordsText_ = text;
    Stopwords.copy_label(PathLabelText(text).c_str());
    redraw();
}

std::string TForm1::DataBaseNameText() const { return DataBaseName.value(); }

void TForm1::SetDataBaseNameText(const std::string& text) {
    DataBaseName.value(platform::PathForDisplay(text).c_str());
    logic_.DataBaseNameChange();
}

void TForm1::SetRunCommandEnabled(bool enabled) {
    if (enabled) Button1.activate();
    else Button1.deactivate();
    auto* item = const_cast<Fl_Menu_Item*>(&MainMenu1.menu()[runIndexerItem_]);
    if (enabled) item->activate();
    else item->deactivate();
}

void TForm1::SetRunButtonCaption(std::string_view caption) {
    Button1.copy_label(std::string(caption).c_str());
    Button1.redraw();
}

void TForm1::SetProjectCaption(const std::string& caption) { SetLabel(Label9, caption); }

void TForm1::ShowReopenList(const ReopenList& list) {
    for (std::size_t entry = 0; entry < reopenItems_.size(); ++entry) {
        if (!list.Entry(entry).empty()) MainMenu1.replace(reopenItems_[entry], MenuText(list.Entry(entry)).c_str());
        auto* item = const_cast<Fl_Menu_Item*>(&MainMenu1.menu()[reopenItems_[entry]]);
        if (list.Visible(entry)) item->show();
        else item->hide();
    }
}

void TForm1::SetBusyCursor(bool busy) { cursor(busy ? FL_CURSOR_WAIT : FL_CURSOR_DEFAULT); }

void TForm1::ShowEntriesWithoutDocument(int count) {
    if (count == 0) {
        EntriesNotFound.hide();
        redraw();
        return;
    }
    SetLabel(EntriesNotFound, std::to_string(count) + (count == 1 ? " entry" : " entries") + " found nothing");
    EntriesNotFound.show();
}

std::optional<std::string> TForm1::RunFileDialog(const std::string& folder, const char* filter, const char* title,
                                                 bool save, std::string_view proposedName) {
    Fl_File_Chooser chooser(folder.empty() ? "." : folder.c_str(), filter,
                            save ? Fl_File_Chooser::CREATE : Fl_File_Chooser::SINGLE, title);
    if (!proposedName.empty())
        chooser.value(platform::ResolveAgainst(folder.empty() ? "." : folder, proposedName).c_str());
    chooser.show();
    while (chooser.shown()) Fl::wait();
    if (chooser.value() == nullptr || *chooser.value() == '\0') return std::nullopt;
    return std::string(chooser.value());
}

std::optional<std::string> TForm1::ChooseFile(const std::string& folder) {
    return RunFileDialog(folder, "All files (*)", "Open", false, {});
}

std::optional<std::string> TForm1::ChooseProjectToOpen(const std::string& folder) {
    return RunFileDialog(folder, "TARVO Projects (*.tarvo)", "Open", false, {});
}

std::optional<std::string> TForm1::ChooseProjectToSave(const std::string& folder, std::string_view proposedName) {
    auto chosen = RunFileDialog(folder, "TARVO Projects (*.tarvo)", "Save As", true, proposedName);
    // The dialog's default extension: a name typed without one gets "tarvo".
    if (chosen && platform::FileNameOf(*chosen).find('.') == std::string::npos) *chosen += kProjectExtension;
    return chosen;
}

void TForm1::ShowOptionsDialog() {
    if (options_ != nullptr) options_->ShowModal(logic_.Words(), logic_.Defaults());
}

bool TForm1::AskYesNo(const std::string& question) {
    fl_message_title("Confirm");
    return fl_choice("%s", "No", "Yes", nullptr, PathLabelText(question).c_str()) == 1;
}

void TForm1::ShowError(const std::string& message) {
    fl_message_title("Error");
    fl_alert("%s", PathLabelText(message).c_str());
}

void TForm1::PostMessage(WindowMessage message) {
    posted_.push_back(message);
    Fl::add_timeout(0.0, OnPostedMessage, this);
}

void TForm1::OnPostedMessage(void* form) { static_cast<TForm1*>(form)->DeliverPostedMessages(); }

void TForm1::DeliverPostedMessages() {
    if (posted_.empty()) return;
    const WindowMessage message = posted_.front();
    posted_.pop_front();
    logic_.HandleMessage(message);
}

void TForm1::CloseWindow() { hide(); }

void TForm1::Contents1Click() {
    if (!platform::FileExists(THelpForm::HelpFilePath())) {
        ShowError("Help files are unavailable.");
        return;
    }
    if (help_ != nullptr) help_->ShowModal();
}

void TForm1::About1Click() {
    if (about_ != nullptr) about_->ShowModal();
}

RunSummary TForm1::RunProject(const RunRequest& request) { return RunIndexer(ToRunSettings(request), progress_); }

// --- The run's reports -------------------------------------------------------

void TForm1::ProgressLabels::ShowCurrentStep(std::string_view text) { SetLabel(form_.CurrentStep, text); }
void TForm1::ProgressLabels::ShowFilesProcessed(std::string_view text) { SetLabel(form_.FilesProcessed, text); }
void TForm1::ProgressLabels::ShowCurrentFileName(std::string_view text) {
    form_.CurrentFileName.copy_label(PathLabelText(text).c_str());
    form_.redraw();
}
void TForm1::ProgressLabels::ShowWordTotal(std::string_view text) { SetLabel(form_.wordTotal, text); }
void TForm1::ProgressLabels::ShowStartTime(std::string_view text) { SetLabel(form_.StartTime, text); }
void TForm1::ProgressLabels::ShowEndTime(std::string_view text) { SetLabel(form_.EndTime, text); }
void TForm1::ProgressLabels::ShowIndicate(std::string_view text) {
    SetLabel(form_.Indicate, text);
    form_.Indicate.show();
}
void TForm1::ProgressLabels::HideIndicate() {
    form_.Indicate.hide();
    form_.redraw();
}
void TForm1::ProgressLabels::LetMessagesThrough() { Fl::check(); }
bool TForm1::ProgressLabels::StopRequested() { return form_.logic_.StopRequested(); }

}  // namespace indexer
