#pragma once
// The subscriptions of one DataAccess object and the sinks that hear of them:
// a write below a subscribed entry raises OnData2 with a snapshot of that
// entry on the event thread.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "dnc/events.h"
#include "dncsim/controller.h"
#include "dncsim/data_tree.h"
#include "dncsim/event_pump.h"
#include "dncsim/sink_list.h"

namespace dncsim {

class DataEvents final : public DataTree::Listener, public std::enable_shared_from_this<DataEvents> {
public:
    DataEvents(std::shared_ptr<ControllerLink> link, EventPump& pump);

    const std::shared_ptr<ControllerLink>& link() const { return link_; }
    const std::shared_ptr<DataTree>& tree() const { return link_->controller().data(); }
    SinkList<dnc::IJHDataAccessEvents2>& sinks() { return sinks_; }

    // Handles count from 1 for each DataAccess object.
    std::int32_t subscribe(const std::string& path);
    bool unsubscribe(std::int32_t handle);

    void changed(const std::string& path) override;

private:
    const std::shared_ptr<ControllerLink> link_;
    EventPump& pump_;
    SinkList<dnc::IJHDataAccessEvents2> sinks_;
    std::mutex mutex_;
    std::int32_t lastHandle_ = 0;
    std::map<std::int32_t, std::string> subscriptions_;
};

// OLE date of the current time: days since 30 December 1899.
double oleDateNow();

}  // namespace dncsim
