#pragma once
// The process-wide registry of remotely callable classes, their instances
// and their functions: one table per class, shared by its instances. Knows
// nothing of MQTT.
#include <any>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "agent/function.h"
#include "agent/serial_queue.h"

namespace nolt {

class LocalFactory {
public:
    using FunctionMap = std::unordered_map<std::string, std::shared_ptr<Function>>;

    // The agent's registry. Tests of the registry alone make their own.
    static LocalFactory& instance();
    LocalFactory() = default;
    LocalFactory(const LocalFactory&) = delete;
    LocalFactory& operator=(const LocalFactory&) = delete;

    // Registration, done once at start-up before the agent runs.
    void addMemberFunction(const std::string& className, const std::string& key, std::shared_ptr<Function> prototype);
    void addStaticFunction(const std::string& context, const std::string& key, std::shared_ptr<Function> function);

    // A member function from a member pointer; the key is built from its parameter types.
    template <typename C, typename R, typename... P>
    void registerMember(const std::string& className, const std::string& name, R (C::*member)(P...)) {
        registerCallable<C, R, P...>(className, name, [member](C& object, P... args) -> R {
            return (object.*member)(std::forward<P>(args)...);
        });
    }
    template <typename C, typename R, typename... P>
    void registerMember(const std::string& className, const std::string& name, R (C::*member)(P...) const) {
        registerCallable<C, R, P...>(className, name, [member](C& object, P... args) -> R {
            return (object.*member)(std::forward<P>(args)...);
        });
    }

    // A member function of one of the class's parts, reached through the
    // class's accessor of that part: the remote function is the part's own.
    template <typename C, typename Part, typename R, typename... P>
    void registerMember(const std::string& className, const std::string& name, Part& (C::*part)(),
                        R (Part::*member)(P...)) {
        registerCallable<C, R, P...>(className, name, [part, member](C& object, P... args) -> R {
            return ((object.*part)().*member)(std::forward<P>(args)...);
        });
    }
    template <typename C, typename Part, typename R, typename... P>
    void registerMember(const std::string& className, const std::string& name, Part& (C::*part)(),
                        R (Part::*member)(P...) const) {
        registerCallable<C, R, P...>(className, name, [part, member](C& object, P... args) -> R {
            return ((object.*part)().*member)(std::forward<P>(args)...);
        });
    }

    template <typename C, typename R, typename... P>
    void registerCallable(const std::string& className, const std::string& name,
                          std::type_identity_t<std::function<R(C&, P...)>> callable) {
        addMemberFunction(className, functionKey<P...>(name),
                          std::make_shared<MemberFunction<C, R, P...>>(std::move(callable)));
    }

    // The class with its constructor parameters: enters the four factory functions.
    template <typename C, typename... P>
    void registerClass(const std::string& className) {
        ensureClass(className);
        if constexpr (std::is_base_of_v<QueuedCalls, C>) {
            setQueueOf(className,
                       [](const std::any& instance) { return (*std::any_cast<std::shared_ptr<C>>(&instance))->callQueue(); });
        }
        auto construct = [](const P&... args) { return std::any(std::make_shared<C>(args...)); };
        addStaticFunction(className, functionKey<P...>("__create__"),
                          std::make_shared<ConstructorFunction<std::string, P...>>(
                              className, [this, construct](const std::string& cls, const P&... args) {
                                  return create(cls, [&] { return construct(args...); });
                              }));
        addStaticFunction(className, functionKey<std::string, P...>("__createNamed__"),
                          std::make_shared<ConstructorFunction<std::string, std::string, P...>>(
                              className, [this, construct](const std::string& cls, const std::string& name, const P&... args) {
                                  return createNamed(cls, name, [&] { return construct(args...); });
                              }));
        addStaticFunction(className, functionKey<std::string>("__getNamed__"),
                          std::make_shared<ConstructorFunction<std::string, std::string>>(
                              className, [this](const std::string&, const std::string& name) { return getNamed(name); }));
        addStaticFunction(className, functionKey<std::string>("__delete__"),
                          std::make_shared<ConstructorFunction<bool, std::string>>(
                              className, [this](const std::string& cls, const std::string& id) { return remove(id, cls); }));
    }

    // Dispatches one request; every failure is written into "data"."e".
    void call(nlohmann::json& message);

    // Listing, for the class info.
    std::vector<std::string> classNames() const;
    std::vector<std::string> memberFunctionKeys(const std::string& className) const;
    std::vector<std::string> staticFunctionKeys(const std::string& className) const;
    std::vector<std::string> namedInstances(const std::string& className) const;

    bool hasInstance(const std::string& id) const;
    // The instance's holder; empty when there is none.
    std::any instanceOf(const std::string& id) const;
    bool isNamed(const std::string& id) const;
    // The queue that a call of the function (a name or a function key) on the
    // instance goes through; null for a class without one, and for the
    // class's quick functions.
    std::shared_ptr<SerialQueue> callQueueOf(const std::string& id, const std::string& function) const;
    // Functions of a class with a queue that answer at once, beside it: they
    // read or set only the instance's own state and never wait for what the
    // queued calls hold.
    void setQuickFunctions(const std::string& className, std::set<std::string> names);
    // Removes an instance; false when unknown, or
    // when a class is given and the instance is not of that class.
    bool remove(const std::string& id, const std::string& className = {});

    // For tests: forget every instance (registrations stay).
    void clearInstances();

private:

    void ensureClass(const std::string& className);
    void setQueueOf(const std::string& className, std::function<std::shared_ptr<SerialQueue>(const std::any&)> queueOf);
    std::string create(const std::string& className, const std::function<std::any()>& construct);
    std::string createNamed(const std::string& className, const std::string& name,
                            const std::function<std::any()>& construct);
    std::string getNamed(const std::string& name) const;
    // Need mutex_ held.
    void addInstanceLocked(const std::string& className, const std::string& id, std::any instance);
    // The functions called through `context`: a class's static ones, or an
    // instance's member ones, with `instance` set to its handle. Null for an
    // unknown context.
    const FunctionMap* functionsLocked(const std::string& context, std::any* instance) const;

    mutable std::mutex mutex_;
    std::unordered_map<std::string, FunctionMap> memberFunctions_;  // by class
    std::unordered_map<std::string, FunctionMap> staticFunctions_;  // by class
    std::unordered_map<std::string, std::function<std::shared_ptr<SerialQueue>(const std::any&)>> queueOf_;
    std::unordered_map<std::string, std::set<std::string>> quickFunctions_;  // by class
    struct Instance {
        std::any value;
        std::string className;
        std::shared_ptr<SerialQueue> queue;
    };
    std::unordered_map<std::string, Instance> instances_;
    std::unordered_map<std::string, std::string> namedInstances_;
};

}  // namespace nolt
