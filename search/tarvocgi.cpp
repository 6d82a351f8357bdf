// Start-up of the search program tarvocgi: names the application, creates its
// hidden main form, whose engine component serves the process's one CGI
// request and ends the process, and then runs the application's event loop.
#include "platform/Component.h"
#include "platform/ProcessInfo.h"
#include "platform/Timer.h"
#include "search/Unit1.h"

int main(int argc, char** argv) {
    platform::SetProcessArguments(argc, argv);
    platform::TApplication::Instance().SetTitle("TARVO CGI Engine");
    // Loading the form answers the request and ends the process under a web
    // server. Only a development relay server comes back to run its timer.
    search::TForm1 Form1(nullptr);
    platform::RunEventLoop();
    return 0;
}
