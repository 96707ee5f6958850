#pragma once
// Owns the open client connections so that they can be counted, capped and
// all stopped at shutdown. Serving thread only.
#include <cstddef>
#include <memory>
#include <set>

namespace vrl {

class Connection;

inline constexpr std::size_t kMaxConnections = 256;

class ConnectionManager {
public:
    ConnectionManager() = default;
    ConnectionManager(const ConnectionManager&) = delete;
    ConnectionManager& operator=(const ConnectionManager&) = delete;

    // Adds and starts the connection.
    void start(std::shared_ptr<Connection> connection);
    // Stops the connection and forgets it; a connection not held is ignored.
    void stop(const std::shared_ptr<Connection>& connection);
    void stopAll();

    std::size_t size() const { return connections_.size(); }

private:
    std::set<std::shared_ptr<Connection>> connections_;
};

}  // namespace vrl
