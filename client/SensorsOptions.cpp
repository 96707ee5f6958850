#include "client/SensorsOptions.h"

#include <utility>

#include "platform/cli/CommandLine.h"

namespace vrl::client {

namespace {

constexpr std::pair<const char*, OutputFormat> kFormats[] = {
    {"table", OutputFormat::table},
    {"json", OutputFormat::json},
    {"prometheus", OutputFormat::prometheus},
    {"sensors-conf", OutputFormat::sensorsConf},
};

std::optional<OutputFormat> formatNamed(const std::string& name) {
    for (const auto& [text, format] : kFormats)
        if (name == text) return format;
    return std::nullopt;
}

// Sets the format once; a second, different one is a contradiction.
platform::Result<void> chooseFormat(std::optional<OutputFormat>& chosen, const std::string& name) {
    const std::optional<OutputFormat> format = formatNamed(name);
    if (!format) return platform::fail("--format must be table, json, prometheus or sensors-conf, not '" + name + "'");
    if (chosen && *chosen != *format) return platform::fail("two different formats given (the last: '" + name + "')");
    chosen = format;
    return {};
}

platform::Result<void> applyOption(const platform::cli::GivenOption& given, SensorsOptions& options,
                                   std::optional<OutputFormat>& format) {
    if (given.name == "json") return chooseFormat(format, "json");
    if (given.name == "format") return chooseFormat(format, given.value);
    if (given.name == "help") options.help = true;
    else if (given.name == "version") options.version = true;
    else if (given.name == "socket") options.socketPath = given.value;
    else if (given.name == "output") options.outputPath = given.value;
    else if (const auto seconds = platform::cli::parseSeconds("--watch", given.value, kWatchRange))
        options.watchSeconds = *seconds;
    else return tl::unexpected(seconds.error());
    return {};
}

platform::Result<void> checkConsistent(const SensorsOptions& options) {
    if (options.socketPath && options.socketPath->empty()) return platform::fail("--socket needs a path");
    if (options.outputPath && options.outputPath->empty()) return platform::fail("--output needs a path");
    if (options.watchSeconds && options.format == OutputFormat::sensorsConf)
        return platform::fail("--watch does not go with --format=sensors-conf, which describes the machine once");
    return {};
}

}  // namespace

platform::Result<SensorsOptions> parseSensorsOptions(const std::vector<std::string>& args) {
    const auto line = platform::cli::parseCommandLine(
        args, {{"json", 'j', false}, {"format", 'f', true}, {"output", 'o', true}, {"watch", 'w', true},
               {"socket", 's', true}, {"help", 'h', false}, {"version", 0, false}});
    if (!line) return tl::unexpected(line.error());
    SensorsOptions options;
    std::optional<OutputFormat> format;
    for (const platform::cli::GivenOption& given : *line)
        if (auto applied = applyOption(given, options, format); !applied) return tl::unexpected(applied.error());
    options.format = format.value_or(OutputFormat::table);
    if (auto consistent = checkConsistent(options); !consistent) return tl::unexpected(consistent.error());
    return options;
}

std::string sensorsUsage() {
    return "Usage: vrlsensors [OPTION]...\n"
           "Shows the temperatures and fan speeds the Vorrel sensor service reads.\n"
           "\n"
           "  -f, --format=FORMAT   table (the default), json (the model data as\n"
           "                        received), prometheus (the text format of\n"
           "                        node_exporter's textfile collector) or sensors-conf\n"
           "                        (lm-sensors labels for this Mac's applesmc readings)\n"
           "  -j, --json            the same as --format=json\n"
           "  -o, --output=FILE     replace FILE atomically instead of writing to standard\n"
           "                        output: a regular file keeps its mode, a new one is\n"
           "                        readable by everyone, a symbolic link's target is\n"
           "                        replaced; anything else is refused\n"
           "  -w, --watch=SECONDS   show the readings again every SECONDS (0.1 to 86400),\n"
           "                        until interrupted\n"
           "  -s, --socket=PATH     the service's socket (default: the system's service,\n"
           "                        then one in $XDG_RUNTIME_DIR)\n"
           "  -h, --help            show this text\n"
           "      --version         show the version\n"
           "\n"
           "With --format=prometheus a service that does not answer still gives a\n"
           "document, with vorrel_sensor_service_up 0.\n"
           "\n"
           "Exit status: 0 readings shown, 1 failure, 2 usage error, 3 refused by the\n"
           "service, 4 the service has no sensors.\n";
}

}  // namespace vrl::client
