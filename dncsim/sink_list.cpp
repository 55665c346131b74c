#include "dncsim/sink_list.h"

#include <atomic>

namespace dncsim {

std::uint32_t nextCookie() {
    static std::atomic<std::uint32_t> last{0};
    std::uint32_t cookie;
    do {
        cookie = ++last;
    } while (cookie == 0);  // after wrap-around
    return cookie;
}

}  // namespace dncsim
