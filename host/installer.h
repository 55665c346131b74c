#pragma once
// Installation and removal of the Windows service "Orvane Heidenhain Agent"
// through the service control tool. Command results are not examined: every
// step runs, whatever the one before did.
#include <string>

namespace heidenhain {

inline constexpr const char* kStopServiceCommand = "sc.exe stop \"Orvane Heidenhain Agent\"";
inline constexpr const char* kDeleteServiceCommand = "sc.exe delete \"Orvane Heidenhain Agent\"";
inline constexpr const char* kFailureActionsCommand =
    "sc.exe failure \"Orvane Heidenhain Agent\" actions= "
    "restart/2000/restart/2000/restart/2000 reset= 86400";
inline constexpr const char* kDescriptionCommand =
    "sc.exe description \"Orvane Heidenhain Agent\" "
    "\"Connecting Heidenhain controlled CNC machines to Orvane Linkwerk\"";
inline constexpr const char* kStartServiceCommand = "sc.exe start \"Orvane Heidenhain Agent\"";

// The create command. programPrefix is the program's own command line up to
// its service switch, with every double quote already escaped.
std::string createServiceCommand(const std::string& programPrefix, const std::string& agentName,
                                 const std::string& userName, const std::string& password,
                                 const std::string& brokerHost);

// Creates, configures and starts the service; it connects to brokerHost over
// TLS under a name and user derived from this host and a fresh password.
void installService(const std::string& programPrefix, const std::string& brokerHost);

// Stops and deletes the service.
void uninstallService();

}  // namespace heidenhain
