// A private RabbitMQ node for tests written in other languages (the machine
// page's): prints "PORT WEBPORT" (MQTT and web-MQTT, on loopback) once the
// node accepts, and stops the node when its standard input closes.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "tests/support/rabbitmq.h"

int main() {
    try {
        testsupport::RabbitMqNode node;
        std::cout << node.port() << " " << node.webPort() << std::endl;
        std::string line;
        while (std::getline(std::cin, line)) {
        }
        node.stop();
        return 0;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}
