// What vrlsensors hands to other tools: the Prometheus exposition, the
// lm-sensors labels and the applesmc channels they refer to, the file they are
// written to, and the command line that asks for them.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "client/ApplesmcHwmon.h"
#include "client/AtomicFile.h"
#include "client/ModelDataOutput.h"
#include "client/PrometheusExposition.h"
#include "client/Readings.h"
#include "client/SensorsConfig.h"
#include "client/SensorsOptions.h"
#include "tests/support/TemporaryDirectory.h"

namespace {

namespace fs = std::filesystem;
using vrl::client::Entry;
using vrl::client::ModelData;

Entry temperature(const std::string& title, double value) {
    return {{"title", title}, {"value", value}, {"unit", std::string("celcius")}, {"type", std::string("temperature")}};
}

Entry fan(const std::string& title, double value, vrl::client::Value min, vrl::client::Value max) {
    return {{"title", title}, {"value", value}, {"unit", std::string("rpm")}, {"type", std::string("fans")},
            {"minvalue", min}, {"maxvalue", max}};
}

// Every kind of number that is no measurement, beside one that is.
const ModelData kMixed{
    {"TC0P", temperature("CPU Proximity", 49.5)},
    {"TC1C", temperature("CPU Core 1", -1.0)},     // the service could not read it
    {"TB0P", temperature("Battery 1", -127.0)},    // the SMC has no sensor there
    {"TB1P", temperature("Battery 2", -128.0)},
    {"TG0D", temperature("GPU Die", std::nan(""))},
    {"TA0P", {{"title", std::string("Ambient")}, {"value", std::string("hot")}, {"type", std::string("temperature")}}},
    {"F0Ac", fan("Left Side", 2000.0, 1200.0f, int64_t{6000})},
    {"F1Ac", fan("Right Side", 0.0, int64_t{-1}, int64_t{0})},  // stopped or failed read, unreadable limits
    {"F2Ac", fan("Exhaust", -5.0, 0.0, 5000.0)},                 // no speed, a fan allowed to stop
};

class TempDir : public ::testing::Test {
public:
    void write(const fs::path& relative, const std::string& text) {
        fs::create_directories((dir_ / relative).parent_path());
        std::ofstream(dir_ / relative) << text;
    }
    const vrl::test::TemporaryDirectory scratch_{"vrl-export"};
    const fs::path dir_ = scratch_.path();

protected:
};

TEST(Readings, NonMeasurementsAreNothingAndFansComeFirst) {
    const std::vector<vrl::client::Reading> readings = vrl::client::readingsOf(kMixed);
    std::string order;
    for (const auto& reading : readings) order += reading.key + (reading.value ? "=" : "?") + " ";
    EXPECT_EQ(order, "F0Ac= F1Ac= F2Ac? TC0P= TC1C? TB0P? TB1P? TG0D? TA0P? ");
    EXPECT_EQ(readings[0].minimum, 1200.0);
    EXPECT_EQ(readings[0].maximum, 6000.0);
    EXPECT_FALSE(readings[1].minimum);
    EXPECT_FALSE(readings[1].maximum);
    EXPECT_EQ(readings[2].minimum, 0.0);

    const std::string table = vrl::client::formatTable(kMixed);
    EXPECT_NE(table.find("Right Side    0 rpm    n/a      n/a\n"), std::string::npos) << table;
    EXPECT_NE(table.find("Exhaust       n/a      0 rpm    5000 rpm\n"), std::string::npos) << table;
    EXPECT_NE(table.find("Battery 1     n/a\n"), std::string::npos) << table;
    EXPECT_EQ(table.find("-127"), std::string::npos) << table;
    // A title with the SMC's NUL padding reads as the title.
    const ModelData padded{{"F0Ac", fan(std::string("Exhaust\0\0", 9), 1800.0, 1000.0, 5000.0)}};
    EXPECT_EQ(vrl::client::readingsOf(padded)[0].title, "Exhaust");
    // Nor does a title break its row or send the terminal an escape sequence.
    const ModelData hostile{{"TC0P", temperature("two\nlines\x1b[2J", 40.0)}};
    EXPECT_NE(vrl::client::formatTable(hostile).find("TC0P two\\nlines\\x1b[2J 40.0 \u00b0C\n"), std::string::npos)
        << vrl::client::formatTable(hostile);
}

const std::string kServiceUp =
    "# HELP vorrel_sensor_service_up Whether the Vorrel sensor service answered (1) or not (0).\n"
    "# TYPE vorrel_sensor_service_up gauge\n"
    "vorrel_sensor_service_up ";
const std::string kMachineInfo =
    "# HELP vorrel_machine_info The Mac's model identifier, from DMI; always 1.\n"
    "# TYPE vorrel_machine_info gauge\n"
    "vorrel_machine_info{model=";
const std::string kSensorCounts =
    "# HELP vorrel_sensors Sensors the Vorrel sensor service reported, by type.\n"
    "# TYPE vorrel_sensors gauge\n";

TEST(Prometheus, GaugesWithKeyAndTitleLeavingOutWhatIsNoMeasurement) {
    EXPECT_EQ(vrl::client::formatPrometheus(kMixed, "MacBookPro11,1"),
              kServiceUp + "1\n" + kMachineInfo + "\"MacBookPro11,1\"} 1\n" + kSensorCounts +
                  "vorrel_sensors{type=\"fan\"} 3\n"
                  "vorrel_sensors{type=\"temperature\"} 6\n"
                  "# HELP vorrel_fan_speed_rpm Fan speed read from the SMC.\n"
                  "# TYPE vorrel_fan_speed_rpm gauge\n"
                  "vorrel_fan_speed_rpm{key=\"F0Ac\",title=\"Left Side\"} 2000\n"
                  "vorrel_fan_speed_rpm{key=\"F1Ac\",title=\"Right Side\"} 0\n"
                  "# HELP vorrel_fan_min_speed_rpm Lowest speed the SMC runs the fan at.\n"
                  "# TYPE vorrel_fan_min_speed_rpm gauge\n"
                  "vorrel_fan_min_speed_rpm{key=\"F0Ac\",title=\"Left Side\"} 1200\n"
                  "vorrel_fan_min_speed_rpm{key=\"F2Ac\",title=\"Exhaust\"} 0\n"
                  "# HELP vorrel_fan_max_speed_rpm Highest speed the SMC runs the fan at.\n"
                  "# TYPE vorrel_fan_max_speed_rpm gauge\n"
                  "vorrel_fan_max_speed_rpm{key=\"F0Ac\",title=\"Left Side\"} 6000\n"
                  "vorrel_fan_max_speed_rpm{key=\"F2Ac\",title=\"Exhaust\"} 5000\n"
                  "# HELP vorrel_temperature_celsius Temperature read from the SMC.\n"
                  "# TYPE vorrel_temperature_celsius gauge\n"
                  "vorrel_temperature_celsius{key=\"TC0P\",title=\"CPU Proximity\"} 49.5\n");
    // No service: the series saying so and the machine, no counts (nothing
    // was asked). An unknown model is an empty label, escaped like any other.
    EXPECT_EQ(vrl::client::formatPrometheus(std::nullopt, ""),
              kServiceUp + "0\n" + kMachineInfo + "\"\"} 1\n");
    EXPECT_NE(vrl::client::formatPrometheus(std::nullopt, "Odd\"Mac").find("{model=\"Odd\\\"Mac\"} 1\n"),
              std::string::npos);
    // A service that found nothing: counts of 0 that an alert can see, no empty families.
    EXPECT_EQ(vrl::client::formatPrometheus(ModelData{}, "Macmini6,2"),
              kServiceUp + "1\n" + kMachineInfo + "\"Macmini6,2\"} 1\n" + kSensorCounts +
                  "vorrel_sensors{type=\"fan\"} 0\n"
                  "vorrel_sensors{type=\"temperature\"} 0\n");
}

TEST(Prometheus, LabelValuesEscapedAndMadeValidUtf8) {
    const auto line = [](const std::string& title) {
        const std::string text = vrl::client::formatPrometheus(ModelData{{"TC0P", temperature(title, 40.25)}}, "");
        return text.substr(text.rfind("vorrel_temperature_celsius{"));
    };
    EXPECT_EQ(line("Say \"hi\""), "vorrel_temperature_celsius{key=\"TC0P\",title=\"Say \\\"hi\\\"\"} 40.25\n");
    EXPECT_EQ(line("C:\\temp"), "vorrel_temperature_celsius{key=\"TC0P\",title=\"C:\\\\temp\"} 40.25\n");
    EXPECT_EQ(line("two\nlines"), "vorrel_temperature_celsius{key=\"TC0P\",title=\"two\\nlines\"} 40.25\n");
    EXPECT_EQ(line("\\\"\n"), "vorrel_temperature_celsius{key=\"TC0P\",title=\"\\\\\\\"\\n\"} 40.25\n");
    // Multi-byte characters pass; a stray, overlong or surrogate byte sequence becomes U+FFFD each byte.
    EXPECT_EQ(line("\xC3\xBC"), "vorrel_temperature_celsius{key=\"TC0P\",title=\"\xC3\xBC\"} 40.25\n");
    EXPECT_EQ(line("a\xFFz"), "vorrel_temperature_celsius{key=\"TC0P\",title=\"a\xEF\xBF\xBDz\"} 40.25\n");
    EXPECT_EQ(line("\xC0\xAF"), "vorrel_temperature_celsius{key=\"TC0P\",title=\"\xEF\xBF\xBD\xEF\xBF\xBD\"} 40.25\n");
    EXPECT_EQ(line("\xED\xA0\x80").size(), line("\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD").size());
    EXPECT_EQ(line("\xE2\x82"), "vorrel_temperature_celsius{key=\"TC0P\",title=\"\xEF\xBF\xBD\xEF\xBF\xBD\"} 40.25\n");
}

using ApplesmcHwmon = TempDir;

// The kernel's layout for applesmc: readings and `name` in the platform
// device's directory, an empty hwmon directory that links to it.
void kernelApplesmc(TempDir& dir, const std::string& hwmon) {
    const std::string device = "devices/platform/applesmc.768";
    fs::create_directories(dir.dir_ / device / "hwmon" / hwmon);
    fs::create_directories(dir.dir_ / "class/hwmon");
    fs::create_directory_symlink("../../../applesmc.768", dir.dir_ / device / "hwmon" / hwmon / "device");
    fs::create_directory_symlink("../../" + device + "/hwmon/" + hwmon, dir.dir_ / "class/hwmon" / hwmon);
}

TEST_F(ApplesmcHwmon, FoundByNameWhereverTheDriverKeepsIt) {
    EXPECT_NE(vrl::client::findApplesmcChannels(dir_).error().message.find("not loaded"), std::string::npos);
    // Another chip first, with channels of its own, in the new layout.
    write("class/hwmon/hwmon0/name", "coretemp\n");
    write("class/hwmon/hwmon0/temp1_label", "Package id 0\n");
    kernelApplesmc(*this, "hwmon3");
    write("devices/platform/applesmc.768/name", "applesmc\n");
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"temp1_label", "TA0P\n"}, {"temp2_label", "TC0P\n"}, {"temp10_label", "TC0P\n"},
             {"temp3_input", "40000\n"}, {"fan1_input", "2000\n"}, {"fan2_input", "0\n"}, {"fan2_label", "Right\n"},
             {"fanx_input", "1\n"}, {"temp0_label", "TZZZ\n"}})
        write("devices/platform/applesmc.768/" + name, text);
    const auto found = vrl::client::findApplesmcChannels(dir_);
    ASSERT_TRUE(found) << found.error().message;
    EXPECT_EQ(found->attributeDirectory, fs::canonical(dir_ / "devices/platform/applesmc.768"));
    EXPECT_EQ(found->temperatureByKey, (std::map<std::string, int>{{"TA0P", 1}, {"TC0P", 2}}));
    EXPECT_EQ(found->fans, (std::set<int>{1, 2}));

    // A driver of the new kind keeps name and readings in the hwmon directory.
    fs::remove_all(dir_ / "devices/platform/applesmc.768");
    write("class/hwmon/hwmon0/name", "applesmc\n");
    const auto modern = vrl::client::findApplesmcChannels(dir_);
    ASSERT_TRUE(modern) << modern.error().message;
    EXPECT_EQ(modern->temperatureByKey, (std::map<std::string, int>{{"Package id 0", 1}}));
    // Named applesmc but without a single channel: no configuration to make.
    fs::remove(dir_ / "class/hwmon/hwmon0/temp1_label");
    EXPECT_NE(vrl::client::findApplesmcChannels(dir_).error().message.find("shows no temperature or fan"),
              std::string::npos);
}

TEST(SensorsConfig, LabelsEveryListedChannelAndNotesTheRest) {
    vrl::client::ApplesmcChannels channels{"/sys/devices/platform/applesmc.768", {{"TC0P", 3}, {"TB0P", 1}}, {1, 11}};
    ModelData data = kMixed;
    data.emplace_back("FAAc", fan("Eleventh", 1500.0, 1000.0, 3000.0));
    data.emplace_back("TM0P", temperature("Memory \"A\" \\ B\n", 40.0));
    channels.temperatureByKey.emplace("TM0P", 12);
    const vrl::client::SensorsConfig config = vrl::client::formatSensorsConfig(data, channels);
    // Titled, whether or not the reading is a measurement now: a label names
    // the channel, not today's value.
    const std::string labels = config.text.substr(config.text.find("chip \"applesmc-*\"\n"));
    EXPECT_EQ(labels,
              "chip \"applesmc-*\"\n"
              "    label fan1 \"Left Side\"\n"
              "    label fan11 \"Eleventh\"\n"
              "    label temp1 \"Battery 1\"\n"
              "    label temp3 \"CPU Proximity\"\n"
              "    label temp12 \"Memory \\\"A\\\" \\\\ B\\n\"\n"
              "    # TB0P reads -127 \u00b0C or below: the SMC has no sensor there\n"
              "    ignore temp1\n");
    ASSERT_EQ(config.notes.size(), 6u);  // F1Ac, F2Ac, TC1C, TB1P, TG0D, TA0P
    EXPECT_EQ(config.notes[0],
              "F1Ac (Right Side) is not among the applesmc driver's fans in /sys/devices/platform/applesmc.768; "
              "no label for it");
    EXPECT_NE(config.notes[2].find("TC1C (CPU Core 1) is not among the applesmc driver's temperatures"),
              std::string::npos);
}

using AtomicFile = TempDir;

TEST_F(AtomicFile, ReplacesWholeReadableByAllAndLeavesNothingBehind) {
    const fs::path target = dir_ / "vorrel.prom";
    ::umask(077);
    ASSERT_TRUE(vrl::client::replaceFile(target, "first\n"));
    ASSERT_TRUE(vrl::client::replaceFile(target, "second\n"));
    ::umask(022);
    std::ifstream in(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "second\n");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0644));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);
    const auto missing = vrl::client::replaceFile(dir_ / "missing" / "f", "x");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("cannot create a file in"), std::string::npos);
}

std::string contentOf(const fs::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What an administrator may point --output at: only regular files are
// replaced (through links, keeping mode and owner); whatever else is there is
// refused and stays exactly as it was.
TEST_F(AtomicFile, ReplacesOnlyRegularFilesThroughLinksKeepingModeAndOwner) {
    const bool root = ::geteuid() == 0;
    if (root) ASSERT_EQ(::mknod((dir_ / "null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    fs::create_directories(dir_ / "directory" / "inside");
    fs::create_directory(dir_ / "state");
    std::ofstream(dir_ / "state" / "target.prom") << "old\n";
    fs::create_symlink("state/target.prom", dir_ / "link.prom");
    fs::create_symlink(dir_ / "link.prom", dir_ / "chain.prom");
    fs::create_symlink("state/new.prom", dir_ / "dangling.prom");
    std::ofstream(dir_ / "readonly") << "old\n";
    fs::permissions(dir_ / "readonly", fs::perms(0440));
    if (root) ASSERT_EQ(::chown((dir_ / "readonly").c_str(), 4321, 4321), 0);

    struct Case {
        std::string path;
        std::string refusal;   // empty: replaced
        std::string written;   // the file that must now hold the content
    };
    const Case cases[] = {
        {"null", root ? "it is a character device, not a regular file" : "", ""},
        {"fifo", "it is a FIFO, not a regular file", ""},
        {"directory", "it is a directory, not a regular file", ""},
        {"link.prom", "", "state/target.prom"},
        {"chain.prom", "", "state/target.prom"},
        {"dangling.prom", "", "state/new.prom"},
        {"readonly", "", "readonly"},
    };
    for (const Case& c : cases) {
        if (c.refusal.empty() && c.written.empty()) continue;  // no device node without root
        const auto replaced = vrl::client::replaceFile(dir_ / c.path, "new\n");
        if (!c.refusal.empty()) {
            ASSERT_FALSE(replaced) << c.path;
            EXPECT_NE(replaced.error().message.find(c.refusal), std::string::npos)
                << c.path << ": " << replaced.error().message;
            continue;
        }
        EXPECT_TRUE(replaced) << c.path << ": " << replaced.error().message;
        EXPECT_EQ(contentOf(dir_ / c.written), "new\n") << c.path;
    }
    if (root) EXPECT_TRUE(fs::is_character_file(dir_ / "null"));
    EXPECT_TRUE(fs::is_fifo(dir_ / "fifo"));
    EXPECT_TRUE(fs::exists(dir_ / "directory" / "inside"));
    for (const char* link : {"link.prom", "chain.prom", "dangling.prom"}) EXPECT_TRUE(fs::is_symlink(dir_ / link));
    EXPECT_EQ(fs::status(dir_ / "readonly").permissions(), fs::perms(0440));
    struct stat kept {};
    ASSERT_EQ(::stat((dir_ / "readonly").c_str(), &kept), 0);
    if (root) EXPECT_EQ(std::make_pair(kept.st_uid, kept.st_gid), std::make_pair(4321u, 4321u));
    // Nothing left behind: the seven names, and the state directory's two files.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), root ? 8 : 7);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "state"), {}), 2);
}

TEST(SensorsOptions, FormatsOutputAndWhatContradicts) {
    using vrl::client::OutputFormat;
    const auto format = [](std::vector<std::string> args) {
        return vrl::client::parseSensorsOptions(args).value().format;
    };
    EXPECT_EQ(format({}), OutputFormat::table);
    EXPECT_EQ(format({"-j"}), OutputFormat::json);
    EXPECT_EQ(format({"--json", "--format=json"}), OutputFormat::json);
    EXPECT_EQ(format({"-f", "prometheus"}), OutputFormat::prometheus);
    EXPECT_EQ(format({"--format", "sensors-conf"}), OutputFormat::sensorsConf);
    EXPECT_EQ(vrl::client::parseSensorsOptions({"-o", "/x/y.prom", "-w", "15"}).value().outputPath, "/x/y.prom");
    const std::pair<std::vector<std::string>, std::string> errors[] = {
        {{"--format=xml"}, "--format must be table, json, prometheus or sensors-conf, not 'xml'"},
        {{"--json", "--format=prometheus"}, "two different formats given (the last: 'prometheus')"},
        {{"--format=sensors-conf", "--watch=5"}, "--watch does not go with --format=sensors-conf, which describes the machine once"},
        {{"--output="}, "--output needs a path"},
        {{"--watch=0.09"}, "--watch needs a number of seconds from 0.1 to 86400, not '0.09'"},
        {{"--watch=99999999999999999999"},
         "--watch needs a number of seconds from 0.1 to 86400, not '99999999999999999999'"},
        {{"--watch=1e999"}, "--watch needs a number of seconds from 0.1 to 86400, not '1e999'"},
    };
    for (const auto& [args, error] : errors)
        EXPECT_EQ(vrl::client::parseSensorsOptions(args).error().message, error) << args[0];
    EXPECT_EQ(vrl::client::parseSensorsOptions({"--watch=0.1"}).value().watchSeconds, 0.1);
    EXPECT_EQ(vrl::client::parseSensorsOptions({"--watch=86400"}).value().watchSeconds, 86400.0);
}

}  // namespace
