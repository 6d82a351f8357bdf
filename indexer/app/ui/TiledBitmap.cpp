// Tiled background drawing.
#include "indexer/app/ui/TiledBitmap.h"

#include <FL/fl_draw.H>

namespace indexer {

TTiledBitmap::TTiledBitmap(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) { box(FL_NO_BOX); }

void TTiledBitmap::BitMap(const Fl_RGB_Image& picture) {
    // copy() leaves the picture unchanged; the toolkit does not mark it const.
    bitmap_.reset(static_cast<Fl_RGB_Image*>(const_cast<Fl_RGB_Image&>(picture).copy()));
    redraw();
}

void TTiledBitmap::draw() {
    if (!bitmap_ || bitmap_->w() <= 0 || bitmap_->h() <= 0) return;
    const int tileW = bitmap_->w();
    const int tileH = bitmap_->h();
    fl_push_clip(x(), y(), w(), h());
    for (int column = 0; column <= w() / tileW; ++column)
        for (int row = 0; row <= h() / tileH; ++row) bitmap_->draw(x() + column * tileW, y() + row * tileH);
    fl_pop_clip();
}

}  // namespace indexer
