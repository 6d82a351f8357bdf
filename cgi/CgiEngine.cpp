// Serving the process's request and the relay server's polling, shared by
// the standard and the Windows CGI engines.
#include "cgi/CgiEngine.h"

#include "cgi/CgiRelay.h"
#include "cgi/HUtils.h"
#include "platform/File.h"
#include "platform/Folders.h"

namespace cgi {

void TCgiEngine::TakeStartSettings(const THttpEngineSettings& settings) {
    development_ = settings.startedByHand && relay::DevelopmentWindowExists();
}

void TCgiEngine::ServeProcess(bool relayServer, std::chrono::milliseconds pollPeriod) {
    MakeCurrent();
    if (relayServer) {
        pollTimer_ = &relay::StartServerPolling(*this, pollPeriod, [this] { PollRelay(); });
        return;
    }
    ProcessRequest();
    if (AutoTerminate) TerminateCgi();
}

void TCgiEngine::PollRelay() {
    pollTimer_->SetEnabled(false);
    try {
        const auto taken =
            relay::TakeNextRequest([this](const std::string& name) { return IsOwnRelayedRequest(name); });
        if (taken) {
            const std::string requestPath = platform::ResolvePathIgnoringCase(taken->name);
            if (platform::FileExists(requestPath)) ServeRelayedRequest(requestPath, taken->name);
            else relay::FinishRequest(taken->name);
        }
    } catch (const std::exception&) {
        // A failed relayed request must not stop the relay; polling goes on.
    }
    if (!platform::FileExists(relay::ServerFileName())) TerminateCgi();
    pollTimer_->SetEnabled(true);
}

}  // namespace cgi
