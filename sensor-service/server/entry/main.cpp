// vrlsensord: gives the main application the Mac's temperature and fan readings.
#include <systemd/sd-daemon.h>

#include <csignal>
#include <exception>
#include <iostream>

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include "platform/cli/CommandLine.h"
#include "platform/ipc/EndpointPath.h"
#include "platform/ipc/UnixListener.h"
#include "platform/log/SystemLog.h"
#include "platform/smc/AppleSmcDriver.h"
#include "sensor-service/server/entry/DecisionAgent.h"
#include "sensor-service/server/entry/ImageDump.h"
#include "sensor-service/server/entry/ServiceOptions.h"
#include "sensor-service/server/entry/SmcSelection.h"

namespace {

constexpr const char* kStartLine = "start SMC helper. with listner:%@";

std::string startLine(const std::string& listener) {
    std::string line = kStartLine;
    line.replace(line.find("%@"), 2, listener);
    return line;
}

std::unique_ptr<platform::ipc::UnixListener> openListener(asio::io_context& io, const vrl::ServiceOptions& options,
                                                          const std::string& identifier, std::string& error) {
    if (!options.socketPath) {
        auto activated = platform::ipc::UnixListener::fromActivation(io, error);
        if (activated || !error.empty()) return activated;
    }
    const auto endpoint = options.socketPath ? platform::ipc::fittingEndpointPath(*options.socketPath)
                                             : platform::ipc::defaultEndpointPath(identifier);
    if (!endpoint) {
        error = endpoint.error().message;
        return nullptr;
    }
    if (const auto prepared = platform::ipc::prepareEndpointDirectory(*endpoint); !prepared) {
        error = prepared.error().message;
        return nullptr;
    }
    return platform::ipc::UnixListener::bindTo(io, *endpoint, error);
}

int fail(const std::string& message) {
    std::cerr << "vrlsensord: " << message << "\n";
    return 1;
}

int run(int argc, char** argv) {
    const auto parsed = vrl::parseServiceOptions({argv + 1, argv + argc});
    if (!parsed) {
        std::cerr << platform::cli::usageErrorText("vrlsensord", parsed.error().message);
        return platform::cli::kUsageExitStatus;
    }
    const vrl::ServiceOptions& options = *parsed;
    if (options.help) {
        std::cout << vrl::serviceUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "vrlsensord " << VRL_VERSION << "\n";
        return 0;
    }
    if (options.dumpImage) return vrl::dumpSmcImage(*options.dumpImage, platform::smc::kAppleSmcDirectory);
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    const std::unique_ptr<vrl::SensorMachine> machine =
        vrl::selectMachine(options, platform::smc::kAppleSmcDirectory, error);
    if (!machine) return fail(error);
    const std::string identifier =
        machine->mainBundle().bundleIdentifier().value_or(platform::ipc::kDefaultServiceIdentifier);

    asio::io_context io;
    // Set before the socket file exists: whoever sees it may signal at once.
    // SIGHUP too: a service started by hand goes with its terminal, and like
    // any other end it removes its socket file.
    asio::signal_set signals(io, SIGTERM, SIGINT, SIGHUP);
    std::unique_ptr<platform::ipc::UnixListener> listener = openListener(io, options, identifier, error);
    if (!listener) return fail(error);

    vrl::DecisionAgent agent(io, *machine);
    agent.startServer();
    agent.resume(*listener);
    sd_notify(0, "READY=1");
    platform::log::systemLog(startLine(listener->description()));

    signals.async_wait([&io, &agent](std::error_code, int) {
        agent.stop();
        io.stop();
    });
    io.run();
    sd_notify(0, "STOPPING=1");
    return 0;
}

}  // namespace

// Every failure the service foresees is a message and status 1; this is the
// last line for one it does not, which must still not end in an abort and a
// core dump.
int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& unforeseen) {
        return fail(unforeseen.what());
    }
}
