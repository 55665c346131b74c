#include "client/client.h"

#include <ostream>
#include <thread>

#include "client/broker_link.h"
#include "client/client_error.h"
#include "client/command_line.h"
#include "client/listings.h"
#include "client/remote_call.h"
#include "client/watch.h"
#include "platform/stop_signal.h"

namespace nolt::client {
namespace {

constexpr const char* kUsage = R"(Usage: heidenhain-client [OPTIONS] COMMAND [WORDS...]

Commands:
  agents                       every agent on the broker (-d DOMAIN: of one domain)
  classes AGENT                the classes that the agent offers
  functions AGENT CLASS        their functions with the JSON types of their arguments
  machines AGENT               every machine of the agent: instance, host, controller,
                               state, program status, time of the last change
  call AGENT CLASS INSTANCE FUNCTION [ARG...]
                               calls a function (INSTANCE __static__ for the factory
                               functions); an ARG that is JSON is that value (5, true,
                               "5", {"NAME":"X"}), any other word is a text; where
                               only one overload takes them, bare numbers, true,
                               false and null stand for their texts
  watch AGENT [INSTANCE]       prints every event of the machine (or of every machine)
                               until Ctrl-C

AGENT is DOMAIN/AGENT as "agents" lists it, or AGENT alone (with -d DOMAIN).

Options:
  --json            machine-readable output
  --timeout SECONDS how long to wait for the broker and for replies (10)
  --                ends the options (for arguments that begin with "-")
  -b URI -u USER -P PASSWORD -t TOKEN, and the agent's TLS switches: as for the agent
)";

int runCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out, std::ostream& err) {
    if (line.command == "agents") {
        listAgentsCommand(link, line, out);
    } else if (line.command == "classes") {
        listClassesCommand(link, line, out);
    } else if (line.command == "functions") {
        listFunctionsCommand(link, line, out);
    } else if (line.command == "machines") {
        listMachinesCommand(link, line, out, err);
    } else if (line.command == "call") {
        return callCommand(link, line, out, err);
    } else if (line.command == "watch") {
        // Ctrl-C ends the watch; the client then announces itself offline.
        std::thread([&link] {
            platform::waitForStopSignal();
            link.interrupt();
        }).detach();
        // Also when the watch fails part-way: the sessions made so far go.
        int code = 0;
        try {
            code = watchCommand(link, line, out, err);
        } catch (...) {
            link.goOffline();
            throw;
        }
        link.goOffline();
        return code;
    }
    return 0;
}

bool knownCommand(const std::string& command) {
    for (const char* known : {"agents", "classes", "functions", "machines", "call", "watch"}) {
        if (command == known) return true;
    }
    return false;
}

}  // namespace

int runClient(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    try {
        const ClientCommandLine line = parseClientCommandLine(argc, argv);
        if (line.help) {
            out << kUsage;
            return 0;
        }
        if (line.command.empty()) throw ClientError("No command given (see --help)");
        if (!knownCommand(line.command)) throw ClientError("Unknown command: " + line.command + " (see --help)");
        const bool watching = line.command == "watch";
        // Before the MQTT library starts its threads: only the watch's own waiter takes Ctrl-C.
        if (watching) platform::blockStopSignals();
        BrokerLink link(line.broker, line.timeout, watching);
        return runCommand(link, line, out, err);
    } catch (const ClientError& e) {
        err << e.what() << std::endl;
        return e.exitCode();
    } catch (const std::exception& e) {
        err << e.what() << std::endl;
        return kExitFailure;
    }
}

}  // namespace nolt::client
