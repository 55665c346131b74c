#pragma once
// The simulated SDK as the process-wide machine factory.
#include "dnc/factory.h"

namespace dncsim {

class SimulatedSdk final : public dnc::MachineFactory {
public:
    dnc::HRESULT CreateMachine(std::shared_ptr<dnc::IJHMachine>* machine) override;
    dnc::HRESULT CreateFileAttributes(std::shared_ptr<dnc::IJHFileAttributes>* attributes) override;
    dnc::HRESULT GetVersion(std::string* version) override;
};

// Makes the simulator the machine factory of the process.
void installSimulatedSdk();

}  // namespace dncsim
