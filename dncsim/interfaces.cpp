#include "dncsim/interfaces.h"

#include "dncsim/automatic.h"
#include "dncsim/data_access.h"
#include "dncsim/error.h"
#include "dncsim/file_system.h"
#include "dncsim/process_data.h"
#include "dncsim/table.h"

namespace dncsim {

dnc::HRESULT interfaceOffered(const Controller& controller, dnc::DNC_INTERFACE_OBJECT kind) {
    if (kind == dnc::DNC_INTERFACE_TNCTABLE && controller.family() != Family::TableInterface) {
        return dnc::kNoInterface;
    }
    return dnc::kOk;
}

std::shared_ptr<dnc::Object> makeInterface(dnc::DNC_INTERFACE_OBJECT kind, std::shared_ptr<ControllerLink> link,
                                           EventPump& pump) {
    switch (kind) {
        case dnc::DNC_INTERFACE_JHAUTOMATIC:
            return std::make_shared<Automatic>(std::move(link), pump);
        case dnc::DNC_INTERFACE_JHDATAACCESS:
            return std::make_shared<DataAccess>(std::move(link), pump);
        case dnc::DNC_INTERFACE_JHERROR:
            return std::make_shared<Error>(std::move(link), pump);
        case dnc::DNC_INTERFACE_JHFILESYSTEM:
            return std::make_shared<FileSystem>(std::move(link), pump);
        case dnc::DNC_INTERFACE_JHPROCESSDATA:
            return std::make_shared<ProcessData>(std::move(link), pump);
        case dnc::DNC_INTERFACE_TNCTABLE:
            return std::make_shared<ItncTable>(std::move(link), pump);
    }
    return nullptr;
}

}  // namespace dncsim
