#pragma once
// What the remote control class "DncSimulator" drives: the simulated controls
// of this process, or on Windows those inside our test component, which the
// agent reaches through the component's exported test functions.
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "dnc/machine.h"
#include "dnc/result.h"

namespace dncsim {

class SimulatorControl {
public:
    virtual ~SimulatorControl() = default;
    // False when nothing has connected to the host yet.
    virtual bool raiseMachineEvent(const std::string& host, int stateEvent) = 0;
    virtual bool raiseError(const std::string& host, const std::string& text, const std::string& group,
                            const std::string& errorClass, const std::string& number, bool cleared) = 0;
    virtual void loseLink(const std::string& host) = 0;
    virtual void restoreLink(const std::string& host) = 0;
    virtual void stayBooting(const std::string& host, bool booting) = 0;
    // count: calls to fail or delay, -1 every call; an empty host: every controller.
    virtual void failNext(const std::string& operation, int count, dnc::HRESULT code, const std::string& host) = 0;
    virtual void delay(const std::string& operation, std::chrono::milliseconds duration, int count,
                       const std::string& host) = 0;
    virtual void withholdInterface(dnc::DNC_INTERFACE_OBJECT kind, dnc::HRESULT code, const std::string& host) = 0;
    virtual void offerInterface(dnc::DNC_INTERFACE_OBJECT kind, const std::string& host) = 0;
    virtual void clearFaults() = 0;
    // False when nothing has connected to the host yet.
    virtual bool setDncMode(const std::string& host, int mode) = 0;
    // The control writes the value (read as the entry's type); empty when
    // nothing has connected to the host yet, else the write's result code.
    virtual std::optional<dnc::HRESULT> setDataValue(const std::string& host, const std::string& path,
                                                     const std::string& value) = 0;
};

// The simulated controls of this process.
std::shared_ptr<SimulatorControl> inProcessSimulatorControl();

}  // namespace dncsim
