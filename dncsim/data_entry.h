#pragma once
// Data entries of the simulated DataAccess tree. An entry names a path of a
// tree: the control's own (reads and writes reach the control) or the
// snapshot that a data event hands out.
#include <memory>
#include <string>
#include <vector>

#include "dnc/data_access.h"
#include "dncsim/data_events.h"

namespace dncsim {

// An entry of a GetDataEntry call: it starts a buffer of its own.
std::shared_ptr<dnc::IJHDataEntry> makeDataEntry(std::shared_ptr<DataEvents> events, std::shared_ptr<DataTree> tree,
                                                 std::string path);
std::shared_ptr<dnc::IJHDataEntryList> makeDataEntryList(std::shared_ptr<ControllerLink> link,
                                                         std::vector<std::shared_ptr<dnc::IJHDataEntry>> entries);

}  // namespace dncsim
