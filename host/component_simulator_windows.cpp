#include "host/component_simulator.h"

#include <windows.h>

#include "dnccom/component.h"

namespace heidenhain {
namespace {

// The component's exported functions, as its test control declares them.
struct Exports {
    int (*raiseMachineEvent)(const char*, int);
    int (*raiseError)(const char*, const char*, const char*, const char*, const char*, int);
    void (*loseLink)(const char*);
    void (*restoreLink)(const char*);
    void (*stayBooting)(const char*, int);
    void (*failNext)(const char*, int, long, const char*);
    void (*delay)(const char*, int, int, const char*);
    void (*withholdInterface)(int, long, const char*);
    void (*offerInterface)(int, const char*);
    void (*clearFaults)();
    int (*setDncMode)(const char*, int);
    int (*write)(const char*, const char*, const char*);
};

template <typename F>
bool bind(HMODULE module, const char* name, F& function) {
    // Through void*, as GetProcAddress's own type is a placeholder.
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

class ComponentControl final : public dncsim::SimulatorControl {
public:
    explicit ComponentControl(const Exports& exports) : f_(exports) {}

    bool raiseMachineEvent(const std::string& host, int stateEvent) override {
        return f_.raiseMachineEvent(host.c_str(), stateEvent) != 0;
    }
    bool raiseError(const std::string& host, const std::string& text, const std::string& group,
                    const std::string& errorClass, const std::string& number, bool cleared) override {
        return f_.raiseError(host.c_str(), text.c_str(), group.c_str(), errorClass.c_str(), number.c_str(),
                             cleared ? 1 : 0) != 0;
    }
    void loseLink(const std::string& host) override { f_.loseLink(host.c_str()); }
    void restoreLink(const std::string& host) override { f_.restoreLink(host.c_str()); }
    void stayBooting(const std::string& host, bool booting) override { f_.stayBooting(host.c_str(), booting); }
    void failNext(const std::string& operation, int count, dnc::HRESULT code, const std::string& host) override {
        f_.failNext(operation.c_str(), count, code, host.c_str());
    }
    void delay(const std::string& operation, std::chrono::milliseconds duration, int count,
               const std::string& host) override {
        f_.delay(operation.c_str(), static_cast<int>(duration.count()), count, host.c_str());
    }
    void withholdInterface(dnc::DNC_INTERFACE_OBJECT kind, dnc::HRESULT code, const std::string& host) override {
        f_.withholdInterface(kind, code, host.c_str());
    }
    void offerInterface(dnc::DNC_INTERFACE_OBJECT kind, const std::string& host) override {
        f_.offerInterface(kind, host.c_str());
    }
    void clearFaults() override { f_.clearFaults(); }
    bool setDncMode(const std::string& host, int mode) override { return f_.setDncMode(host.c_str(), mode) != 0; }
    std::optional<dnc::HRESULT> setDataValue(const std::string& host, const std::string& path,
                                             const std::string& value) override {
        // -1: no controls of that host yet; else the write's result code.
        const int result = f_.write(host.c_str(), path.c_str(), value.c_str());
        if (result == -1) return std::nullopt;
        return result;
    }

private:
    Exports f_;
};

}  // namespace

std::shared_ptr<dncsim::SimulatorControl> componentSimulatorControl() {
    std::wstring path;
    try {
        path = dnccom::Component::instance().libraryPath;
    } catch (const std::exception&) {
        return nullptr;  // no component: the sessions will say so
    }
    // The same module that COM loads for the machine objects; kept loaded.
    const HMODULE module = path.empty() ? nullptr : LoadLibraryW(path.c_str());
    if (!module) return nullptr;
    Exports f{};
    const bool ours = bind(module, "DncSimComRaiseMachineEvent", f.raiseMachineEvent) &&
                      bind(module, "DncSimComRaiseError", f.raiseError) &&
                      bind(module, "DncSimComLoseLink", f.loseLink) &&
                      bind(module, "DncSimComRestoreLink", f.restoreLink) &&
                      bind(module, "DncSimComStayBooting", f.stayBooting) &&
                      bind(module, "DncSimComFailNext", f.failNext) && bind(module, "DncSimComDelay", f.delay) &&
                      bind(module, "DncSimComWithholdInterface", f.withholdInterface) &&
                      bind(module, "DncSimComOfferInterface", f.offerInterface) &&
                      bind(module, "DncSimComClearFaults", f.clearFaults) &&
                      bind(module, "DncSimComSetDncMode", f.setDncMode) && bind(module, "DncSimComWrite", f.write);
    if (!ours) {
        FreeLibrary(module);
        return nullptr;
    }
    return std::make_shared<ComponentControl>(f);
}

}  // namespace heidenhain
