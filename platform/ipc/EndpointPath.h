#pragma once
// Where a service's endpoint lives when nobody names it: one rule, shared by the
// service that binds it and the client that connects to it. Never an abstract
// or world-writable place, where another process could take the name first.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Result.h"

// Every function may be called from any thread; none throws.
namespace platform::ipc {

inline constexpr const char* kDefaultServiceIdentifier = "com.quenmoor.vrlsensord";

// The endpoint of the system's service: /run/<identifier>/<identifier>.sock.
std::filesystem::path systemEndpointPath(const std::string& identifier);

// The endpoint of a service run by the calling user:
// $XDG_RUNTIME_DIR/<identifier>.sock; nothing when XDG_RUNTIME_DIR is unset or
// not absolute.
std::optional<std::filesystem::path> userEndpointPath(const std::string& identifier);

// The longest socket path a Unix socket address holds (sun_path less its
// terminating NUL): 107 bytes on Linux.
std::size_t maxEndpointPathLength();

// `path` when it fits a Unix socket address; otherwise an error naming the
// path, its length and the limit.
platform::Result<std::filesystem::path> fittingEndpointPath(std::filesystem::path path);

// Where a service binds when nobody names the endpoint: root the system
// endpoint, anyone else the user endpoint; an error when there is neither or
// it does not fit a Unix socket address (fittingEndpointPath).
platform::Result<std::filesystem::path> defaultEndpointPath(const std::string& identifier);

// Where a client looks, in this order: the system endpoint (the service
// systemd runs for everyone), then the user endpoint when there is one.
std::vector<std::filesystem::path> clientEndpointPaths(const std::string& identifier);

// Creates the root-owned directory of a default root endpoint (0755); other
// paths need nothing. An error when it cannot be made safe.
platform::Result<void> prepareEndpointDirectory(const std::filesystem::path& socketPath);

}  // namespace platform::ipc
