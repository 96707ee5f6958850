#include "platform/cli/CommandLine.h"

#include <getopt.h>

#include <array>
#include <charconv>
#include <cmath>

namespace platform::cli {
namespace {

// getopt_long returns the index into the long-option table, offset past every
// character a short option could use.
constexpr int kLongIndexBase = 256;

std::string shortOptionString(const std::vector<OptionSpec>& specs) {
    std::string text = ":";  // a missing value is reported apart from an unknown option
    for (const OptionSpec& spec : specs) {
        if (spec.letter == 0) continue;
        text += spec.letter;
        if (spec.takesValue) text += ':';
    }
    return text;
}

int argumentKind(const OptionSpec& spec) {
    if (!spec.takesValue) return no_argument;
    return spec.valueOptional ? optional_argument : required_argument;
}

std::vector<option> longOptionTable(const std::vector<OptionSpec>& specs) {
    std::vector<option> table;
    for (std::size_t i = 0; i < specs.size(); ++i)
        table.push_back({specs[i].name.c_str(), argumentKind(specs[i]), nullptr, kLongIndexBase + static_cast<int>(i)});
    table.push_back({nullptr, 0, nullptr, 0});
    return table;
}

const OptionSpec* specByLetter(const std::vector<OptionSpec>& specs, int letter) {
    for (const OptionSpec& spec : specs)
        if (spec.letter != 0 && spec.letter == letter) return &spec;
    return nullptr;
}

// The option getopt just stopped at, as the user wrote it ("-x", "--bogus").
std::string offendingOption(char* const* argv) {
    if (optopt > 0 && optopt < kLongIndexBase) return std::string("-") + static_cast<char>(optopt);
    const std::string written = argv[optind - 1];
    return written.substr(0, written.find('='));
}

// Whether `arg` would be read as one of `specs` were it in an option's place:
// "--name" (getopt accepts any unambiguous beginning of a long name) or "-l".
bool isOneOf(std::string_view arg, const std::vector<OptionSpec>& specs) {
    if (arg.size() < 2 || arg[0] != '-') return false;
    if (arg[1] != '-') return specByLetter(specs, static_cast<unsigned char>(arg[1])) != nullptr;
    std::string_view name = arg.substr(2);
    name = name.substr(0, name.find('='));
    for (const OptionSpec& spec : specs)
        if (!name.empty() && spec.name.starts_with(name)) return true;
    return false;
}

// A value getopt took from the next argument, which is itself an option.
bool valueIsAnotherOption(const OptionSpec& spec, char* const* argv, const std::vector<OptionSpec>& specs) {
    return spec.takesValue && optarg != nullptr && optarg == argv[optind - 1] && isOneOf(optarg, specs);
}

std::string errorFor(int result, char* const* argv, const std::vector<OptionSpec>& specs) {
    const std::string given = offendingOption(argv);
    if (result == ':') return "option '" + given + "' needs a value";
    for (const OptionSpec& spec : specs)
        if ("--" + spec.name == given) return "option '" + given + "' takes no value";
    return "unknown option '" + given + "'";
}

}  // namespace

platform::Result<std::vector<GivenOption>> parseCommandLine(const std::vector<std::string>& args,
                                                            const std::vector<OptionSpec>& specs) {
    std::vector<std::string> storage{"program"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : storage) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string shortOptions = shortOptionString(specs);
    const std::vector<option> longOptions = longOptionTable(specs);

    std::vector<GivenOption> given;
    std::string error;
    opterr = 0;
    optind = 0;  // 0, not 1: glibc then starts over completely
    const int argc = static_cast<int>(storage.size());
    for (;;) {
        optopt = 0;
        const int got = getopt_long(argc, argv.data(), shortOptions.c_str(), longOptions.data(), nullptr);
        if (got == -1) break;
        const OptionSpec* spec = got >= kLongIndexBase ? &specs[got - kLongIndexBase] : specByLetter(specs, got);
        if (got == '?' || got == ':' || spec == nullptr) {
            error = errorFor(got, argv.data(), specs);
            break;
        }
        if (valueIsAnotherOption(*spec, argv.data(), specs)) {
            const std::string written = argv[optind - 2];
            error = "option '" + written.substr(0, written.find('=')) + "' needs a value";
            break;
        }
        given.push_back({spec->name, spec->takesValue && optarg != nullptr ? optarg : ""});
    }
    if (error.empty() && optind < argc) error = "unexpected argument '" + std::string(argv[optind]) + "'";
    optind = 0;
    if (!error.empty()) return platform::fail(error);
    return given;
}

namespace {

std::string shortest(double number) {
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), number).ptr;
    return std::string(text.data(), end);
}

}  // namespace

platform::Result<double> parseSeconds(std::string_view option, std::string_view text, SecondsRange range) {
    double seconds = 0;
    const char* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(text.data(), end, seconds, std::chars_format::fixed);
    if (error != std::errc{} || next != end || text.empty() || !std::isfinite(seconds) || seconds < range.least ||
        seconds > range.most)
        return platform::fail(std::string(option) + " needs a number of seconds from " + shortest(range.least) +
                              " to " + shortest(range.most) + ", not '" + std::string(text) + "'");
    return seconds;
}

std::string usageErrorText(std::string_view program, std::string_view error) {
    std::string text(program);
    text.append(": ").append(error).append("\nTry '").append(program).append(" --help' for more information.\n");
    return text;
}

}  // namespace platform::cli
