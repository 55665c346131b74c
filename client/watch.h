#pragma once
// watch AGENT [INSTANCE]: every event of one machine or of every machine,
// one line each, until interrupted.
#include <iosfwd>

#include "client/broker_link.h"
#include "client/command_line.h"

namespace nolt::client {

// Watching leaves the watched sessions alone: for each connected machine
// the client creates a session of its own on the same control, registers
// every "on..." event of it and connects it. They are anonymous instances
// of the client, so the agent deletes them when the client's info goes
// offline (at the end, or through the will when the client dies).
int watchCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out, std::ostream& err);

}  // namespace nolt::client
