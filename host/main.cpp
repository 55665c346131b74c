#include <exception>
#include <iostream>
#include <stdexcept>

#include "dnc/factory.h"
#include "dncsim/sdk.h"
#include "host/command_line.h"
#include "host/service.h"
#include "host/service_run.h"
#include "platform/stop_signal.h"

int main(int argc, char** argv) {
    // Before any thread exists, so that only the stop control sees them.
    platform::blockStopSignals();
    try {
        // The simulated controller stands in for the CNC SDK on this platform.
        dncsim::installSimulatedSdk();
        heidenhain::HeidenhainService service;
        int resultCode = 0;
        if (!service.parseCommandLine(heidenhain::joinCommandLine(argc, argv), resultCode)) return resultCode;
        auto sdkVersion = [] {
            std::string version;
            if (dnc::failed(dnc::machineFactory()->GetVersion(&version))) throw std::runtime_error("no SDK");
            return version;
        };
        heidenhain::RunSeams seams{sdkVersion, [] { platform::waitForStopSignal(); }};
        return heidenhain::startForeground(service, seams);
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        return 1;
    }
}
