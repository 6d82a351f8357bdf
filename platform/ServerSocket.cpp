// Listening, accepting, time limits and stop signals over POSIX sockets.
#include "platform/ServerSocket.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/Environment.h"
#include "platform/File.h"

namespace platform {
namespace {

/// The first descriptor systemd passes.
constexpr int kFirstActivatedFd = 3;
constexpr mode_t kSocketFileMode = 0666;

SocketHandle ListenOnUnixPath(const std::string& path, SocketFile* socketFile) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) throw IoError("cannot listen on", path, ENAMETOOLONG);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    struct stat existing {};
    // Only a socket file is replaced: a mistyped path must not delete a file.
    if (::lstat(path.c_str(), &existing) == 0 && S_ISSOCK(existing.st_mode)) ::unlink(path.c_str());
    SocketHandle socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.IsOpen()) throw IoError("cannot make a socket for", path, errno);
    if (::bind(socket.Descriptor(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw IoError("cannot listen on", path, errno);
    if (::listen(socket.Descriptor(), kListenBacklog) != 0) throw IoError("cannot listen on", path, errno);
    if (::chmod(path.c_str(), kSocketFileMode) != 0) throw IoError("cannot set the mode of", path, errno);
    struct stat made {};
    if (socketFile != nullptr && ::lstat(path.c_str(), &made) == 0)
        *socketFile = {path, static_cast<std::uint64_t>(made.st_dev), static_cast<std::uint64_t>(made.st_ino)};
    return socket;
}

int PortNumber(const std::string& text, const std::string& address) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        throw IoError("no port number in the address", address, EINVAL);
    return port;
}

// The host is a numeric address (no name lookup: the program is linked
// statically and must not need the system's name services).
SocketHandle ListenOnTcpAddress(const std::string& address) {
    const std::size_t colon = address.rfind(':');
    if (colon == std::string::npos) throw IoError("no port number in the address", address, EINVAL);
    std::string host = address.substr(0, colon);
    const int port = PortNumber(address.substr(colon + 1), address);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (host.find(':') != std::string::npos) {
        auto& ipv6 = reinterpret_cast<sockaddr_in6&>(storage);
        ipv6.sin6_family = AF_INET6;
        ipv6.sin6_port = htons(static_cast<std::uint16_t>(port));
        if (::inet_pton(AF_INET6, host.c_str(), &ipv6.sin6_addr) != 1)
            throw IoError("not a numeric address", address, EINVAL);
        length = sizeof ipv6;
    } else {
        auto& ipv4 = reinterpret_cast<sockaddr_in&>(storage);
        ipv4.sin_family = AF_INET;
        ipv4.sin_port = htons(static_cast<std::uint16_t>(port));
        if (host.empty()) ipv4.sin_addr.s_addr = htonl(INADDR_ANY);
        else if (::inet_pton(AF_INET, host.c_str(), &ipv4.sin_addr) != 1)
            throw IoError("not a numeric address", address, EINVAL);
        length = sizeof ipv4;
    }
    SocketHandle socket(::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.IsOpen()) throw IoError("cannot make a socket for", address, errno);
    const int on = 1;
    ::setsockopt(socket.Descriptor(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(socket.Descriptor(), reinterpret_cast<const sockaddr*>(&storage), length) != 0 ||
        ::listen(socket.Descriptor(), kListenBacklog) != 0)
        throw IoError("cannot listen on", address, errno);
    return socket;
}

bool IsTcpSocket(int fd) noexcept {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
    return address.ss_family == AF_INET || address.ss_family == AF_INET6;
}

}  // namespace

SocketHandle::~SocketHandle() {
    if (fd_ >= 0) ::close(fd_);
}

SocketHandle::SocketHandle(SocketHandle&& other) noexcept : fd_(other.Release()) {}

SocketHandle& SocketHandle::operator=(SocketHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.Release();
    }
    return *this;
}

int SocketHandle::Release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

bool IsListeningSocket(int fd) noexcept {
    int listening = 0;
    socklen_t length = sizeof listening;
    return ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &length) == 0 && listening != 0;
}

int ActivatedSocket() noexcept {
    try {
        const std::string pid = EnvironmentValue("LISTEN_PID").value_or("");
        const std::string count = EnvironmentValue("LISTEN_FDS").value_or("");
        if (pid.empty() || count.empty()) return -1;
        if (std::strtol(pid.c_str(), nullptr, 10) != static_cast<long>(::getpid())) return -1;
        if (std::strtol(count.c_str(), nullptr, 10) < 1) return -1;
        return kFirstActivatedFd;
    } catch (...) {
        return -1;
    }
}

SocketHandle ListenOn(const std::string& address, SocketFile* socketFile) {
    if (address.find('/') != std::string::npos) return ListenOnUnixPath(address, socketFile);
    return ListenOnTcpAddress(address);
}

void RemoveSocketFile(const SocketFile& socketFile) noexcept {
    struct stat now {};
    if (socketFile.path.empty() || ::lstat(socketFile.path.c_str(), &now) != 0) return;
    if (static_cast<std::uint64_t>(now.st_dev) == socketFile.device &&
        static_cast<std::uint64_t>(now.st_ino) == socketFile.inode)
        ::unlink(socketFile.path.c_str());
}

ConnectionAcceptor::ConnectionAcceptor(int listenFd)
    : listenFd_(listenFd), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!wake_.IsOpen()) throw IoError("cannot make the wake-up channel of the server", errno);
    const int flags = ::fcntl(listenFd_, F_GETFL);
    if (flags >= 0) ::fcntl(listenFd_, F_SETFL, flags | O_NONBLOCK);
}

SocketHandle ConnectionAcceptor::TakeConnection() const {
    SocketHandle connection(::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC));
    if (connection.IsOpen() && IsTcpSocket(connection.Descriptor())) {
        const int on = 1;
        ::setsockopt(connection.Descriptor(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return connection;
}

SocketHandle ConnectionAcceptor::Accept() {
    pollfd waits[2] = {{listenFd_, POLLIN, 0}, {wake_.Descriptor(), POLLIN, 0}};
    for (;;) {
        // Stopped: the connections already waiting are served, then none.
        if (stopped_.load()) return TakeConnection();
        waits[0].revents = 0;
        waits[1].revents = 0;
        if (::poll(waits, 2, -1) < 0 && errno != EINTR) return {};
        if ((waits[0].revents & POLLIN) == 0) continue;
        // Several threads wake for one connection; the others find nothing
        // to accept and wait again.
        SocketHandle connection = TakeConnection();
        if (connection.IsOpen()) return connection;
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // Out of descriptors or memory: wait a little instead of spinning.
            pollfd wake{wake_.Descriptor(), POLLIN, 0};
            ::poll(&wake, 1, 100);
        }
    }
}

void ConnectionAcceptor::Stop() noexcept {
    stopped_.store(true);
    const std::uint64_t one = 1;
    // The counter stays non-zero: every poll on it sees it readable.
    [[maybe_unused]] const ssize_t written = ::write(wake_.Descriptor(), &one, sizeof one);
}

bool SetConnectionTimeLimits(int fd, std::chrono::seconds limit) noexcept {
    timeval time{};
    time.tv_sec = static_cast<time_t>(limit.count());
    return ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &time, sizeof time) == 0 &&
           ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &time, sizeof time) == 0;
}

long long PeekWaitingBytes(int fd, void* buffer, std::size_t size) noexcept {
    pollfd wait{fd, POLLIN | POLLRDHUP, 0};
    if (::poll(&wait, 1, 0) <= 0 || (wait.revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) == 0) return -1;
    const ssize_t count = ::recv(fd, buffer, size, MSG_PEEK | MSG_DONTWAIT);
    if (count < 0) return (errno == EAGAIN || errno == EWOULDBLOCK) ? -1 : 0;
    return count;
}

void HoldStopSignals() noexcept {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    ::pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
}

int WaitForStopSignal() noexcept {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    int received = 0;
    while (::sigwait(&stops, &received) != 0) {
    }
    return received;
}

}  // namespace platform
