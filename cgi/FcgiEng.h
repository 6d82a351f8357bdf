// The FastCGI engine: the same program as a long-running server. A web
// server connects to it (nginx's fastcgi_pass, lighttpd's mod_fastcgi,
// Apache's mod_proxy_fcgi) and hands over each request's variables and body;
// a fixed number of workers answer requests in parallel, each with an engine
// of its own, until SIGTERM or SIGINT: then no new connection is accepted,
// the requests in flight are finished and the process ends with exit code 0.
// The protocol is libfcgi's.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cgi/HttpEng.h"

struct FCGX_Request;

namespace cgi {

/// How the process serves FastCGI, as its start decided it.
struct TFastCgiStart {
    /// "--fastcgi ADDRESS": a Unix socket path (it contains "/") or HOST:PORT;
    /// empty when the socket was handed over.
    std::string address;
    /// The handed-over listening socket (standard input, or systemd's); -1
    /// when the program opens `address` itself.
    int handedSocket = -1;
    /// Workers answering in parallel ("--workers N"; default the number of cores).
    int workers = 1;
    /// Read and write time limit of each connection ("--timeout SECONDS").
    std::chrono::seconds timeLimit{30};
};

/// The default read and write time limit of a connection.
inline constexpr std::chrono::seconds kDefaultConnectionTimeLimit{30};
/// The most workers "--workers" accepts: each holds a connection and a set's
/// files open, and libfcgi waits on descriptors with select(), which takes
/// none above 1023.
inline constexpr int kMaxWorkers = 64;

/// Reads the FastCGI start from the process's arguments and standard input.
/// A FastCGI server is: started with "--fastcgi ADDRESS", outside a CGI
/// request (none of "SERVER_SOFTWARE", "GATEWAY_INTERFACE", "REQUEST_METHOD"
/// and "QUERY_STRING" set, so a query string never makes a CGI process a
/// server); started by systemd socket activation; or started with a listening
/// socket as standard input. "--workers N" and "--timeout SECONDS" may follow
/// in each case. Returns false for any other start (the CGI kinds serve it).
/// Throws std::invalid_argument with a message for the user when the
/// arguments of a server start are wrong.
bool ReadFastCgiStart(const std::vector<std::string>& arguments, TFastCgiStart& start);

/// The module's start-up decision, taken once per process before the first
/// engine exists: whether the process is a FastCGI server. Wrong server
/// arguments end the process here with a message and exit code 2.
void StartFastCgiModule();

/// Whether the process's start made it a FastCGI server.
bool IsFastCgiServer();

class TFCGIEngine : public THttpEngine {
public:
    /// Takes the settings; in a FastCGI server process opens or takes the
    /// listening socket, starts the workers and serves until SIGTERM, then
    /// ends the process with exit code 0 (exit code 1 when the socket cannot
    /// be opened).
    TFCGIEngine(platform::TComponent* owner, const THttpEngineSettings& settings);
    ~TFCGIEngine() override;

    /// Answers one accepted request on the calling thread: reads the body as
    /// CGI does (the same read limit), runs the request cycle with the page
    /// gathered in memory, reads the rest of the input (at most
    /// kMaxDroppedBody bytes), and writes the page to the connection unless
    /// the web server aborted the request.
    void ServeRequest(FCGX_Request& request);

    void DoExecRequest() override;
    /// No status line: the web server writes its own.
    void WriteStatusLine() override;
    void Write(std::string_view text) override;
    void WriteBuffer(const void* bytes, std::size_t count) override;
    int ReadInput(void* buffer, int count) override;
    /// The request's FastCGI parameter: the name upper-cased, blanks read as
    /// "_", "EXECUTABLE PATH" as "SCRIPT_NAME".
    std::string GetServerVariable(std::string_view name) override;
    /// The request's parameter when the web server sent it, else the process
    /// environment's variable.
    std::string GetRequestSetting(std::string_view name) override;
    std::string GetFieldValue(std::string_view name, std::string_view defaultValue) override;
    std::vector<std::string> GetFieldNames() override;
    bool IsActiveEngine() override;
    bool ServesManyRequests() const noexcept override { return true; }

    /// Whether the web server aborted the request being answered
    /// (FCGI_ABORT_REQUEST, or it closed the connection).
    bool RequestAborted();

private:
    /// A worker's engine: the same settings, serving only what it is handed.
    TFCGIEngine(const THttpEngineSettings& settings, bool serves);
    [[noreturn]] void RunServer(const THttpEngineSettings& settings);
    void ReadRequestInput();
    void DrainInput();
    void SendPage();

    FCGX_Request* request_ = nullptr;  ///< the request being answered; null between requests
    std::string inputData_;            ///< the form data: query string or body
    std::string page_;                 ///< the response, written out after the handler
    bool aborted_ = false;
};

}  // namespace cgi
