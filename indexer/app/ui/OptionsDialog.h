// TOptionsFrm, the options dialog: delimiters, word dump, the two digit
// rules and the character set of undeclared documents, with "Use", "Cancel", "Set as defaults" and "Revert to
// defaults".
#pragma once

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Return_Button.H>

#include "indexer/app/ui/FltkNames.h"
#include "indexer/app/OptionsDialogLogic.h"
#include "indexer/app/ui/TiledBitmap.h"

namespace indexer {

class TOptionsFrm : public Fl_Double_Window {
public:
    TOptionsFrm();

    /// Shows the dialog modally on `words`; they change only through "Use".
    /// Returns true when the dialog closed with "Use".
    bool ShowModal(WordDefaults& words, StoredDefaults& defaults);

private:
    void FillControls(const OptionsControls& controls);
    OptionsControls ReadControls() const;
    void Button1Click();  ///< Revert to defaults
    void Button2Click();  ///< Use
    void Button3Click();  ///< Cancel
    void Button4Click();  ///< Set as defaults

    TTiledBitmap background_;
    Fl_Box autoAddedLabel_;
    Fl_Box delimitersLabel_;
    Fl_Input Delimiters;
    Fl_Box dumpWordsLabel_;
    Fl_Check_Button DumpWords;
    Fl_Button Button1;
    Fl_Return_Button Button2;
    Fl_Button Button3;
    Fl_Box digitsLabel_;
    Fl_Box minMaxLabel_;
    Fl_Input_Choice DigitMin;
    Fl_Button Button4;
    Fl_Input_Choice DigitMax;
    Fl_Box charsetLabel_;
    Fl_Choice Charset;
    Fl_Box codePageLabel_;
    Fl_Choice CodePage;

    OptionsDialogLogic* active_ = nullptr;  ///< the logic of the showing in progress
    bool used_ = false;
};

}  // namespace indexer
