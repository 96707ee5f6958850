// vrlsensord: gives the main application the Mac's temperature and fan readings.
#include <systemd/sd-daemon.h>

#include <csignal>
#include <iostream>

#include <asio/io_context.hpp>

#include "platform/cli/CommandLine.h"
#include "platform/ipc/EndpointPath.h"
#include "platform/ipc/UnixListener.h"
#include "platform/log/SystemLog.h"
#include "platform/smc/AppleSmcDriver.h"
#include "sensor-service/server/entry/ServiceOptions.h"
#include "sensor-service/server/entry/ServiceRun.h"
#include "sensor-service/server/entry/SmcSelection.h"

namespace {

constexpr const char* kStartLine = "start SMC helper. with listner:%@";

std::string startLine(const std::string& listener) {
    std::string line = kStartLine;
    line.replace(line.find("%@"), 2, listener);
    return line;
}

platform::Result<std::unique_ptr<platform::ipc::UnixListener>> openListener(asio::io_context& io,
                                                                            const vrl::ServiceOptions& options,
                                                                            const std::string& identifier) {
    if (!options.socketPath) {
        auto activated = platform::ipc::UnixListener::fromActivation(io);
        if (!activated || *activated) return activated;
    }
    const platform::ipc::EndpointPath endpoint =
        options.socketPath ? platform::ipc::EndpointPath{*options.socketPath, {}}
                           : platform::ipc::defaultEndpointPath(identifier);
    if (!endpoint.path) return platform::fail(endpoint.error);
    std::string error;
    if (!platform::ipc::prepareEndpointDirectory(*endpoint.path, error)) return platform::fail(error);
    return platform::ipc::UnixListener::bindTo(io, *endpoint.path);
}

int fail(const std::string& message) {
    std::cerr << "vrlsensord: " << message << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const vrl::ParsedServiceOptions parsed = vrl::parseServiceOptions({argv + 1, argv + argc});
    if (!parsed.options) {
        std::cerr << platform::cli::usageErrorText("vrlsensord", parsed.error);
        return platform::cli::kUsageExitStatus;
    }
    const vrl::ServiceOptions& options = *parsed.options;
    if (options.help) {
        std::cout << vrl::serviceUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "vrlsensord " << VRL_VERSION << "\n";
        return 0;
    }
    std::signal(SIGPIPE, SIG_IGN);

    const auto machine = vrl::selectMachine(options, platform::smc::kAppleSmcDirectory);
    if (!machine) return fail(machine.error().message);
    const std::string identifier =
        (*machine)->mainBundle().bundleIdentifier().value_or(platform::ipc::kDefaultServiceIdentifier);

    asio::io_context io;
    const auto listener = openListener(io, options, identifier);
    if (!listener) return fail(listener.error().message);

    vrl::runService(io, **machine, **listener, [&listener] {
        sd_notify(0, "READY=1");
        platform::log::systemLog(startLine((*listener)->description()));
    });
    sd_notify(0, "STOPPING=1");
    return 0;
}
