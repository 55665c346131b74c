#pragma once
// Which of the session's remote functions wait their turn in its call queue
// and which answer at once, beside it. Queued: every function that enters
// the SDK, and connect and disconnect, which change what the quick ones
// read. Quick: what reads or sets only the session's own state (the
// connection and interface flags, versions, callback registrations, the
// monitor's interval), so that a machine hung inside the SDK still answers
// it. A test checks this table against the registered functions.
#include <map>
#include <set>
#include <string>

namespace heidenhain {

enum class CallLane { Queued, Quick };

// Every remote function of DncShim by name.
const std::map<std::string, CallLane>& callLanes();

// The names of the quick ones.
std::set<std::string> quickFunctions();

}  // namespace heidenhain
