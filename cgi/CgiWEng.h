// The Windows CGI engine: the web server describes the request in a profile
// file named by the first command-line argument and reads the response from
// the "OUTPUT FILE" the profile names. The profile reader TCGIIniFile, and
// the engine's variant of the development relay.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cgi/CgiEngine.h"

namespace cgi {

/// A Windows CGI profile held in memory. Lines are read up to 4096 bytes (the
/// rest of a longer line is dropped); a key line needs its "=" within the
/// first 32 characters; at most 51 sections are kept (key lines of further
/// sections are dropped). Section and key names compare upper-cased and trimmed.
class TCGIIniFile {
public:
    static constexpr std::size_t kLineBufferSize = 4096;
    static constexpr std::size_t kKeySpan = 32;
    static constexpr std::size_t kMaxSections = 51;

    /// Reads the whole profile; a missing or unreadable file gives an empty profile.
    explicit TCGIIniFile(const std::string& path);

    /// The stored value, or `defaultValue` when the section or key is absent.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    /// Whether the section holds the key.
    bool HasKey(std::string_view section, std::string_view key) const;
    /// The keys of all sections whose name begins with "FORM", each section's
    /// in sorted order, without the numbered continuation keys ("NAME_1"...).
    std::vector<std::string> FieldNames() const;
    /// The section names, upper case, in order of first appearance.
    const std::vector<std::string>& SectionNames() const noexcept { return sectionNames_; }

private:
    void ParseLine(std::string_view line);
    const std::map<std::string, std::string>* FindSection(std::string_view section) const;

    std::vector<std::string> sectionNames_;
    std::vector<std::map<std::string, std::string>> sections_;
    int currentSection_ = -1;
};

/// The module's start-up decision, taken once per process: the standard
/// environment test, the profile path from the command line, relay-server
/// mode, a stale server file, and the hand-off of the request to a running
/// relay server (a relayed process waits for the answer and ends here).
void StartWindowsCgiModule();

/// Whether the process runs under a standard CGI environment (then the
/// Windows CGI engine stays idle).
bool IsStandardEnvironment();

/// A profile or file path made absolute: an absolute path stays; any other is
/// taken from the file-system root (the stand-in for "the system drive").
std::string MakeAbsoluteCgiPath(std::string_view path);

class TCGIWinEngine : public TCgiEngine {
public:
    /// Takes the settings (AutoTerminate is always on); when active becomes
    /// current and serves the profile named on the command line at once
    /// (ending the process), or polls as relay server.
    TCGIWinEngine(platform::TComponent* owner, const THttpEngineSettings& settings);

    void DoExecRequest() override;
    void EndRequest() override;
    /// "COOKIE" of "EXTRA HEADERS"; the marker "#1NOT_AVAILABLE#1" when absent.
    std::string GetCookie() override;
    int GetConnectionHandle() override;
    void Write(std::string_view text) override;
    void WriteBuffer(const void* bytes, std::size_t count) override;
    /// Reads nothing: the form fields come from the profile.
    int ReadInput(void* buffer, int count) override;
    /// "name:value" CR LF; never a status line.
    void WriteHeader(std::string_view name, std::string_view value) override;
    /// The key (upper case, "_" read as blank, "SCRIPT NAME" read as
    /// "EXECUTABLE PATH") from "CGI", "SYSTEM", "EXTRA HEADERS", "ACCEPT".
    std::string GetServerVariable(std::string_view name) override;
    /// GET: from the query string. Otherwise from "Form Literal", "Form File"
    /// or "Form External", with numbered continuation keys joined by CR LF.
    std::string GetFieldValue(std::string_view name, std::string_view defaultValue) override;
    std::vector<std::string> GetFieldNames() override;
    bool IsActiveEngine() override;

protected:
    bool IsOwnRelayedRequest(const std::string& upperName) const override;
    /// Serves the relayed profile; the profile stays for the client.
    void ServeRelayedRequest(const std::string& requestPath, const std::string& upperName) override;

private:
    bool LookUpField(const std::string& name, std::string& value);
};

}  // namespace cgi
