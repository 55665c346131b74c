#pragma once
// The remote control class "DncSimulator": lets a black-box client of the
// agent drive the simulated controller (events, link, faults) over the same
// protocol as the CNC sessions. It exists only while a simulated SDK is in use:
// this process's, or our test component's on Windows.
#include <cstdint>
#include <memory>
#include <string>

#include "dncsim/simulator_control.h"

namespace dncsim {

class DncSimulator {
public:
    // Machine state event to the sessions connected to the host; false when
    // nothing has connected to the host yet.
    bool raiseMachineEvent(const std::string& host, int stateEvent);
    // A message of the host's control (its text, group, class and number) to
    // the sessions' error sinks, or with `cleared` its clearing; false when
    // nothing has connected to the host yet.
    bool raiseError(const std::string& host, const std::string& text, const std::string& group,
                    const std::string& errorClass, const std::string& number, bool cleared);
    void loseLink(const std::string& host);
    void restoreLink(const std::string& host);
    void stayBooting(const std::string& host, bool booting);
    // code: a failure code in its signed or unsigned 32-bit form (-2147219764
    // or 2147747532 for 0x800406CC); count < 0: every call; an empty host:
    // every controller.
    void failNext(const std::string& operation, int count, std::int64_t code, const std::string& host);
    void delay(const std::string& operation, int milliseconds, int count, const std::string& host);
    // kind: the SDK's name, such as "DNC_INTERFACE_JHDATAACCESS".
    void withholdInterface(const std::string& kind, std::int64_t code, const std::string& host);
    void offerInterface(const std::string& kind, const std::string& host);
    void clearFaults();
    // The operator switches the DNC mode (0 local, 1 remote) at the host's
    // control; false when nothing has connected to the host yet.
    bool setDncMode(const std::string& host, int mode);
    // Writes a data value of the host's control as its clients would see it
    // change; the text is read as the entry's type ("1"/"true" for a flag).
    void setDataValue(const std::string& host, const std::string& path, const std::string& value);
};

// Enters "DncSimulator" and its functions into the agent's registry, driving
// `control`; called once at start-up next to installing the SDK. Repeated
// calls do nothing.
void registerDncSimulator(std::shared_ptr<SimulatorControl> control = inProcessSimulatorControl());

}  // namespace dncsim
