// vrlsensors: shows the sensor service's readings.
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <thread>

#include "client/ModelDataOutput.h"
#include "client/SensorClient.h"
#include "client/SensorsOptions.h"
#include "platform/cli/CommandLine.h"

namespace {

using vrl::client::ClientError;
using vrl::client::FetchResult;
using vrl::client::SensorClient;
using vrl::client::SensorsOptions;

constexpr int kExitFailure = 1;
constexpr int kExitRefused = 3;
constexpr int kExitNoSensors = 4;

int report(const FetchResult& result) {
    std::cerr << "vrlsensors: " << result.message << "\n";
    return result.error == ClientError::refused ? kExitRefused : kExitFailure;
}

// Prints the readings; an empty model data is a service without a readable
// SMC, which a script must be able to tell from a Mac with sensors.
int show(const vrl::client::ModelData& modelData, const SensorsOptions& options) {
    if (options.json) std::cout << vrl::client::formatJson(modelData);
    else if (!modelData.empty()) std::cout << vrl::client::formatTable(modelData);
    std::cout << std::flush;
    if (!modelData.empty()) return 0;
    std::cerr << "vrlsensors: no sensors found: the service has no SMC it can read\n";
    return kExitNoSensors;
}

// Redraws until interrupted. A service that goes away (restarted, or stopped
// and started on demand again) is waited for, not given up on; only a refusal
// ends the watch, since asking again cannot change the gate's answer.
int watch(SensorClient& client, const SensorsOptions& options) {
    // Escape sequences would end up inside a file or another program's input.
    const bool terminal = isatty(STDOUT_FILENO) == 1;
    bool lost = false;
    for (;;) {
        const FetchResult result = client.getModelData();
        if (result.error == ClientError::refused) return report(result);
        if (!result.modelData && !lost) {
            std::cerr << "vrlsensors: " << result.message << "; trying again every " << *options.watchSeconds
                      << " s\n";
        } else if (result.modelData) {
            if (lost) std::cerr << "vrlsensors: the service answers again\n";
            if (terminal) std::cout << "\033[H\033[2J";
            show(*result.modelData, options);
        }
        lost = !result.modelData;
        std::this_thread::sleep_for(std::chrono::duration<double>(*options.watchSeconds));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const vrl::client::ParsedSensorsOptions parsed = vrl::client::parseSensorsOptions({argv + 1, argv + argc});
    if (!parsed.options) {
        std::cerr << platform::cli::usageErrorText("vrlsensors", parsed.error);
        return platform::cli::kUsageExitStatus;
    }
    const SensorsOptions& options = *parsed.options;
    if (options.help) {
        std::cout << vrl::client::sensorsUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "vrlsensors " << VRL_VERSION << "\n";
        return 0;
    }
    SensorClient client(options.socketPath ? std::vector<std::filesystem::path>{*options.socketPath}
                                           : SensorClient::defaultSocketPaths());
    if (options.watchSeconds) return watch(client, options);
    const FetchResult result = client.getModelData();
    return result.modelData ? show(*result.modelData, options) : report(result);
}
