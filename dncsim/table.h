#pragma once
// The simulated table interface of the older controls.
#include "dnc/table.h"
#include "dncsim/bound_object.h"

namespace dncsim {

class ItncTable final : public dnc::IJHItncTable, private BoundObject {
public:
    ItncTable(std::shared_ptr<ControllerLink> link, EventPump& pump) : BoundObject(std::move(link), pump) {}

    dnc::HRESULT GetTableInfo(const std::string&, std::vector<std::string>*, std::vector<std::int32_t>*) override {
        return notYet("GetTableInfo");
    }
    dnc::HRESULT ReceiveTableLines(const std::string&, const std::string&, std::vector<std::string>*) override {
        return notYet("ReceiveTableLines");
    }
    dnc::HRESULT TransmitTablePart(const std::string&, const std::string&) override {
        return notYet("TransmitTablePart");
    }
    dnc::HRESULT DeleteRecord(const std::string&, const std::string&) override { return notYet("DeleteRecord"); }
};

}  // namespace dncsim
