// TFrameViewer: the help viewer control. Shows local HTML pages on the
// toolkit's HTML view, frame sets as panes (each frame's page in its own
// pane), follows links between local pages (into the pane a link targets),
// and shows GIF, JPEG, BMP and PNG pictures. It keeps no history.
#pragma once

#include <FL/Fl_Group.H>
#include <FL/Fl_Help_View.H>

#include <map>
#include <stdexcept>
#include <string>

#include "indexer/viewer/HtmlFrames.h"

namespace indexer {

/// A page that cannot be shown: "Can't locate file: " and its path.
class ViewerError : public std::runtime_error {
public:
    explicit ViewerError(const std::string& message) : std::runtime_error(message) {}
};

class TFrameViewer : public Fl_Group {
public:
    TFrameViewer(int x, int y, int w, int h);
    ~TFrameViewer() override;

    /// Registers the picture formats with the toolkit; call once at start.
    static void RegisterPictureFormats();

    /// Loads a local page (a frame set too) by its full path as a new
    /// document, replacing whatever was shown. Throws ViewerError when the
    /// file (or a frame's page) is missing.
    void LoadFromFile(const std::string& path);

    /// The base font and size of the text.
    void DefaultFont(Fl_Font font, Fl_Fontsize size);

    /// The page shown in the pane named `frame` (empty: the only pane);
    /// empty when there is no such pane. For tests and diagnostics.
    std::string PanePage(const std::string& frame = "") const;

private:
    class Pane;

    void Build(const FrameNode& node, int x, int y, int w, int h, const std::string& folder);
    void ShowPage(Pane& pane, const std::string& path, const std::string& anchor);
    void RequestLink(Pane& from, const LinkTarget& link);
    void ApplyPendingLink();
    static void OnPendingLink(void* viewer);
    static const char* OnLink(Fl_Widget* view, const char* address);

    std::map<std::string, Pane*> panes_;  ///< every pane by frame name ("" for an unnamed single pane)
    Fl_Font font_ = FL_TIMES;
    Fl_Fontsize fontSize_ = 13;
    /// A followed link waits here until the pane that was clicked has
    /// returned from its event handling: following it may destroy that pane.
    struct PendingLink {
        Pane* from = nullptr;
        LinkTarget link;
    };
    std::optional<PendingLink> pending_;
};

}  // namespace indexer
