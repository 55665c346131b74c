#pragma once
// Injected faults of the simulated controller. Every simulated operation asks
// enter() first; the simulator asks the per-host conditions (link, booting,
// withheld interfaces) where they apply.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dnc/machine.h"
#include "dnc/result.h"

namespace dncsim {

// A count that never runs out.
inline constexpr int kEveryCall = -1;

class Faults {
public:
    // The next `count` calls of `operation` (a method name such as "GetState")
    // answer `code` without running. An empty host matches every controller.
    void failNext(std::string operation, int count, dnc::HRESULT code, std::string host = {});
    // The next `count` calls of `operation` block for `duration` before they run.
    void delay(std::string operation, std::chrono::milliseconds duration, int count = kEveryCall,
               std::string host = {});

    // While the link is lost, every call on the host answers kConnectionLost
    // and connecting to it answers kNotOnLine.
    void setLinkLost(const std::string& host, bool lost);
    bool linkLost(const std::string& host) const;
    // While booting, the host's machine state is dnc_is_available (4).
    void setBooting(const std::string& host, bool booting);
    bool booting(const std::string& host) const;
    // GetInterface of `kind` answers `code`. An empty host matches every controller.
    void withholdInterface(dnc::DNC_INTERFACE_OBJECT kind, dnc::HRESULT code = dnc::kNoInterface,
                           std::string host = {});
    void offerInterface(dnc::DNC_INTERFACE_OBJECT kind, const std::string& host = {});
    // kOk when the interface is offered, else the withholding code.
    dnc::HRESULT interfaceAnswer(dnc::DNC_INTERFACE_OBJECT kind, const std::string& host) const;

    // Start of every simulated operation: waits out an injected delay, then
    // answers an injected failure, or kOk to go on.
    dnc::HRESULT enter(std::string_view operation, const std::string& host);

    // Waits until a call of `operation` is waiting out its delay, so that a
    // test knows the call is inside the SDK; false when `bound` passed first.
    bool awaitDelayedCall(std::string_view operation, std::chrono::milliseconds bound);
    // Calls that wait out a delay go on at once.
    void releaseDelayed();

    // Forgets every fault and releases the delayed calls.
    void clear();

private:
    struct Rule {
        std::string operation;
        std::string host;
        int remaining;
        dnc::HRESULT code;
        std::chrono::milliseconds delay;
    };

    static bool matches(const Rule& rule, std::string_view operation, const std::string& host);
    // Takes one use of the first matching rule; false when none matches.
    static bool take(std::vector<Rule>& rules, std::string_view operation, const std::string& host, Rule* taken);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t releases_ = 0;
    std::map<std::string, int, std::less<>> delayedCalls_;
    std::vector<Rule> failures_;
    std::vector<Rule> delays_;
    std::set<std::string> lostLinks_;
    std::set<std::string> booting_;
    std::map<std::pair<std::string, dnc::DNC_INTERFACE_OBJECT>, dnc::HRESULT> withheld_;
};

}  // namespace dncsim
