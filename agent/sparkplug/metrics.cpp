#include "agent/sparkplug/metrics.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace nolt::sparkplug {
namespace {

std::string text(const nlohmann::json& status, const char* key) {
    auto it = status.find(key);
    return it != status.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

Metrics deviceMetrics(const nlohmann::json& status) {
    const auto dropped = status.find("eventsDropped");
    const auto connected = status.find("connected");
    return {
        {"Connected", DataType::Boolean,
         connected != status.end() && connected->is_boolean() && connected->get<bool>()},
        {"State", DataType::String, text(status, "state")},
        {"Program Status", DataType::String, text(status, "programStatus")},
        {"Controller Type", DataType::String, text(status, "controllerType")},
        {"Host", DataType::String, text(status, "host")},
        {"NC Version", DataType::String, text(status, "ncVersion")},
        {"Session", DataType::String, text(status, "session")},
        {"Last Change", DataType::DateTime, epochMillis(text(status, "since"))},
        {"Events Dropped", DataType::UInt64,
         std::uint64_t{dropped != status.end() && dropped->is_number_integer() && *dropped >= 0
                           ? dropped->get<std::uint64_t>()
                           : 0}},
    };
}

Metrics changedMetrics(const Metrics& before, const Metrics& now) {
    Metrics changed;
    for (const auto& metric : now) {
        auto old = std::find_if(before.begin(), before.end(), [&](const Metric& m) { return m.name == metric.name; });
        if (old == before.end() || !(*old == metric)) changed.push_back(metric);
    }
    return changed;
}

std::string cleanId(const std::string& id) {
    std::string clean = id;
    std::replace_if(
        clean.begin(), clean.end(), [](char c) { return c == '/' || c == '+' || c == '#'; }, '_');
    return clean;
}

std::string topic(const std::string& group, const std::string& type, const std::string& node,
                  const std::string& device) {
    std::string result = std::string(kNamespace) + "/" + group + "/" + type + "/" + node;
    if (!device.empty()) result += "/" + device;
    return result;
}

std::uint64_t epochMillis(const std::string& timestamp) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millis = 0;
    if (std::sscanf(timestamp.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3dZ", &year, &month, &day, &hour, &minute, &second,
                    &millis) != 7) {
        return 0;
    }
    using namespace std::chrono;
    const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                              std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) return 0;
    const auto at = sys_days{date} + hours{hour} + minutes{minute} + seconds{second} + milliseconds{millis};
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(at.time_since_epoch()).count());
}

std::uint64_t nowMillis() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

}  // namespace nolt::sparkplug
