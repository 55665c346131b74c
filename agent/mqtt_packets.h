#pragma once
// The few MQTT 3.1.1 packets that the agent's bulk link writes and reads
// itself (bulk_link.h), outside the MQTT library.
#include <cstdint>
#include <optional>
#include <string>

namespace nolt::mqttwire {

enum PacketType : unsigned char {
    Connect = 1,
    ConnAck = 2,
    Publish = 3,
    PubAck = 4,
    PingReq = 12,
    PingResp = 13,
    Disconnect = 14,
};

struct ConnectFields {
    std::string clientId;
    std::string userName;  // empty: none
    std::string password;  // sent only with a user name
    std::uint16_t keepAliveSeconds = 60;
};

// A whole CONNECT packet, clean session, no will.
std::string connectPacket(const ConnectFields& fields);

// A QoS 1 PUBLISH up to its payload, which follows it unchanged on the wire.
std::string publishHead(const std::string& topic, std::uint16_t packetId, std::size_t payloadSize, bool duplicate);

// The fixed header's remaining length, as MQTT encodes it (1 to 4 bytes).
std::string remainingLength(std::size_t length);

// Reads the remaining length from its encoded bytes; nullopt while more bytes
// are needed, and `malformed` when a fifth would be.
struct LengthRead {
    std::optional<std::size_t> length;
    bool malformed = false;
};
LengthRead readRemainingLength(const std::string& encoded);

}  // namespace nolt::mqttwire
