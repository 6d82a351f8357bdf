// The help viewer control on the toolkit's HTML view and tile widgets.
#include "indexer/viewer/FrameViewer.h"

#include <FL/Fl.H>
#include <FL/Fl_Shared_Image.H>
#include <FL/Fl_Tile.H>
#include <FL/fl_ask.H>

#include <fstream>
#include <sstream>

#include "platform/File.h"
#include "platform/PathNames.h"
#include "platform/ShellOpen.h"

namespace indexer {

/// One pane: an HTML view that knows its frame name and its viewer.
class TFrameViewer::Pane : public Fl_Help_View {
public:
    Pane(int x, int y, int w, int h, TFrameViewer& owner, std::string name)
        : Fl_Help_View(x, y, w, h), owner_(owner), name_(std::move(name)) {
        link(&TFrameViewer::OnLink);
    }
    /// The HTML view releases its pictures in its own destructor and asks the
    /// link handler for their names there; by then this is no Pane any more,
    /// so the handler is taken away first.
    ~Pane() override { link(nullptr); }
    TFrameViewer& Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    std::string page;  ///< path of the page shown

private:
    TFrameViewer& owner_;
    std::string name_;
};

namespace {

std::string ReadPage(const std::string& path) {
    if (!platform::FileExists(path)) throw ViewerError("Can't locate file: " + path);
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

TFrameViewer::TFrameViewer(int x, int y, int w, int h) : Fl_Group(x, y, w, h) {
    end();
    box(FL_DOWN_BOX);
}

TFrameViewer::~TFrameViewer() { Fl::remove_timeout(OnPendingLink, this); }

void TFrameViewer::RegisterPictureFormats() { fl_register_images(); }

void TFrameViewer::DefaultFont(Fl_Font font, Fl_Fontsize size) {
    font_ = font;
    fontSize_ = size;
}

void TFrameViewer::LoadFromFile(const std::string& path) {
    const std::string html = ReadPage(path);
    const std::string folder = platform::DirectoryOf(path);
    const auto frameSet = ParseFrameSet(html);
    // Check every frame's page before anything is replaced.
    if (frameSet) {
        std::vector<const FrameNode*> todo{&*frameSet};
        while (!todo.empty()) {
            const FrameNode* node = todo.back();
            todo.pop_back();
            if (!node->isFrameSet) ReadPage(platform::ResolveAgainst(folder, node->source));
            for (const auto& child : node->children) todo.push_back(&child);
        }
    }
    Fl::remove_timeout(OnPendingLink, this);
    pending_.reset();
    panes_.clear();
    clear();
    begin();
    if (frameSet) {
        Build(*frameSet, x(), y(), w(), h(), folder);
    } else {
        auto* pane = new Pane(x(), y(), w(), h(), *this, "");
        panes_[""] = pane;
        resizable(pane);
        ShowPage(*pane, path, "");
    }
    end();
    redraw();
}

void TFrameViewer::Build(const FrameNode& node, int x, int y, int w, int h, const std::string& folder) {
    if (!node.isFrameSet) {
        auto* pane = new Pane(x, y, w, h, *this, node.name);
        panes_[node.name] = pane;
        ShowPage(*pane, platform::ResolveAgainst(folder, node.source), "");
        return;
    }
    auto* tile = new Fl_Tile(x, y, w, h);
    const auto parts = DivideSpace(node.sizes, node.children.size(), node.columns ? w : h);
    int offset = 0;
    for (std::size_t i = 0; i < node.children.size(); ++i) {
        if (node.columns) Build(node.children[i], x + offset, y, parts[i], h, folder);
        else Build(node.children[i], x, y + offset, w, parts[i], folder);
        offset += parts[i];
    }
    tile->end();
}

void TFrameViewer::ShowPage(Pane& pane, const std::string& path, const std::string& anchor) {
    pane.textfont(font_);
    pane.textsize(fontSize_);
    pane.page = path;
    const std::string html = PreparePage(ReadPage(path), platform::DirectoryOf(path));
    pane.value(html.c_str());
    if (anchor.empty()) pane.topline(0);
    else pane.topline(anchor.c_str());
}

const char* TFrameViewer::OnLink(Fl_Widget* view, const char* address) {
    auto* pane = static_cast<Pane*>(view);
    if (const auto link = DecodeLink(address)) {
        pane->Owner().RequestLink(*pane, *link);
        return nullptr;  // the viewer follows it itself
    }
    if (std::string_view(address).find("://") != std::string_view::npos) {
        platform::ShellOpen(address);  // a web address: the desktop's browser
        return nullptr;
    }
    return address;  // a picture's path
}

void TFrameViewer::RequestLink(Pane& from, const LinkTarget& link) {
    pending_ = PendingLink{&from, link};
    Fl::add_timeout(0.0, OnPendingLink, this);
}

void TFrameViewer::OnPendingLink(void* viewer) { static_cast<TFrameViewer*>(viewer)->ApplyPendingLink(); }

void TFrameViewer::ApplyPendingLink() {
    if (!pending_) return;
    const PendingLink request = std::move(*pending_);
    pending_.reset();
    try {
        const std::string& frame = request.link.frame;
        const bool wholeViewer = frame == "_top" || frame == "_parent" || frame == "_blank" ||
                                 ParseFrameSet(ReadPage(request.link.path)).has_value();
        if (wholeViewer) {
            LoadFromFile(request.link.path);
            return;
        }
        const auto named = panes_.find(frame);
        Pane& pane = (frame.empty() || frame == "_self" || named == panes_.end()) ? *request.from : *named->second;
        ShowPage(pane, request.link.path, request.link.anchor);
    } catch (const ViewerError& error) {
        fl_message_title("Error");
        fl_alert("%s", error.what());
    }
}

std::string TFrameViewer::PanePage(const std::string& frame) const {
    const auto found = panes_.find(frame);
    return found == panes_.end() ? std::string{} : found->second->page;
}

}  // namespace indexer
