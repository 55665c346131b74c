#include "platform/broker_socket.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <optional>

namespace {

// A descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// A listening socket on a kernel-chosen loopback port of the family.
struct Listener {
    Fd fd;
    int port = 0;
};

std::optional<Listener> listenOnLoopback(int family) {
    Fd fd(::socket(family, SOCK_STREAM, 0));
    if (fd.get() < 0) return std::nullopt;
    sockaddr_storage address{};
    socklen_t length = 0;
    if (family == AF_INET) {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
        v4->sin_family = AF_INET;
        v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof *v4;
    } else {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
        v6->sin6_family = AF_INET6;
        v6->sin6_addr = in6addr_loopback;
        length = sizeof *v6;
    }
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), length) != 0) return std::nullopt;
    if (::listen(fd.get(), 4) != 0) return std::nullopt;
    length = sizeof address;
    ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length);
    int port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&address)->sin_port
                                       : reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    return Listener{std::move(fd), port};
}

// A client connected to the listener and the server side of that connection.
struct Connection {
    Fd client;
    Fd server;
};

Connection connectTo(const Listener& listener, int family) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ::getsockname(listener.fd.get(), reinterpret_cast<sockaddr*>(&address), &length);
    Fd client(::socket(family, SOCK_STREAM, 0));
    EXPECT_EQ(0, ::connect(client.get(), reinterpret_cast<sockaddr*>(&address), length))
        << std::strerror(errno);
    Fd server(::accept(listener.fd.get(), nullptr, nullptr));
    EXPECT_GE(server.get(), 0);
    return Connection{std::move(client), std::move(server)};
}

bool noDelayOf(const Fd& fd) {
    int value = 0;
    socklen_t length = sizeof value;
    EXPECT_EQ(0, ::getsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &value, &length));
    return value != 0;
}

int setTo(const std::string& host, int port) {
    return platform::setTcpNoDelay(platform::lookUpBroker("tcp://" + host + ":" + std::to_string(port)));
}

TEST(TcpNoDelay, SetsOnlyTheSocketWhosePeerMatches) {
    auto target = listenOnLoopback(AF_INET);
    auto other = listenOnLoopback(AF_INET);
    ASSERT_TRUE(target && other);
    auto toTarget = connectTo(*target, AF_INET);
    auto toOther = connectTo(*other, AF_INET);

    EXPECT_EQ(1, setTo("127.0.0.1", target->port));

    EXPECT_TRUE(noDelayOf(toTarget.client));
    EXPECT_FALSE(noDelayOf(toTarget.server));  // its peer is the client's port
    EXPECT_FALSE(noDelayOf(toOther.client));
    EXPECT_FALSE(noDelayOf(toOther.server));
}

TEST(TcpNoDelay, SetsEveryConnectionToThePeer) {
    auto target = listenOnLoopback(AF_INET);
    ASSERT_TRUE(target);
    auto first = connectTo(*target, AF_INET);
    auto second = connectTo(*target, AF_INET);

    EXPECT_EQ(2, setTo("127.0.0.1", target->port));
    EXPECT_TRUE(noDelayOf(first.client));
    EXPECT_TRUE(noDelayOf(second.client));
}

TEST(TcpNoDelay, ResolvesHostNames) {
    auto target = listenOnLoopback(AF_INET);
    ASSERT_TRUE(target);
    auto connection = connectTo(*target, AF_INET);

    EXPECT_EQ(1, setTo("localhost", target->port));
    EXPECT_TRUE(noDelayOf(connection.client));
}

TEST(TcpNoDelay, MatchesIpv6Peers) {
    auto target = listenOnLoopback(AF_INET6);
    if (!target) GTEST_SKIP() << "no IPv6 loopback here";
    auto connection = connectTo(*target, AF_INET6);

    EXPECT_EQ(0, setTo("127.0.0.1", target->port));
    EXPECT_EQ(1, setTo("[::1]", target->port));
    EXPECT_TRUE(noDelayOf(connection.client));
    EXPECT_FALSE(noDelayOf(connection.server));
}

TEST(TcpNoDelay, SetsNothingWhenNothingMatchesOrTheBrokerCannotBeLookedUp) {
    auto target = listenOnLoopback(AF_INET);
    ASSERT_TRUE(target);
    auto connection = connectTo(*target, AF_INET);

    EXPECT_EQ(0, setTo("127.0.0.1", target->port == 65535 ? 1 : target->port + 1));
    EXPECT_TRUE(platform::lookUpBroker("tcp://no-such-host.invalid:1883").empty());
    EXPECT_TRUE(platform::lookUpBroker("gopher://127.0.0.1:70").empty());
    EXPECT_FALSE(noDelayOf(connection.client));
}

}  // namespace

namespace {

bool nonBlocking(const Fd& fd) { return (::fcntl(fd.get(), F_GETFL) & O_NONBLOCK) != 0; }

}  // namespace

// A tuned socket takes a large write in one call, and a write that the peer
// does not read ends after its bound with what went, as a non-blocking one would.
TEST(TcpNoDelay, TunedSocketsBlockWithinABound) {
    auto target = listenOnLoopback(AF_INET);
    ASSERT_TRUE(target);
    auto connection = connectTo(*target, AF_INET);
    ASSERT_EQ(0, ::fcntl(connection.client.get(), F_SETFL, O_NONBLOCK));

    EXPECT_EQ(1,
              platform::tuneBrokerSockets(platform::lookUpBroker("tcp://127.0.0.1:" + std::to_string(target->port))));
    EXPECT_TRUE(noDelayOf(connection.client));
    EXPECT_FALSE(nonBlocking(connection.client));
    EXPECT_FALSE(noDelayOf(connection.server));

    const std::string large(64 << 20, 'x');
    const auto written = ::write(connection.client.get(), large.data(), large.size());
    EXPECT_GT(written, 0);
    EXPECT_LT(written, static_cast<ssize_t>(large.size())) << "nobody reads: the bound ends the write";
}
