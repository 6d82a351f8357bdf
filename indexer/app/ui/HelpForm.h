// THelpForm: the help window, sized to the desktop's work area, showing the
// help pages beside the program in the help viewer.
#pragma once

#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Menu_Bar.H>

#include <string>

#include "indexer/viewer/FrameViewer.h"

namespace indexer {

class THelpForm : public Fl_Double_Window {
public:
    /// Creates the window (FormCreate: sized to the desktop's work area).
    THelpForm();

    /// The start page: the program file's folder and "Help/TARVO.HTM"
    /// (whatever the working folder is), else the installed help pages'
    /// TARVO.HTM (HelpLocation.h).
    static std::string HelpFilePath();

    /// Loads the start page as a new document (FormShow) and shows the
    /// window modally until "Close".
    void ShowModal();

    TFrameViewer& Viewer() { return HelpViewer; }

private:
    void FormCreate();

    static constexpr int kMenuHeight = 25;
    Fl_Menu_Bar MainMenu1;
    TFrameViewer HelpViewer;
};

}  // namespace indexer
