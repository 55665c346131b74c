#include "agent/mqtt_packets.h"

namespace nolt::mqttwire {
namespace {

void appendShort(std::string& out, std::size_t value) {
    out += static_cast<char>((value >> 8) & 0xff);
    out += static_cast<char>(value & 0xff);
}

void appendText(std::string& out, const std::string& text) {
    appendShort(out, text.size());
    out += text;
}

}  // namespace

std::string remainingLength(std::size_t length) {
    std::string out;
    do {
        unsigned char byte = length % 128;
        length /= 128;
        if (length > 0) byte |= 0x80;
        out += static_cast<char>(byte);
    } while (length > 0);
    return out;
}

LengthRead readRemainingLength(const std::string& encoded) {
    std::size_t value = 0;
    std::size_t factor = 1;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (i == 4) return {std::nullopt, true};
        const auto byte = static_cast<unsigned char>(encoded[i]);
        value += (byte & 0x7f) * factor;
        factor *= 128;
        if ((byte & 0x80) == 0) return {value, false};
    }
    return {std::nullopt, encoded.size() >= 4};
}

std::string connectPacket(const ConnectFields& fields) {
    std::string body;
    appendText(body, "MQTT");
    body += static_cast<char>(4);  // 3.1.1
    unsigned char flags = 0x02;    // clean session
    if (!fields.userName.empty()) flags |= 0x80 | (fields.password.empty() ? 0 : 0x40);
    body += static_cast<char>(flags);
    appendShort(body, fields.keepAliveSeconds);
    appendText(body, fields.clientId);
    if (!fields.userName.empty()) {
        appendText(body, fields.userName);
        if (!fields.password.empty()) appendText(body, fields.password);
    }
    return static_cast<char>(Connect << 4) + remainingLength(body.size()) + body;
}

std::string publishHead(const std::string& topic, std::uint16_t packetId, std::size_t payloadSize, bool duplicate) {
    std::string variable;
    appendText(variable, topic);
    appendShort(variable, packetId);
    const unsigned char first = (Publish << 4) | (duplicate ? 0x08 : 0) | 0x02;  // QoS 1
    return static_cast<char>(first) + remainingLength(variable.size() + payloadSize) + variable;
}

}  // namespace nolt::mqttwire
