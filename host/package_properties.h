#pragma once
// The service's command line as the Windows package installs it: from the
// package's properties (BROKER, DOMAIN, AGENT, USER, PASSWORD) with the
// install switch's defaults, or from the command line of the service that is
// installed already, whose other switches are kept.
#include <functional>
#include <optional>
#include <string>

namespace heidenhain {

// The properties as given; an empty one was not given.
struct PackageProperties {
    std::string broker, domain, agent, user, password;
};

// The service's arguments (everything after the program), or why the
// properties cannot make a command line the agent runs with.
struct ServiceArguments {
    std::string arguments;
    std::string error;
};

// installedCommandLine: the whole command line of the installed service,
// program first. hostName and newPassword give the defaults of a new
// install, as the install switch does.
ServiceArguments packageServiceArguments(const PackageProperties& given,
                                         const std::optional<std::string>& installedCommandLine,
                                         const std::string& hostName,
                                         const std::function<std::string()>& newPassword);

}  // namespace heidenhain
