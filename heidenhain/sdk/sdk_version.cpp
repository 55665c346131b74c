#include "heidenhain/sdk/sdk_version.h"

#include <stdexcept>

#include "dnc/factory.h"
#include "heidenhain/sdk/sdk_guard.h"
#include "heidenhain/session/session_log.h"

namespace heidenhain {
namespace {

[[noreturn]] void throwCallError(const std::string& call, dnc::HRESULT hr, CallSite site) {
    throw std::runtime_error("Call " + call + " produced error 0x" + hexCode(hr) + ", " + siteText(site));
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
    if (dnc::failed(created)) throwCallError("tmp_machine.CoCreateInstance(CLSID_JHMachineInProcess))", created, SDK_CALL_SITE);
    std::string version;
    const dnc::HRESULT read = tmpMachine->GetVersionComInterface(&version);
    if (dnc::failed(read)) throwCallError("tmp_machine->GetVersionComInterface(&version)", read, SDK_CALL_SITE);
    return version;
}

}  // namespace heidenhain
