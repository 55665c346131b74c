// The MQTT library's send and receive on Windows: large packets in one call,
// bounded when the peer stops, the bytes in order across buffers.
#include <winsock2.h>
#include <ws2tcpip.h>

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

// A connected loopback pair; `sender` is non-blocking, as the library's is.
struct SocketPair {
    SOCKET sender = INVALID_SOCKET, receiver = INVALID_SOCKET;
    SocketPair() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(listener, 1);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        sender = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        connect(sender, reinterpret_cast<sockaddr*>(&address), length);
        receiver = accept(listener, nullptr, nullptr);
        closesocket(listener);
        u_long nonBlocking = 1;
        ioctlsocket(sender, FIONBIO, &nonBlocking);
        ioctlsocket(receiver, FIONBIO, &nonBlocking);
    }
    ~SocketPair() {
        closesocket(sender);
        closesocket(receiver);
        WSACleanup();
    }
};

std::string pattern(std::size_t size, char first) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>(first + i % 23);
    return text;
}

// Reads until `size` bytes came or the peer has sent nothing for a second.
std::string drain(SOCKET socket, std::size_t size) {
    std::string got;
    std::vector<char> buffer(1 << 16);
    while (got.size() < size) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval second{1, 0};
        if (select(0, &set, nullptr, nullptr, &second) <= 0) break;
        const int n = recv(socket, buffer.data(), static_cast<int>(buffer.size()), 0);
        if (n <= 0) break;
        got.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return got;
}

TEST(MqttSocketHook, SendsAWholeLargePacketAcrossBuffersWhileThePeerReads) {
    SocketPair pair;
    // A header, a topic and a payload that no socket buffer holds at once.
    std::vector<std::string> parts{pattern(5, 'a'), pattern(1001, 'A'), pattern(12 << 20, '0')};
    std::string whole;
    std::vector<WSABUF> buffers;
    for (auto& part : parts) {
        whole += part;
        buffers.push_back({static_cast<ULONG>(part.size()), part.data()});
    }
    std::string received;
    std::thread reader([&] { received = drain(pair.receiver, whole.size()); });
    DWORD sent = 0;
    const int rc = nolt_mqtt_socket_send(pair.sender, buffers.data(), static_cast<DWORD>(buffers.size()), &sent, 0,
                                         nullptr, nullptr);
    reader.join();
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(sent, whole.size());
    EXPECT_TRUE(received == whole) << received.size() << " bytes received of " << whole.size();
}

TEST(MqttSocketHook, EndsAsAPartialWriteWhenThePeerStopsReading) {
    SocketPair pair;
    std::string payload = pattern(64 << 20, '0');
    WSABUF buffer{static_cast<ULONG>(payload.size()), payload.data()};
    DWORD sent = 0;
    ASSERT_EQ(nolt_mqtt_socket_send(pair.sender, &buffer, 1, &sent, 0, nullptr, nullptr), 0);
    EXPECT_GT(sent, 0u);
    EXPECT_LT(sent, payload.size()) << "nobody reads: the socket's buffers cannot hold it all";
    EXPECT_TRUE(drain(pair.receiver, sent) == payload.substr(0, sent)) << "the part counted as sent, in order";
}

TEST(MqttSocketHook, ReceivesWhatArrivedAndReturnsWhenThePeerPauses) {
    SocketPair pair;
    const std::string half = pattern(48 << 10, 'k');
    for (std::size_t at = 0; at < half.size();) {
        const int n = send(pair.sender, half.data() + at, static_cast<int>(half.size() - at), 0);
        ASSERT_GT(n, 0);
        at += static_cast<std::size_t>(n);
    }
    std::string buffer(2 * half.size(), '\0');
    const int got = nolt_mqtt_socket_receive(pair.receiver, buffer.data(), static_cast<int>(buffer.size()), 0);
    ASSERT_EQ(got, static_cast<int>(half.size()));
    EXPECT_TRUE(buffer.compare(0, half.size(), half) == 0);
    EXPECT_EQ(nolt_mqtt_socket_receive(pair.receiver, buffer.data(), 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
}

}  // namespace
