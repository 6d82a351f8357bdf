// tarvo-indexer: the desktop indexer. Start-up notes the folder the user
// started it in (where a relative project on the command line is looked for
// first), makes the program's folder the working folder, creates the main
// window, the about box, the options dialog and the help window in that
// order, and runs the event loop until the main window closes. "--version"
// alone prints the version and opens no window.
#include <FL/Fl.H>
#include <FL/fl_ask.H>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBuild.h"
#include "indexer/app/ui/AboutBox.h"
#include "indexer/app/ui/HelpForm.h"
#include "indexer/app/ui/MainWindow.h"
#include "indexer/app/ui/OptionsDialog.h"
#include "indexer/engine/StoredDefaults.h"
#include "platform/PathNames.h"
#include "platform/UserRegistry.h"

namespace {

/// The windows are laid out for Times New Roman and a narrow sans-serif face;
/// the metric-compatible Liberation faces keep their texts in place (the
/// font system falls back to its defaults when they are not installed).
void UseMetricCompatibleFaces() {
    Fl::set_font(FL_TIMES, " Liberation Serif");
    Fl::set_font(FL_TIMES_BOLD, "BLiberation Serif");
    Fl::set_font(FL_TIMES_ITALIC, "ILiberation Serif");
    Fl::set_font(FL_TIMES_BOLD_ITALIC, "PLiberation Serif");
    Fl::set_font(FL_HELVETICA, " Liberation Sans");
    Fl::set_font(FL_HELVETICA_BOLD, "BLiberation Sans");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("tarvo-indexer (TARVO) %s\n", std::string(tarvo::kVersion).c_str());
        return 0;
    }
    const std::string startFolder = platform::CurrentDirectory();
    const std::string programFolder = platform::ProgramDirectory();
    platform::ChangeDirectory(programFolder);
    indexer::TFrameViewer::RegisterPictureFormats();
    Fl::scheme("gtk+");
    Fl::get_system_colors();
    UseMetricCompatibleFaces();

    platform::UserRegistry registry(platform::UserRegistry::DefaultStorePath());
    indexer::StoredDefaults defaults(registry);

    indexer::TForm1 form(defaults, programFolder, startFolder);
    indexer::TAboutBox about;
    indexer::TOptionsFrm options;
    indexer::THelpForm help;
    form.AttachWindows(about, options, help);

    const std::vector<std::string> parameters(argv + 1, argv + argc);
    form.ShowWithCommandLine(parameters);
    while (form.shown()) Fl::wait();
    return 0;
}
