#include "host/service_run.h"

#include <exception>
#include <iostream>
#include <thread>

#include "host/log_event.h"
#include "host/service_mode.h"

namespace heidenhain {

int startForeground(HeidenhainService& service, const RunSeams& seams) {
    setServiceMode(false);
    return runStep(service, seams);
}

int runStep(HeidenhainService& service, const RunSeams& seams) {
    std::thread agentThread;
    try {
        const std::string sdk = seams.sdkVersion();
        auto agent = service.agent;
        agentThread = std::thread([agent] { agent->run(); });
        logEvent("Started heidenhain agent (Agent v%s, SDK v%s)", kAgentVersion, sdk.c_str());
    } catch (const std::exception& e) {
        std::cout << e.what() << std::endl;
        logEvent("Encountered exception on starting Heidenhain agent: %s", e.what());
        if (agentThread.joinable()) {
            service.agent->stop();
            agentThread.join();
        }
        return 1;
    }
    seams.waitForStop();
    // The stop control: leave the event loop, publish "offline", disconnect.
    service.agent->stop();
    agentThread.join();
    logEvent("Stopped heidenhain agent");
    return 0;
}

}  // namespace heidenhain
