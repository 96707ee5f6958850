// vrlsensors: shows the sensor service's readings, or hands them to the tools
// Linux users read sensors with (node_exporter's textfile collector, lm-sensors).
#include <unistd.h>

#include <chrono>
#include <exception>
#include <iostream>
#include <thread>

#include "client/ApplesmcHwmon.h"
#include "client/AtomicFile.h"
#include "client/ModelDataOutput.h"
#include "client/PrometheusExposition.h"
#include "client/SensorClient.h"
#include "client/SensorsConfig.h"
#include "client/SensorsOptions.h"
#include "platform/cli/CommandLine.h"
#include "platform/registry/PlatformNameSource.h"
#include "sensor-service/profiles/VRLServerProfiles.h"

namespace {

using vrl::client::ClientError;
using vrl::client::FetchResult;
using vrl::client::ModelData;
using vrl::client::OutputFormat;
using vrl::client::SensorClient;
using vrl::client::SensorsOptions;

constexpr int kExitFailure = 1;
constexpr int kExitRefused = 3;
constexpr int kExitNoSensors = 4;

// The service says why at debug priority; the usual reason is a machine the
// applesmc driver does not serve.
constexpr const char* kNoSensors =
    "vrlsensors: no sensors found: the service has no SMC it can read; most likely the applesmc driver is "
    "missing (not an Intel Mac, or the module is not loaded: modprobe applesmc); the service says why in: "
    "journalctl -u vrlsensord -p debug\n";

int report(const vrl::client::FetchFailure& failure) {
    std::cerr << "vrlsensors: " << failure.cause.message << "\n";
    return failure.kind == ClientError::refused ? kExitRefused : kExitFailure;
}

// Standard output, or the --output file replaced whole.
bool deliver(const std::string& text, const SensorsOptions& options) {
    if (!options.outputPath) {
        std::cout << text << std::flush;
        return static_cast<bool>(std::cout);
    }
    const auto replaced = vrl::client::replaceFile(*options.outputPath, text);
    if (!replaced) std::cerr << "vrlsensors: " << replaced.error().message << "\n";
    return replaced.has_value();
}

// The Mac's model identifier read as the service reads it, so that the
// export names the model the service chose its profile for; read once, as
// DMI does not change while the machine runs.
std::string machineModel() {
    const platform::registry::DmiPlatformName dmi;
    return vrl::VRLServerProfiles(dmi).getPlatformName().value_or("");
}

// A scrape must tell a silent service from a quiet one: the document says so.
void deliverUnanswered(const SensorsOptions& options, const std::string& model) {
    if (options.format == OutputFormat::prometheus)
        deliver(vrl::client::formatPrometheus(std::nullopt, model), options);
}

int showSensorsConfig(const ModelData& modelData, const SensorsOptions& options) {
    const auto channels = vrl::client::findApplesmcChannels();
    if (!channels) {
        std::cerr << "vrlsensors: " << channels.error().message << "\n";
        return kExitFailure;
    }
    const vrl::client::SensorsConfig config = vrl::client::formatSensorsConfig(modelData, *channels);
    for (const std::string& note : config.notes) std::cerr << "vrlsensors: " << note << "\n";
    return deliver(config.text, options) ? 0 : kExitFailure;
}

std::string document(const ModelData& modelData, OutputFormat format, const std::string& model) {
    switch (format) {
        case OutputFormat::json: return vrl::client::formatJson(modelData);
        case OutputFormat::prometheus: return vrl::client::formatPrometheus(modelData, model);
        case OutputFormat::table:
        case OutputFormat::sensorsConf: break;
    }
    return modelData.empty() ? std::string() : vrl::client::formatTable(modelData);
}

// Shows the readings; an empty model data is a service without a readable
// SMC, which a script must be able to tell from a Mac with sensors. A watch
// says so once, not every period into the journal.
int show(const ModelData& modelData, const SensorsOptions& options, const std::string& model,
         bool sayNoSensors = true) {
    if (modelData.empty()) {
        if (options.format != OutputFormat::sensorsConf) deliver(document(modelData, options.format, model), options);
        if (sayNoSensors) std::cerr << kNoSensors;
        return kExitNoSensors;
    }
    if (options.format == OutputFormat::sensorsConf) return showSensorsConfig(modelData, options);
    return deliver(document(modelData, options.format, model), options) ? 0 : kExitFailure;
}

// Redraws until interrupted. A service that goes away (restarted, or stopped
// and started on demand again) is waited for, not given up on; only a refusal
// ends the watch, since asking again cannot change the gate's answer.
int watch(SensorClient& client, const SensorsOptions& options, const std::string& model) {
    // Escape sequences would end up inside a file or another program's input.
    const bool terminal = !options.outputPath && isatty(STDOUT_FILENO) == 1;
    bool lost = false;
    bool empty = false;
    for (;;) {
        const FetchResult result = client.getModelData();
        if (!result) deliverUnanswered(options, model);
        if (!result && result.error().kind == ClientError::refused) return report(result.error());
        if (!result && !lost) {
            std::cerr << "vrlsensors: " << result.error().cause.message << "; trying again every "
                      << *options.watchSeconds << " s\n";
        } else if (result) {
            if (lost) std::cerr << "vrlsensors: the service answers again\n";
            if (terminal) std::cout << "\033[H\033[2J";
            show(*result, options, model, !empty);
            empty = result->empty();
        }
        lost = !result;
        std::this_thread::sleep_for(std::chrono::duration<double>(*options.watchSeconds));
    }
}

int run(int argc, char** argv) {
    const auto parsed = vrl::client::parseSensorsOptions({argv + 1, argv + argc});
    if (!parsed) {
        std::cerr << platform::cli::usageErrorText("vrlsensors", parsed.error().message);
        return platform::cli::kUsageExitStatus;
    }
    const SensorsOptions& options = *parsed;
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
    const std::string model = options.format == OutputFormat::prometheus ? machineModel() : std::string();
    if (options.watchSeconds) return watch(client, options, model);
    const FetchResult result = client.getModelData();
    if (result) return show(*result, options, model);
    deliverUnanswered(options, model);
    return report(result.error());
}

}  // namespace

// Every failure foreseen is a message and a documented status; this is the
// last line for one that is not, which must still not end in an abort.
int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& unforeseen) {
        std::cerr << "vrlsensors: " << unforeseen.what() << "\n";
        return kExitFailure;
    }
}
