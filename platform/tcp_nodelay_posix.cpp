// The MQTT library does not hand out its socket, so we find it among this
// process's descriptors by its peer address.
#include <arpa/inet.h>
#include <dirent.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/tcp_nodelay.h"

namespace platform {
namespace {

// One peer address in a family-independent form: IPv4 addresses are kept as
// IPv4-mapped IPv6 so that a dual-stack socket's peer compares equal too.
struct Peer {
    in6_addr address{};
    in_port_t port = 0;  // network byte order
};

std::optional<Peer> toPeer(const sockaddr* address) {
    Peer peer;
    if (address->sa_family == AF_INET6) {
        auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        peer.address = v6->sin6_addr;
        peer.port = v6->sin6_port;
        return peer;
    }
    if (address->sa_family == AF_INET) {
        auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        peer.address.s6_addr[10] = 0xff;
        peer.address.s6_addr[11] = 0xff;
        std::memcpy(&peer.address.s6_addr[12], &v4->sin_addr, sizeof v4->sin_addr);
        peer.port = v4->sin_port;
        return peer;
    }
    return std::nullopt;
}

bool samePeer(const Peer& a, const Peer& b) {
    return a.port == b.port && std::memcmp(&a.address, &b.address, sizeof a.address) == 0;
}

std::vector<Peer> resolve(const std::string& host, int port) {
    std::vector<Peer> peers;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) return peers;
    for (auto* entry = found; entry; entry = entry->ai_next) {
        if (auto peer = toPeer(entry->ai_addr)) peers.push_back(*peer);
    }
    freeaddrinfo(found);
    return peers;
}

std::optional<Peer> connectedTcpPeerOf(int fd) {
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

}  // namespace

int setTcpNoDelayToPeer(const std::string& host, int port) {
    auto wanted = resolve(host, port);
    if (wanted.empty()) return 0;
    int set = 0;
    // A descriptor may be closed or reused by another thread meanwhile; at
    // worst another socket to the same broker gets TCP_NODELAY too.
    for (int fd : openDescriptors()) {
        auto peer = connectedTcpPeerOf(fd);
        if (!peer) continue;
        for (const auto& candidate : wanted) {
            if (!samePeer(*peer, candidate)) continue;
            int on = 1;
            if (setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0) ++set;
            break;
        }
    }
    return set;
}

}  // namespace platform
