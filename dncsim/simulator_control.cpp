#include "dncsim/simulator_control.h"

#include "dncsim/data_value.h"
#include "dncsim/simulator.h"

namespace dncsim {
namespace {

class InProcessControl final : public SimulatorControl {
public:
    bool raiseMachineEvent(const std::string& host, int stateEvent) override {
        return sim().raiseMachineEvent(host, stateEvent);
    }
    bool raiseError(const std::string& host, const std::string& text, const std::string& group,
                    const std::string& errorClass, const std::string& number, bool cleared) override {
        return sim().raiseError(host, text, group, errorClass, number, cleared);
    }
    void loseLink(const std::string& host) override { sim().loseLink(host); }
    void restoreLink(const std::string& host) override { sim().restoreLink(host); }
    void stayBooting(const std::string& host, bool booting) override { sim().faults().setBooting(host, booting); }
    void failNext(const std::string& operation, int count, dnc::HRESULT code, const std::string& host) override {
        sim().faults().failNext(operation, count, code, host);
    }
    void delay(const std::string& operation, std::chrono::milliseconds duration, int count,
               const std::string& host) override {
        sim().faults().delay(operation, duration, count, host);
    }
    void withholdInterface(dnc::DNC_INTERFACE_OBJECT kind, dnc::HRESULT code, const std::string& host) override {
        sim().faults().withholdInterface(kind, code, host);
    }
    void offerInterface(dnc::DNC_INTERFACE_OBJECT kind, const std::string& host) override {
        sim().faults().offerInterface(kind, host);
    }
    void clearFaults() override { sim().faults().clear(); }
    bool setDncMode(const std::string& host, int mode) override {
        auto controller = sim().controller(host);
        if (!controller) return false;
        controller->programs().setDncMode(mode);
        return true;
    }
    std::optional<dnc::HRESULT> setDataValue(const std::string& host, const std::string& path,
                                             const std::string& value) override {
        auto controller = sim().controller(host);
        if (!controller) return std::nullopt;
        return writeDataText(*controller->data(), path, value);
    }

private:
    static Simulator& sim() { return Simulator::instance(); }
};

}  // namespace

std::shared_ptr<SimulatorControl> inProcessSimulatorControl() { return std::make_shared<InProcessControl>(); }

}  // namespace dncsim
