#include "host/service.h"

namespace heidenhain {

std::shared_ptr<nolt::NoltAgent> createAgent(const nolt::AgentOptions& options) {
    return std::make_shared<nolt::NoltAgent>(options);
}

}  // namespace heidenhain
