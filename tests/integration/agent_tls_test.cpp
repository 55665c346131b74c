// The agent checks whom it talks to: a TLS broker whose certificate does not
// come from the trusted CA or does not name the host is refused, unless
// verification is turned off explicitly.
#include <gtest/gtest.h>

#include <cstdlib>

#include "agent/tls_options.h"
#include "tests/support/broker.h"
#include "tests/support/in_process_agent.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_for.h"

using namespace std::chrono_literals;

namespace {

TEST(AgentTls, BrokerCertificateAndHostNameAreVerified) {
    // A throw-away CA signs a broker certificate for 127.0.0.1 and one for
    // another host; "other" is an unrelated CA.
    testsupport::TempDir pki("nolt-pki");
    const std::string script =
        "cd " + pki.path().string() +
        " && ca() { openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=$1 -keyout $1.key -out $1.pem; }"
        " && leaf() { openssl req -newkey rsa:2048 -nodes -subj /CN=b -keyout $1.key -out $1.csr"
        " && echo subjectAltName=$2 >$1.ext && openssl x509 -req -in $1.csr -CA ca.pem -CAkey ca.key"
        " -CAcreateserial -days 2 -extfile $1.ext -out $1.pem; }"
        " && (ca ca && ca other && leaf here IP:127.0.0.1 && leaf elsewhere DNS:elsewhere.invalid) >/dev/null 2>&1";
    ASSERT_EQ(std::system(script.c_str()), 0);
    auto file = [&](const std::string& name) { return pki.file(name).string(); };
    struct Case {
        const char* name;
        std::string brokerCert, caFile;  // no CA file: the system's trust store
        bool insecure, connects;
    } cases[] = {
        {"right CA and host", "here", "ca.pem", false, true},
        {"unrelated CA", "here", "other.pem", false, false},
        {"wrong host name", "elsewhere", "ca.pem", false, false},
        {"system trust store", "here", "", false, false},
        {"verification off", "elsewhere", "other.pem", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::MosquittoBroker broker("cafile " + file("ca.pem") + "\ncertfile " + file(c.brokerCert + ".pem") +
                                            "\nkeyfile " + file(c.brokerCert + ".key") + "\n");
        nolt::AgentOptions options;
        options.domain = "test";
        options.agent = "tls";
        options.broker = "ssl://127.0.0.1:" + std::to_string(broker.port());
        if (!c.caFile.empty()) options.trustStore = file(c.caFile);
        options.serverAuth = !c.insecure;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        bool tried = false;
        {
            testsupport::InProcessAgent agent(options);
            // The connect, or a handshake that one side broke off.
            tried = testsupport::waitFor([&] {
                return broker.logCount(c.connects ? " as nolta" : "Client <unknown>") + broker.logCount("OpenSSL Error");
            }, 20s);
        }
        auto out = testing::internal::GetCapturedStdout();
        auto err = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(tried) << broker.log();
        EXPECT_EQ(broker.logCount(" as nolta") > 0, c.connects) << broker.log();
        EXPECT_NE(out.find(std::string("Server Auth     : ") + (c.insecure ? "0" : "1")), std::string::npos) << out;
        EXPECT_EQ(err.find("WARNING: the broker's certificate and host name are not verified") != std::string::npos,
                  c.insecure);
    }
}

// What the agent can tell by itself before any broker answers: a file it
// cannot read, a key that the password does not open.
TEST(AgentTls, UnreadableFilesAndAWrongKeyPasswordAreNamed) {
    testsupport::TempDir pki("nolt-pki");
    const std::string script = "cd " + pki.path().string() +
                               " && openssl genrsa -aes128 -passout pass:right -out locked.key 2048 >/dev/null 2>&1"
                               " && openssl genrsa -out open.key 2048 >/dev/null 2>&1 && touch ca.pem";
    ASSERT_EQ(std::system(script.c_str()), 0);
    auto file = [&](const std::string& name) { return pki.file(name).string(); };
    struct Case {
        const char* name;
        std::string ca, key, password, problem;
    } cases[] = {
        {"all readable, right password", file("ca.pem"), file("locked.key"), "right", ""},
        {"key without a password", "", file("open.key"), "", ""},
        {"missing CA file", file("none.pem"), "", "", "the --cafile file " + file("none.pem") + " cannot be read"},
        {"missing key file", "", file("none.key"), "x", "the --key file " + file("none.key") + " cannot be read"},
        {"wrong password", "", file("locked.key"), "wrong",
         "the --key file " + file("locked.key") + " cannot be opened with the --keypass given"},
        {"no password", "", file("locked.key"), "",
         "the --key file " + file("locked.key") + " cannot be opened with the --keypass given"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        nolt::AgentOptions options;
        options.trustStore = c.ca;
        options.privateKey = c.key;
        options.privateKeyPassword = c.password;
        EXPECT_EQ(nolt::tlsFileProblem(options).value_or(""), c.problem);
    }
}

}  // namespace
