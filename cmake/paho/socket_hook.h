/* Forced into every source of the MQTT C library in the Windows builds
   (cmake/PahoForWindows.cmake): its connect, select, send and receive calls
   go through the agent's platform layer (platform/mqtt_socket_hook_windows.cpp).
   Windows hands out no list of a process's sockets, so this is the one place
   where the library's socket is at hand; Windows reports a failed connect as
   an exception, which the library's select loop does not ask for; and the
   library continues a large packet only when its receiving thread wakes up.
   winsock2.h first, so that its own declarations keep the real names. */
#ifndef NOLT_PAHO_SOCKET_HOOK_H
#define NOLT_PAHO_SOCKET_HOOK_H
#include <winsock2.h>
#ifdef __cplusplus
extern "C" {
#endif
int nolt_mqtt_socket_connect(SOCKET socket, const struct sockaddr* address, int length);
int nolt_mqtt_socket_select(int count, fd_set* readable, fd_set* writable, fd_set* failed,
                            struct timeval* timeout);
int nolt_mqtt_socket_send(SOCKET socket, LPWSABUF buffers, DWORD count, LPDWORD sent, DWORD flags,
                          LPWSAOVERLAPPED overlapped, LPWSAOVERLAPPED_COMPLETION_ROUTINE completion);
int nolt_mqtt_socket_receive(SOCKET socket, char* buffer, int length, int flags);
#ifdef __cplusplus
}
#endif
#define connect nolt_mqtt_socket_connect
#define select nolt_mqtt_socket_select
#define WSASend nolt_mqtt_socket_send
#define recv nolt_mqtt_socket_receive
#endif
