// Every name of the component that the adapter uses, in one place: a first
// run against another version of the component is checked against this list.
#include "dnccom/component.h"

namespace dnccom {

const std::vector<RequiredInterface>& requiredInterfaces() {
    static const std::vector<RequiredInterface> list{
        {"IJHMachine",
         {{"ListConnections", "o"}, {"Connect", "i"}, {"Disconnect", ""}, {"GetState", "o"},
          {"GetVersionComInterface", "o"}, {"GetInterface", "io"}}},
        {"IJHConnectionList",
         {{"get_Count", "o"}, {"get_Item", "io"}, {"NewConnection", "iio"}, {"AddConnection", "i"},
          {"RemoveConnection", "i"}}},
        {"IJHConnection",
         {{"get_name", "o"}, {"put_name", "i"}, {"get_cncType", "o"}, {"get_protocol", "o"},
          {"get_ConnectionProperty", "io"}}},
        {"IJHConnectionProperty", {{"get_value", "o"}, {"put_value", "i"}}},
        {"IJHAutomatic",
         {{"SelectProgram", "iii"}, {"StartProgram", "ii"}, {"StopProgram", "ii"}, {"CancelProgram", "i"},
          {"SetExecutionMode", "i"}, {"GetProgramStatus", "o"}, {"GetDncMode", "o"}, {"GetExecutionPoint", "oo"},
          {"ClearControl", ""}, {"GetOverrideInfo", "ooo"}, {"SetOverrideFeed", "i"}, {"SetOverrideSpeed", "i"},
          {"SetOverrideRapid", "i"}}},
        {"IJHToolId", {{"get_toolId", "o"}, {"get_spareToolId", "o"}, {"get_toolIndex", "o"}}},
        {"IJHProcessData",
         {{"GetNcUpTime", "oo"}, {"GetMachineUpTime", "oo"}, {"GetMachineRunningTime", "oo"},
          {"GetSpindleRunningTime", "ioo"}}},
        {"IJHDataAccess", {{"SetAccessMode", "ii"}, {"GetDataEntry", "io"}, {"GetDataEntry2", "iiio"}}},
        {"IJHDataEntry",
         {{"get_bstrName", "o"}, {"get_propertyList", "o"}, {"GetPropertyValue", "io"}, {"SetPropertyValue", "iii"},
          {"ReadPropertyValue", "i"}, {"get_propertyValue", "io"}, {"put_propertyValue", "ii"},
          {"ReadTreeValues", "i"}, {"WriteTreeValues", "i"}, {"GetChildList", "o"}, {"get_childList", "o"},
          {"get_childList2", "o"}, {"get_child", "io"}, {"add_child", "io"}, {"Subscribe2", "o"},
          {"Unsubscribe", "i"}}},
        {"IJHDataEntryList", {{"get_Count", "o"}, {"get_Item", "io"}}},
        {"IJHDataEntryPropertyList", {{"get_property", "io"}}},
        {"IJHDataEntryProperty", {{"get_varValue", "o"}, {"put_varValue", "i"}, {"get_readOnly", "o"}}},
        {"IJHItncTable",
         {{"GetTableInfo", "ioo"}, {"ReceiveTableLines", "iio"}, {"TransmitTablePart", "ii"},
          {"DeleteRecord", "ii"}}},
        {"IJHFileSystem",
         {{"TransmitFile", "ii"}, {"ReceiveFile", "ii"}, {"ReadDirectory", "iiio"}, {"MakeDirectory", "i"},
          {"DeleteDirectory", "i"}, {"DeleteFile", "i"}, {"CopyFile", "ii"}}},
        {"IJHFileAttributes", {{"HasAttribute", "io"}, {"SetAttribute", "ii"}}},
        {"IJHDirectoryEntryList", {{"get_Count", "o"}, {"get_Item", "io"}}},
        {"IJHDirectoryEntry", {{"get_name", "o"}, {"get_attributes", "o"}}},
        {"IJHErrorEntry", {{"get_text", "o"}, {"get_group", "o"}, {"get_class", "o"}, {"get_number", "o"}}},
        {"IJHError", {}},
    };
    return list;
}

const std::vector<RequiredEvents>& requiredEvents() {
    static const std::vector<RequiredEvents> list{
        {"_IJHMachineEvents2", {"OnStateChanged"}},
        {"_IJHAutomaticEvents3",
         {"OnProgramStatusChanged", "OnDncModeChanged", "OnExecutionMessage", "OnProgramChanged", "OnToolChanged"}},
        {"_IJHDataAccessEvents2", {"OnData2"}},
        {"_IJHErrorEvents2", {"OnError2", "OnErrorCleared2"}},
    };
    return list;
}

const std::vector<const char*>& requiredConstants() {
    static const std::vector<const char*> list{
        "DNC_INTERFACE_JHAUTOMATIC", "DNC_INTERFACE_JHDATAACCESS", "DNC_INTERFACE_JHERROR",
        "DNC_INTERFACE_JHFILESYSTEM", "DNC_INTERFACE_JHPROCESSDATA", "DNC_INTERFACE_TNCTABLE",
        "DNC_CP_HOST", "DNC_DATAENTRY_PROPKIND_DATA", "DNC_DATAENTRY_PROPKIND_INITIALVALUE",
        "DNC_DATA_UNIT_SELECT_NATIVE", "DNC_DATA_UNIT_SELECT_METRIC", "DNC_DATA_UNIT_SELECT_INCH",
        "DNC_ATTRIBUTE_READONLY", "DNC_ATTRIBUTE_HIDDEN", "DNC_ATTRIBUTE_DIRECTORY",
    };
    return list;
}

}  // namespace dnccom
