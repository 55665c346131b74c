// The socket is one of this process's descriptors, found by its peer address.
#include <arpa/inet.h>
#include <dirent.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <optional>

#include "platform/broker_uri.h"
#include "platform/broker_socket.h"

namespace platform {
namespace {

// IPv4 addresses become IPv4-mapped IPv6, so that a dual-stack socket's peer
// compares equal too.
std::optional<SocketPeer> toPeer(const sockaddr* address) {
    SocketPeer peer;
    if (address->sa_family == AF_INET6) {
        auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        std::memcpy(peer.address.data(), &v6->sin6_addr, peer.address.size());
        peer.port = ntohs(v6->sin6_port);
        return peer;
    }
    if (address->sa_family == AF_INET) {
        auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        peer.address[10] = 0xff;
        peer.address[11] = 0xff;
        std::memcpy(&peer.address[12], &v4->sin_addr, sizeof v4->sin_addr);
        peer.port = ntohs(v4->sin_port);
        return peer;
    }
    return std::nullopt;
}

std::optional<SocketPeer> connectedTcpPeerOf(int fd) {
    int type = 0;
    socklen_t length = sizeof type;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_STREAM) {
        return std::nullopt;
    }
    sockaddr_storage address{};
    length = sizeof address;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return std::nullopt;
    return toPeer(reinterpret_cast<const sockaddr*>(&address));
}

std::vector<int> openDescriptors() {
    std::vector<int> fds;
    DIR* directory = opendir("/proc/self/fd");
    if (!directory) return fds;
    int own = dirfd(directory);
    while (auto* entry = readdir(directory)) {
        char* end = nullptr;
        long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == own) continue;
        fds.push_back(static_cast<int>(fd));
    }
    closedir(directory);
    return fds;
}

// Long enough for a socket buffer to drain, short beside the keep-alive.
constexpr timeval kSendBound{0, 100000};
constexpr timeval kReceiveBound{0, 100000};

bool setNoDelay(int fd) {
    int on = 1;
    return setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0;
}

bool setBoundedBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags != -1 && setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &kSendBound, sizeof kSendBound) == 0 &&
           setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &kReceiveBound, sizeof kReceiveBound) == 0 &&
           fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// Applies `set` to every connected TCP socket whose peer is one of `peers`;
// counts where it succeeded.
template <class Set>
int forBrokerSockets(const std::vector<SocketPeer>& peers, Set&& set) {
    if (peers.empty()) return 0;
    int done = 0;
    // A descriptor may be closed or reused by another thread meanwhile; at
    // worst another socket to the same broker gets the settings too.
    for (int fd : openDescriptors()) {
        auto peer = connectedTcpPeerOf(fd);
        if (peer && std::find(peers.begin(), peers.end(), *peer) != peers.end() && set(fd)) ++done;
    }
    return done;
}

}  // namespace

std::vector<SocketPeer> lookUpBroker(const std::string& uri) {
    std::vector<SocketPeer> peers;
    auto broker = parseBrokerUri(uri);
    if (!broker) return peers;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(broker->port);
    if (getaddrinfo(broker->host.c_str(), service.c_str(), &hints, &found) != 0) return peers;
    for (auto* entry = found; entry; entry = entry->ai_next) {
        if (auto peer = toPeer(entry->ai_addr)) peers.push_back(*peer);
    }
    freeaddrinfo(found);
    return peers;
}

int setTcpNoDelay(const std::vector<SocketPeer>& peers) { return forBrokerSockets(peers, setNoDelay); }

namespace {
std::mutex untunedMutex;
std::set<int> untuned;
}  // namespace

int tuneBrokerSockets(const std::vector<SocketPeer>& peers) {
    return forBrokerSockets(peers, [](int fd) {
        // Held while tuning: a socket registered meanwhile is restored after.
        std::lock_guard<std::mutex> lock(untunedMutex);
        return untuned.count(fd) == 0 && setNoDelay(fd) && setBoundedBlocking(fd);
    });
}

void leaveUntuned(std::intptr_t socket, bool leave) {
    std::lock_guard<std::mutex> lock(untunedMutex);
    if (leave) {
        untuned.insert(static_cast<int>(socket));
    } else {
        untuned.erase(static_cast<int>(socket));
    }
}

}  // namespace platform
