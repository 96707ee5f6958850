#pragma once
// Where a service's endpoint lives when nobody names it: one rule, shared by the
// service that binds it and the client that connects to it. Never an abstract
// or world-writable place, where another process could take the name first.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Every function may be called from any thread; none throws.
namespace platform::ipc {

inline constexpr const char* kDefaultServiceIdentifier = "com.quenmoor.vrlsensord";

struct EndpointPath {
    std::optional<std::filesystem::path> path;
    std::string error;  // set when there is no path
};

// The endpoint of the system's service: /run/<identifier>/<identifier>.sock.
std::filesystem::path systemEndpointPath(const std::string& identifier);

// The endpoint of a service run by the calling user:
// $XDG_RUNTIME_DIR/<identifier>.sock; nothing when XDG_RUNTIME_DIR is unset or
// not absolute.
std::optional<std::filesystem::path> userEndpointPath(const std::string& identifier);

// Where a service binds when nobody names the endpoint: root the system
// endpoint, anyone else the user endpoint; neither: an error.
EndpointPath defaultEndpointPath(const std::string& identifier);

// Where a client looks, in this order: the system endpoint (the service
// systemd runs for everyone), then the user endpoint when there is one.
std::vector<std::filesystem::path> clientEndpointPaths(const std::string& identifier);

// Creates the root-owned directory of a default root endpoint (0755); other
// paths need nothing. False with a message when it cannot be made safe.
bool prepareEndpointDirectory(const std::filesystem::path& socketPath, std::string& error);

}  // namespace platform::ipc
