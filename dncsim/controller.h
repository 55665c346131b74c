#pragma once
// One simulated CNC, reached by its host name. Created on the first connect to
// the host, with the controller family of that connection.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "dnc/events.h"
#include "dnc/result.h"
#include "dncsim/data_tree.h"
#include "dncsim/demo_files.h"
#include "dncsim/faults.h"
#include "dncsim/file_tree.h"
#include "dncsim/operating_times.h"
#include "dncsim/program_runner.h"
#include "dncsim/sink_list.h"

namespace dncsim {

class Machine;

// Older controls serve the fixed-width table interface; newer ones only the
// DataAccess tree.
enum class Family { TableInterface, DataAccess };

Family familyOf(std::int32_t cncType);

class Controller {
public:
    Controller(std::string host, std::int32_t cncType, std::int32_t protocol);

    const std::string& host() const { return host_; }
    std::int32_t cncType() const { return cncType_; }
    std::int32_t protocol() const { return protocol_; }
    Family family() const { return family_; }
    // The control's DataAccess tree (values, PLC memory, configuration).
    const std::shared_ptr<DataTree>& data() const { return data_; }

    // The machine state of a control that runs normally.
    std::int32_t machineState() const;

    // Counts the losses of the link, so that connections made before a loss
    // can tell they were interrupted.
    void noteLinkLost() { ++losses_; }
    std::uint64_t losses() const { return losses_; }

    // The machine objects connected to this controller receive its machine events.
    void attach(const std::shared_ptr<Machine>& machine);
    void detach(const Machine* machine);
    std::vector<std::shared_ptr<Machine>> attachedMachines() const;

    // Program control and operating times of the control.
    ProgramRunner& programs() { return programs_; }
    OperatingTimes& times() { return times_; }
    // The control's drive TNC:\, with the demo programs at first.
    FileTree& files() { return files_; }
    // The sinks advised on any error interface of the control.
    SinkList<dnc::IJHErrorEvents2>& errorSinks() { return errorSinks_; }

private:
    const std::string host_;
    const std::int32_t cncType_;
    const std::int32_t protocol_;
    const Family family_;
    const std::shared_ptr<DataTree> data_;
    std::atomic<std::uint64_t> losses_{0};
    mutable std::mutex mutex_;
    std::vector<std::weak_ptr<Machine>> machines_;
    OperatingTimes times_;
    ProgramRunner programs_{times_, *data_};
    FileTree files_{demoFiles()};
    SinkList<dnc::IJHErrorEvents2> errorSinks_;
};

// A machine object's connection to one controller. Every interface object
// obtained through the connection shares it, so that all of them stop working
// once the machine disconnects.
class ControllerLink {
public:
    ControllerLink(std::shared_ptr<Controller> controller, Faults& faults);

    const std::string& host() const { return controller_->host(); }
    Controller& controller() const { return *controller_; }
    const std::shared_ptr<Controller>& controllerPtr() const { return controller_; }
    Faults& faults() const { return faults_; }

    void close();
    bool open() const;
    // The link was lost since this connection was made (it may be back by now).
    bool interrupted() const { return controller_->losses() != lossesAtStart_; }

    // Start of an operation on the CNC: the injected faults, then kNotConnected
    // after a disconnect and kConnectionLost while the link is lost.
    dnc::HRESULT enter(std::string_view operation) const;
    // Start of an operation that works without the CNC: the injected faults only.
    dnc::HRESULT enterLocal(std::string_view operation) const;

private:
    const std::shared_ptr<Controller> controller_;
    Faults& faults_;
    const std::uint64_t lossesAtStart_;
    mutable std::mutex mutex_;
    bool open_ = true;
};

}  // namespace dncsim
