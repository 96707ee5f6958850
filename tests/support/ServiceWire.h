#pragma once
// Talking to vrlsensord the way its client does, over plain blocking sockets
// with deadlines, in the frames platform/ipc/WireProtocol.h builds. The
// service, stress and fault tests and the benchmarks drive the service with
// it. Every function: any thread; failures are return values.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ipc/WireProtocol.h"

namespace vrl::test {

using Bytes = platform::ipc::Frame;
using Clock = std::chrono::steady_clock;

// One entry as it arrived: the numbers as doubles whatever their kind.
struct WireEntry {
    std::string title;
    std::string unit;
    std::string type;
    double value = 0.0;
    std::optional<double> minvalue;
    std::optional<double> maxvalue;

    bool operator==(const WireEntry&) const = default;
};
using WireModel = std::map<std::string, WireEntry>;

// A connected Unix stream socket (close-on-exec), retried every 10 ms for
// `retryFor` while the server comes up; -1 when none connects in time.
int connectTo(const std::filesystem::path& socketPath,
              std::chrono::milliseconds retryFor = std::chrono::milliseconds(0));
void closeFd(int fd);

bool sendAll(int fd, const Bytes& bytes, std::chrono::milliseconds timeout);
// The payload of the next frame; none on close, error or timeout.
std::optional<Bytes> readFrame(int fd, std::chrono::milliseconds timeout);
// True when the peer closes (or resets) the connection within the timeout;
// whatever it sends before is discarded.
bool waitForClose(int fd, std::chrono::milliseconds timeout);

// The model data of a {"reply": ...} payload; none for anything else.
std::optional<WireModel> decodeReply(const Bytes& payload);
bool isErrorReply(const Bytes& payload);

// One request on a fresh connection; none when refused, closed or late.
std::optional<WireModel> fetchModel(const std::filesystem::path& socketPath, std::chrono::milliseconds timeout);

}  // namespace vrl::test
