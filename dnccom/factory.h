#pragma once
// The component as the process-wide machine factory.
#include "dnc/factory.h"

namespace dnccom {

class ComSdk final : public dnc::MachineFactory {
public:
    dnc::HRESULT CreateMachine(std::shared_ptr<dnc::IJHMachine>* machine) override;
    dnc::HRESULT CreateFileAttributes(std::shared_ptr<dnc::IJHFileAttributes>* attributes) override;
    dnc::HRESULT GetVersion(std::string* version) override;
    std::string DescribeFailure() const override;
    std::string DescribeResult(dnc::HRESULT code) const override;
    std::string DescribeGaps() const override;
};

// Makes the registered component the machine factory of the process.
void installComSdk();

}  // namespace dnccom
