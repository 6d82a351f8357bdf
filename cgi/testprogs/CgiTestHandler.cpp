// A small CGI program for the tests: a hidden form with one general engine
// component whose request handler is chosen by the variable TEST_HANDLER.
// The tests start it as a web server would (environment, standard input,
// Windows CGI profile) and read what it answered.
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "cgi/CgiRelay.h"
#include "cgi/CgiSEng.h"
#include "cgi/GenEng.h"
#include "cgi/HUtils.h"
#include "platform/Component.h"
#include "platform/Environment.h"
#include "platform/ProcessInfo.h"
#include "platform/Timer.h"

namespace {

std::string Setting(const std::string& name) { return platform::EnvironmentValue(name).value_or(""); }

bool Flag(const std::string& name) { return Setting(name) == "1"; }

// Writes one line per field named in TEST_FIELDS (comma-separated): "name=[value]".
void WriteFields() {
    const std::string fields = Setting("TEST_FIELDS");
    std::size_t start = 0;
    while (start <= fields.size() && !fields.empty()) {
        std::size_t comma = fields.find(',', start);
        if (comma == std::string::npos) comma = fields.size();
        const std::string name = fields.substr(start, comma - start);
        cgi::HttpWriteLn(name + "=[" + cgi::HttpGetField(name, "(default)") + "]");
        start = comma + 1;
    }
}

// Line `i` of a long page: lines of many lengths, and line 1000 longer than
// a whole block of gathered standard output.
std::string PageLine(int i) {
    if (i == 1000) return std::string(70000, 'y');
    return "line " + std::to_string(i) + " " + std::string(static_cast<std::size_t>(i % 97), 'x');
}

// Writes "<HTML><BODY>" and TEST_LINES page lines.
void WritePageLines() {
    cgi::HttpWriteLn("<HTML><BODY>");
    const int count = std::stoi(Setting("TEST_LINES"));
    for (int i = 0; i < count; ++i) cgi::HttpWriteLn(PageLine(i));
}

class TTestForm : public platform::TForm {
public:
    explicit TTestForm(platform::TComponent* owner) : platform::TForm(owner) {
        auto& engine = CreateOwned<cgi::TGeneralHttpEngine>();
        component_ = &engine;
        engine.SetName("GeneralHttpEngine1");
        engine.SetBufferedOutput(Flag("TEST_BUFFERED"));
        engine.SetNoCache(Flag("TEST_NOCACHE"));
        if (!Setting("TEST_READ_LIMIT").empty()) engine.SetAutoReadLimit(std::stoi(Setting("TEST_READ_LIMIT")));
        engine.SetOnExecRequest([this](cgi::THttpEngine& sender) { ExecRequest(sender); });
        if (Flag("TEST_ERROR_EVENT"))
            engine.SetOnRequestError([](cgi::THttpEngine& sender, const std::exception& error) {
                sender.WriteLn(std::string("error event: ") + error.what());
            });
        NotifyOwnedLoaded();
    }

private:
    cgi::TGeneralHttpEngine* component_ = nullptr;

    void ExecRequest(cgi::THttpEngine& engine) {
        const std::string mode = Setting("TEST_HANDLER");
        if (!Setting("TEST_HANDLER_DELAY_MS").empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(Setting("TEST_HANDLER_DELAY_MS"))));
        if (mode == "plain") {
            cgi::HttpWriteLn("plain text first");
        } else if (mode == "lines") {
            WritePageLines();
            cgi::HttpWriteLn("</BODY></HTML>");
        } else if (mode == "lines-throw") {
            WritePageLines();
            throw std::runtime_error("handler failed after its lines");
        } else if (mode == "lines-terminate") {
            WritePageLines();
            cgi::TerminateCgi();
        } else if (mode == "throw") {
            cgi::HttpWriteLn("<HTML><BODY>");
            throw std::runtime_error("handler failed on purpose");
        } else if (mode == "location") {
            engine.WriteHeader("Location", "http://example.invalid/next");
            engine.EndHeader();
        } else if (mode == "names") {
            cgi::HttpWriteLn("<HTML><BODY>");
            for (const std::string& name : engine.GetFieldNames()) cgi::HttpWriteLn("name:" + name);
        } else if (mode == "vars") {
            cgi::HttpWriteLn("<HTML><BODY>");
            cgi::HttpWriteLn("method=" + engine.GetRequestMethod());
            cgi::HttpWriteLn("query=" + engine.GetQueryString());
            cgi::HttpWriteLn("length=" + std::to_string(engine.GetContentLength()));
            cgi::HttpWriteLn("script=" + engine.GetScriptName());
            cgi::HttpWriteLn("executable=" + engine.GetExecutablePath());
            cgi::HttpWriteLn("agent=" + engine.GetUserAgent());
            cgi::HttpWriteLn("cookie=" + engine.GetCookie());
        } else if (mode == "engine") {
            cgi::HttpWriteLn("<HTML><BODY>");
            if (dynamic_cast<cgi::TCGIStdEngine*>(&engine) != nullptr) {
                cgi::HttpWriteLn("engine=standard");
                cgi::HttpWriteLn(std::string("windows engine=") + (component_->WindowsEngine() ? "yes" : "no"));
            } else {
                cgi::HttpWriteLn("engine=windows");
                cgi::HttpWriteLn(std::string("standard engine=") + (component_->StandardEngine() ? "yes" : "no"));
            }
        } else if (mode == "body") {
            cgi::HttpWriteLn("<HTML><BODY>");
            std::string body(static_cast<std::size_t>(engine.GetContentLength()), '\0');
            body.resize(static_cast<std::size_t>(engine.ReadInput(body.data(), static_cast<int>(body.size()))));
            cgi::HttpWriteLn("body=[" + body + "]");
        } else {
            cgi::HttpWriteLn("<HTML><BODY>");
            WriteFields();
            cgi::HttpWriteLn("</BODY></HTML>");
        }
    }
};

void ShortenRelayTimings() {
    auto& timings = cgi::relay::RelayTimings();
    if (!Setting("TEST_RELAY_WAIT_MS").empty())
        timings.clientWaitLimit = std::chrono::milliseconds(std::stoi(Setting("TEST_RELAY_WAIT_MS")));
    if (!Setting("TEST_RELAY_STALE_MS").empty())
        timings.staleAge = std::chrono::milliseconds(std::stoi(Setting("TEST_RELAY_STALE_MS")));
}

}  // namespace

int main(int argc, char** argv) {
    platform::SetProcessArguments(argc, argv);
    ShortenRelayTimings();
    platform::TApplication::Instance().SetTitle("CGI Test Handler");
    TTestForm form(nullptr);
    platform::RunEventLoop();  // only a relay server gets here
    return 0;
}
