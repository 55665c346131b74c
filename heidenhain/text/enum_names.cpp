#include "heidenhain/text/enum_names.h"

#include "heidenhain/text/std_texts.h"

namespace heidenhain {

// Numbers are the SDK's own values; names are part of the remote interface.

const NumberNameMap& machineStateMap() {
    static const NumberNameMap map{
        {0, "not_initialized"},
        {1, "host_not_available"},
        {2, "host_is_available"},
        {3, "waiting_permission"},
        {4, "dnc_is_available"},
        {5, "machine_is_booted"},
        {6, "machine_is_initializing"},
        {7, "machine_is_available"},
        {8, "machine_is_shutting_down"},
        {9, "dnc_is_stopped"},
        {10, "host_is_stopped"},
        {11, "no_permission"},
    };
    return map;
}

const NumberNameMap& machineEventMap() {
    static const NumberNameMap map{
        {0, "host_not_available"},
        {1, "host_available"},
        {2, "wait_permission"},
        {3, "dnc_available"},
        {4, "machine_booted"},
        {5, "machine_initializing"},
        {6, "machine_available"},
        {7, "machine_shutting_down"},
        {8, "dnc_stopped"},
        {9, "host_stopped"},
        {10, "connection_lost"},
        {11, "permission_denied"},
    };
    return map;
}

const NumberNameMap& programStatusMap() {
    static const NumberNameMap map{
        {0, "idle"},     {1, "running"}, {2, "stopped"},      {3, "interrupted"},
        {4, "finished"}, {5, "error"},   {6, "not_selected"},
    };
    return map;
}

const NumberNameMap& programEventMap() {
    static const NumberNameMap map{
        {0, "started"},     {1, "stopped"},   {2, "finished"}, {3, "canceled"},
        {4, "interrupted"}, {5, "completed"}, {6, "error"},    {7, "error_cleared"},
        {8, "selected"},    {9, "cleared"},
    };
    return map;
}

const NumberNameMap& dncModeMap() {
    static const NumberNameMap map{{0, "mode_local"}, {1, "mode_remote"}};
    return map;
}

const NameNumberMap& execModeMap() {
    static const NameNumberMap map{
        {"manual", 0},    {"mdi", 1},   {"rpf", 2},
        {"singlestep", 3}, {"automatic", 4}, {"other", 5},
        {"simulo_turbo_deprecated", 6}, {"handwheel", 7},
    };
    return map;
}

const NameNumberMap& cncTypeMap() {
    // "millpus" is the name clients send for 2; it is not "millplus".
    static const NameNumberMap map{
        {"itnc", 1},
        {"millpus", 2},
        {"millplusit", 3},
        {"turnplus", 4},
        {"millplusit_nck", 5},
        {"manualplus_nck", 6},
        {"atekm_nck", 7},
        {"tnc320_nck", 8},
        {"grindplus_nck", 9},
        {"tnc6xx_nck", 10},
        {"ar6000_nck", 11},
        {"cncpilot6xx_nck", 12},
        {"tnc128_nck", 13},
        {"grindplus640_nck", 14},
    };
    return map;
}

const NameNumberMap& protocolMap() {
    static const NameNumberMap map{{"lsv2", 1}, {"tcpip", 2}, {"com", 4}, {"rpc", 5}};
    return map;
}

const NameNumberMap& accessModeMap() {
    static const NameNumberMap map{
        {"default", 0},
        {"usr_private", 1},
        {"oem", 2},
        {"sys", 3},
        {"inspect", 4},
        {"diagnostics", 5},
        {"plcdebug", 6},
        {"usr", 7},
        {"monitor", 8},
        {"dsp", 9},
        {"dnc", 10},
        {"scope", 11},
        {"all", 12},
        {"ipodataaccess", 15},
        {"oem_encrypted", 16},
        {"none", 17},
        {"testutility", 18},
        {"sendkey", 19},
        {"axespositionstreaming", 20},
        {"splcdataaccess", 21},
        {"hwsdataaccess", 22},
        {"tabledataaccess", 23},
        {"plcdataaccess", 24},
        {"geodataaccess", 25},
        {"cfgdataaccess", 26},
    };
    return map;
}

const std::unordered_map<std::string, ControllerType>& controllerTypeMap() {
    static const std::unordered_map<std::string, ControllerType> map{
        {"itnc530", {cncTypeMap().at("itnc"), protocolMap().at("tcpip")}},
        {"tnc426", {cncTypeMap().at("itnc"), protocolMap().at("tcpip")}},
        {"tnc640", {cncTypeMap().at("tnc6xx_nck"), protocolMap().at("rpc")}},
    };
    return map;
}

std::string nameOf(const NumberNameMap& map, int number) {
    const auto it = map.find(number);
    return it == map.end() ? std::string() : it->second;
}

int numberOf(const NameNumberMap& map, const std::string& name) {
    const auto it = map.find(name);
    return it == map.end() ? 0 : it->second;
}

int accessModeNumber(const std::string& name) {
    const auto& map = accessModeMap();
    const auto it = map.find(name);
    if (it == map.end()) throwInvalidMapKey();
    return it->second;
}

}  // namespace heidenhain
