#pragma once
// A test server script (a hostile feed, say) run by python3 as a child
// process: it listens on 127.0.0.1 on a free port and prints the port on its
// first line. Stopped by its pid, at the latest when the object goes.
// One thread at a time.
#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/ChildProcess.h"

namespace vrl::test {

class PortServer {
public:
    // Returns once the script has printed its port, or has ended without.
    explicit PortServer(const std::filesystem::path& script);

    // 0 when the server did not start.
    int port() const { return port_; }
    // "http://127.0.0.1:PORT" followed by `path`.
    std::string url(const std::string& path) const;
    // Ends the server; its port is closed afterwards.
    void stop() { process_.reset(); }

private:
    int port_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace vrl::test
