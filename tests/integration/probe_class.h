#pragma once
// A small remote class for the agent tests: member functions over every
// parameter type, a void one, a throwing one, a blocking one, and one
// registration per callback signature.
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "agent/callback.h"

namespace probe {

using Row = std::map<std::string, std::string>;

struct Pair {
    std::string first, second;
};
void to_json(nlohmann::json& j, const Pair& p);

class Probe {
public:
    // "boom" cannot be built.
    explicit Probe(const std::string& name);
    // Calls the farewell callback from a thread of its own and waits for it,
    // as a CNC session's monitor thread may report while the session goes.
    ~Probe();
    std::string name() const { return name_; }
    std::string echo(const std::string& text) { return text; }
    int add(int a, int b) { return a + b; }
    float scale(float value) { return value * 2; }
    bool flip(bool value) { return !value; }
    Row row(const Row& row) { return row; }
    void touch() {}
    int fail();
    // Blocks, with one worker added as the CNC session does, until release().
    bool block();
    bool release();
    // Blocks the worker that runs it, without adding one, until openHold();
    // calls the text callback on the way out.
    bool hold();

    void onText(nolt::Callback<std::string> cb) { text_ = std::move(cb); }
    void onTriple(nolt::Callback<std::string, std::string, std::string> cb) { triple_ = std::move(cb); }
    void onJson(nolt::Callback<nlohmann::json> cb) { json_ = std::move(cb); }
    void onMixed(nolt::Callback<int, double, std::string> cb) { mixed_ = std::move(cb); }
    void onPairs(nolt::Callback<int, Pair, Pair, double> cb) { pairs_ = std::move(cb); }
    void onRows(nolt::Callback<std::string, Row, Row> cb) { rows_ = std::move(cb); }
    void onFarewell(nolt::Callback<std::string> cb) { farewell_ = std::move(cb); }
    // Calls every registered callback once; returns how many it called.
    int fire();

private:
    std::string name_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool released_ = false;
    nolt::Callback<std::string> text_;
    nolt::Callback<std::string, std::string, std::string> triple_;
    nolt::Callback<nlohmann::json> json_;
    nolt::Callback<int, double, std::string> mixed_;
    nolt::Callback<int, Pair, Pair, double> pairs_;
    nolt::Callback<std::string, Row, Row> rows_;
    nolt::Callback<std::string> farewell_;
};

// The gate of Probe::hold, for every instance: opened by the test; closing
// it counts the holds entered from 0.
void openHold(bool open = true);
int holdsEntered();

// Registers "Probe" once.
void registerProbe();

}  // namespace probe
