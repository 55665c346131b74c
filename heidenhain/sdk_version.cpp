#include "heidenhain/sdk_version.h"

#include <stdexcept>

#include "dnc/factory.h"
#include "heidenhain/sdk_guard.h"
#include "heidenhain/session_log.h"

namespace heidenhain {
namespace {

[[noreturn]] void throwCallError(const std::string& call, dnc::HRESULT hr, int line) {
    throw std::runtime_error("Call " + call + " produced error 0x" + hexCode(hr) + ", " + projectPath(__FILE__) +
                             ":" + std::to_string(line));
}

}  // namespace

std::string sdkVersion() {
    std::shared_ptr<dnc::IJHMachine> tmpMachine;
    const dnc::HRESULT created = dnc::machineFactory()->CreateMachine(&tmpMachine);
    if (created == dnc::kClassNotRegistered) {
        throw std::runtime_error(
            "Heidenhain machine representation could not be instantiated. Is the Heidenhain SDK installed?");
    }
    // A component that is there but lacks what we need says what, not only a code.
    if (dnc::failed(created) && !dnc::machineFactory()->DescribeFailure().empty())
        throw std::runtime_error(dnc::machineFactory()->DescribeFailure());
    if (dnc::failed(created)) throwCallError("tmp_machine.CoCreateInstance(CLSID_JHMachineInProcess))", created, __LINE__);
    std::string version;
    const dnc::HRESULT read = tmpMachine->GetVersionComInterface(&version);
    if (dnc::failed(read)) throwCallError("tmp_machine->GetVersionComInterface(&version)", read, __LINE__);
    return version;
}

}  // namespace heidenhain
