#include "agent/event_publisher.h"

#include <memory>
#include <mutex>

namespace nolt {
namespace {
std::mutex publisherMutex;
std::shared_ptr<const Publisher> installed;
}  // namespace

void setEventPublisher(Publisher publisher) {
    auto next = publisher ? std::make_shared<const Publisher>(std::move(publisher)) : nullptr;
    std::lock_guard<std::mutex> lock(publisherMutex);
    installed = std::move(next);
}

void publishEvent(const nlohmann::json& message) {
    std::shared_ptr<const Publisher> publisher;
    {
        std::lock_guard<std::mutex> lock(publisherMutex);
        publisher = installed;
    }
    if (!publisher) throw std::bad_function_call();
    (*publisher)(message);
}

}  // namespace nolt
