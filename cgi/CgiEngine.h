// What the standard and the Windows CGI engines share once their module has
// taken its start-up decision: serving the process's one request (or polling
// as development relay server) and the relay server's polling step. Where the
// two engines differ, a hook below names the difference.
#pragma once

#include <chrono>
#include <string>

#include "cgi/HttpEng.h"
#include "platform/Timer.h"

namespace cgi {

class TCgiEngine : public THttpEngine {
public:
    bool AutoTerminate = true;  ///< end the process after the request

    /// The development flag: started by hand while a development window exists.
    bool IsDevelopment() const noexcept { return development_; }

protected:
    explicit TCgiEngine(platform::TComponent* owner) : THttpEngine(owner) {}

    /// Takes "started by hand" from the settings and sets the development flag.
    void TakeStartSettings(const THttpEngineSettings& settings);
    /// Becomes the thread's current engine; then, as relay server, polls for
    /// relayed requests every `pollPeriod`, or else serves the process's
    /// request and ends the process when AutoTerminate is on.
    void ServeProcess(bool relayServer, std::chrono::milliseconds pollPeriod);

    /// Whether a relayed request (its upper-cased file name) is this engine
    /// kind's: both kinds share the relay server file.
    virtual bool IsOwnRelayedRequest(const std::string& upperName) const = 0;
    /// Serves a relayed request whose file exists and tells the client it is
    /// finished. The engines differ in what the file is (a request with its
    /// body, or a profile) and in what they clean up afterwards.
    virtual void ServeRelayedRequest(const std::string& requestPath, const std::string& upperName) = 0;

private:
    void PollRelay();

    bool development_ = false;
    platform::TTimer* pollTimer_ = nullptr;
};

}  // namespace cgi
