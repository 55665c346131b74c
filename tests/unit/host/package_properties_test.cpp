// The service's command line as the Windows package writes it: a new install
// from properties and defaults, an upgrade keeping what it does not change,
// and the inputs it refuses.
#include "host/package_properties.h"

#include <gtest/gtest.h>

#include "agent/tls_build.h"

namespace heidenhain {
namespace {

constexpr const char* kInstalled =
    "\"C:\\Program Files\\Orvane Heidenhain Agent\\heidenhain-agent.exe\" -d edge.orvane -a heidenhain-cell7 "
    "-u heidenhain-cell7 -P Kept1234 -b tcp://old.plant:1883 -w 8";

TEST(PackageProperties, MakeOrKeepTheServiceCommandLine) {
    struct Case {
        const char* name;
        PackageProperties given;
        std::optional<std::string> installed;
        const char* arguments;
    };
    const std::vector<Case> cases{
        {"new install, defaults", {"tcp://mqtt.plant:1883"}, std::nullopt,
         "-d edge.orvane -a heidenhain-cell7 -u heidenhain-cell7 -P New12345 -b tcp://mqtt.plant:1883"},
        {"new install, every property",
         {"ws://10.0.0.5:9001/mqtt", "plant.north", "mill-3", "edge", "Secret99"},
         std::nullopt,
         "-d plant.north -a mill-3 -u edge -P Secret99 -b ws://10.0.0.5:9001/mqtt"},
        {"upgrade without properties keeps everything", {}, kInstalled,
         "-d edge.orvane -a heidenhain-cell7 -u heidenhain-cell7 -P Kept1234 -b tcp://old.plant:1883 -w 8"},
        {"upgrade with a new broker changes only it", {"tcp://new.plant:1883"}, kInstalled,
         "-d edge.orvane -a heidenhain-cell7 -u heidenhain-cell7 -P Kept1234 -b tcp://new.plant:1883 -w 8"},
        {"a missing switch is added, a dangling one dropped", {"", "", "", "edge"},
         std::string("agent.exe -d edge.orvane -a a1 -b tcp://b:1883 -u"),
         "-d edge.orvane -a a1 -b tcp://b:1883 -u edge"},
        {"an unquoted program path with blanks", {},
         std::string("C:\\Program Files\\Orvane Heidenhain Agent\\heidenhain-agent.exe -d d -a a -b tcp://b:1883"),
         "-d d -a a -b tcp://b:1883"},
        {"a service without arguments is installed anew", {"tcp://b:1883"}, std::string("\"C:\\a b\\agent.exe\""),
         "-d edge.orvane -a heidenhain-cell7 -u heidenhain-cell7 -P New12345 -b tcp://b:1883"},
    };
    for (const auto& c : cases) {
        const auto result = packageServiceArguments(c.given, c.installed, "cell7", [] { return "New12345"; });
        EXPECT_EQ(result.error, "") << c.name;
        EXPECT_EQ(result.arguments, c.arguments) << c.name;
    }
}

TEST(PackageProperties, RefuseWhatTheAgentCouldNotRunWith) {
    struct Case {
        PackageProperties given;
        std::optional<std::string> installed;
        const char* error;
    };
    const std::vector<Case> cases{
        {{}, std::nullopt, "BROKER is missing: give the broker's host name or URI"},
        {{"tcp://b:1883", "", "", "", "two words"}, std::nullopt, "PASSWORD \"two words\" cannot go on"},
        {{"tcp://b:1883", "a\"b"}, std::nullopt, "DOMAIN \"a\"b\" cannot go on"},
        {{"tcp://"}, std::nullopt, "BROKER \"tcp://\" is not a broker the agent can connect to"},
        {{"smtp://mail:25"}, std::nullopt, "BROKER \"smtp://mail:25\" is not a broker"},
        {{"", "", "cell/7"}, kInstalled, "AGENT \"cell/7\" cannot be a topic level"},
        {{"", "plant+"}, kInstalled, "DOMAIN \"plant+\" cannot be a topic level"},
        {{"tcp://b:1883"}, std::string("agent.exe -a a1"), "DOMAIN is empty on the service's command line"},
    };
    for (const auto& c : cases) {
        const auto result = packageServiceArguments(c.given, c.installed, "cell7", [] { return "New12345"; });
        EXPECT_EQ(result.error.rfind(c.error, 0), 0u) << result.error;
        EXPECT_EQ(result.arguments, "");
    }
}

TEST(PackageProperties, AHostNameMeansTheTlsBrokerWhichABuildWithoutTlsRefuses) {
    const auto result = packageServiceArguments({"mqtt.plant.local"}, std::nullopt, "cell7", [] { return "p"; });
    if (nolt::tlsBuilt()) {
        EXPECT_EQ(result.arguments,
                  "-d edge.orvane -a heidenhain-cell7 -u heidenhain-cell7 -P p -b ssl://mqtt.plant.local:8883");
    } else {
        EXPECT_EQ(result.arguments, "");
        EXPECT_NE(result.error.find("TLS"), std::string::npos) << result.error;
    }
}

}  // namespace
}  // namespace heidenhain
