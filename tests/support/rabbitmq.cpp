#include "tests/support/rabbitmq.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "tests/support/loopback_port.h"
#include "tests/support/wait_for.h"

namespace testsupport {
namespace {

constexpr const char* kServer = "/usr/lib/rabbitmq/bin/rabbitmq-server";
constexpr const char* kControl = "/usr/lib/rabbitmq/bin/rabbitmqctl";
// An Erlang VM with the broker and its plugins takes 10-20 s to boot on a busy machine.
constexpr auto kStartBound = 90s;
constexpr auto kStopBound = 30s;

// Every node of every test shares one Erlang cookie, so that they can form
// clusters and rabbitmqctl can reach them.
const std::string& sharedHome() {
    static const std::string home = [] {
        const std::string dir = "/tmp/nolt-rabbitmq-home-" + std::to_string(::geteuid());
        std::filesystem::create_directories(dir);
        const std::string cookie = dir + "/.erlang.cookie";
        if (!std::filesystem::exists(cookie)) {
            const std::string draft = cookie + "." + std::to_string(::getpid());
            writeFile(draft, "NOLTTESTCOOKIE");
            ::chmod(draft.c_str(), 0400);
            std::filesystem::rename(draft, cookie);
        }
        return dir;
    }();
    return home;
}

// A port free now; the node binds it shortly after.
int freePort() { return ReservedLoopbackPort().port(); }

}  // namespace

bool rabbitMqAvailable() { return ::access(kServer, X_OK) == 0 && ::access(kControl, X_OK) == 0; }

RabbitMqNode::RabbitMqNode() {
    static std::atomic<int> count{0};
    name_ = "nolt" + std::to_string(::getpid()) + "n" + std::to_string(++count) + "@localhost";
    port_ = freePort();
    webPort_ = freePort();
    distPort_ = freePort();
    writeFile(directory_.file("rabbitmq.conf"),
              "listeners.tcp = none\n"
              "loopback_users = none\n"
              "mqtt.listeners.tcp.default = 127.0.0.1:" + std::to_string(port_) + "\n"
              "mqtt.allow_anonymous = true\n"
              "web_mqtt.tcp.ip = 127.0.0.1\n"
              "web_mqtt.tcp.port = " + std::to_string(webPort_) + "\n"
              "log.console = false\n"
              "log.file.level = info\n");
    writeFile(directory_.file("enabled_plugins"), "[rabbitmq_mqtt,rabbitmq_web_mqtt].\n");
    start();
}

RabbitMqNode::~RabbitMqNode() {
    stop();
    if (::testing::Test::HasFailure()) std::cerr << "--- log of RabbitMQ node " << name_ << " ---\n" << log() << "---\n";
}

std::string RabbitMqNode::uri() const { return "tcp://" + host() + ":" + std::to_string(port_); }

std::vector<std::string> RabbitMqNode::environment() const {
    const auto dir = directory_.path().string();
    return {"HOME=" + sharedHome(),
            "RABBITMQ_NODENAME=" + name_,
            "RABBITMQ_DIST_PORT=" + std::to_string(distPort_),
            "RABBITMQ_CONFIG_FILE=" + dir + "/rabbitmq.conf",
            "RABBITMQ_ENABLED_PLUGINS_FILE=" + dir + "/enabled_plugins",
            "RABBITMQ_MNESIA_BASE=" + dir + "/mnesia",
            "RABBITMQ_LOG_BASE=" + dir + "/log",
            "RABBITMQ_PID_FILE=" + dir + "/node.pid",
            "RABBITMQ_PLUGINS_EXPAND_DIR=" + dir + "/plugins"};
}

void RabbitMqNode::start() {
    auto arguments = environment();
    arguments.push_back(kServer);
    const auto output = directory_.file("server.out");
    process_ = std::make_unique<ChildProcess>("/usr/bin/env", arguments, output, output);
    if (waitFor([this] { return !process_->running() || loopbackPortAccepts(port_); }, kStartBound) &&
        process_->running()) {
        return;
    }
    stop();
    throw std::runtime_error("RabbitMQ node " + name_ + " did not start:\n" + log());
}

std::string RabbitMqNode::control(const std::vector<std::string>& arguments) const {
    auto command = environment();
    command.push_back(kControl);
    command.push_back("-n");
    command.push_back(name_);
    command.insert(command.end(), arguments.begin(), arguments.end());
    const auto output = directory_.file("control.out");
    std::filesystem::remove(output);
    ChildProcess control("/usr/bin/env", command, output, output);
    const auto code = control.waitForExit(kStopBound);
    if (code != 0) throw std::runtime_error("rabbitmqctl failed on " + name_ + ":\n" + readFile(output));
    return readFile(output);
}

pid_t RabbitMqNode::vmPid() const {
    const auto text = readFile(directory_.file("node.pid"));
    return text.empty() ? 0 : static_cast<pid_t>(std::stol(text));
}

void RabbitMqNode::stop() {
    if (!process_) return;
    try {
        if (process_->running()) control({"stop", directory_.file("node.pid").string()});
    } catch (const std::exception&) {
        // Killed below.
    }
    if (!process_->waitForExit(kStopBound)) {
        if (const pid_t vm = vmPid(); vm > 0) ::kill(vm, SIGKILL);
        process_->kill();
    }
    process_.reset();
}

void RabbitMqNode::restart() {
    stop();
    start();
}

bool RabbitMqNode::running() { return process_ && process_->running(); }

bool RabbitMqNode::signal(int signalNumber) {
    const pid_t vm = vmPid();
    return running() && vm > 0 && ::kill(vm, signalNumber) == 0;
}

void RabbitMqNode::joinCluster(const RabbitMqNode& other) {
    control({"stop_app"});
    control({"join_cluster", other.name()});
    control({"start_app"});
    if (!waitFor([this] { return loopbackPortAccepts(port_); }, kStartBound)) {
        throw std::runtime_error("RabbitMQ node " + name_ + " did not come back after joining " + other.name());
    }
}

std::string RabbitMqNode::log() const {
    std::string text = readFile(directory_.file("server.out"));
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory_.file("log"), error)) {
        text += readFile(entry.path());
    }
    return text;
}

}  // namespace testsupport
