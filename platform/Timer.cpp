// Timer registry and the sleeping event loop.
#include "platform/Timer.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "platform/QuitSignals.h"

namespace platform {
namespace {

std::vector<TTimer*>& LiveTimers() {
    thread_local std::vector<TTimer*> timers;
    return timers;
}

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) { LiveTimers().push_back(this); }

TTimer::~TTimer() {
    auto& timers = LiveTimers();
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void TTimer::SetEnabled(bool enabled) noexcept {
    enabled_ = enabled;
    if (enabled) dueAt_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(interval_);
}

void TTimer::FireIfDue(std::chrono::steady_clock::time_point now) {
    if (!enabled_ || now < dueAt_) return;
    dueAt_ = now + std::chrono::milliseconds(interval_);
    if (OnTimer) OnTimer();
}

void RunEventLoop() {
    while (!QuitSignalReceived()) {
        auto timers = LiveTimers();  // a handler may create or free timers
        bool anyEnabled = false;
        auto next = std::chrono::steady_clock::time_point::max();
        for (TTimer* timer : timers) {
            if (!timer->Enabled()) continue;
            anyEnabled = true;
            next = std::min(next, timer->DueAt());
        }
        if (!anyEnabled) return;
        const auto now = std::chrono::steady_clock::now();
        if (next > now) std::this_thread::sleep_until(std::min(next, now + std::chrono::milliseconds(20)));
        const auto firedAt = std::chrono::steady_clock::now();
        for (TTimer* timer : timers) {
            const auto& live = LiveTimers();  // skip a timer freed by an earlier handler
            if (std::find(live.begin(), live.end(), timer) != live.end()) timer->FireIfDue(firedAt);
        }
    }
}

}  // namespace platform
