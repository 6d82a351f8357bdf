// The help window.
#include "indexer/app/ui/HelpForm.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>

#include "indexer/app/HelpLocation.h"
#include "indexer/app/ui/DisplayText.h"
#include "platform/PathNames.h"

namespace indexer {

THelpForm::THelpForm()
    : Fl_Double_Window(558, 375, "TARVO Help"),
      MainMenu1(0, 0, 558, kMenuHeight),
      HelpViewer(0, kMenuHeight, 558, 375 - kMenuHeight) {
    end();
    set_modal();
    resizable(HelpViewer);
    MainMenu1.box(FL_FLAT_BOX);
    MainMenu1.textsize(12);
    // ExitItem: "Close".
    MainMenu1.add(
        "Close", 0, [](Fl_Widget*, void* form) { static_cast<THelpForm*>(form)->hide(); }, this);
    HelpViewer.DefaultFont(FL_TIMES, 13);  // 10 points
    FormCreate();
}

void THelpForm::FormCreate() {
    // The work area's right and bottom are exclusive edges; the window spans
    // right minus left plus one, and bottom minus top plus one.
    int left = 0, top = 0, width = 0, height = 0;
    Fl::screen_work_area(left, top, width, height);
    resize(left, top, width + 1, height + 1);
}

std::string THelpForm::HelpFilePath() { return HelpStartPagePath(platform::ProgramDirectory()); }

void THelpForm::ShowModal() {
    try {
        HelpViewer.LoadFromFile(HelpFilePath());
    } catch (const ViewerError& error) {
        fl_message_title("Error");
        fl_alert("%s", PathLabelText(error.what()).c_str());
        return;
    }
    show();
    while (shown()) Fl::wait();
}

}  // namespace indexer
