// Asks the service at SOCKET for its model data once and writes the reply's
// payload to standard output exactly as it came over the wire, so that two
// services can be compared byte for byte. Lives in a bundle the gate admits.
//
//   wire_reply SOCKET
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "tests/support/ServiceWire.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    constexpr std::chrono::seconds kTimeout(5);
    const int fd = vrl::test::connectTo(argv[1], kTimeout);
    if (fd < 0) return 1;
    const bool sent = vrl::test::sendAll(fd, platform::ipc::getModelDataRequestFrame(), kTimeout);
    const auto payload = sent ? vrl::test::readFrame(fd, kTimeout) : std::nullopt;
    vrl::test::closeFd(fd);
    if (!payload || !vrl::test::decodeReply(*payload)) return 1;
    return std::fwrite(payload->data(), 1, payload->size(), stdout) == payload->size() ? 0 : 1;
}
