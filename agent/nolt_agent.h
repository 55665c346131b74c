#pragma once
#include <memory>
#include <string>

#include "agent/agent_options.h"

namespace nolt {

// The one agent of the process: MQTT session, subscriptions and the worker
// pool that answers remote calls.
class NoltAgent {
public:
    // Prints the options and builds the MQTT client; throws the MQTT
    // library's exception when the client cannot be created.
    explicit NoltAgent(const AgentOptions& options);
    ~NoltAgent();

    NoltAgent(const NoltAgent&) = delete;
    NoltAgent& operator=(const NoltAgent&) = delete;

    // Connects, waits for the connection, runs the event loop on this thread
    // until stop(), then publishes "offline" and disconnects.
    void run();

    // Ends run(), also while it still waits for the first connection.
    void stop();

    // What the Sparkplug B node tells about itself as "Properties/<name>";
    // nothing without --sparkplug. Before run().
    void setNodeProperty(const std::string& name, const std::string& value);

    class Impl;

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace nolt
