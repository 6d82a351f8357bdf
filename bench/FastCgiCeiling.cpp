// bench-links: tarvo_cgi
// The ceiling of a FastCGI server behind a web server: a responder that does
// no work at all. It answers each request with a page it read at start-up,
// through libfcgi as tarvocgi's FastCGI mode does. What it reaches through
// nginx is the most that any FastCGI server built on libfcgi can reach for
// pages of that size on the machine; bench/fastcgi-peers.sh measures it
// beside tarvocgi.
//
// Usage: FastCgiCeiling SOCKET PAGE_DIR [WORKERS]
//   SOCKET    Unix socket path to listen on (made reachable by everyone)
//   PAGE_DIR  folder of answers NAME.fcgi, each the head and body as a
//             FastCGI server writes them; the query string "page=NAME" picks
//             one, anything else gets 404
//   WORKERS   threads accepting requests (default: the number of cores)
#include <fcgiapp.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using Pages = std::map<std::string, std::string, std::less<>>;

constexpr std::string_view kPageField = "page=";
constexpr std::string_view kNotFound = "Status: 404 Not Found\r\nContent-Type: text/plain\r\n\r\nno such page\r\n";
constexpr int kListenBacklog = 128;

Pages ReadPages(const std::filesystem::path& folder) {
    Pages pages;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".fcgi") continue;
        std::ifstream file(entry.path(), std::ios::binary);
        pages[entry.path().stem().string()].assign(std::istreambuf_iterator<char>(file), {});
    }
    return pages;
}

std::string_view PageFor(const Pages& pages, const char* queryString) {
    const std::string_view query = queryString != nullptr ? queryString : "";
    if (!query.starts_with(kPageField)) return kNotFound;
    const auto page = pages.find(query.substr(kPageField.size()));
    return page != pages.end() ? std::string_view(page->second) : kNotFound;
}

void Serve(int listening, const Pages& pages) {
    FCGX_Request request;
    FCGX_InitRequest(&request, listening, 0);
    while (FCGX_Accept_r(&request) == 0) {
        const std::string_view page = PageFor(pages, FCGX_GetParam("QUERY_STRING", request.envp));
        FCGX_PutStr(page.data(), static_cast<int>(page.size()), request.out);
        FCGX_Finish_r(&request);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s SOCKET PAGE_DIR [WORKERS]\n", argv[0]);
        return 2;
    }
    const Pages pages = ReadPages(argv[2]);
    const int workers = argc == 4 ? std::max(1, std::stoi(argv[3]))
                                  : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // SIGTERM and SIGINT end the process; the workers never see them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    if (FCGX_Init() != 0) return 1;
    // The socket is made reachable for the web server's user as it is bound.
    ::umask(0);
    const int listening = FCGX_OpenSocket(argv[1], kListenBacklog);
    if (listening < 0) {
        std::fprintf(stderr, "%s: cannot listen on %s\n", argv[0], argv[1]);
        return 1;
    }
    std::vector<std::jthread> threads;
    for (int i = 0; i < workers; ++i) threads.emplace_back(Serve, listening, std::cref(pages));
    int signal = 0;
    sigwait(&stopSignals, &signal);
    // The workers wait in accept(); the pages are only read, so nothing is
    // left to finish.
    std::_Exit(0);
}
