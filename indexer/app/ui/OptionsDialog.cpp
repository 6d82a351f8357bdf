// The options dialog's widgets, layout and buttons.
#include "indexer/app/ui/OptionsDialog.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>

#include "indexer/app/ui/DisplayText.h"
#include "indexer/app/ui/Pictures.h"

namespace indexer {

namespace {

constexpr int kWidth = 360;
constexpr int kHeight = 277;
/// How far the buttons sit below where they were before the code page row.
constexpr int kRow = 30;
/// The entries of the character set box, in the order of DocumentCharset.
constexpr DocumentCharset kCharsetEntries[] = {DocumentCharset::Windows1252, DocumentCharset::Utf8,
                                               DocumentCharset::Windows1250};
/// The entries of the code page box.
constexpr platform::IndexCodePage kCodePageEntries[] = {
    platform::IndexCodePage::Windows1252, platform::IndexCodePage::Windows1250, platform::IndexCodePage::Utf8};

void StyleLabel(Fl_Box& label, Fl_Color color = FL_BLACK) {
    label.box(FL_NO_BOX);
    label.labelfont(FL_HELVETICA);
    label.labelsize(11);
    label.labelcolor(color);
    label.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
}

void FillCharsetBox(Fl_Choice& box) {
    for (DocumentCharset charset : kCharsetEntries) box.add(std::string(CharsetSettingName(charset)).c_str());
    box.value(0);
    box.textsize(11);
}

template <typename Entry, std::size_t Count>
int EntryIndex(const Entry (&entries)[Count], Entry value) {
    for (std::size_t i = 0; i < Count; ++i)
        if (entries[i] == value) return static_cast<int>(i);
    return 0;
}

template <typename Entry, std::size_t Count>
Entry EntryAt(const Entry (&entries)[Count], int index) {
    return index >= 0 && static_cast<std::size_t>(index) < Count ? entries[index] : entries[0];
}

void FillCodePageBox(Fl_Choice& box) {
    for (platform::IndexCodePage codePage : kCodePageEntries)
        box.add(std::string(platform::CodePageName(codePage)).c_str());
    box.value(0);
    box.textsize(11);
}

void FillDigitBox(Fl_Input_Choice& box) {
    for (std::string_view entry : kDigitRuleEntries) box.add(std::string(entry).c_str());
    box.value("none");
    box.textsize(11);
}

template <void (TOptionsFrm::*Handler)()>
void Forward(Fl_Widget*, void* dialog) {
    (static_cast<TOptionsFrm*>(dialog)->*Handler)();
}

void ShowFailure(const std::exception& error) {
    fl_message_title("Error");
    fl_alert("%s", PathLabelText(error.what()).c_str());
}

}  // namespace

TOptionsFrm::TOptionsFrm()
    : Fl_Double_Window(kWidth, kHeight, "Options"),
      background_(0, 0, kWidth, kHeight),
      autoAddedLabel_(80, 6, 260, 18, "CR, LF, and Tab automatically added"),
      delimitersLabel_(10, 28, 66, 24, "Delimiters"),
      Delimiters(80, 28, 265, 24),
      dumpWordsLabel_(10, 60, 100, 22, "Dump Word List:"),
      DumpWords(110, 61, 22, 20),
      Button1(10, 210 + kRow, 115, 25, "Revert to defaults"),
      Button2(255, 170 + kRow, 90, 25, "Use"),
      Button3(255, 210 + kRow, 90, 25, "Cancel"),
      digitsLabel_(10, 90, 260, 18, "Digits required for numbers to be a valid word:"),
      minMaxLabel_(30, 110, 200, 16, "Min                Max"),
      DigitMin(20, 128, 70, 24),
      Button4(135, 210 + kRow, 105, 25, "Set as defaults"),
      DigitMax(110, 128, 70, 24),
      charsetLabel_(10, 166, 110, 24, "Undeclared pages in:"),
      Charset(125, 166, 110, 24),
      codePageLabel_(10, 166 + kRow, 110, 24, "Index code page:"),
      CodePage(125, 166 + kRow, 110, 24) {
    end();
    set_modal();
    background_.BitMap(*MakeBackgroundTile());
    StyleLabel(autoAddedLabel_, FL_RED);
    for (Fl_Box* label :
         {&delimitersLabel_, &dumpWordsLabel_, &digitsLabel_, &minMaxLabel_, &charsetLabel_, &codePageLabel_})
        StyleLabel(*label);
    Delimiters.tooltip("Characters that separate words");
    DumpWords.tooltip("Generates a .lst file of all words found");
    Charset.tooltip("Character set of pages and text files that declare none (no byte order mark or <meta>)");
    CodePage.tooltip("Code page of the index: windows-1252, windows-1250 (Central European) or utf-8 (every script)");
    Button1.tooltip("Reset to your default project settings");
    Button2.tooltip("Accept and use you modifications");
    Button3.tooltip("Ignore any modifications");
    Button4.tooltip("Use these settings as default project settings.");
    for (Fl_Button* button : {&Button1, static_cast<Fl_Button*>(&Button2), &Button3, &Button4}) button->labelsize(11);
    FillDigitBox(DigitMin);
    FillDigitBox(DigitMax);
    FillCharsetBox(Charset);
    FillCodePageBox(CodePage);

    Button1.callback(Forward<&TOptionsFrm::Button1Click>, this);
    Button2.callback(Forward<&TOptionsFrm::Button2Click>, this);
    Button3.callback(Forward<&TOptionsFrm::Button3Click>, this);
    Button4.callback(Forward<&TOptionsFrm::Button4Click>, this);
    // Esc and the close button cancel.
    callback(Forward<&TOptionsFrm::Button3Click>, this);
}

bool TOptionsFrm::ShowModal(WordDefaults& words, StoredDefaults& defaults) {
    OptionsDialogLogic logic(words, defaults);
    active_ = &logic;
    used_ = false;
    FillControls(logic.Show());
    // Centred on the screen.
    position((Fl::w() - w()) / 2, (Fl::h() - h()) / 2);
    show();
    while (shown()) Fl::wait();
    active_ = nullptr;
    return used_;
}

void TOptionsFrm::FillControls(const OptionsControls& controls) {
    Delimiters.value(EditText(controls.delimiters).c_str());
    DumpWords.value(controls.dumpWords ? 1 : 0);
    DigitMin.value(DigitRuleText(controls.digitMinIndex).c_str());
    DigitMax.value(DigitRuleText(controls.digitMaxIndex).c_str());
    Charset.value(EntryIndex(kCharsetEntries, controls.charset));
    CodePage.value(EntryIndex(kCodePageEntries, controls.codePage));
}

OptionsControls TOptionsFrm::ReadControls() const {
    OptionsControls controls;
    controls.delimiters = TypedText(Delimiters.value());
    controls.dumpWords = DumpWords.value() != 0;
    controls.digitMinIndex = DigitRuleIndex(DigitMin.value());
    controls.digitMaxIndex = DigitRuleIndex(DigitMax.value());
    controls.charset = EntryAt(kCharsetEntries, Charset.value());
    controls.codePage = EntryAt(kCodePageEntries, CodePage.value());
    return controls;
}

void TOptionsFrm::Button1Click() {
    try {
        FillControls(active_->RevertToDefaults());
    } catch (const std::exception& error) {
        ShowFailure(error);
    }
}

void TOptionsFrm::Button2Click() {
    active_->Use(ReadControls());
    used_ = true;
    hide();
}

void TOptionsFrm::Button3Click() { hide(); }

void TOptionsFrm::Button4Click() {
    try {
        active_->SetAsDefaults(ReadControls());
    } catch (const std::exception& error) {
        ShowFailure(error);
    }
}

}  // namespace indexer
