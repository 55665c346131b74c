#include "agent/sparkplug/payload.h"

#include "sparkplug_b.pb.h"

namespace nolt::sparkplug {

bool payloadsAvailable() { return true; }

std::string encodePayload(const Metrics& metrics, std::optional<std::uint64_t> seq) {
    sparkplug_b::Payload payload;
    const std::uint64_t now = nowMillis();
    payload.set_timestamp(now);
    if (seq) payload.set_seq(*seq);
    for (const auto& metric : metrics) {
        auto* out = payload.add_metrics();
        out->set_name(metric.name);
        out->set_timestamp(now);
        out->set_datatype(static_cast<std::uint32_t>(metric.type));
        if (const auto* flag = std::get_if<bool>(&metric.value)) {
            out->set_boolean_value(*flag);
        } else if (const auto* number = std::get_if<std::uint64_t>(&metric.value)) {
            // Int32 travels in the 32-bit field, the 64-bit types in the long one.
            if (metric.type == DataType::Int32) {
                out->set_int_value(static_cast<std::uint32_t>(*number));
            } else {
                out->set_long_value(*number);
            }
        } else {
            out->set_string_value(std::get<std::string>(metric.value));
        }
    }
    return payload.SerializeAsString();
}

std::optional<Metrics> decodePayload(const std::string& bytes) {
    sparkplug_b::Payload payload;
    if (!payload.ParseFromString(bytes)) return std::nullopt;
    Metrics metrics;
    for (const auto& in : payload.metrics()) {
        Metric metric{in.name(), static_cast<DataType>(in.datatype()), std::string()};
        if (in.has_boolean_value()) {
            metric.value = in.boolean_value();
        } else if (in.has_long_value()) {
            metric.value = in.long_value();
        } else if (in.has_int_value()) {
            metric.value = std::uint64_t{in.int_value()};
        } else if (in.has_string_value()) {
            metric.value = in.string_value();
        }
        metrics.push_back(std::move(metric));
    }
    return metrics;
}

}  // namespace nolt::sparkplug
