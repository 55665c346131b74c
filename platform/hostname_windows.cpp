#include <winsock2.h>

#include <vector>

#include "platform/hostname.h"

namespace platform {
namespace {

// Winsock must be started before gethostname; once per process is enough,
// and it stays started until the process ends.
bool startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

}  // namespace

std::string localHostName(std::size_t bufferSize) {
    if (bufferSize == 0 || !startWinsock()) return {};
    std::vector<char> buffer(bufferSize, '\0');
    if (gethostname(buffer.data(), static_cast<int>(buffer.size())) != 0) return {};
    buffer.back() = '\0';
    return std::string(buffer.data());
}

}  // namespace platform
