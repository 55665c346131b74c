// The MQTT library's send and receive on Windows: a large packet in one call
// and in order across its buffers, a partial write when the peer stops
// reading, and what arrived when the peer pauses.
#include <winsock2.h>

#include "cmake/paho/socket_hook.h"
// The test itself calls the real functions.
#undef connect
#undef select
#undef WSASend
#undef recv

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// A connected non-blocking loopback pair, as the library's socket is.
struct SocketPair {
    SOCKET sender, receiver;
    SocketPair() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{AF_INET, 0, {}, {}};
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(listener, 1);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        sender = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        connect(sender, reinterpret_cast<sockaddr*>(&address), length);
        receiver = accept(listener, nullptr, nullptr);
        closesocket(listener);
        u_long on = 1;
        ioctlsocket(sender, FIONBIO, &on);
        ioctlsocket(receiver, FIONBIO, &on);
    }
    ~SocketPair() {
        closesocket(sender);
        closesocket(receiver);
        WSACleanup();
    }
    // What the receiver gets until `size` bytes or a second without any.
    std::string drain(std::size_t size) const {
        std::string got;
        std::vector<char> buffer(1 << 16);
        while (got.size() < size) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(receiver, &set);
            timeval second{1, 0};
            if (select(0, &set, nullptr, nullptr, &second) <= 0) break;
            const int n = recv(receiver, buffer.data(), static_cast<int>(buffer.size()), 0);
            if (n <= 0) break;
            got.append(buffer.data(), static_cast<std::size_t>(n));
        }
        return got;
    }
};

std::string pattern(std::size_t size, char first) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>(first + i % 23);
    return text;
}

TEST(MqttSocketHook, SendsWholeWhileThePeerReadsAndPartOnceItStops) {
    SocketPair pair;
    // A header, a topic and a payload that no socket buffer holds at once.
    std::vector<std::string> parts{pattern(5, 'a'), pattern(1001, 'A'), pattern(12 << 20, '0')};
    std::vector<WSABUF> buffers;
    for (auto& part : parts) buffers.push_back({static_cast<ULONG>(part.size()), part.data()});
    const std::string whole = parts[0] + parts[1] + parts[2];
    std::string received;
    std::thread reader([&] { received = pair.drain(whole.size()); });
    DWORD sent = 0;
    EXPECT_EQ(nolt_mqtt_socket_send(pair.sender, buffers.data(), 3, &sent, 0, nullptr, nullptr), 0);
    reader.join();
    EXPECT_EQ(sent, whole.size());
    EXPECT_TRUE(received == whole) << received.size() << " bytes of " << whole.size();

    // Nobody reads: the call ends with the part the socket took, in order.
    std::string payload = pattern(64 << 20, '0');
    WSABUF buffer{static_cast<ULONG>(payload.size()), payload.data()};
    ASSERT_EQ(nolt_mqtt_socket_send(pair.sender, &buffer, 1, &sent, 0, nullptr, nullptr), 0);
    EXPECT_GT(sent, 0u);
    EXPECT_LT(sent, payload.size());
    EXPECT_TRUE(pair.drain(sent) == payload.substr(0, sent));
}

TEST(MqttSocketHook, ReceivesWhatArrivedAndReturnsWhenThePeerPauses) {
    SocketPair pair;
    const std::string half = pattern(48 << 10, 'k');
    ASSERT_EQ(send(pair.sender, half.data(), static_cast<int>(half.size()), 0), static_cast<int>(half.size()));
    std::string buffer(2 * half.size(), '\0');
    ASSERT_EQ(nolt_mqtt_socket_receive(pair.receiver, buffer.data(), static_cast<int>(buffer.size()), 0),
              static_cast<int>(half.size()));
    EXPECT_TRUE(buffer.compare(0, half.size(), half) == 0);
    EXPECT_EQ(nolt_mqtt_socket_receive(pair.receiver, buffer.data(), 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
}

}  // namespace
