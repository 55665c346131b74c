#pragma once
// A failure of the command-line client: one line for the user and the
// program's exit code.
#include <stdexcept>
#include <string>

namespace nolt::client {

inline constexpr int kExitFailure = 1;
inline constexpr int kExitTimeout = 2;

class ClientError : public std::runtime_error {
public:
    explicit ClientError(const std::string& message, int exitCode = kExitFailure)
        : std::runtime_error(message), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

}  // namespace nolt::client
