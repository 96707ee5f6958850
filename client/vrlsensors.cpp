// vrlsensors: shows the sensor service's readings.
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "client/ModelDataOutput.h"
#include "client/SensorClient.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitRefused = 3;

struct Options {
    bool json = false;
    bool help = false;
    std::optional<double> watchSeconds;
    std::optional<std::string> socketPath;
};

const char* kUsage =
    "usage: vrlsensors [--json] [--watch SECONDS] [--socket PATH]\n"
    "  --json            print the model data as JSON, as received\n"
    "  --watch SECONDS   redraw every SECONDS\n"
    "  --socket PATH     the service's socket (default: the service's endpoint)\n"
    "Exit status: 0 success, 1 failure, 2 usage, 3 refused by the service.\n";

std::optional<Options> parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") options.json = true;
        else if (arg == "--help" || arg == "-h") options.help = true;
        else if (arg == "--socket" && i + 1 < argc) options.socketPath = argv[++i];
        else if (arg == "--watch" && i + 1 < argc) {
            char* end = nullptr;
            const double seconds = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(seconds > 0)) return std::nullopt;
            options.watchSeconds = seconds;
        } else return std::nullopt;
    }
    return options;
}

int report(const vrl::client::FetchResult& result) {
    std::cerr << "vrlsensors: " << result.message << "\n";
    return result.error == vrl::client::ClientError::refused ? kExitRefused : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parse(argc, argv);
    if (!options) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    if (options->help) {
        std::cout << kUsage;
        return 0;
    }
    std::string error;
    const std::optional<std::filesystem::path> path =
        options->socketPath ? std::optional<std::filesystem::path>(*options->socketPath)
                            : vrl::client::SensorClient::defaultSocketPath(error);
    if (!path) {
        std::cerr << "vrlsensors: " << error << "\n";
        return kExitFailure;
    }
    vrl::client::SensorClient client(*path);
    while (true) {
        const vrl::client::FetchResult result = client.getModelData();
        if (!result.modelData) return report(result);
        if (options->watchSeconds) std::cout << "\033[H\033[2J";
        std::cout << (options->json ? vrl::client::formatJson(*result.modelData)
                                       : vrl::client::formatTable(*result.modelData)) << std::flush;
        if (!options->watchSeconds) return 0;
        std::this_thread::sleep_for(std::chrono::duration<double>(*options->watchSeconds));
    }
}
