#pragma once
// Asks the sensor service for its model data over its Unix-socket endpoint.
//
// A SensorClient is used by one thread at a time; it never throws and never
// raises SIGPIPE. Every failure comes back as a FetchFailure: its kind for the
// caller to act on, its cause a one-line message a person can act on.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <tl/expected.hpp>

#include "client/ModelData.h"
#include "platform/foundation/Result.h"
#include "platform/ipc/ProductIdentifiers.h"

namespace vrl::client {

// The identifier of the application the service admits: the client must run
// from inside an application bundle whose Info.plist says it.
inline constexpr const char* kAdmittedBundleIdentifier = platform::ipc::kAdmittedBundleIdentifier;

// Which way a fetch failed. Only `refused` is final: the service's gate
// answers the same until the client is installed differently; the others may
// pass when the service is (re)started or recovers.
enum class ClientError { cannotConnect, refused, malformedReply, timeout, serviceError };

struct FetchFailure {
    ClientError kind;
    platform::Error cause;  // the message names the socket or the reply at fault
};

using FetchResult = tl::expected<ModelData, FetchFailure>;

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
    // Fails with the kind of failure and why; the calling thread blocks up to
    // the timeout for each wait on the service.
    FetchResult getModelData();

private:
    using Step = tl::expected<void, FetchFailure>;
    tl::unexpected<FetchFailure> failure(ClientError kind, std::string message);
    tl::unexpected<FetchFailure> refusal();
    Step ensureConnected();
    Step sendAll(const std::vector<uint8_t>& bytes);
    Step receiveExactly(uint8_t* data, std::size_t size, bool firstByte);
    void disconnect();

    std::vector<std::filesystem::path> socketPaths_;
    std::chrono::milliseconds timeout_;
    int fd_ = -1;
    bool answeredBefore_ = false;
};

}  // namespace vrl::client
