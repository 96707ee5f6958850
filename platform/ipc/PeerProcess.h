#pragma once
// Who is on the other end of a local connection: the peer's user and process,
// taken from the socket, and the executable that process runs.
#include <sys/types.h>

#include <filesystem>
#include <optional>

#include "platform/foundation/FileIdentity.h"

namespace platform::ipc {

struct PeerExecutable {
    std::filesystem::path path;  // where the running executable lies now
    foundation::FileIdentity identity;  // of the executable the process runs
};

// The user the peer of a connected Unix socket ran as when it connected.
// Any thread; a single non-blocking system call. None when the socket has no
// peer credentials.
std::optional<uid_t> peerUserId(int socketFd);

// The process id of the peer of a connected Unix socket when it connected
// (SO_PEERCRED), for messages only: the pid may have been reused since. Any
// thread; a single non-blocking system call. None when the socket has none.
std::optional<pid_t> peerProcessId(int socketFd);

// The executable of the peer of a connected Unix stream socket. Where the
// kernel hands out a pidfd for the peer, the answer is about the very process
// that connected: a peer that has exited (whose pid may be reused) gives none.
// None also when the executable was deleted or no longer lies at its path, or
// /proc does not tell (reading another user's /proc/PID/exe takes
// CAP_SYS_PTRACE). Requires socketFd to stay open during the call. Any
// thread; the path's lookup can wait on a slow file system, so not on a
// thread that must stay responsive. Never throws.
std::optional<PeerExecutable> peerExecutable(int socketFd);

}  // namespace platform::ipc
