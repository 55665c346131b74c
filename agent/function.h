#pragma once
// Callable registry entries: each converts the request's arguments, calls,
// and writes "r" or "e" into the request's "data".
#include <any>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include <nlohmann/json.hpp>

#include "agent/arguments.h"
#include "agent/text_error.h"

namespace nolt {

class Function {
public:
    virtual ~Function() = default;
    // Performs the call described by the message on the instance (static
    // entries have none) and writes the outcome into the message. One entry
    // serves every instance of its class.
    virtual void call(nlohmann::json& message, const std::any& instance) = 0;
};

namespace detail {

// How a converted argument is held until the call returns.
template <typename P>
struct Held {
    using type = Plain<P>;
    static type convert(const nlohmann::json& message, std::size_t index) {
        return Argument<type>::convert(message, index);
    }
};

// A text that the callee takes by reference is the request's own string, not
// a copy of it: a part program is tens of MB. The request stays unchanged
// until the call has returned.
template <>
struct Held<const std::string&> {
    struct type {
        const std::string* borrowed = nullptr;
        std::string owned;
        operator const std::string&() const { return borrowed ? *borrowed : owned; }
    };
    static type convert(const nlohmann::json& message, std::size_t index) {
        const auto& value = argumentValue(message, index);
        if (value.is_string()) return {&value.get_ref<const std::string&>(), {}};
        return {nullptr, Argument<std::string>::convert(message, index)};
    }
};

template <typename... P, typename Invoke, std::size_t... I>
decltype(auto) invokeWithArguments(const nlohmann::json& message, Invoke&& invoke, std::index_sequence<I...>) {
    // Converted in parameter order, before anything is invoked.
    std::tuple<typename Held<P>::type...> arguments{Held<P>::convert(message, I)...};
    return invoke(std::get<I>(arguments)...);
}

// Runs the call and stores its outcome; failures become "e".
template <typename Body>
void storeOutcome(nlohmann::json& message, Body&& body) {
    try {
        nlohmann::json result = body();
        message["data"]["r"] = std::move(result);
    } catch (TextError& e) {
        message["data"]["e"] = e.takeText();
    } catch (const std::exception& e) {
        message["data"]["e"] = e.what();
    }
}

}  // namespace detail

// A member function of the class: "r" is the JSON form of its result, null
// when it returns nothing.
template <typename C, typename R, typename... P>
class MemberFunction : public Function {
public:
    using Callable = std::function<R(C&, P...)>;
    explicit MemberFunction(Callable callable) : callable_(std::move(callable)) {}

    void call(nlohmann::json& message, const std::any& handle) override {
        detail::storeOutcome(message, [&]() -> nlohmann::json {
            const auto held = std::any_cast<std::shared_ptr<C>>(&handle);
            const std::shared_ptr<C> instance = held ? *held : nullptr;
            if (!instance) throw std::runtime_error("Function is not bound to an instance");
            auto invoke = [&](auto&... arguments) -> R { return callable_(*instance, arguments...); };
            if constexpr (std::is_void_v<R>) {
                detail::invokeWithArguments<P...>(message, invoke, std::index_sequence_for<P...>{});
                return nullptr;
            } else {
                return nlohmann::json(detail::invokeWithArguments<P...>(message, invoke, std::index_sequence_for<P...>{}));
            }
        });
    }

private:
    Callable callable_;
};

// The static factory functions of a class ("__create__" and the others).
template <typename R, typename... P>
class ConstructorFunction : public Function {
public:
    // Arguments by reference: a text argument is then the request's own string.
    using Callable = std::function<R(const std::string& className, const P&...)>;
    ConstructorFunction(std::string className, Callable callable)
        : className_(std::move(className)), callable_(std::move(callable)) {}

    void call(nlohmann::json& message, const std::any&) override {
        detail::storeOutcome(message, [&]() -> nlohmann::json {
            auto invoke = [&](auto&... arguments) -> R { return callable_(className_, arguments...); };
            return nlohmann::json(
                detail::invokeWithArguments<const P&...>(message, invoke, std::index_sequence_for<P...>{}));
        });
    }

private:
    std::string className_;
    Callable callable_;
};

}  // namespace nolt
