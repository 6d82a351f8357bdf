// sigaction-based implementation of the quit-signal watch.
#include "platform/QuitSignals.h"

#include <csignal>
#include <initializer_list>
#include <signal.h>

namespace platform {
namespace {

volatile std::sig_atomic_t g_quitReceived = 0;
bool g_watching = false;

void NoteQuit(int) { g_quitReceived = 1; }

}  // namespace

void WatchQuitSignals() noexcept {
    if (g_watching) return;
    g_watching = true;
    struct sigaction action {};
    action.sa_handler = NoteQuit;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signalNumber, &action, nullptr);
}

bool QuitSignalReceived() noexcept { return g_quitReceived != 0; }

}  // namespace platform
