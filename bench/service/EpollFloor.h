#pragma once
// The physical floor of answering a request on a Unix socket: one thread, a
// level-triggered epoll, and per request one epoll_wait, one read and one
// write of a fixed reply of the service's size. Nothing of the project's own.
#include <cstdint>
#include <filesystem>
#include <vector>

namespace bench {

// Serves until SIGTERM; every whole request frame read is answered with reply
// (already framed). Returns when the listener cannot be set up.
void runEpollFloor(const std::filesystem::path& socketPath, const std::vector<uint8_t>& reply);

}  // namespace bench
