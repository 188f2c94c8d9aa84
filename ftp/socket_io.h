#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

// A TCP socket whose every wait is bounded. Waits are taken in short slices
// so that a cancel request from another thread ends them early.

// A time limit counted from its creation. The subtraction of tick counts
// stays right across GetTickCount's wrap after 49.7 days. INFINITE is no
// limit: it never passes.
class Deadline {
public:
    explicit Deadline(DWORD ms) : start_(GetTickCount()), ms_(ms) {}
    // Milliseconds left; 0 once the limit has passed.
    DWORD Remaining() const
    {
        if (ms_ == INFINITE) return INFINITE;
        DWORD elapsed = GetTickCount() - start_;
        return elapsed >= ms_ ? 0 : ms_ - elapsed;
    }

private:
    DWORD start_;
    DWORD ms_;
};

enum class IoResult {
    kOk,
    kTimedOut,
    kClosed,    // the peer ended the connection
    kFailed,    // a socket error; see the Winsock error code
    kCancelled,
};

class TcpSocket {
public:
    TcpSocket() = default;
    explicit TcpSocket(SOCKET s) : socket_(s) {}
    ~TcpSocket() { Close(); }
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;
    TcpSocket(TcpSocket&& other) noexcept : socket_(other.socket_), error_(other.error_) { other.socket_ = INVALID_SOCKET; }
    TcpSocket& operator=(TcpSocket&& other) noexcept;

    bool valid() const { return socket_ != INVALID_SOCKET; }
    SOCKET handle() const { return socket_; }
    // The Winsock error of the last kFailed result.
    int error() const { return error_; }

    IoResult Connect(const sockaddr_in& address, DWORD timeout_ms, const std::atomic<bool>* cancel);
    // A listening socket on `address` (port 0: any free port).
    bool Listen(const sockaddr_in& address);
    // Only a connection from `peer` (an IPv4 address) is taken: any other is
    // closed at once and the wait goes on.
    IoResult Accept(TcpSocket& accepted, const in_addr& peer, DWORD timeout_ms, const std::atomic<bool>* cancel);

    // `sent_so_far`, when given, hears the bytes sent of `size` after each
    // send that moved some: on a slow line the socket takes a large block
    // in many small pieces.
    IoResult SendAll(const char* data, std::size_t size, DWORD timeout_ms, const std::atomic<bool>* cancel,
                     const std::function<void(std::size_t sent)>& sent_so_far = nullptr);
    // Receives up to `capacity` bytes once some arrive; `received` 0 with kClosed at the end.
    IoResult Receive(char* buffer, std::size_t capacity, std::size_t& received, DWORD timeout_ms,
                     const std::atomic<bool>* cancel);

    // Ends sending so that the peer sees the end of the data, then closes.
    void FinishSending();
    // Closes with a reset (SO_LINGER on with a time-out of 0, which
    // Microsoft documents for closesocket as a hard, abortive close: RST
    // instead of FIN), so that the peer sees a broken connection rather than
    // the end of the data; whatever is still unsent is thrown away. Under
    // Wine 8 the Linux peer reads what was sent and then ECONNRESET (measured).
    void Reset();
    void Close();

    bool LocalAddress(sockaddr_in& address) const;
    bool PeerAddress(sockaddr_in& address) const;

private:
    IoResult Wait(bool for_write, DWORD timeout_ms, const std::atomic<bool>* cancel);

    SOCKET socket_ = INVALID_SOCKET;
    int error_ = 0;
};

// Winsock is started once per process for as long as one of these lives.
class WinsockUser {
public:
    WinsockUser();
    ~WinsockUser();
    WinsockUser(const WinsockUser&) = delete;
    WinsockUser& operator=(const WinsockUser&) = delete;
    bool ok() const { return error_ == 0; }
    // WSAStartup's error when it failed (WSASYSNOTREADY, WSAEPROCLIM, ...).
    int error() const { return error_; }

private:
    int error_ = 0;
};

// The IPv4 address of a host name or dotted address. The system's lookup
// has no time-out of its own: it runs on a worker thread, and the caller
// waits at most timeout_ms (and ends at once on a cancel request), with
// kTimedOut or kCancelled and the worker left to finish alone.
IoResult ResolveHost(const std::string& host, std::uint16_t port, sockaddr_in& address, int& error,
                     DWORD timeout_ms, const std::atomic<bool>* cancel);
