/* Forced into every source of the MQTT C library in the Windows builds
   (cmake/PahoForWindows.cmake): its connect calls go through the agent's
   platform layer first (platform/mqtt_socket_hook_windows.cpp), which sets
   TCP_NODELAY on the socket. Windows hands out no list of a process's
   sockets, so this is the one place where the library's socket is at hand.
   winsock2.h first, so that its own declaration keeps the real name. */
#ifndef NOLT_PAHO_SOCKET_HOOK_H
#define NOLT_PAHO_SOCKET_HOOK_H
#include <winsock2.h>
#ifdef __cplusplus
extern "C" {
#endif
int nolt_mqtt_socket_connect(SOCKET socket, const struct sockaddr* address, int length);
#ifdef __cplusplus
}
#endif
#define connect nolt_mqtt_socket_connect
#endif
