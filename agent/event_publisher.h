#pragma once
// The process-wide publisher of event messages: set by the MQTT session,
// called from any thread (workers, SDK event threads, table monitors).
#include <functional>

#include <nlohmann/json.hpp>

namespace nolt {

using Publisher = std::function<void(const nlohmann::json& message)>;

// Installs the publisher; an empty function removes it.
void setEventPublisher(Publisher publisher);

// Publishes through the installed publisher; throws std::bad_function_call
// when none is installed.
void publishEvent(const nlohmann::json& message);

}  // namespace nolt
