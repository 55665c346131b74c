#include <exception>
#include <iostream>

#ifdef _WIN32
#include "dnccom/factory.h"
#include "dnccom/probe_report.h"
#include "host/component_simulator.h"
#else
#include "dncsim/sdk.h"
#endif
#include "dncsim/remote_control.h"
#include "heidenhain/sdk/sdk_version.h"
#include "heidenhain/session/registration.h"
#include "host/command_line.h"
#include "host/probe.h"
#include "host/service.h"
#include "host/service_run.h"
#include "host/service_start.h"
#ifndef _WIN32
#include "host/thread_block_cache.h"
#endif
#include "platform/log.h"
#include "platform/stop_signal.h"

int main(int argc, char** argv) {
#ifndef _WIN32
    heidenhain::restartWithoutThreadBlockCache(argv);
#endif
    // Before any thread exists, so that only the stop control sees them.
    platform::blockStopSignals();
    try {
#ifdef _WIN32
        // The vendor's component, found through its registered type library.
        dnccom::installComSdk();
        heidenhain::registerDncShim();
        if (auto control = heidenhain::componentSimulatorControl()) dncsim::registerDncSimulator(control);
#else
        // The simulated controller stands in for the CNC SDK on this platform;
        // its remote control class exists only with it.
        dncsim::installSimulatedSdk();
        heidenhain::registerDncShim();
        dncsim::registerDncSimulator();
#endif
        const std::string commandLine = heidenhain::processCommandLine(argc, argv);
        if (const auto connection = heidenhain::probeSwitch(commandLine)) {
#ifdef _WIN32
            return heidenhain::runProbe(std::cout, *connection, dnccom::reportComponent);
#else
            return heidenhain::runProbe(std::cout, *connection, nullptr);
#endif
        }
        heidenhain::HeidenhainService service;
        int resultCode = 0;
        if (!service.parseCommandLine(commandLine, resultCode)) return resultCode;
        // The run step deletes the sessions, before the process's static
        // objects go: their monitor threads read those until joined.
        return heidenhain::startService(
            [&service](const std::function<void()>& waitForStop) {
                return heidenhain::runStep(service, {heidenhain::sdkVersion, waitForStop});
            },
            [] { platform::waitForStopSignal(); });
    } catch (const std::exception& e) {
        platform::logError(e.what());
        return 1;
    }
}
