#include <gtest/gtest.h>

#include "agent/tls_options.h"

namespace {

// A build whose MQTT library has no TLS (the mingw-w64 builds) refuses every
// option that needs it, naming them and the build to use; a TLS build none.
TEST(TlsBuild, OptionsThatNeedTlsAreRefusedOnlyWhereTheBuildLacksIt) {
    struct Case {
        const char* name;
        void (*set)(nolt::AgentOptions&);
        std::string asked;  // empty: nothing needs TLS
    };
    const Case cases[] = {
        {"tcp broker", [](nolt::AgentOptions& o) { o.broker = "tcp://broker:1883"; }, ""},
        {"ws broker", [](nolt::AgentOptions& o) { o.broker = "ws://broker:9001"; }, ""},
        {"default broker", [](nolt::AgentOptions&) {}, "the broker ssl://localhost:8883"},
        {"wss broker", [](nolt::AgentOptions& o) { o.broker = "wss://broker:443"; }, "the broker wss://broker:443"},
        {"switches",
         [](nolt::AgentOptions& o) {
             o.broker = "tcp://broker:1883";
             o.trustStore = "ca.pem";
             o.privateKeyPassword = "secret";
             o.serverAuth = false;
         },
         "--cafile, --keypass, --insecure"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        nolt::AgentOptions options;
        c.set(options);
        const auto refusal = nolt::tlsUnavailable(options);
        if (nolt::tlsBuilt() || c.asked.empty()) {
            EXPECT_FALSE(refusal) << *refusal;
            continue;
        }
        EXPECT_EQ(refusal.value_or(""),
                  "this build of the agent has no TLS (its MQTT library was built without OpenSSL), so " + c.asked +
                      " cannot be used: name a tcp:// or ws:// broker with -b, or install the TLS build (CMake "
                      "preset windows-msvc)");
    }
}

}  // namespace
