// The desktop indexer's own pictures, drawn by code: the background tile of
// its windows and the program icon.
#pragma once

#include <FL/Fl_RGB_Image.H>

#include <memory>

namespace indexer {

/// A 64 by 64 tile of pale paper with a faint woven grain.
std::unique_ptr<Fl_RGB_Image> MakeBackgroundTile();
/// The 32 by 32 program icon: a magnifying glass over a page of lines.
std::unique_ptr<Fl_RGB_Image> MakeProgramIcon();

}  // namespace indexer
