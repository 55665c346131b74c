#include "heidenhain/tables/controller_family.h"

#include <stdexcept>

#include "heidenhain/cnc/session_data.h"
#include "heidenhain/tables/data_tree_family.h"
#include "heidenhain/tables/table_interface_family.h"
#include "heidenhain/tables/table_paths.h"

namespace heidenhain {

std::shared_ptr<ControllerFamily> ControllerFamily::forType(SessionContext& context, SessionData& data,
                                                            SessionFiles& files, const std::string& controllerType) {
    if (controllerType == "itnc" || controllerType == "itnc530")
        return std::make_shared<TableInterfaceFamily>(context, data, files);
    if (controllerType == "tnc426") return std::make_shared<Tnc426Family>(context, data, files);
    return std::make_shared<DataTreeFamily>(context, data);
}

bool ControllerFamily::dataPathExists(const std::string& dataPath) {
    dnc::HRESULT hr = hasDataEntry2() ? data_.probeDataEntry(dataPath, true) : dnc::kNotImplemented;
    if (hr == dnc::kNotImplemented) hr = data_.probeDataEntry(dataPath, false);
    return !SessionData::meansNoEntry(hr);
}

std::string ControllerFamily::toolCell(const std::string& toolId, const std::string& column) {
    const std::string cellPath = toolCellPath(toolId, column);
    if (data_.dataPathExists(cellPath)) return data_.getValue(cellPath);
    if (data_.dataPathExists(toolRowPath(toolId))) {
        throw std::invalid_argument("Invalid argument: Field name " + column +
                                    " does not exist in tool table (with tool id " + toolId + ")");
    }
    throw std::invalid_argument("Invalid argument: Tool id " + toolId + " does not exist in tool table");
}

std::unique_lock<TimedMutex> ControllerFamily::allocating(const char* function) {
    return context_.guard.lock(allocationMutex_, function, SDK_CALL_SITE);
}

}  // namespace heidenhain
