// Start-up of the search program tarvocgi: names the application, creates its
// hidden main form, whose engine component serves the process's one CGI
// request and ends the process, and then runs the application's event loop.
// Started by hand with the one argument "--version", it prints its version.
#include <cstdio>
#include <string>
#include <string_view>

#include "TarvoBuild.h"
#include "platform/Component.h"
#include "platform/Environment.h"
#include "platform/ProcessInfo.h"
#include "platform/Timer.h"
#include "search/Unit1.h"

namespace {

/// A web server sets these for every CGI request; under one, the arguments
/// are the client's words (a query string without "="), never a request for
/// the version.
bool RunsUnderWebServer() {
    for (const char* name : {"SERVER_SOFTWARE", "GATEWAY_INTERFACE", "REQUEST_METHOD"}) {
        if (!platform::EnvironmentValue(name).value_or("").empty()) return true;
    }
    return false;
}

bool AsksForVersion(int argc, char** argv) {
    return argc == 2 && std::string_view(argv[1]) == "--version" && !RunsUnderWebServer();
}

}  // namespace

int main(int argc, char** argv) {
    if (AsksForVersion(argc, argv)) {
        std::printf("tarvocgi (TARVO) %s\n", std::string(tarvo::kVersion).c_str());
        return 0;
    }
    platform::SetProcessArguments(argc, argv);
    platform::TApplication::Instance().SetTitle("TARVO CGI Engine");
    // Loading the form answers the request and ends the process under a web
    // server. Only a development relay server comes back to run its timer.
    search::TForm1 Form1(nullptr);
    platform::RunEventLoop();
    return 0;
}
