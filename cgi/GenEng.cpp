// Engine choice after loading, setting forwarding, and the forwarding accessors.
#include "cgi/GenEng.h"

#include "cgi/CgiSEng.h"
#include "cgi/CgiWEng.h"
#include "cgi/FcgiEng.h"
#include "cgi/HUtils.h"
#include "platform/ProcessInfo.h"

namespace cgi {
namespace {

/// What the engine choice knows about the process.
struct TEngineChoice {
    bool startedByHand = false;   ///< no "SERVER_SOFTWARE" and no arguments
    bool serverSoftware = false;  ///< "SERVER_SOFTWARE" is set
};

/// One kind of engine.
struct TEngineKind {
    /// The module's start-up decision, taken before any engine is created
    /// (a request relayed to a relay server ends the process there).
    void (*startModule)();
    /// Whether the kind is created; asked at its turn, after the kinds
    /// before it were created (one of them may have become current).
    bool (*isWanted)(const TEngineChoice& choice);
    THttpEngine& (*create)(platform::TComponent& owner, const THttpEngineSettings& settings);
};

template <class Engine>
THttpEngine& CreateEngine(platform::TComponent& owner, const THttpEngineSettings& settings) {
    return owner.CreateOwned<Engine>(settings);
}

bool StandardEngineWanted(const TEngineChoice& choice) {
    return CurrentHttpEngine() == nullptr &&
           (choice.startedByHand || (choice.serverSoftware && !CgiVersionNamesWindows()));
}

// Started by hand, the Windows CGI engine is created beside the standard one.
bool WindowsEngineWanted(const TEngineChoice& choice) { return CurrentHttpEngine() == nullptr || choice.startedByHand; }

// A FastCGI server serves until it is stopped and never hands over to the
// kinds after it.
bool FastCgiEngineWanted(const TEngineChoice&) { return IsFastCgiServer(); }

/// The engine kinds in the order their modules start and they are tried.
constexpr TEngineKind kEngineKinds[] = {
    {StartFastCgiModule, FastCgiEngineWanted, CreateEngine<TFCGIEngine>},
    {StartStandardCgiModule, StandardEngineWanted, CreateEngine<TCGIStdEngine>},
    {StartWindowsCgiModule, WindowsEngineWanted, CreateEngine<TCGIWinEngine>},
};

template <class Engine>
Engine* FindEngine(const std::vector<THttpEngine*>& engines) noexcept {
    for (THttpEngine* engine : engines)
        if (auto* found = dynamic_cast<Engine*>(engine)) return found;
    return nullptr;
}

}  // namespace

TGeneralHttpEngine::TGeneralHttpEngine(platform::TComponent* owner) : TGeneralHttpComponent(owner) {
    autoReadInput_ = true;
    autoReadLimit_ = 10000;
    autoHttpHeader_ = true;
    SetCgiAutoTerminate(true);
    SetAutoContentType("text/html");
}

// ---- Setters ---------------------------------------------------------------

void TGeneralHttpEngine::SetAutoHttpHeader(bool value) {
    autoHttpHeader_ = value;
    if (THttpEngine* engine = CurrentHttpEngine()) engine->AutoHttpHeader = value;
}

void TGeneralHttpEngine::SetAutoContentType(const std::string& value) {
    autoContentType_ = value;
    if (THttpEngine* engine = CurrentHttpEngine()) engine->AutoContentType = value;
}

void TGeneralHttpEngine::SetAutoReadInput(bool value) {
    autoReadInput_ = value;
    if (THttpEngine* engine = CurrentHttpEngine()) engine->AutoReadInput = value;
}

void TGeneralHttpEngine::SetAutoReadLimit(int value) {
    autoReadLimit_ = value;
    if (THttpEngine* engine = CurrentHttpEngine()) engine->AutoReadLimit = value;
}

void TGeneralHttpEngine::SetBufferedOutput(bool value) {
    bufferedOutput_ = value;
    if (THttpEngine* engine = CurrentHttpEngine()) engine->BufferedOutput = value;
}

void TGeneralHttpEngine::SetCgiAutoTerminate(bool value) { cgiAutoTerminate_ = value; }

void TGeneralHttpEngine::SetNoCache(bool value) {
    noCache_ = value;
    if (THttpEngine* engine = CurrentHttpEngine()) engine->NoCache = value;
}

void TGeneralHttpEngine::SetDropsUnreadBody(bool value) {
    dropsUnreadBody_ = value;
    if (THttpEngine* engine = CurrentHttpEngine()) engine->DropsUnreadBody = value;
}

void TGeneralHttpEngine::SetOnExecRequest(TExecRequestEvent handler) {
    onExecRequest_ = std::move(handler);
    if (THttpEngine* engine = CurrentHttpEngine()) engine->OnExecRequest = onExecRequest_;
}

void TGeneralHttpEngine::SetOnFirstExecRequest(TFirstExecRequestEvent handler) {
    onFirstExecRequest_ = std::move(handler);
    if (THttpEngine* engine = CurrentHttpEngine()) engine->OnFirstExecRequest = onFirstExecRequest_;
}

void TGeneralHttpEngine::SetOnLastExecRequest(TLastExecRequestEvent handler) {
    onLastExecRequest_ = std::move(handler);
    if (THttpEngine* engine = CurrentHttpEngine()) engine->OnLastExecRequest = onLastExecRequest_;
}

void TGeneralHttpEngine::SetOnRequestError(TRequestErrorEvent handler) {
    onRequestError_ = std::move(handler);
    if (THttpEngine* engine = CurrentHttpEngine()) engine->OnRequestError = onRequestError_;
}

// ---- Engine choice ---------------------------------------------------------

THttpEngineSettings TGeneralHttpEngine::SettingsForEngine(bool startedByHand) const {
    THttpEngineSettings settings;
    settings.startedByHand = startedByHand;
    settings.autoTerminate = cgiAutoTerminate_;
    settings.bufferedOutput = bufferedOutput_;
    settings.noCache = noCache_;
    settings.autoReadLimit = autoReadLimit_;
    settings.autoReadInput = autoReadInput_;
    settings.autoContentType = autoContentType_;
    settings.autoHttpHeader = autoHttpHeader_;
    settings.dropsUnreadBody = dropsUnreadBody_;
    settings.onRequestError = onRequestError_;
    settings.onLastExecRequest = onLastExecRequest_;
    settings.onExecRequest = onExecRequest_;
    settings.onFirstExecRequest = onFirstExecRequest_;
    return settings;
}

void TGeneralHttpEngine::Loaded() {
    TGeneralHttpComponent::Loaded();
    platform::TApplication::Instance().SetShowMainForm(false);
    if (auto* form = dynamic_cast<platform::TForm*>(Owner())) {
        form->SetWindowState(platform::TWindowState::wsMinimized);
        form->Hide();
    }
    if (IsDesigning() || platform::RunsAsLoadedLibrary()) return;

    // The modules' start-up decisions come first: a relayed request is
    // answered by the relay server and this process ends there.
    for (const TEngineKind& kind : kEngineKinds) kind.startModule();

    TEngineChoice choice;
    choice.serverSoftware = !GetEnvVar("SERVER_SOFTWARE").empty();
    choice.startedByHand = !choice.serverSoftware && platform::ProcessArguments().empty();
    platform::TComponent& engineOwner = Owner() != nullptr ? *Owner() : *this;
    for (const TEngineKind& kind : kEngineKinds) {
        if (kind.isWanted(choice))
            engines_.push_back(&kind.create(engineOwner, SettingsForEngine(choice.startedByHand)));
    }
}

TCGIStdEngine* TGeneralHttpEngine::StandardEngine() const noexcept { return FindEngine<TCGIStdEngine>(engines_); }
TCGIWinEngine* TGeneralHttpEngine::WindowsEngine() const noexcept { return FindEngine<TCGIWinEngine>(engines_); }

// ---- Forwarding ------------------------------------------------------------

THttpEngine& TGeneralHttpEngine::Engine() const {
    THttpEngine* engine = CurrentHttpEngine();
    if (engine == nullptr) throw ENoCurrentEngine();
    return *engine;
}

std::string TGeneralHttpEngine::GetServerName() { return Engine().GetServerName(); }
std::string TGeneralHttpEngine::GetServerSoftware() { return Engine().GetServerSoftware(); }
std::string TGeneralHttpEngine::GetGatewayInterface() { return Engine().GetGatewayInterface(); }
std::string TGeneralHttpEngine::GetServerProtocol() { return Engine().GetServerProtocol(); }
std::string TGeneralHttpEngine::GetServerPort() { return Engine().GetServerPort(); }
bool TGeneralHttpEngine::GetServerPortSecure() { return Engine().GetServerPortSecure(); }
std::string TGeneralHttpEngine::GetRequestMethod() { return Engine().GetRequestMethod(); }
std::string TGeneralHttpEngine::GetPathInfo() { return Engine().GetPathInfo(); }
std::string TGeneralHttpEngine::GetPathTranslated() { return Engine().GetPathTranslated(); }
std::string TGeneralHttpEngine::GetScriptName() { return Engine().GetScriptName(); }

std::string TGeneralHttpEngine::GetQueryString() {
    std::string value = Engine().GetQueryString();
    if (value == kNotAvailable) value.clear();
    return value;
}

std::string TGeneralHttpEngine::GetRemoteHost() { return Engine().GetRemoteHost(); }
std::string TGeneralHttpEngine::GetRemoteAddr() { return Engine().GetRemoteAddr(); }
std::string TGeneralHttpEngine::GetAuthType() { return Engine().GetAuthType(); }
std::string TGeneralHttpEngine::GetRemoteUser() { return Engine().GetServerVariable("Remote User"); }
std::string TGeneralHttpEngine::GetRemoteIdent() { return Engine().GetRemoteIdent(); }
std::string TGeneralHttpEngine::GetContentType() { return Engine().GetContentType(); }

int TGeneralHttpEngine::GetContentLength() {
    try {
        return Engine().GetContentLength();
    } catch (const std::exception&) {
        return 0;
    }
}

std::string TGeneralHttpEngine::GetUrl() { return Engine().GetUrl(); }
std::string TGeneralHttpEngine::GetUserAgent() { return Engine().GetUserAgent(); }
std::string TGeneralHttpEngine::GetCookie() { return Engine().GetCookie(); }
std::string TGeneralHttpEngine::GetReferer() { return Engine().GetReferer(); }
std::string TGeneralHttpEngine::GetExecutablePath() { return Engine().GetExecutablePath(); }
void TGeneralHttpEngine::Write(std::string_view text) { Engine().Write(text); }
void TGeneralHttpEngine::WriteBuffer(const void* bytes, std::size_t count) { Engine().WriteBuffer(bytes, count); }
void TGeneralHttpEngine::WriteHeader(std::string_view name, std::string_view value) {
    Engine().WriteHeader(name, value);
}
int TGeneralHttpEngine::ReadInput(void* buffer, int count) { return Engine().ReadInput(buffer, count); }
void TGeneralHttpEngine::EndHeader() { Engine().EndHeader(); }
std::string TGeneralHttpEngine::GetServerVariable(std::string_view name) { return Engine().GetServerVariable(name); }
std::string TGeneralHttpEngine::GetFieldValue(std::string_view name, std::string_view defaultValue) {
    return Engine().GetFieldValue(name, defaultValue);
}
std::vector<std::string> TGeneralHttpEngine::GetFieldNames() { return Engine().GetFieldNames(); }
std::unique_ptr<THttpLock> TGeneralHttpEngine::CreateLock() { return Engine().CreateLock(); }
void TGeneralHttpEngine::Lock(THttpLock* lock) { Engine().Lock(lock); }
void TGeneralHttpEngine::Unlock(THttpLock* lock) { Engine().Unlock(lock); }
void TGeneralHttpEngine::DestroyLock(std::unique_ptr<THttpLock>& lock) { Engine().DestroyLock(lock); }

}  // namespace cgi
