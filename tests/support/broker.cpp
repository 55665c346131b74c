#include "tests/support/broker.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <stdexcept>
#include <thread>

#include "tests/support/wait_for.h"

namespace testsupport {
namespace {

// A loaded machine running two suites in parallel may take a while to start
// a process; a broker that has not come up by then is broken.
constexpr auto kStartBound = 10s;
constexpr auto kStopBound = 5s;

// Started as root, mosquitto switches to its own user, which could not
// write the log into our private directory; naming the current user keeps
// it as it is (and means nothing to a broker not started as root).
std::string userLine() {
    const passwd* user = ::getpwuid(::geteuid());
    return user ? "user " + std::string(user->pw_name) + "\n" : "";
}

// The log goes to a file of its own because mosquitto flushes that after
// every line, while its buffered standard output is lost when it is killed.
std::string configFor(int port, const std::filesystem::path& log) {
    return "listener " + std::to_string(port) + " 127.0.0.1\n"
           "allow_anonymous true\n"
           "set_tcp_nodelay true\n"
           "persistence false\n" +
           userLine() +
           "log_dest file " + log.string() + "\n"
           "log_type all\n";
}

}  // namespace

MosquittoBroker::MosquittoBroker() : MosquittoBroker(std::string()) {}

MosquittoBroker::MosquittoBroker(const std::string& extraConfig) {
    std::string extra = extraConfig;
    const std::string dir = directory_.file("").string();
    for (auto at = extra.find("{dir}"); at != std::string::npos; at = extra.find("{dir}", at + dir.size())) {
        extra.replace(at, 5, dir);
    }
    writeFile(directory_.file("mosquitto.conf"), configFor(port(), directory_.file("mosquitto.log")) + extra);
    start();
}

MosquittoBroker::~MosquittoBroker() {
    process_.reset();
    if (::testing::Test::HasFailure()) {
        std::cerr << "--- log of the broker on port " << port() << " ---\n" << log() << "---\n";
    }
}

std::string MosquittoBroker::uri() const { return "tcp://" + host() + ":" + std::to_string(port()); }

void MosquittoBroker::start() {
    const auto output = directory_.file("mosquitto.out");
    const auto config = directory_.file("mosquitto.conf").string();
    const auto deadline = std::chrono::steady_clock::now() + kStartBound;
    // A broker that ends at once could not open the port; the port stays
    // reserved for us, so a transient failure passes on a later try.
    while (std::chrono::steady_clock::now() < deadline) {
        process_ = std::make_unique<ChildProcess>(NOLT_MOSQUITTO_EXECUTABLE,
                                                  std::vector<std::string>{"-c", config}, output, output);
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        waitFor([this] { return !process_->running() || loopbackPortAccepts(port()); }, left);
        if (process_->running() && loopbackPortAccepts(port())) return;
        std::this_thread::sleep_for(50ms);  // paces the retries, synchronises nothing
    }
    process_.reset();
    throw std::runtime_error("mosquitto did not start on port " + std::to_string(port()) + ":\n" +
                             this->log());
}

void MosquittoBroker::stop() {
    if (!process_) return;
    process_->signal(SIGTERM);
    if (!process_->waitForExit(kStopBound)) process_->kill();
    process_.reset();
}

void MosquittoBroker::restart() {
    stop();
    start();
}

bool MosquittoBroker::running() { return process_ && process_->running(); }

bool MosquittoBroker::signal(int signalNumber) { return process_ && process_->signal(signalNumber); }

std::string MosquittoBroker::log() const {
    return readFile(directory_.file("mosquitto.out")) + readFile(directory_.file("mosquitto.log"));
}

std::size_t occurrences(const std::string& all, const std::string& text) {
    std::size_t n = 0;
    for (auto at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++n;
    return n;
}

std::size_t MosquittoBroker::logCount(const std::string& text) const { return occurrences(log(), text); }

}  // namespace testsupport
