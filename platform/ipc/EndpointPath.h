#pragma once
// Where a service's endpoint lives when nobody names it: one rule, shared by the
// service that binds it and the client that connects to it. Never an abstract
// or world-writable place, where another process could take the name first.
#include <filesystem>
#include <optional>
#include <string>

namespace platform::ipc {

inline constexpr const char* kDefaultServiceIdentifier = "com.quenmoor.vrlsensord";

struct EndpointPath {
    std::optional<std::filesystem::path> path;
    std::string error;  // set when there is no path
};

// Root: /run/<identifier>/<identifier>.sock; anyone else:
// $XDG_RUNTIME_DIR/<identifier>.sock; neither: an error.
EndpointPath defaultEndpointPath(const std::string& identifier);

// Creates the root-owned directory of a default root endpoint (0755); other
// paths need nothing. False with a message when it cannot be made safe.
bool prepareEndpointDirectory(const std::filesystem::path& socketPath, std::string& error);

}  // namespace platform::ipc
