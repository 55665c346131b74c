#include "platform/broker_uri.h"

#include <charconv>
#include <string_view>

namespace platform {
namespace {

std::optional<int> defaultPortOf(std::string_view scheme) {
    if (scheme.empty() || scheme == "tcp" || scheme == "mqtt") return 1883;
    if (scheme == "ssl" || scheme == "tls" || scheme == "mqtts") return 8883;
    if (scheme == "ws") return 80;
    if (scheme == "wss") return 443;
    return std::nullopt;
}

std::optional<int> parsePort(std::string_view text) {
    int port = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

}  // namespace

std::optional<BrokerAddress> parseBrokerUri(const std::string& uri) {
    std::string_view rest = uri;
    std::string_view scheme;
    if (auto separator = rest.find("://"); separator != std::string_view::npos) {
        scheme = rest.substr(0, separator);
        rest.remove_prefix(separator + 3);
    }
    auto defaultPort = defaultPortOf(scheme);
    if (!defaultPort) return std::nullopt;

    // A WebSocket URI may carry a path after the authority.
    rest = rest.substr(0, rest.find('/'));

    BrokerAddress address;
    address.scheme = std::string(scheme);
    std::string_view portText;
    if (!rest.empty() && rest.front() == '[') {
        auto close = rest.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        address.host = std::string(rest.substr(1, close - 1));
        auto after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return std::nullopt;
            portText = after.substr(1);
            if (portText.empty()) return std::nullopt;
        }
    } else {
        auto colon = rest.rfind(':');
        address.host = std::string(rest.substr(0, colon));
        if (colon != std::string_view::npos) {
            portText = rest.substr(colon + 1);
            if (portText.empty()) return std::nullopt;
        }
    }
    if (address.host.empty()) return std::nullopt;

    if (portText.empty()) {
        address.port = *defaultPort;
    } else {
        auto port = parsePort(portText);
        if (!port) return std::nullopt;
        address.port = *port;
    }
    return address;
}

}  // namespace platform
