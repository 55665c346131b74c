// Every name of the component that the adapter uses, in one place: a first
// run against another version of the component is checked against this list.
#include "dnccom/component_names.h"

namespace dnccom {

const std::vector<RequiredInterface>& requiredInterfaces() {
    using L = Lookup;
    static const std::vector<RequiredInterface> list{
        {"IJHMachine", {}, "every function",
         {{"ListConnections", "o"}, {"Connect", "i"}, {"Disconnect", ""}, {"GetState", "o"},
          {"GetVersionComInterface", "o"}, {"GetInterface", "io"}}},
        {"IJHConnectionList", {"IJHMachine", "ListConnections"}, "connect",
         {{"get_Count", "o"}, {"get_Item", "io"}, {"NewConnection", "iio"}, {"AddConnection", "i"},
          {"RemoveConnection", "i"}}},
        {"IJHConnection", {"IJHConnectionList", "get_Item"}, "connect",
         {{"get_name", "o"}, {"put_name", "i"}, {"get_cncType", "o"}, {"get_protocol", "o"},
          {"get_ConnectionProperty", "io"}}},
        {"IJHConnectionProperty", {"IJHConnection", "get_ConnectionProperty"}, "connect",
         {{"get_value", "o"}, {"put_value", "i"}}},
        {"IJHAutomatic", {}, "program control, overrides and their events",
         {{"SelectProgram", "iii"}, {"StartProgram", "ii"}, {"StopProgram", "ii"}, {"CancelProgram", "i"},
          {"SetExecutionMode", "i"}, {"GetProgramStatus", "o"}, {"GetDncMode", "o"}, {"GetExecutionPoint", "oo"},
          {"ClearControl", ""}, {"GetOverrideInfo", "ooo"}, {"SetOverrideFeed", "i"}, {"SetOverrideSpeed", "i"},
          {"SetOverrideRapid", "i"}}},
        {"IJHToolId", {"_IJHAutomaticEvents3", "OnToolChanged", 1}, "onToolChanged",
         {{"get_toolId", "o", L::position, 0}, {"get_spareToolId", "o", L::position, 1},
          {"get_toolIndex", "o", L::position, 2}}},
        {"IJHProcessData", {}, "running times and getMachineState",
         {{"GetNcUpTime", "oo"}, {"GetMachineUpTime", "oo"}, {"GetMachineRunningTime", "oo"},
          {"GetSpindleRunningTime", "ioo"}}},
        {"IJHDataAccess", {}, "data values, subscriptions and the tables of newer controls",
         {{"SetAccessMode", "ii"}, {"GetDataEntry", "io"}, {"GetDataEntry2", "iiio"}}},
        {"IJHDataEntry", {"IJHDataAccess", "GetDataEntry"}, "data values and the tables of newer controls",
         {{"get_bstrName", "o"}, {"get_propertyList", "o"}, {"GetPropertyValue", "io"}, {"SetPropertyValue", "iii"},
          {"ReadPropertyValue", "i", L::shape, 0, "clearToolTableRow on newer controls"}, {"get_propertyValue", "io"}, {"put_propertyValue", "ii"},
          {"ReadTreeValues", "i"}, {"WriteTreeValues", "i"}, {"GetChildList", "o"}, {"get_childList", "o"},
          {"get_childList2", "o"}, {"get_child", "io"}, {"add_child", "io"}, {"Subscribe2", "o"},
          {"Unsubscribe", "i", L::shape, 0, "unsubscribe"}}},
        {"IJHDataEntryList", {"IJHDataEntry", "GetChildList"}, "data values, onData and the tables of newer controls",
         {{"get_Count", "o"}, {"get_Item", "io"}}},
        {"IJHDataEntryPropertyList", {"IJHDataEntry", "get_propertyList"}, "data values",
         {{"get_property", "io"}}},
        {"IJHDataEntryProperty", {"IJHDataEntryPropertyList", "get_property"}, "data values",
         {{"get_varValue", "o"}, {"put_varValue", "i"}, {"get_readOnly", "o", L::shape, 0, "writing data values on older controls"}}},
        {"IJHItncTable", {}, "the tables of older controls",
         {{"GetTableInfo", "ioo"}, {"ReceiveTableLines", "iio"}, {"TransmitTablePart", "ii"},
          {"DeleteRecord", "ii"}}},
        {"IJHFileSystem", {}, "file transfer and directories",
         {{"TransmitFile", "ii"}, {"ReceiveFile", "ii"}, {"ReadDirectory", "iiio"}, {"MakeDirectory", "i"},
          {"DeleteDirectory", "i"}, {"DeleteFile", "i"}, {"CopyFile", "ii", L::name, 0, "copyFile"}}},
        {"IJHDirectoryEntryList", {"IJHFileSystem", "ReadDirectory"}, "readDirectory and deleteDirectoryTree",
         {{"get_Count", "o"}, {"get_Item", "io"}}},
        {"IJHDirectoryEntry", {"IJHDirectoryEntryList", "get_Item"}, "readDirectory and deleteDirectoryTree",
         {{"get_name", "o"}, {"get_attributes", "o"}}},
        {"IJHFileAttributes", {"IJHDirectoryEntry", "get_attributes"}, "readDirectory and deleteDirectoryTree",
         {{"HasAttribute", "io", L::shape}, {"SetAttribute", "ii", L::shape}}},
        {"IJHErrorEntry", {"_IJHErrorEvents2", "OnError2", 0}, "the error log entries",
         {{"get_text", "o", L::position, 0}, {"get_group", "o", L::position, 1}, {"get_class", "o", L::position, 2},
          {"get_number", "o", L::position, 3}}},
        {"IJHError", {}, "the error log entries", {}},
    };
    return list;
}

const std::vector<RequiredEvents>& requiredEvents() {
    using L = Lookup;
    static const std::vector<RequiredEvents> list{
        {"_IJHMachineEvents2", "onStateChanged and onConnectLost", {{"OnStateChanged", "", L::position, 0}}},
        {"_IJHAutomaticEvents3", "the program, tool and DNC mode events",
         {{"OnProgramStatusChanged", ""}, {"OnDncModeChanged", ""}, {"OnExecutionMessage", ""},
          {"OnProgramChanged", ""}, {"OnToolChanged", ""}}},
        {"_IJHDataAccessEvents2", "subscriptions", {{"OnData2", ""}}},
        {"_IJHErrorEvents2", "the error log entries", {{"OnError2", ""}, {"OnErrorCleared2", ""}}},
    };
    return list;
}

const std::vector<RequiredConstant>& requiredConstants() {
    static const std::vector<RequiredConstant> list{
        {"DNC_INTERFACE_JHAUTOMATIC"}, {"DNC_INTERFACE_JHDATAACCESS"}, {"DNC_INTERFACE_JHERROR"},
        {"DNC_INTERFACE_JHFILESYSTEM"}, {"DNC_INTERFACE_JHPROCESSDATA"}, {"DNC_INTERFACE_TNCTABLE"},
        {"DNC_CP_HOST"}, {"DNC_DATAENTRY_PROPKIND_DATA"},
        {"DNC_DATAENTRY_PROPKIND_INITIALVALUE", "INITIALVALUE", "DNC_DATAENTRY_PROPKIND_DATA"},
        {"DNC_DATA_UNIT_SELECT_METRIC"},
        {"DNC_DATA_UNIT_SELECT_NATIVE", "NATIVE", "DNC_DATA_UNIT_SELECT_METRIC"},
        {"DNC_DATA_UNIT_SELECT_INCH", "INCH", "DNC_DATA_UNIT_SELECT_METRIC"},
        {"DNC_ATTRIBUTE_READONLY", "READONLY"}, {"DNC_ATTRIBUTE_HIDDEN", "HIDDEN"},
        {"DNC_ATTRIBUTE_DIRECTORY", "DIRECTORY"},
    };
    return list;
}

}  // namespace dnccom
