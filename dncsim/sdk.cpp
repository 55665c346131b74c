#include "dncsim/sdk.h"

#include "dncsim/file_system.h"
#include "dncsim/machine.h"
#include "dncsim/simulator.h"

namespace dncsim {

dnc::HRESULT SimulatedSdk::CreateMachine(std::shared_ptr<dnc::IJHMachine>* machine) {
    auto& simulator = Simulator::instance();
    if (auto hr = simulator.faults().enter("CreateMachine", {}); dnc::failed(hr)) return hr;
    if (machine == nullptr) return dnc::kPointer;
    *machine = std::make_shared<Machine>(simulator);
    return dnc::kOk;
}

dnc::HRESULT SimulatedSdk::CreateFileAttributes(std::shared_ptr<dnc::IJHFileAttributes>* attributes) {
    if (auto hr = Simulator::instance().faults().enter("CreateFileAttributes", {}); dnc::failed(hr)) return hr;
    if (attributes == nullptr) return dnc::kPointer;
    *attributes = std::make_shared<FileAttributes>();
    return dnc::kOk;
}

dnc::HRESULT SimulatedSdk::GetVersion(std::string* version) {
    if (version == nullptr) return dnc::kPointer;
    *version = Simulator::kVersion;
    return dnc::kOk;
}

void installSimulatedSdk() { dnc::setMachineFactory(std::make_shared<SimulatedSdk>()); }

}  // namespace dncsim
