#pragma once
// Shared ground of the DataAccess tests: connected DataAccess objects by host,
// entries by path, their values, names and list items, and a data event sink.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dnc/data_access.h"
#include "sim_fixture.h"

namespace dncsim::test {

using namespace dnc;

struct DataEvent {
    std::int32_t handle;
    std::shared_ptr<IJHDataEntryList> list;
    std::thread::id thread;
};

class RecordingDataSink : public IJHDataAccessEvents2 {
public:
    HRESULT OnData2(std::int32_t handle, double, std::shared_ptr<IJHDataEntryList> list) override {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back({handle, std::move(list), std::this_thread::get_id()});
        return kOk;
    }
    std::vector<DataEvent> events() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<DataEvent> events_;
};

class DataAccessTest : public SimulatorTest {
protected:
    void TearDown() override {
        // A recorded list holds the DataAccess object, which holds the advised
        // sink that holds the list: the cycle is broken here.
        for (const auto& sink : sinks_) sink->clear();
        SimulatorTest::TearDown();
    }
    std::shared_ptr<RecordingDataSink> recordingSink() {
        sinks_.push_back(std::make_shared<RecordingDataSink>());
        return sinks_.back();
    }
    std::shared_ptr<IJHDataAccess> dataAccess(const std::string& host, std::int32_t cncType = DNC_CNC_TYPE_TNC6XX_NCK) {
        machines_.push_back(connectedMachine(host, cncType));
        std::shared_ptr<Object> object;
        EXPECT_EQ(machines_.back()->GetInterface(DNC_INTERFACE_JHDATAACCESS, &object), kOk);
        std::shared_ptr<IJHDataAccess> typed;
        EXPECT_EQ(object->QueryInterface(&typed), kOk);
        return typed;
    }
    static std::shared_ptr<IJHDataEntry> entry(IJHDataAccess& access, const std::string& path) {
        std::shared_ptr<IJHDataEntry> found;
        EXPECT_EQ(access.GetDataEntry2(path, DNC_DATA_UNIT_SELECT_METRIC, VARIANT_TRUE, &found), kOk) << path;
        return found;
    }
    static Variant value(IJHDataEntry& entry) {
        Variant v;
        EXPECT_EQ(entry.GetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, &v), kOk);
        return v;
    }
    static std::shared_ptr<IJHDataEntryProperty> property(IJHDataEntry& entry) {
        std::shared_ptr<IJHDataEntryPropertyList> list;
        std::shared_ptr<IJHDataEntryProperty> found;
        EXPECT_EQ(entry.get_propertyList(&list), kOk);
        EXPECT_EQ(list->get_property(DNC_DATAENTRY_PROPKIND_DATA, &found), kOk);
        return found;
    }
    static std::vector<std::string> names(const std::shared_ptr<IJHDataEntryList>& list) {
        std::int32_t count = 0;
        EXPECT_EQ(list->get_Count(&count), kOk);
        std::vector<std::string> result;
        for (std::int32_t i = 0; i < count; ++i) {
            std::shared_ptr<IJHDataEntry> item;
            EXPECT_EQ(list->get_Item(i, &item), kOk);
            std::string name;
            EXPECT_EQ(item->get_bstrName(&name), kOk);
            result.push_back(name);
        }
        return result;
    }
    static std::shared_ptr<IJHDataEntry> item(const std::shared_ptr<IJHDataEntryList>& list, std::int32_t index) {
        std::shared_ptr<IJHDataEntry> found;
        EXPECT_EQ(list->get_Item(index, &found), kOk);
        return found;
    }

    std::vector<std::shared_ptr<IJHMachine>> machines_;
    std::vector<std::shared_ptr<RecordingDataSink>> sinks_;
};

}  // namespace dncsim::test
