#include "heidenhain/controller_family.h"

#include "heidenhain/controller_kind.h"
#include "heidenhain/data_tree_family.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/table_interface_family.h"

namespace heidenhain {

std::shared_ptr<ControllerFamily> ControllerFamily::forType(DncShim& session, const std::string& controllerType) {
    if (usesItncTable(controllerType)) return std::make_shared<TableInterfaceFamily>(session, !isItnc(controllerType));
    return std::make_shared<DataTreeFamily>(session);
}

bool ControllerFamily::dataPathExists(const std::string& dataPath) {
    dnc::HRESULT hr = hasDataEntry2() ? session_.probeDataEntry(dataPath, true) : dnc::kNotImplemented;
    if (hr == dnc::kNotImplemented) hr = session_.probeDataEntry(dataPath, false);
    return !DncShim::meansNoEntry(hr);
}

std::unique_lock<TimedMutex> ControllerFamily::allocating(const char* function) {
    return session_.guard_.lock(allocationMutex_, function, SDK_CALL_SITE);
}

}  // namespace heidenhain
