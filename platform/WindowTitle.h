// Top-level window titles between processes. A process "shows a window with a
// title" by holding a per-user marker file for that title with an advisory
// lock; another process finds the window when the marker is locked. The lock
// dies with its process, so a title vanishes when its owner ends, however it
// ends.
#pragma once

#include <string>

#include "platform/File.h"

namespace platform {

/// The folder of the title markers: $TARVO_WINDOW_DIR when set (lets tests
/// keep their windows apart), else $XDG_RUNTIME_DIR/tarvo-windows, else
/// <temporary folder>/tarvo-windows-<user id>. Created on first use.
std::string WindowMarkerFolder();

/// Whether some live process shows a top-level window with this title.
/// Titles compare without regard to ASCII letter case.
bool TopLevelWindowExists(const std::string& title);

/// Whether the last window with this title belonged to a process that ended
/// without taking it away (killed): its marker is there, but no live process
/// holds it. False while a live process shows it, and when no marker is
/// found at all (a window taken away, or one in another marker folder).
bool TopLevelWindowOwnerEnded(const std::string& title);

/// A top-level window title held by this process while the object lives.
/// Movable, not copyable.
class TitledWindow {
public:
    TitledWindow() = default;
    /// Shows the title; IsShown() tells whether the marker could be taken.
    explicit TitledWindow(const std::string& title);
    ~TitledWindow();
    TitledWindow(TitledWindow&& other) noexcept = default;
    TitledWindow& operator=(TitledWindow&& other) noexcept;
    TitledWindow(const TitledWindow&) = delete;
    TitledWindow& operator=(const TitledWindow&) = delete;

    bool IsShown() const noexcept { return marker_.IsOpen(); }
    const std::string& Title() const noexcept { return title_; }

private:
    void Release() noexcept;
    std::string title_;
    std::string markerPath_;
    FileHandle marker_;
};

/// Sets the title of this process's one application window, replacing an
/// earlier one; an empty title takes the window away.
void SetApplicationWindowTitle(const std::string& title);

}  // namespace platform
