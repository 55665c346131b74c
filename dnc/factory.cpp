#include "dnc/factory.h"

#include <mutex>

namespace dnc {
namespace {

class NoSdkFactory final : public MachineFactory {
public:
    HRESULT CreateMachine(std::shared_ptr<IJHMachine>* machine) override {
        if (machine) machine->reset();
        return kClassNotRegistered;
    }
    HRESULT CreateFileAttributes(std::shared_ptr<IJHFileAttributes>* attributes) override {
        if (attributes) attributes->reset();
        return kClassNotRegistered;
    }
    HRESULT GetVersion(std::string*) override { return kClassNotRegistered; }
};

std::mutex factoryMutex;

std::shared_ptr<MachineFactory>& currentFactory() {
    static std::shared_ptr<MachineFactory> factory = std::make_shared<NoSdkFactory>();
    return factory;
}

}  // namespace

void setMachineFactory(std::shared_ptr<MachineFactory> factory) {
    std::lock_guard<std::mutex> lock(factoryMutex);
    currentFactory() = factory ? std::move(factory) : std::make_shared<NoSdkFactory>();
}

std::shared_ptr<MachineFactory> machineFactory() {
    std::lock_guard<std::mutex> lock(factoryMutex);
    return currentFactory();
}

}  // namespace dnc
