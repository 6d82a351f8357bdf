// The general engine component: the one component a program places on its
// main form to become a CGI program. It carries the request settings and
// events; after the form has been loaded it chooses the engine that fits the
// process from the table of engine kinds (FastCGI server, standard CGI,
// Windows CGI; a new kind joins with one entry there), creates it with those settings, and
// from then on forwards setting changes and request-time calls to the
// thread's current engine.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cgi/HttpEng.h"

namespace cgi {

class TCGIStdEngine;
class TCGIWinEngine;

/// Raised by the forwarding accessors when the calling thread has no current
/// engine (before the form was loaded, or on a thread that never served).
class ENoCurrentEngine : public std::logic_error {
public:
    ENoCurrentEngine() : std::logic_error("no HTTP engine is current on this thread") {}
};

class TGeneralHttpEngine : public TGeneralHttpComponent {
public:
    /// Defaults: AutoReadInput, AutoHttpHeader and CgiAutoTerminate on,
    /// AutoReadLimit 10000, AutoContentType "text/html".
    explicit TGeneralHttpEngine(platform::TComponent* owner);

    /// Engine choice: hides the owning form, takes every engine kind's
    /// module start-up decision, then creates, in the table's order, each
    /// kind whose test holds at its turn: the FastCGI engine (the process
    /// was started as a FastCGI server; it serves until stopped and ends the
    /// process), the standard CGI engine (no engine
    /// current yet, and started by hand or "SERVER_SOFTWARE" set while
    /// "CGI_VERSION" does not name "WIN"), then the Windows CGI engine (none
    /// became current, or started by hand). Under either CGI the engine
    /// serves the request and ends the process here.
    void Loaded() override;

    // Published settings. Each setter stores the value and, when the calling
    // thread has a current engine, the same value in that engine
    // (CgiAutoTerminate excepted: it is handed over only at creation).
    bool AutoHttpHeader() const noexcept { return autoHttpHeader_; }
    void SetAutoHttpHeader(bool value);
    const std::string& AutoContentType() const noexcept { return autoContentType_; }
    void SetAutoContentType(const std::string& value);
    bool AutoReadInput() const noexcept { return autoReadInput_; }
    void SetAutoReadInput(bool value);
    int AutoReadLimit() const noexcept { return autoReadLimit_; }
    void SetAutoReadLimit(int value);
    bool BufferedOutput() const noexcept { return bufferedOutput_; }
    void SetBufferedOutput(bool value);
    bool CgiAutoTerminate() const noexcept { return cgiAutoTerminate_; }
    void SetCgiAutoTerminate(bool value);
    bool NoCache() const noexcept { return noCache_; }
    void SetNoCache(bool value);
    bool DropsUnreadBody() const noexcept { return dropsUnreadBody_; }
    void SetDropsUnreadBody(bool value);
    const TExecRequestEvent& OnExecRequest() const noexcept { return onExecRequest_; }
    void SetOnExecRequest(TExecRequestEvent handler);
    const TFirstExecRequestEvent& OnFirstExecRequest() const noexcept { return onFirstExecRequest_; }
    void SetOnFirstExecRequest(TFirstExecRequestEvent handler);
    const TLastExecRequestEvent& OnLastExecRequest() const noexcept { return onLastExecRequest_; }
    void SetOnLastExecRequest(TLastExecRequestEvent handler);
    const TRequestErrorEvent& OnRequestError() const noexcept { return onRequestError_; }
    void SetOnRequestError(TRequestErrorEvent handler);

    /// The engines this component created (null when not created).
    TCGIStdEngine* StandardEngine() const noexcept;
    TCGIWinEngine* WindowsEngine() const noexcept;

    // Forwarding accessors: each calls the same operation of the thread's
    // current engine; without one they raise ENoCurrentEngine.
    virtual std::string GetServerName();
    virtual std::string GetServerSoftware();
    virtual std::string GetGatewayInterface();
    virtual std::string GetServerProtocol();
    virtual std::string GetServerPort();
    virtual bool GetServerPortSecure();
    virtual std::string GetRequestMethod();
    virtual std::string GetPathInfo();
    virtual std::string GetPathTranslated();
    virtual std::string GetScriptName();
    /// Never the marker "#1NOT_AVAILABLE#1".
    virtual std::string GetQueryString();
    virtual std::string GetRemoteHost();
    virtual std::string GetRemoteAddr();
    virtual std::string GetAuthType();
    /// The server variable "Remote User" (not the engine's own getter).
    virtual std::string GetRemoteUser();
    virtual std::string GetRemoteIdent();
    virtual std::string GetContentType();
    /// 0 when the engine raises or there is none.
    virtual int GetContentLength();
    virtual std::string GetUrl();
    virtual std::string GetUserAgent();
    virtual std::string GetCookie();
    virtual std::string GetReferer();
    virtual std::string GetExecutablePath();
    virtual void Write(std::string_view text);
    virtual void WriteBuffer(const void* bytes, std::size_t count);
    virtual void WriteHeader(std::string_view name, std::string_view value);
    virtual int ReadInput(void* buffer, int count);
    virtual void EndHeader();
    virtual std::string GetServerVariable(std::string_view name);
    virtual std::string GetFieldValue(std::string_view name, std::string_view defaultValue);
    virtual std::vector<std::string> GetFieldNames();
    virtual std::unique_ptr<THttpLock> CreateLock();
    virtual void Lock(THttpLock* lock);
    virtual void Unlock(THttpLock* lock);
    virtual void DestroyLock(std::unique_ptr<THttpLock>& lock);

private:
    THttpEngineSettings SettingsForEngine(bool startedByHand) const;
    THttpEngine& Engine() const;

    bool autoHttpHeader_ = true;
    std::string autoContentType_;
    bool autoReadInput_ = true;
    int autoReadLimit_ = 10000;
    bool bufferedOutput_ = false;
    bool cgiAutoTerminate_ = false;
    bool noCache_ = false;
    bool dropsUnreadBody_ = false;
    TExecRequestEvent onExecRequest_;
    TFirstExecRequestEvent onFirstExecRequest_;
    TLastExecRequestEvent onLastExecRequest_;
    TRequestErrorEvent onRequestError_;
    /// The engines created, in the order of creation; owned by the form.
    std::vector<THttpEngine*> engines_;
};

}  // namespace cgi
