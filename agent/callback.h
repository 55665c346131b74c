#pragma once
// A callback argument: the client passes a text (the callback id); the remote
// function gets a callable that publishes an event to that client.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "agent/arguments.h"
#include "agent/event_publisher.h"

namespace nolt {

template <typename... Args>
using Callback = std::function<void(Args...)>;

template <typename... Args>
class CallbackT : public std::enable_shared_from_this<CallbackT<Args...>> {
public:
    CallbackT(nlohmann::json request, std::string id) : request_(std::move(request)), id_(std::move(id)) {}

    // Builds the event from the registering request and publishes it. Events
    // of one callback are built one at a time since they share the request copy.
    void operator()(Args... args) {
        nlohmann::json event;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            nlohmann::json data = nlohmann::json::object();
            std::size_t index = 0;
            ((data[argumentKey(index++)] = nlohmann::json(args)), ...);
            request_["data"] = std::move(data);
            request_["id"] = id_;
            event = request_;
        }
        publishEvent(event);
    }

    Callback<Args...> callable() {
        auto self = this->shared_from_this();
        return [self](Args... args) { (*self)(std::forward<Args>(args)...); };
    }

    const std::string& id() const { return id_; }

private:
    std::mutex mutex_;
    nlohmann::json request_;
    const std::string id_;
};

// A callback parameter counts as "string" in the function key and is made
// from the request and the argument's text value.
template <typename... Args>
struct Argument<std::function<void(Args...)>> {
    static std::string typeName() { return "string"; }
    static Callback<Args...> convert(const nlohmann::json& message, std::size_t index) {
        auto id = argumentValue(message, index).template get<std::string>();
        return std::make_shared<CallbackT<Args...>>(message, std::move(id))->callable();
    }
};

}  // namespace nolt
