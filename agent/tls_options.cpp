#include "agent/tls_options.h"

#include <fstream>
#include <memory>

// The mingw-w64 builds have neither OpenSSL nor TLS in their MQTT library.
#if __has_include(<openssl/pem.h>)
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#define NOLT_HAS_OPENSSL 1
#endif

namespace nolt {
namespace {

// Whether the private key file opens with the password (none: an
// unencrypted key, or one that must not ask for a password).
bool keyOpens(const std::string& path, const std::string& password) {
#ifndef NOLT_HAS_OPENSSL
    (void)path, (void)password;
    return true;
#else
    std::unique_ptr<BIO, decltype(&BIO_free)> file(BIO_new_file(path.c_str(), "r"), &BIO_free);
    if (!file) return false;
    EVP_PKEY* key = PEM_read_bio_PrivateKey(file.get(), nullptr, nullptr, const_cast<char*>(password.c_str()));
    ERR_clear_error();
    if (!key) return false;
    EVP_PKEY_free(key);
    return true;
#endif
}

}  // namespace

std::optional<std::string> tlsFileProblem(const AgentOptions& options) {
    const std::pair<const char*, const std::string*> files[] = {
        {"--cafile", &options.trustStore}, {"--cert", &options.keyStore}, {"--key", &options.privateKey}};
    for (const auto& [option, path] : files) {
        if (path->empty()) continue;
        if (!std::ifstream(*path)) return std::string("the ") + option + " file " + *path + " cannot be read";
    }
    if (!options.privateKey.empty() && !keyOpens(options.privateKey, options.privateKeyPassword)) {
        return "the --key file " + options.privateKey + " cannot be opened with the --keypass given";
    }
    return std::nullopt;
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
