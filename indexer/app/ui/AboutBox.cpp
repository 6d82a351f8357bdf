// The about box's widgets and its link.
#include "indexer/app/ui/AboutBox.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include "indexer/app/AboutInfo.h"
#include "indexer/app/ui/DisplayText.h"
#include "indexer/app/ui/Pictures.h"
#include "platform/ShellOpen.h"

namespace indexer {

namespace {
constexpr int kWidth = 337;
constexpr int kHeight = 187;

void StyleLabel(Fl_Box& label, Fl_Font font, int size, Fl_Color color = FL_BLACK) {
    label.box(FL_NO_BOX);
    label.labelfont(font);
    label.labelsize(size);
    label.labelcolor(color);
    label.align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
}
}  // namespace

void TLinkLabel::draw() {
    Fl_Box::draw();
    // Underline the text as drawn by the label.
    int textW = 0, textH = 0;
    fl_font(labelfont(), labelsize());
    measure_label(textW, textH);
    fl_color(labelcolor());
    const int baseline = y() + fl_height() - fl_descent() + 2;
    fl_line(x(), baseline, x() + textW, baseline);
}

int TLinkLabel::handle(int event) {
    switch (event) {
        case FL_ENTER: window()->cursor(FL_CURSOR_HAND); return 1;
        case FL_LEAVE: window()->cursor(FL_CURSOR_DEFAULT); return 1;
        case FL_PUSH: return 1;
        case FL_RELEASE:
            if (Fl::event_inside(this)) do_callback();
            return 1;
        default: return Fl_Box::handle(event);
    }
}

TAboutBox::TAboutBox()
    : Fl_Double_Window(kWidth, kHeight, "About"),
      icon_(MakeProgramIcon()),
      background_(0, 0, kWidth, kHeight),
      Panel1(8, 8, 321, 137),
      ProgramIcon(18, 18, 32, 32),
      ProductName(64, 18, 250, 28, "TARVO Indexer"),
      Version(64, 48, 250, 16, "Version number"),
      Label1(18, 68, 300, 44, "For updates and other resources see"),
      Comments(18, 114, 300, 24, kProductAddress.data()),
      OKButton(131, 154, 75, 25, "OK") {
    Panel1.end();
    end();
    set_modal();
    background_.BitMap(*MakeBackgroundTile());
    Panel1.box(FL_THIN_DOWN_FRAME);  // raised inner, lowered outer bevel
    ProgramIcon.box(FL_NO_BOX);
    ProgramIcon.image(icon_.get());
    StyleLabel(ProductName, FL_TIMES_BOLD_ITALIC, 21);
    StyleLabel(Version, FL_HELVETICA, 11);
    StyleLabel(Label1, FL_TIMES_BOLD, 19);
    StyleLabel(Comments, FL_TIMES_BOLD, 19, FL_BLUE);
    Comments.callback([](Fl_Widget*, void* box) { static_cast<TAboutBox*>(box)->CommentsClick(); }, this);
    OKButton.labelsize(11);
    OKButton.callback([](Fl_Widget*, void* box) { static_cast<TAboutBox*>(box)->hide(); }, this);
}

void TAboutBox::ShowModal() {
    Version.copy_label(std::string(kVersionText).c_str());
    position((Fl::w() - w()) / 2, (Fl::h() - h()) / 2);
    show();
    while (shown()) Fl::wait();
}

void TAboutBox::CommentsClick() {
    const std::string address(kProductAddress);
    if (const auto failure = OpenLinkFailureMessage(platform::ShellOpen(address), address)) {
        fl_message_title("Error");
        fl_alert("%s", PathLabelText(*failure).c_str());
    }
}

}  // namespace indexer
