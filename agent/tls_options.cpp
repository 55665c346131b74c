#include "agent/tls_options.h"

namespace nolt {

bool usesTls(const std::string& brokerUri) {
    for (const char* scheme : {"ssl://", "mqtts://", "wss://"}) {
        if (brokerUri.rfind(scheme, 0) == 0) return true;
    }
    return false;
}

bool verifiesBroker(const AgentOptions& options) { return options.serverAuth && usesTls(options.broker); }

mqtt::ssl_options makeSslOptions(const AgentOptions& options) {
    mqtt::ssl_options ssl;
    ssl.set_trust_store(options.trustStore);
    ssl.set_key_store(options.keyStore);
    ssl.set_private_key(options.privateKey);
    ssl.set_private_key_password(options.privateKeyPassword);
    ssl.set_enabled_cipher_suites(options.enabledCipherSuites);
    ssl.set_enable_server_cert_auth(options.serverAuth);
    ssl.set_verify(options.serverAuth);  // the host name against the certificate
    return ssl;
}

}  // namespace nolt
