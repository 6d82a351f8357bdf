// The abstract request engine of the CGI layer: the published request
// settings and events, the server variables under generic names, form
// fields, the automatic HTTP header, optional buffering with a computed
// content length, the request cycle and the error log.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Component.h"

namespace cgi {

class THttpEngine;
struct THttpEngineSettings;

/// The request handler; Sender is the engine serving the request.
using TExecRequestEvent = std::function<void(THttpEngine& sender)>;
/// Called before the handler of an engine's first request only.
using TFirstExecRequestEvent = std::function<void(THttpEngine& sender)>;
/// Called after the handler when no further request follows.
using TLastExecRequestEvent = std::function<void(THttpEngine& sender)>;
/// Called when a request's events raised; ErrorReason is the exception.
using TRequestErrorEvent = std::function<void(THttpEngine& sender, const std::exception& errorReason)>;

/// A lock that handlers may share between threads.
using THttpLock = std::mutex;

/// The base of the layer's components (the general engine component derives from it).
class TGeneralHttpComponent : public platform::TComponent {
public:
    explicit TGeneralHttpComponent(platform::TComponent* owner) noexcept : platform::TComponent(owner) {}
};

/// Appends one line to the error log: local date and time, ",  ", the
/// thread's request number, " : ", the message, CR LF. The folder is
/// $CGI_LOG_DIR when set (relative to the program's folder unless absolute),
/// else "Log" beside the program, else the program's folder; the file is the
/// program's name up to its first "." with the extension "Log". Never raises.
void WriteLog(std::string_view message) noexcept;

/// The request engine. Per-request state (current engine, header flags,
/// request number, output buffer, direct-output flag) lives per thread, so
/// one engine may serve several threads.
class THttpEngine : public platform::TComponent {
public:
    /// Sets AutoHttpHeader and AutoReadInput on and AutoContentType to
    /// "text/html"; the main form is not to be shown at start-up.
    explicit THttpEngine(platform::TComponent* owner);
    ~THttpEngine() override;

    // Published settings.
    std::string AutoContentType = "text/html";  ///< value of the automatic "content-type" header
    bool AutoReadInput = true;                  ///< the engine reads the request body itself
    int AutoReadLimit = 0;                      ///< largest request body that is read, in bytes
    bool AutoHttpHeader = true;                 ///< the engine writes the HTTP header by itself
    bool BufferedOutput = false;                ///< the response is held until the handler returns
    bool NoCache = false;                       ///< the automatic header carries the no-cache lines
    /// A body the engine left unread (over AutoReadLimit, or multipart) is
    /// read and dropped before the handler runs: for handlers that never read
    /// the body themselves (see DropUnreadBody).
    bool DropsUnreadBody = false;
    TExecRequestEvent OnExecRequest;
    TFirstExecRequestEvent OnFirstExecRequest;
    TRequestErrorEvent OnRequestError;
    TLastExecRequestEvent OnLastExecRequest;

    /// After loading: an active engine owned by a form minimises and hides
    /// the form and becomes the thread's current engine.
    void Loaded() override;

    /// Prepares the request input and calls the events.
    virtual void DoExecRequest() = 0;
    /// End-of-request clean-up (the engines release streams and may end the process).
    virtual void EndRequest();

    // Server variables, each under its generic name (with a second name where
    // the first yields nothing).
    virtual std::string GetServerName();
    virtual std::string GetServerSoftware();
    virtual std::string GetGatewayInterface();
    virtual std::string GetServerProtocol();
    virtual std::string GetServerPort();
    /// True exactly when "SERVER PORT SECURE" is "1".
    virtual bool GetServerPortSecure();
    virtual std::string GetRequestMethod();
    virtual std::string GetPathInfo();
    virtual std::string GetPathTranslated();
    virtual std::string GetScriptName();
    /// Never the marker "#1NOT_AVAILABLE#1": that reads as empty.
    virtual std::string GetQueryString();
    virtual std::string GetRemoteHost();
    virtual std::string GetRemoteAddr();
    virtual std::string GetAuthType();
    virtual std::string GetRemoteUser();
    virtual std::string GetRemoteIdent();
    virtual std::string GetContentType();
    /// "CONTENT LENGTH" as an integer; 0 when it is not a number.
    virtual int GetContentLength();
    virtual std::string GetUrl();
    virtual std::string GetUserAgent();
    virtual std::string GetCookie();
    virtual std::string GetReferer();
    virtual std::string GetExecutablePath();
    virtual int GetConnectionHandle();
    /// A setting of the program for this request (such as the index folder):
    /// the process environment's variable, empty when absent. An engine whose
    /// requests carry their own variables reads those first.
    virtual std::string GetRequestSetting(std::string_view name);
    /// Whether the process goes on answering requests after this one, so that
    /// what a handler reads once may be kept for the next (a FastCGI server);
    /// false for a process that ends with its request.
    virtual bool ServesManyRequests() const noexcept { return false; }

    /// Writes "HTTP/1.0 200 OK" unless the server software names Netscape.
    virtual void WriteStatusLine();
    /// Writes text; the first text beginning with "<" produces the automatic header first.
    virtual void Write(std::string_view text);
    /// Writes bytes; produces the automatic header first when none was sent.
    virtual void WriteBuffer(const void* bytes, std::size_t count);
    /// Reads request input; the base reads nothing and returns 0.
    virtual int ReadInput(void* buffer, int count);
    /// Writes "name:value" CR LF (no blank after the colon); the first header
    /// line of a response is preceded by the status line unless it is "Location".
    virtual void WriteHeader(std::string_view name, std::string_view value);
    /// Ends the header block with a lone CR LF; no automatic header follows it.
    virtual void EndHeader();
    virtual std::string GetServerVariable(std::string_view name) = 0;
    virtual std::string GetFieldValue(std::string_view name, std::string_view defaultValue) = 0;
    /// The names of the request's form fields.
    virtual std::vector<std::string> GetFieldNames() = 0;
    virtual std::unique_ptr<THttpLock> CreateLock();
    /// Enters the lock; nothing for a null lock.
    virtual void Lock(THttpLock* lock);
    /// Leaves the lock; nothing for a null lock.
    virtual void Unlock(THttpLock* lock);
    /// Frees the lock; nothing for a null lock.
    virtual void DestroyLock(std::unique_ptr<THttpLock>& lock);
    /// Whether this engine kind serves the present process.
    virtual bool IsActiveEngine() = 0;

    /// Makes this engine the calling thread's current engine.
    void MakeCurrent() noexcept;
    /// Whether output goes straight to the output channel on this thread.
    bool IsDirectOutput() const noexcept;
    /// Write(text + CR LF).
    void WriteLn(std::string_view text);
    /// The request cycle: buffer set-up, the events (through DoExecRequest),
    /// the header when none was produced, error reporting, the flush with its
    /// "content-length", EndRequest. Lets no std::exception through.
    void ProcessRequest();
    /// The field names of URL-encoded form data.
    static std::vector<std::string> SplitFieldNames(std::string_view data);

protected:
    /// Takes the request settings and event handlers that every engine takes
    /// alike from the general engine component.
    void ApplyRequestSettings(const THttpEngineSettings& settings);
    /// The events of one request, once the engine has prepared its input:
    /// the first-request event (on the engine's first request only), the
    /// dropping of an unread body when DropsUnreadBody is on, the handler,
    /// and the last-request event when `lastEventRuns`.
    void RunRequestEvents(bool lastEventRuns);
    /// Whether text or bytes written now go to the engine's output channel.
    bool SendsToChannel() const noexcept;
    /// The server variable, or the second name's when the first is empty.
    std::string VariableOrSecond(std::string_view name, std::string_view second);

private:
    void ProduceAutomaticHeader();
    void FlushBufferedOutput();

    bool firstRequest_ = true;
};

/// What the general engine component hands to the engine it creates.
struct THttpEngineSettings {
    bool startedByHand = false;  ///< started without CGI environment and without arguments
    bool autoTerminate = true;   ///< end the process after the request
    bool bufferedOutput = false;
    bool noCache = false;
    int autoReadLimit = 10000;
    bool autoReadInput = true;
    std::string autoContentType = "text/html";
    bool autoHttpHeader = true;
    bool dropsUnreadBody = false;
    TRequestErrorEvent onRequestError;
    TLastExecRequestEvent onLastExecRequest;
    TExecRequestEvent onExecRequest;
    TFirstExecRequestEvent onFirstExecRequest;
};

/// Helpers over the per-thread request state, for the engines and tests.
namespace request_state {
/// The thread's request number (0 when idle).
int RequestNumber() noexcept;
/// Whether the automatic header was produced for the running request.
bool HeaderSent() noexcept;
}  // namespace request_state

}  // namespace cgi
