#pragma once
// Placeholder until the worker-thread gate lands: decides synchronously.
#include <functional>

#include <asio/io_context.hpp>

namespace vrl {

inline constexpr const char* kClientBundleIdentifier = "com.quenmoor.vorrel";

class ClientGate {
public:
    explicit ClientGate(asio::io_context& io) : io_(io) {}
    void check(int socketFd, std::function<void(bool admitted)> verdict);
    bool listenerShouldAcceptNewConnection(int socketFd);

private:
    asio::io_context& io_;
};

}  // namespace vrl
