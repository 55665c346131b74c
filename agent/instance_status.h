#pragma once
// Retained status objects of single instances (a machine's presence), on
// PREFIX/CLASS/INSTANCE/LEVEL for the classes that report one. The class
// only calls a report function on each change; the agent publishes. The
// agent's filter of an instance's calls matches that topic too: what
// arrives there is its own status (isStatusLevel), never a call.
#include <any>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "agent/topics.h"

namespace nolt {

// Called by an instance with its whole status after each change; any thread.
using StatusReport = std::function<void(const nlohmann::json& status)>;
// Gives a new instance the report function to call from now on (and at once).
using StatusAttach = std::function<void(const std::any& instance, StatusReport report)>;

// Whether the class reports its status on that level of its instances' topics.
bool isStatusLevel(const std::string& className, const std::string& level);

// At start-up, beside the class's own registration.
void registerInstanceStatus(const std::string& className, const std::string& level, StatusAttach attach);

template <class C>
void registerInstanceStatus(const std::string& className, const std::string& level,
                            std::function<void(C&, StatusReport)> attach) {
    registerInstanceStatus(className, level, [attach](const std::any& instance, StatusReport report) {
        if (auto held = std::any_cast<std::shared_ptr<C>>(&instance); held && *held) attach(**held, std::move(report));
    });
}

// Publishes each reported status retained, at most one message per
// interval and instance (the latest status wins), and again after every
// connect to the broker; clears it when the instance is deleted.
class InstanceStatusPublisher {
public:
    // Publishes retained (an empty payload clears); throws when it cannot.
    using Publish = std::function<void(const std::string& topic, const std::string& payload)>;

    static constexpr std::chrono::milliseconds kMinInterval{100};

    InstanceStatusPublisher(Topics topics, Publish publish, std::chrono::milliseconds minInterval = kMinInterval);
    ~InstanceStatusPublisher();
    InstanceStatusPublisher(const InstanceStatusPublisher&) = delete;
    InstanceStatusPublisher& operator=(const InstanceStatusPublisher&) = delete;

    // After the instance was created (a named one also when asked again);
    // nothing for classes without a status.
    void attach(const std::string& className, const std::string& id, bool named, const std::any& instance);
    // After the instance was deleted: its retained status is cleared.
    void remove(const std::string& className, const std::string& id);
    // After each connect: every status (and every clear not yet sent) again.
    void republishAll();
    // The latest status of every instance, by topic, as it is retained.
    std::map<std::string, std::string> latest() const;
    // On an orderly stop, in the caller's thread: every status cleared, as
    // the instances end with the agent. No publication afterwards.
    void clearAll();
    // No publication afterwards; reports become no-ops.
    void stop();

    // Also hands each status as it is published (same rate bound), with the
    // instance id, to another reader; an empty status when the instance is
    // gone. Called whether or not the publication itself succeeded.
    using Tap = std::function<void(const std::string& instance, const std::string& status)>;
    void setTap(Tap tap);

    class State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace nolt
