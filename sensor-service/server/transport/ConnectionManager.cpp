#include "sensor-service/server/transport/ConnectionManager.h"

#include "sensor-service/server/transport/Connection.h"

namespace vrl {

void ConnectionManager::start(std::shared_ptr<Connection> connection) {
    connections_.insert(connection);
    connection->start();
}

void ConnectionManager::stop(const std::shared_ptr<Connection>& connection) {
    if (connections_.erase(connection) == 0) return;
    connection->stop();
}

void ConnectionManager::stopAll() {
    for (const auto& connection : connections_) connection->stop();
    connections_.clear();
}

}  // namespace vrl
