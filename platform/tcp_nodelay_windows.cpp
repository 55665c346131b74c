#include "platform/tcp_nodelay.h"

namespace platform {

// Windows hands out no list of a process's sockets with their peers, so the
// MQTT library's socket cannot be found from outside it; the option stays as
// the library leaves it.
int setTcpNoDelayToPeer(const std::string&, int) { return 0; }

}  // namespace platform
