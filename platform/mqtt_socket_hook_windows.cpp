// The MQTT C library's connect, as the Windows builds compile it
// (cmake/paho/socket_hook.h): Nagle's algorithm goes before the connection
// starts, so that request/reply round trips through the broker do not stall
// on delayed ACKs (the library sets TCP_NODELAY itself only from 1.3.16 on).
#include <winsock2.h>
#include <ws2tcpip.h>

extern "C" int nolt_mqtt_socket_connect(SOCKET socket, const struct sockaddr* address, int length) {
    const BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    return connect(socket, address, length);
}
