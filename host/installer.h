#pragma once
// Installation and removal of the Windows service "Orvane Heidenhain Agent"
// through the service control tool. Command results are not examined: every
// step runs, whatever the one before did.
#include <string>

namespace heidenhain {

// The service control tool as the commands name it. Windows: sc.exe of the
// system folder by its full, quoted path, so that no sc.exe in the program's
// folder or on PATH is run in its place. Elsewhere: "sc.exe".
std::string serviceControlTool();

// The tool's arguments for each fixed step.
inline constexpr const char* kStopServiceArguments = "stop \"Orvane Heidenhain Agent\"";
inline constexpr const char* kDeleteServiceArguments = "delete \"Orvane Heidenhain Agent\"";
inline constexpr const char* kFailureActionsArguments =
    "failure \"Orvane Heidenhain Agent\" actions= restart/2000/restart/2000/restart/2000 reset= 86400";
inline constexpr const char* kDescriptionArguments =
    "description \"Orvane Heidenhain Agent\" \"Connecting Heidenhain controlled CNC machines to Orvane Linkwerk\"";
inline constexpr const char* kStartServiceArguments = "start \"Orvane Heidenhain Agent\"";

// The domain of an installed service.
inline constexpr const char* kServiceDomain = "edge.orvane";

// The agent and user name of an installed service on this host.
std::string defaultAgentName(const std::string& hostName);

// Where the program's own token of a command line ends, by the rule Windows
// applies to its first word: a quoted path ends at its closing quote, any
// other at the first blank.
std::string::size_type endOfProgramToken(const std::string& commandLine);

// A host name means the plant's TLS broker on its standard port; a whole URI
// (a build without TLS needs tcp://) is taken as it is.
std::string brokerUri(const std::string& broker);

// The switches that an installed service runs with, after its program.
std::string serviceOptions(const std::string& domain, const std::string& agentName, const std::string& userName,
                           const std::string& password, const std::string& broker);

// The complete command of a fixed step.
std::string serviceCommand(const char* arguments);

// The create command. programPrefix is what the service runs ahead of its
// options: the program's quoted path (and whatever the installing command
// line had before its service switch), every double quote already escaped.
std::string createServiceCommand(const std::string& programPrefix, const std::string& agentName,
                                 const std::string& userName, const std::string& password,
                                 const std::string& brokerHost);

// The program prefix for the create command: the program's own absolute path
// in escaped double quotes, followed by the installing command line's
// arguments ahead of its service switch (servicePosition), escaped the same
// way. The path replaces the program as typed (relative, unquoted, or cut to
// 8 bits per character in the narrow command line).
std::string installerPrefix(const std::string& modulePath, const std::string& narrowCommandLine,
                            std::string::size_type servicePosition);

// Creates, configures and starts the service; it connects to brokerHost over
// TLS under a name and user derived from this host and a fresh password.
void installService(const std::string& programPrefix, const std::string& brokerHost);

// Stops and deletes the service.
void uninstallService();

}  // namespace heidenhain
