#include "agent/instance_ids.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "platform/secure_random.h"

namespace nolt {

std::string randomInstanceId() {
    unsigned char bytes[sizeof(std::uint64_t)];
    if (!platform::secureRandomBytes(bytes, sizeof bytes)) throw std::runtime_error("No random number for an instance id");
    std::uint64_t number;
    std::memcpy(&number, bytes, sizeof number);
    return std::to_string(number);
}

}  // namespace nolt
