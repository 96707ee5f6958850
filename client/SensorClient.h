#pragma once
// Asks the sensor service for its model data over its Unix-socket endpoint.
//
// A SensorClient is used by one thread at a time; it never throws and never
// raises SIGPIPE. Every failure comes back as a FetchResult with a one-line
// message a person can act on.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "client/ModelData.h"
#include "platform/ipc/ProductIdentifiers.h"

namespace vrl::client {

// The identifier of the application the service admits: the client must run
// from inside an application bundle whose Info.plist says it.
inline constexpr const char* kAdmittedBundleIdentifier = platform::ipc::kAdmittedBundleIdentifier;

enum class ClientError { none, cannotConnect, refused, malformedReply, timeout, serviceError };

struct FetchResult {
    std::optional<ModelData> modelData;
    ClientError error = ClientError::none;
    std::string message;
};

class SensorClient {
public:
    // Where the service is looked for when nobody names the socket: the
    // system's service first, then one the user runs (EndpointPath.h).
    static std::vector<std::filesystem::path> defaultSocketPaths();

    // Talks to the service at `socketPath` only.
    explicit SensorClient(std::filesystem::path socketPath,
                          std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Connects to the first of `socketPaths` that accepts; requires at least one.
    explicit SensorClient(std::vector<std::filesystem::path> socketPaths,
                          std::chrono::milliseconds timeout = std::chrono::seconds(5));
    ~SensorClient();
    SensorClient(const SensorClient&) = delete;
    SensorClient& operator=(const SensorClient&) = delete;

    // Connects on first use and reuses the connection for later requests; after
    // a failure the next call connects afresh, so a restarted service is found.
    FetchResult getModelData();

private:
    FetchResult failure(ClientError error, std::string message);
    FetchResult refusal();
    bool ensureConnected(FetchResult& failureResult);
    bool sendAll(const std::vector<uint8_t>& bytes, FetchResult& failureResult);
    bool receiveExactly(uint8_t* data, std::size_t size, bool firstByte, FetchResult& failureResult);
    void disconnect();

    std::vector<std::filesystem::path> socketPaths_;
    std::chrono::milliseconds timeout_;
    int fd_ = -1;
    bool answeredBefore_ = false;
};

}  // namespace vrl::client
