// The agent checks whom it talks to: a TLS broker whose certificate does not
// come from the trusted CA or does not name the host is refused, unless
// verification is turned off explicitly.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/broker.h"
#include "tests/support/in_process_agent.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_for.h"

using namespace std::chrono_literals;

namespace {

// A throw-away CA that signs two broker certificates, one for 127.0.0.1 and
// one for another host, and an unrelated CA.
class ThrowAwayPki {
public:
    ThrowAwayPki() {
        const std::string d = dir_.path().string() + "/";
        auto ca = [&](const std::string& name) {
            return "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=" + name + " -keyout " + d + name +
                   ".key -out " + d + name + ".pem";
        };
        auto leaf = [&](const std::string& name, const std::string& san) {
            return "openssl req -newkey rsa:2048 -nodes -subj /CN=broker -keyout " + d + name + ".key -out " + d +
                   name + ".csr && printf 'subjectAltName=" + san + "' > " + d + name + ".ext && " +
                   "openssl x509 -req -in " + d + name + ".csr -CA " + d + "ca.pem -CAkey " + d +
                   "ca.key -CAcreateserial -days 2 -extfile " + d + name + ".ext -out " + d + name + ".pem";
        };
        const std::string script = "(" + ca("ca") + " && " + ca("other") + " && " + leaf("here", "IP:127.0.0.1") +
                                   " && " + leaf("elsewhere", "DNS:elsewhere.invalid") + ") >/dev/null 2>&1";
        if (std::system(script.c_str()) != 0) throw std::runtime_error("openssl could not make the test PKI");
    }
    std::string file(const std::string& name) const { return dir_.file(name).string(); }
    std::string listener(const std::string& cert) const {
        return "cafile " + file("ca.pem") + "\ncertfile " + file(cert + ".pem") + "\nkeyfile " + file(cert + ".key") +
               "\n";
    }

private:
    testsupport::TempDir dir_{"nolt-pki"};
};

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(AgentTls, BrokerCertificateAndHostNameAreVerified) {
    ThrowAwayPki pki;
    struct Case {
        const char* name;
        const char* brokerCert;
        const char* caFile;  // empty: the system's trust store
        bool insecure;
        bool connects;
    } cases[] = {
        {"right CA and host", "here", "ca.pem", false, true},
        {"unrelated CA", "here", "other.pem", false, false},
        {"wrong host name", "elsewhere", "ca.pem", false, false},
        {"system trust store", "here", "", false, false},
        {"verification off", "elsewhere", "other.pem", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::MosquittoBroker broker(pki.listener(c.brokerCert));
        nolt::AgentOptions options;
        options.domain = "test";
        options.agent = "tls";
        options.broker = "ssl://127.0.0.1:" + std::to_string(broker.port());
        if (*c.caFile) options.trustStore = pki.file(c.caFile);
        options.serverAuth = !c.insecure;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        bool tried = false;
        {
            testsupport::InProcessAgent agent(options);
            // A connect, or a handshake that one side broke off.
            tried = testsupport::waitFor(
                [&] {
                    auto log = broker.log();
                    return count(log, " as nolta") + count(log, "Client <unknown>") + count(log, "OpenSSL Error");
                },
                20s);
        }
        auto out = testing::internal::GetCapturedStdout();
        auto err = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(tried) << broker.log();
        EXPECT_EQ(count(broker.log(), " as nolta") > 0, c.connects) << broker.log();
        EXPECT_NE(out.find(std::string("Server Auth     : ") + (c.insecure ? "0" : "1")), std::string::npos) << out;
        EXPECT_EQ(err.find("WARNING: the broker's certificate and host name are not verified") != std::string::npos,
                  c.insecure)
            << err;
    }
}

}  // namespace
