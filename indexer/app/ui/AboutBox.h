// TAboutBox: product name, version, and a link to the product's web page.
#pragma once

#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Return_Button.H>

#include <memory>

#include "indexer/app/ui/TiledBitmap.h"

namespace indexer {

/// A label drawn as a link: underlined, hand cursor, a click runs its callback.
class TLinkLabel : public Fl_Box {
public:
    TLinkLabel(int x, int y, int w, int h, const char* text) : Fl_Box(x, y, w, h, text) {}

protected:
    void draw() override;
    int handle(int event) override;
};

class TAboutBox : public Fl_Double_Window {
public:
    TAboutBox();
    /// Shows the box modally (FormShow sets the version text first).
    void ShowModal();

private:
    void CommentsClick();

    std::unique_ptr<Fl_RGB_Image> icon_;
    TTiledBitmap background_;
    Fl_Group Panel1;
    Fl_Box ProgramIcon;
    Fl_Box ProductName;
    Fl_Box Version;
    Fl_Box Label1;
    TLinkLabel Comments;
    Fl_Return_Button OKButton;
};

}  // namespace indexer
