#pragma once
// The listing commands: agents, classes, functions, machines. Each writes
// one line per item, or one JSON document with --json.
#include <iosfwd>

#include "client/broker_link.h"
#include "client/command_line.h"

namespace nolt::client {

void listAgentsCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out);
void listClassesCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out);
void listFunctionsCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out);
void listMachinesCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out, std::ostream& err);

// Words of a row in columns as wide as their widest cell, two spaces apart.
void printColumns(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

// Throws ClientError unless the command got between `least` and `most` words.
void expectWords(const ClientCommandLine& line, std::size_t least, std::size_t most, const char* usage);

}  // namespace nolt::client
