// The MQTT C library's connect and select, as the Windows builds compile them
// (cmake/paho/socket_hook.h).
#include <winsock2.h>
#include <ws2tcpip.h>

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
