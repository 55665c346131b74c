#include "host/service_run.h"

#include <exception>
#include <thread>

#include "agent/local_factory.h"
#include "dnc/factory.h"
#include "host/log_event.h"
#include "host/service_mode.h"
#include "platform/eventlog.h"
#include "platform/log.h"

namespace heidenhain {
namespace {

// Leaves the event loop, publishes "offline" and disconnects; then the
// sessions disconnect from their machines and release the component, while
// this thread is still in its apartment and before the service reports
// stopped, after which the process may end at any moment.
void stopAgent(HeidenhainService& service, std::thread& agentThread) {
    service.agent->stop();
    agentThread.join();
    nolt::LocalFactory::instance().clearInstances();
}

}  // namespace

int startForeground(HeidenhainService& service, const RunSeams& seams) {
    setServiceMode(false);
    return runStep(service, seams);
}

int runStep(HeidenhainService& service, const RunSeams& seams) {
    std::thread agentThread;
    try {
        const std::string sdk = seams.sdkVersion();
        auto agent = service.agent;
        agent->setNodeProperty("Agent Version", kAgentVersion);
        agent->setNodeProperty("SDK Version", sdk);
        agentThread = std::thread([agent] { agent->run(); });
        logEvent("Started heidenhain agent (Agent v%s, SDK v%s)", kAgentVersion, sdk.c_str());
        // What the SDK lacks fails only the functions that need it; say it at start, in full.
        if (const std::string gaps = dnc::machineFactory()->DescribeGaps(); !gaps.empty()) {
            platform::logConsole(platform::Severity::Notice, gaps);
            reportAgentEvent(gaps, platform::EventWarning);
        }
    } catch (const std::exception& e) {
        platform::logInformation(e.what());
        logEvent("Encountered exception on starting Heidenhain agent: %s", e.what());
        if (agentThread.joinable()) stopAgent(service, agentThread);
        return 1;
    }
    seams.waitForStop();
    stopAgent(service, agentThread);
    logEvent("Stopped heidenhain agent");
    return 0;
}

}  // namespace heidenhain
