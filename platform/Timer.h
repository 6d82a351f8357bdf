// Timers and the application's event loop: a timer component fires its
// handler every Interval milliseconds while enabled; TApplication-level
// RunEventLoop() serves the timers until none is enabled or a quit signal
// arrived. Everything runs on the calling thread.
#pragma once

#include <chrono>
#include <functional>

#include "platform/Component.h"

namespace platform {

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    int Interval() const noexcept { return interval_; }
    void SetInterval(int milliseconds) noexcept { interval_ = milliseconds; }
    bool Enabled() const noexcept { return enabled_; }
    /// Enabling starts a new interval from now.
    void SetEnabled(bool enabled) noexcept;
    std::function<void()> OnTimer;

    std::chrono::steady_clock::time_point DueAt() const noexcept { return dueAt_; }
    /// Runs the handler when due (the loop's own use).
    void FireIfDue(std::chrono::steady_clock::time_point now);

private:
    int interval_ = 1000;
    bool enabled_ = false;
    std::chrono::steady_clock::time_point dueAt_{};
};

/// Serves the enabled timers of this thread until none is enabled or a
/// watched quit signal (see QuitSignals.h) arrived.
void RunEventLoop();

}  // namespace platform
