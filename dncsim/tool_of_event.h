#pragma once
// The tool-id objects of a simulated tool change event.
#include <cstdint>

#include "dnc/automatic.h"

namespace dncsim {

// No spare tool (-1), index 0.
class ToolOfEvent final : public dnc::IJHToolId {
public:
    explicit ToolOfEvent(std::int32_t id) : id_(id) {}
    dnc::HRESULT get_toolId(std::int32_t* value) override { return *value = id_, dnc::kOk; }
    dnc::HRESULT get_spareToolId(std::int32_t* value) override { return *value = -1, dnc::kOk; }
    dnc::HRESULT get_toolIndex(std::int32_t* value) override { return *value = 0, dnc::kOk; }

private:
    std::int32_t id_;
};

}  // namespace dncsim
