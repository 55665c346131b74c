#include "dncsim/data_events.h"

#include <chrono>
#include <vector>

#include "dncsim/data_entry.h"
#include "dncsim/data_target.h"

namespace dncsim {

double oleDateNow() {
    // 25569 days lie between the OLE epoch and the Unix epoch.
    const auto seconds = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    return 25569.0 + seconds / 86400.0;
}

DataEvents::DataEvents(std::shared_ptr<ControllerLink> link, EventPump& pump) : link_(std::move(link)), pump_(pump) {}

std::int32_t DataEvents::subscribe(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    subscriptions_[++lastHandle_] = DataTree::canonical(path);
    return lastHandle_;
}

bool DataEvents::unsubscribe(std::int32_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    return subscriptions_.erase(handle) != 0;
}

void DataEvents::changed(const std::string& path) {
    // A DataAccess object of an ended connection hears nothing more.
    if (!link_->open()) return;
    std::map<std::int32_t, std::string> subscriptions;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        subscriptions = subscriptions_;
    }
    const double timeStamp = oleDateNow();
    for (const auto& [handle, root] : subscriptions) {
        // What the subscribed path addresses after the change: a table path
        // may follow its row elsewhere, or be gone.
        DataTarget target;
        if (dnc::failed(resolveTarget(*tree(), link_->controller().family(), root, &target))) continue;
        if (!touches(target, path)) continue;
        auto entry = makeDataEntry(shared_from_this(), tree()->snapshot(snapshotRoot(target)), root);
        auto list = makeDataEntryList(link_, {std::move(entry)});
        const std::int32_t h = handle;
        sinks_.raise(pump_, [h, timeStamp, list](dnc::IJHDataAccessEvents2& sink) { sink.OnData2(h, timeStamp, list); });
    }
}

}  // namespace dncsim
