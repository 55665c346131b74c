#include "platform/broker_socket.h"

namespace platform {

// Windows hands out no list of a process's sockets. Finding the MQTT
// library's socket would mean probing every handle of the process with
// socket calls, which then reach files, pipes and the console too, where a
// request on a handle that another thread reads synchronously waits for
// that read. The library's own socket calls are hooked instead, in its
// Windows builds (mqtt_socket_hook_windows.cpp); nothing to do or look up here.
std::vector<SocketPeer> lookUpBroker(const std::string&) { return {}; }

int setTcpNoDelay(const std::vector<SocketPeer>&) { return 0; }

int tuneBrokerSockets(const std::vector<SocketPeer>&) { return 0; }

// The hook reaches only the MQTT library's sockets.
void leaveUntuned(std::intptr_t, bool) {}

}  // namespace platform
