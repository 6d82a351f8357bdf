// Marker-file implementation of window titles, with flock as the liveness sign.
#include "platform/WindowTitle.h"

#include <cerrno>
#include <cstdio>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/Folders.h"

namespace platform {
namespace {

std::string DefaultMarkerFolder() {
    if (auto dir = EnvironmentValue("TARVO_WINDOW_DIR"); dir && !dir->empty()) return *dir;
    if (auto runtime = EnvironmentValue("XDG_RUNTIME_DIR"); runtime && !runtime->empty())
        return *runtime + "/tarvo-windows";
    std::string temp = "/tmp";
    if (auto tmpdir = EnvironmentValue("TMPDIR"); tmpdir && !tmpdir->empty()) temp = *tmpdir;
    return temp + "/tarvo-windows-" + std::to_string(::getuid());
}

// One file name per title: the upper-cased title in hexadecimal, so any bytes
// of a title make a valid, unique file name.
std::string MarkerPathFor(const std::string& title) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string name = "w-";
    for (char c : AsciiUpper(title)) {
        const auto byte = static_cast<unsigned char>(c);
        name += kHex[byte >> 4];
        name += kHex[byte & 15];
    }
    return WindowMarkerFolder() + "/" + name;
}

bool LockHeldElsewhere(const FileHandle& marker) {
    if (::flock(marker.Descriptor(), LOCK_SH | LOCK_NB) == 0) {
        ::flock(marker.Descriptor(), LOCK_UN);
        return false;
    }
    return errno == EWOULDBLOCK;
}

TitledWindow& ApplicationWindow() {
    static TitledWindow window;
    return window;
}

}  // namespace

std::string WindowMarkerFolder() {
    const std::string folder = DefaultMarkerFolder();
    CreateFolder(folder);
    return folder;
}

bool TopLevelWindowExists(const std::string& title) {
    FileHandle marker = FileHandle::Open(MarkerPathFor(title), FileHandle::Mode::Read);
    return marker.IsOpen() && LockHeldElsewhere(marker);
}

bool TopLevelWindowOwnerEnded(const std::string& title) {
    FileHandle marker = FileHandle::Open(MarkerPathFor(title), FileHandle::Mode::Read);
    return marker.IsOpen() && !LockHeldElsewhere(marker);
}

TitledWindow::TitledWindow(const std::string& title) : title_(title) {
    markerPath_ = MarkerPathFor(title);
    // Built under a private name and renamed into place, so the marker path
    // never names an unlocked file of a live owner.
    const std::string draft = markerPath_ + "." + std::to_string(::getpid());
    FileHandle handle = FileHandle::Open(draft, FileHandle::Mode::CreateTruncate);
    if (!handle.IsOpen()) return;
    const std::string owner = std::to_string(::getpid()) + "\n";
    if (::flock(handle.Descriptor(), LOCK_EX | LOCK_NB) != 0 || !handle.WriteAll(owner.data(), owner.size()) ||
        std::rename(draft.c_str(), markerPath_.c_str()) != 0) {
        RemoveFile(draft);
        return;
    }
    marker_ = std::move(handle);
}

TitledWindow::~TitledWindow() { Release(); }

TitledWindow& TitledWindow::operator=(TitledWindow&& other) noexcept {
    if (this != &other) {
        Release();
        title_ = std::move(other.title_);
        markerPath_ = std::move(other.markerPath_);
        marker_ = std::move(other.marker_);
    }
    return *this;
}

void TitledWindow::Release() noexcept {
    if (!marker_.IsOpen()) return;
    // Only our own marker is removed: another window of the same title may
    // have replaced it in the meantime.
    struct stat held {};
    struct stat named {};
    if (::fstat(marker_.Descriptor(), &held) == 0 && ::stat(markerPath_.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
        RemoveFile(markerPath_);
    marker_.Close();
}

void SetApplicationWindowTitle(const std::string& title) {
    TitledWindow& window = ApplicationWindow();
    if (window.IsShown() && window.Title() == title) return;
    window = title.empty() ? TitledWindow() : TitledWindow(title);
}

}  // namespace platform
