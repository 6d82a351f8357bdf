// The standard CGI engine: server variables from the environment, the request
// body from standard input, the response on standard output, one request per
// process; and its development relay, through which a program started by hand
// serves the requests of CGI processes started by the web server.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cgi/CgiEngine.h"

namespace cgi {

/// The module's start-up decision, taken once per process before the first
/// engine exists: relay-server mode, removal of a stale server file and of
/// left-over request files, the standard streams, and the hand-off of the
/// request to a running relay server. A process whose request was relayed
/// waits for the answer, copies it to standard output and ends here.
void StartStandardCgiModule();

/// Whether this process is a standard CGI relay server.
bool IsStandardRelayServer();

/// Whether the upper-cased "CGI_VERSION" names Windows CGI ("WIN").
bool CgiVersionNamesWindows();

class TCGIStdEngine : public TCgiEngine {
public:
    /// Takes the settings; in a CGI process (or relay server) becomes current
    /// and then either serves the request at once (ending the process when
    /// AutoTerminate is on) or, as relay server, starts polling.
    TCGIStdEngine(platform::TComponent* owner, const THttpEngineSettings& settings);

    void DoExecRequest() override;
    /// Frees the streams and ends the process when AutoTerminate is on
    /// (a relay server goes on).
    void EndRequest() override;
    int GetConnectionHandle() override;
    /// "HTTP/1.0 200 OK" unless the server software names Netscape or Apache.
    void WriteStatusLine() override;
    void Write(std::string_view text) override;
    void WriteBuffer(const void* bytes, std::size_t count) override;
    void EndHeader() override;
    /// Reads until `count` bytes arrived or the input ended; returns the count read.
    int ReadInput(void* buffer, int count) override;
    /// The environment variable of the generic name ("content length" reads
    /// "CONTENT_LENGTH", "EXECUTABLE PATH" reads "SCRIPT_NAME").
    std::string GetServerVariable(std::string_view name) override;
    std::string GetFieldValue(std::string_view name, std::string_view defaultValue) override;
    std::vector<std::string> GetFieldNames() override;
    bool IsActiveEngine() override;

protected:
    bool IsOwnRelayedRequest(const std::string& upperName) const override;
    /// Reads the relayed environment and body from the request file, writes
    /// the answer file, and removes the request file.
    void ServeRelayedRequest(const std::string& requestPath, const std::string& upperName) override;

private:
    void ReadRequestInput();
};

}  // namespace cgi
