// TTiledBitmap: a background control without input of its own that owns one
// picture and draws it unscaled, tiled over its whole area.
#pragma once

#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Widget.H>

#include <memory>

namespace indexer {

class TTiledBitmap : public Fl_Widget {
public:
    /// A new control is 65 by 65 pixels and has no picture.
    TTiledBitmap(int x, int y, int w = 65, int h = 65);

    /// Copies the picture and repaints; an empty picture draws nothing.
    void BitMap(const Fl_RGB_Image& picture);
    /// The picture, or nullptr while there is none.
    const Fl_RGB_Image* BitMap() const { return bitmap_.get(); }

protected:
    /// Draws the picture at every column times its width and row times its
    /// height, columns 0..w/width and rows 0..h/height included, clipped to
    /// the control, so the last column and row may be cut.
    void draw() override;
    /// Takes no input: every event goes to the controls above it.
    int handle(int) override { return 0; }

private:
    std::unique_ptr<Fl_RGB_Image> bitmap_;
};

}  // namespace indexer
