#include "tests/integration/probe_class.h"

#include <chrono>
#include <stdexcept>
#include <thread>

#include "agent/event_loop.h"
#include "agent/local_factory.h"

namespace probe {

void to_json(nlohmann::json& j, const Pair& p) { j = {{"first", p.first}, {"second", p.second}}; }

Probe::Probe(const std::string& name) : name_(name) {
    if (name == "boom") throw std::runtime_error("cannot build boom");
}

Probe::~Probe() {
    if (!farewell_) return;
    std::thread goodbye([this] { farewell_(name_ + " gone"); });
    goodbye.join();
}

int Probe::fail() { throw std::runtime_error("probe failed"); }

bool Probe::block() {
    nolt::EventLoop::instance().addThreads(1);
    bool released;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        released = changed_.wait_for(lock, std::chrono::seconds(20), [&] { return released_; });
        released_ = false;
    }
    nolt::EventLoop::instance().removeThread();
    return released;
}

bool Probe::release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
    return true;
}

namespace {
std::mutex holdMutex;
std::condition_variable holdChanged;
bool holdOpen = false;
int holdEntered = 0;
}  // namespace

void openHold(bool open) {
    std::lock_guard<std::mutex> lock(holdMutex);
    holdOpen = open;
    if (!open) holdEntered = 0;
    holdChanged.notify_all();
}

int holdsEntered() {
    std::lock_guard<std::mutex> lock(holdMutex);
    return holdEntered;
}

bool Probe::hold() {
    std::unique_lock<std::mutex> lock(holdMutex);
    ++holdEntered;
    bool opened = holdChanged.wait_for(lock, std::chrono::seconds(60), [] { return holdOpen; });
    lock.unlock();
    if (text_) text_("held");
    return opened;
}

int Probe::fire() {
    int called = 0;
    if (text_) ++called, text_("t");
    if (triple_) ++called, triple_("a", "b", "c");
    if (json_) ++called, json_(nlohmann::json{{"k", 1}});
    if (mixed_) ++called, mixed_(1, 2.5, "m");
    if (pairs_) ++called, pairs_(3, {"1", "2"}, {"3", "4"}, 0.25);
    if (rows_) ++called, rows_("T1", {{"NAME", "new"}}, {{"NAME", "old"}});
    return called;
}

void registerProbe() {
    static const bool registered = [] {
        auto& f = nolt::LocalFactory::instance();
        f.registerClass<Probe, std::string>("Probe");
        f.registerMember("Probe", "name", &Probe::name);
        f.registerMember("Probe", "echo", &Probe::echo);
        f.registerMember("Probe", "add", &Probe::add);
        f.registerMember("Probe", "scale", &Probe::scale);
        f.registerMember("Probe", "flip", &Probe::flip);
        f.registerMember("Probe", "row", &Probe::row);
        f.registerMember("Probe", "touch", &Probe::touch);
        f.registerMember("Probe", "fail", &Probe::fail);
        f.registerMember("Probe", "block", &Probe::block);
        f.registerMember("Probe", "release", &Probe::release);
        f.registerMember("Probe", "hold", &Probe::hold);
        f.registerMember("Probe", "onText", &Probe::onText);
        f.registerMember("Probe", "onTriple", &Probe::onTriple);
        f.registerMember("Probe", "onJson", &Probe::onJson);
        f.registerMember("Probe", "onMixed", &Probe::onMixed);
        f.registerMember("Probe", "onPairs", &Probe::onPairs);
        f.registerMember("Probe", "onRows", &Probe::onRows);
        f.registerMember("Probe", "fire", &Probe::fire);
        f.registerMember("Probe", "onFarewell", &Probe::onFarewell);
        return true;
    }();
    (void)registered;
}

}  // namespace probe
