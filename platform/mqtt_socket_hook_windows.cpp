// The MQTT C library's connect, select, send and receive, as the Windows
// builds compile them (cmake/paho/socket_hook.h).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <array>

namespace {

// How long a send or a receive in the middle of a packet waits for the
// socket: long enough for a socket buffer to drain, short beside the
// keep-alive, so that a broker that stops reading holds the library's
// threads no longer than that.
constexpr long kWaitBoundMs = 100;

// Waits until the socket can be read (or written), at most `ms`.
bool waitFor(SOCKET socket, bool writing, long ms = kWaitBoundMs) {
    if (ms <= 0) return false;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval bound{ms / 1000, ms % 1000 * 1000};
    return select(0, writing ? nullptr : &set, writing ? &set : nullptr, nullptr, &bound) > 0;
}

long msUntil(ULONGLONG deadline) {
    const ULONGLONG now = GetTickCount64();
    return now < deadline ? static_cast<long>(deadline - now) : 0;
}

}  // namespace

// Nagle's algorithm goes before the connection starts, so that request/reply
// round trips through the broker do not stall on delayed ACKs (the library
// sets TCP_NODELAY itself only from 1.3.16 on).
extern "C" int nolt_mqtt_socket_connect(SOCKET socket, const struct sockaddr* address, int length) {
    const BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    return connect(socket, address, length);
}

// A connect that fails is reported in the exception set on Windows, where
// POSIX reports it as writable; the library then checks SO_ERROR. Without
// this, a refused connection failed only at the connect time-out, twice
// (MQTT 3.1.1, then 3.1): 24 s instead of at once.
extern "C" int nolt_mqtt_socket_select(int count, fd_set* readable, fd_set* writable, fd_set* failed,
                                       struct timeval* timeout) {
    if (!writable || failed) return select(count, readable, writable, failed, timeout);
    fd_set connectFailed = *writable;
    const int ready = select(count, readable, writable, &connectFailed, timeout);
    for (u_int i = 0; ready > 0 && i < connectFailed.fd_count; ++i) {
        if (!FD_ISSET(connectFailed.fd_array[i], writable)) FD_SET(connectFailed.fd_array[i], writable);
    }
    return ready;
}

// The library writes what the non-blocking socket takes at once and the rest
// of a large packet on a later wake-up of its receiving thread: up to a
// second later, and then a tenth of a second per further piece. So a 10 MB
// packet took over a second. Here the write goes on while the socket keeps
// taking data, and ends as a partial write, which the library continues as
// before, once the socket has taken nothing for the bound.
extern "C" int nolt_mqtt_socket_send(SOCKET socket, LPWSABUF buffers, DWORD count, LPDWORD sent, DWORD flags,
                                     LPWSAOVERLAPPED overlapped, LPWSAOVERLAPPED_COMPLETION_ROUTINE completion) {
    std::array<WSABUF, 8> rest;
    if (overlapped || completion || !sent || count > rest.size())
        return WSASend(socket, buffers, count, sent, flags, overlapped, completion);
    std::copy(buffers, buffers + count, rest.begin());
    DWORD first = 0, total = 0;
    while (first < count) {
        DWORD now = 0;
        if (WSASend(socket, rest.data() + first, count - first, &now, flags, nullptr, nullptr) == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK) return SOCKET_ERROR;
            if (!waitFor(socket, true)) break;
            continue;
        }
        if (now == 0 && !waitFor(socket, true)) break;
        total += now;
        for (; first < count && now >= rest[first].len; ++first) now -= rest[first].len;
        if (first < count) {
            rest[first].buf += now;
            rest[first].len -= now;
        }
    }
    if (total == 0 && first < count) {
        WSASetLastError(WSAEWOULDBLOCK);
        return SOCKET_ERROR;
    }
    *sent = total;
    return 0;
}

// A packet that arrives in pieces is read on for up to the bound in all,
// instead of going back to the library's select loop for every piece; the
// bound in all lets the sending thread in between the pieces of a long one.
extern "C" int nolt_mqtt_socket_receive(SOCKET socket, char* buffer, int length, int flags) {
    const ULONGLONG deadline = GetTickCount64() + kWaitBoundMs;
    int got = recv(socket, buffer, length, flags);
    while (got > 0 && got < length && waitFor(socket, false, msUntil(deadline))) {
        const int more = recv(socket, buffer + got, length - got, flags);
        // An error or the peer's close shows again on the library's next call.
        if (more <= 0) break;
        got += more;
    }
    return got;
}
