#pragma once
// Talking to vrlsensord the way its client does, over plain blocking sockets
// with deadlines: frames of a 4-byte big-endian length and one MessagePack
// value. The stress tool and the fault tests both drive the service with it.
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ipc/WireProtocol.h"

namespace vrl::stress {

using Bytes = std::vector<uint8_t>;
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

// A connected Unix stream socket, or -1.
int connectTo(const std::string& socketPath);
void closeFd(int fd);

Bytes frame(const Bytes& payload);
Bytes requestPayload(const std::string& method = platform::ipc::kMethodGetModelData);

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
std::optional<WireModel> fetchModel(const std::string& socketPath, std::chrono::milliseconds timeout);

}  // namespace vrl::stress
