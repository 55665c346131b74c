#include "tests/support/test_broker.h"

#include <cstdlib>

namespace testsupport {

TestBroker::TestBroker() {
    const char* kind = std::getenv("NOLT_TEST_BROKER");
    if (kind && std::string(kind) == "rabbitmq") {
        rabbitMq_ = std::make_unique<RabbitMqNode>();
    } else {
        mosquitto_ = std::make_unique<MosquittoBroker>();
    }
}

int TestBroker::port() const { return rabbitMq_ ? rabbitMq_->port() : mosquitto_->port(); }

std::string TestBroker::uri() const { return rabbitMq_ ? rabbitMq_->uri() : mosquitto_->uri(); }

void TestBroker::stop() { rabbitMq_ ? rabbitMq_->stop() : mosquitto_->stop(); }

void TestBroker::restart() { rabbitMq_ ? rabbitMq_->restart() : mosquitto_->restart(); }

bool TestBroker::running() { return rabbitMq_ ? rabbitMq_->running() : mosquitto_->running(); }

bool TestBroker::signal(int signalNumber) {
    return rabbitMq_ ? rabbitMq_->signal(signalNumber) : mosquitto_->signal(signalNumber);
}

std::string TestBroker::log() const { return rabbitMq_ ? rabbitMq_->log() : mosquitto_->log(); }

std::size_t TestBroker::logCount(const std::string& text) const { return occurrences(log(), text); }

}  // namespace testsupport
