#pragma once
// The broker of an executable-level test: a private Mosquitto, or a private
// RabbitMQ node when the environment says NOLT_TEST_BROKER=rabbitmq, so that
// the same tests run against both.
#include <memory>
#include <string>

#include "tests/support/broker.h"
#include "tests/support/rabbitmq.h"

namespace testsupport {

class TestBroker {
public:
    TestBroker();
    bool isRabbitMq() const { return rabbitMq_ != nullptr; }

    int port() const;
    std::string host() const { return "127.0.0.1"; }
    std::string uri() const;
    void stop();
    void restart();
    bool running();
    bool signal(int signalNumber);
    std::string log() const;
    std::size_t logCount(const std::string& text) const;

private:
    std::unique_ptr<MosquittoBroker> mosquitto_;
    std::unique_ptr<RabbitMqNode> rabbitMq_;
};

}  // namespace testsupport
