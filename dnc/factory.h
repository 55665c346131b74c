#pragma once
// The process-wide source of machine objects: the SDK's in-process machine
// class. Chosen once at start-up (the simulated controller on Linux); until
// one is set, every creation answers kClassNotRegistered as on a computer
// without the SDK.
#include <memory>
#include <string>

#include "dnc/file_system.h"
#include "dnc/machine.h"
#include "dnc/result.h"

namespace dnc {

class MachineFactory {
public:
    virtual ~MachineFactory() = default;
    virtual HRESULT CreateMachine(std::shared_ptr<IJHMachine>* machine) = 0;
    // An attribute set with no attribute set, as a ReadDirectory filter.
    virtual HRESULT CreateFileAttributes(std::shared_ptr<IJHFileAttributes>* attributes) = 0;
    // The same text as a machine's GetVersionComInterface.
    virtual HRESULT GetVersion(std::string* version) = 0;
    // Why the last creation failed, when the factory knows more than its
    // result code (a component without something we call); empty otherwise.
    virtual std::string DescribeFailure() const { return {}; }
    // Why a call on this thread just failed with `code`, when the factory
    // knows more than the code (a member the component lacks); empty otherwise.
    virtual std::string DescribeResult(HRESULT code) const { return (void)code, std::string(); }
    // What the SDK lacks of what the agent uses, in one text; empty when nothing.
    virtual std::string DescribeGaps() const { return {}; }
};

// Installs the factory (null restores the "no SDK installed" one).
void setMachineFactory(std::shared_ptr<MachineFactory> factory);
// The current factory, never null; safe to call from any thread.
std::shared_ptr<MachineFactory> machineFactory();

}  // namespace dnc
