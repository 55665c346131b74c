#pragma once
// The values that the entries of one GetDataEntry call hold on the client's
// side: fetched with ReadTreeValues or ReadPropertyValue, changed with
// put_propertyValue and written to the control by WriteTreeValues. The
// entries reached from that entry (children, list items) share it.
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "dnc/variant.h"

namespace dncsim {

class DataBuffer {
public:
    struct Slot {
        std::string path;
        dnc::Variant value;
        bool staged = false;
    };

    // A value as the control has it; replaces what was held for the path.
    void fetched(const std::string& path, dnc::Variant value);
    // A value to be written by the next WriteTreeValues that covers the path.
    void stage(const std::string& path, dnc::Variant value);
    std::optional<dnc::Variant> value(const std::string& path) const;
    // The staged values for which `covered` holds, in the order they were
    // staged; they count as fetched afterwards.
    std::vector<Slot> takeStaged(const std::function<bool(const std::string&)>& covered);

private:
    Slot& slot(const std::string& path);

    mutable std::mutex mutex_;
    std::vector<Slot> slots_;
};

}  // namespace dncsim
