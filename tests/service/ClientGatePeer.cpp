// A peer for the gate tests: connects to a Unix socket COUNT times, as USER
// when given (the tests run as root), and holds every connection until the
// other side closes it. "exit" instead of a count connects once and leaves.
//
//   client_gate_peer SOCKET COUNT|exit [USER-ID]
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/ServiceWire.h"

namespace {

int connectOrExit(const char* path) {
    const int fd = vrl::test::connectTo(path);
    if (fd < 0) std::exit(2);
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    if (argc > 3 && ::setuid(static_cast<uid_t>(std::atol(argv[3]))) != 0) return 3;
    if (std::string(argv[2]) == "exit") {
        connectOrExit(argv[1]);
        return 0;
    }
    std::vector<int> held;
    for (int i = std::atoi(argv[2]); i > 0; --i) held.push_back(connectOrExit(argv[1]));
    char byte;
    for (int fd : held)
        while (::read(fd, &byte, 1) > 0) {
        }
    return 0;
}
