// winsock_cost.exe HOST PORT MIB [BLOCK_KIB SNDBUF_KIB]...
// What Wine's Winsock costs per call on an upload: sends MIB MiB to a sink
// on HOST:PORT once for each pair of block size (bytes handed to one send)
// and send buffer (0: the system's), the way the FTP layer sends (send
// first, select only when the socket is full). One JSON line per pair: the
// milliseconds, the number of send and select calls, and the microseconds
// of one 1-byte send and of one select on a writable socket, on their own.
#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/clock.h"

namespace {

SOCKET Open(const sockaddr_in& address, int send_buffer)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (send_buffer > 0) setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&send_buffer), sizeof send_buffer);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    u_long non_blocking = 1;
    ioctlsocket(s, FIONBIO, &non_blocking);
    return s;
}

bool WaitWritable(SOCKET s)
{
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(s, &ready);
    timeval tv{5, 0};
    return select(0, nullptr, &ready, nullptr, &tv) == 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: winsock_cost HOST PORT MIB [BLOCK_KIB SNDBUF_KIB]...\n");
        return 2;
    }
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr(argv[1]);
    address.sin_port = htons(static_cast<u_short>(std::atoi(argv[2])));
    std::size_t total = static_cast<std::size_t>(std::atoi(argv[3])) * 1024 * 1024;
    std::vector<char> payload(16 * 1024 * 1024, 'x');
    for (int arg = 4; arg + 1 < argc; arg += 2) {
        std::size_t block = static_cast<std::size_t>(std::atoi(argv[arg])) * 1024;
        int send_buffer = std::atoi(argv[arg + 1]) * 1024;
        SOCKET s = Open(address, send_buffer);
        if (s == INVALID_SOCKET) return 1;
        long sends = 0, selects = 0;
        double start = Now();
        std::size_t left = total;
        while (left > 0) {
            int chunk = static_cast<int>(left < block ? left : block);
            int sent = send(s, payload.data(), chunk, 0);
            ++sends;
            if (sent == SOCKET_ERROR) {
                if (WSAGetLastError() != WSAEWOULDBLOCK) return 1;
                ++selects;
                if (!WaitWritable(s)) return 1;
                continue;
            }
            left -= static_cast<std::size_t>(sent);
        }
        shutdown(s, SD_SEND);
        double ms = Now() - start;
        // Waits for the sink to confirm with its close that all arrived.
        u_long blocking = 0;
        ioctlsocket(s, FIONBIO, &blocking);
        char end;
        recv(s, &end, 1, 0);
        double confirmed_ms = Now() - start;
        closesocket(s);

        // One call each on its own, on a fresh idle connection.
        s = Open(address, 0);
        double t = Now();
        for (int i = 0; i < 1000; ++i) send(s, "x", 1, 0);
        double send_us = (Now() - t) * 1000.0 / 1000;
        t = Now();
        for (int i = 0; i < 1000; ++i) WaitWritable(s);
        double select_us = (Now() - t) * 1000.0 / 1000;
        closesocket(s);
        std::printf("{\"block_kib\":%zu,\"sndbuf_kib\":%d,\"ms\":%.2f,\"confirmed_ms\":%.2f,\"sends\":%ld,"
                    "\"selects\":%ld,\"send_1_byte_us\":%.1f,\"select_us\":%.1f}\n",
                    block / 1024, send_buffer / 1024, ms, confirmed_ms, sends, selects, send_us, select_us);
        std::fflush(stdout);
    }
    WSACleanup();
    return 0;
}
