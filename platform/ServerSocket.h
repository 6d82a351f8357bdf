// The sockets of a long-running server process: a listening socket opened on
// a Unix socket path or a TCP address, or one handed over at start (standard
// input, or systemd's socket activation); accepting connections in several
// threads with a way to stop them all; a connection's time limits; looking
// at what waits on a connection without reading it; and waiting for the
// signal that ends the server.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

/// Owns one socket descriptor; closes it when destroyed. Movable, not copyable.
class SocketHandle {
public:
    SocketHandle() noexcept = default;
    explicit SocketHandle(int fd) noexcept : fd_(fd) {}
    ~SocketHandle();
    SocketHandle(SocketHandle&& other) noexcept;
    SocketHandle& operator=(SocketHandle&& other) noexcept;
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;

    bool IsOpen() const noexcept { return fd_ >= 0; }
    int Descriptor() const noexcept { return fd_; }
    /// Gives the descriptor up without closing it.
    int Release() noexcept;

private:
    int fd_ = -1;
};

/// Whether descriptor `fd` is a socket that listens for connections (not a
/// connected socket, pipe or file).
bool IsListeningSocket(int fd) noexcept;

/// The first socket that systemd's socket activation passed (descriptor 3),
/// when "LISTEN_PID" names this process and "LISTEN_FDS" is 1 or more; -1
/// otherwise.
int ActivatedSocket() noexcept;

/// The socket file a server made, as it was made.
struct SocketFile {
    std::string path;  ///< empty: none was made
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

/// The largest number of waiting connections a listening socket is asked to keep.
inline constexpr int kListenBacklog = 1024;

/// Opens a listening socket on `address`: a Unix socket when it contains
/// "/" (a socket file left at the path by an earlier run is replaced, any
/// other file is not; the socket file gets mode 0666 so that a web server of
/// another user can connect), else "HOST:PORT" with a numeric host
/// ("127.0.0.1:9010", "[::1]:9010", ":9010" for every IPv4 address). Throws
/// IoError naming the address when it cannot.
/// When given, `socketFile` names the Unix socket file made (empty path for
/// a TCP address).
SocketHandle ListenOn(const std::string& address, SocketFile* socketFile = nullptr);

/// Removes the socket file when it is still the one the server made, so the
/// stopping server gets no new connections there; a socket that a newer
/// server put at the path stays.
void RemoveSocketFile(const SocketFile& socketFile) noexcept;

/// Accepts the connections of one listening socket in any number of threads.
/// Stop wakes every thread that waits in Accept; from then on Accept hands
/// out the connections that are already waiting (a web server has sent their
/// requests) and then returns none. The listening socket itself is left as
/// it is, so one handed over by systemd or shared with sibling processes
/// goes on working for them.
class ConnectionAcceptor {
public:
    /// `listenFd` stays the caller's; it is switched to non-blocking mode.
    /// Throws IoError when the wake-up channel cannot be made.
    explicit ConnectionAcceptor(int listenFd);
    ConnectionAcceptor(const ConnectionAcceptor&) = delete;
    ConnectionAcceptor& operator=(const ConnectionAcceptor&) = delete;

    /// Waits for the next connection and returns it (blocking, close-on-exec);
    /// after Stop, a waiting connection or a closed handle.
    SocketHandle Accept();
    /// Wakes all waiting threads; safe from any thread, any number of times.
    void Stop() noexcept;
    bool IsStopped() const noexcept { return stopped_.load(); }

private:
    /// A waiting connection, or a closed handle (errno tells why).
    SocketHandle TakeConnection() const;

    int listenFd_;
    SocketHandle wake_;
    std::atomic<bool> stopped_{false};
};

/// Sets the read and the write time limit of a connection: a read or write
/// that waits longer fails. False when the system refuses.
bool SetConnectionTimeLimits(int fd, std::chrono::seconds limit) noexcept;

/// What waits to be read on a connection, without taking it: -1 when nothing
/// waits (or on an error), 0 when the peer has closed its side, else the
/// count of bytes copied to `buffer` (at most `size`).
long long PeekWaitingBytes(int fd, void* buffer, std::size_t size) noexcept;

/// Makes SIGTERM and SIGINT wait for WaitForStopSignal in the calling thread
/// and in every thread it starts afterwards, and makes a write to a closed
/// connection fail instead of ending the process (SIGPIPE ignored). Called by
/// a server's main thread before it starts its workers.
void HoldStopSignals() noexcept;

/// Waits until SIGTERM or SIGINT arrives (after HoldStopSignals); returns the signal.
int WaitForStopSignal() noexcept;

}  // namespace platform
