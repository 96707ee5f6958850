#pragma once
// Who is on the other end of a local connection: the peer's process, taken
// from the socket, and the executable it runs.
#include <filesystem>
#include <optional>

namespace platform::ipc {

// The resolved executable of the peer of a connected Unix socket, or none when
// the peer cannot be identified or has gone.
std::optional<std::filesystem::path> peerExecutable(int socketFd);

}  // namespace platform::ipc
