#pragma once
// What a data entry and the objects it hands out share: the tree and path it
// names, the name it answers, and the buffer of its GetDataEntry call.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "dnc/data_access.h"
#include "dncsim/data_buffer.h"
#include "dncsim/data_events.h"
#include "dncsim/data_target.h"

namespace dncsim {

struct DataPlace {
    std::shared_ptr<DataEvents> events;
    std::shared_ptr<DataTree> tree;
    std::string path;
    // A column's child is named by its cell, not by where it is stored.
    std::optional<std::string> name;
    std::shared_ptr<DataBuffer> buffer;

    dnc::HRESULT enter(std::string_view operation) const { return events->link()->enter(operation); }
    dnc::HRESULT resolve(DataTarget* target) const {
        return resolveTarget(*tree, events->link()->controller().family(), path, target);
    }
    // Another entry of the same call (a child or list item).
    DataPlace at(std::string childPath, std::optional<std::string> childName = std::nullopt) const {
        return {events, tree, std::move(childPath), std::move(childName), buffer};
    }
};

// An entry of the place; it answers for the same tree and buffer.
std::shared_ptr<dnc::IJHDataEntry> makeDataEntry(DataPlace place);
std::shared_ptr<dnc::IJHDataEntryPropertyList> makePropertyList(DataPlace place);

}  // namespace dncsim
