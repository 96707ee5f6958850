#pragma once
// Asks the sensor service for its model data over its Unix-socket endpoint.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "client/ModelData.h"

namespace vrl::client {

enum class ClientError { none, cannotConnect, refused, malformedReply, timeout, serviceError };

struct FetchResult {
    std::optional<ModelData> modelData;
    ClientError error = ClientError::none;
    std::string message;
};

class SensorClient {
public:
    // The default endpoint follows the service's own rule (EndpointPath.h).
    static std::optional<std::filesystem::path> defaultSocketPath(std::string& error);

    explicit SensorClient(std::filesystem::path socketPath,
                          std::chrono::milliseconds timeout = std::chrono::seconds(5));
    ~SensorClient();
    SensorClient(const SensorClient&) = delete;
    SensorClient& operator=(const SensorClient&) = delete;

    // Connects on first use and reuses the connection for later requests.
    FetchResult getModelData();

private:
    FetchResult failure(ClientError error, std::string message);
    bool ensureConnected(FetchResult& failureResult);
    bool sendAll(const std::vector<uint8_t>& bytes, FetchResult& failureResult);
    bool receiveExactly(uint8_t* data, std::size_t size, bool firstByte, FetchResult& failureResult);
    void disconnect();

    std::filesystem::path socketPath_;
    std::chrono::milliseconds timeout_;
    int fd_ = -1;
    bool answeredBefore_ = false;
};

}  // namespace vrl::client
