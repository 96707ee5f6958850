#include "tests/support/PortServer.h"

#include <unistd.h>

#include <cstdio>

namespace vrl::test {

PortServer::PortServer(const std::filesystem::path& script) {
    int out[2];
    if (::pipe(out) != 0) return;
    process_ = std::make_unique<ChildProcess>([&out, &script] {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execl("/usr/bin/python3", "python3", script.c_str(), nullptr);
        ::_exit(127);
    });
    ::close(out[1]);
    FILE* lines = ::fdopen(out[0], "r");
    if (!lines) {
        ::close(out[0]);
        return;
    }
    if (std::fscanf(lines, "%d", &port_) != 1) port_ = 0;
    std::fclose(lines);
}

std::string PortServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

}  // namespace vrl::test
