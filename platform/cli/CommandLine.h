#pragma once
// The command-line convention of every program here, on getopt_long: long
// options with "--name value" or "--name=value", short letters where a program
// gives them, and a usage error that names the argument at fault.
//
// Any thread, but not two at once: getopt_long keeps its cursor in the C
// library's globals, which parseCommandLine resets before and after use.
// Never throws.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::cli {

struct OptionSpec {
    std::string name;       // the long name, without "--"
    char letter = 0;        // the short form, 0 for none
    bool takesValue = false;
    // With takesValue: the value may be left out, and is then given only as
    // "--name=value" (getopt's optional_argument); the option's value is
    // empty where it was left out.
    bool valueOptional = false;
};

struct GivenOption {
    std::string name;  // the long name of OptionSpec
    std::string value; // empty for an option without a value
};

struct CommandLine {
    std::vector<GivenOption> options;  // in the order given
    std::string error;                 // non-empty on a usage error; options then incomplete
};

// Parses `args` (without the program name). Unknown options, a missing value,
// a value given to an option that takes none, and any argument that is no
// option are usage errors; the message names the argument.
CommandLine parseCommandLine(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs);

// A finite number of seconds greater than zero, written as a whole decimal
// number or with a fraction ("2", "0.5"); nothing for anything else.
std::optional<double> parsePositiveSeconds(std::string_view text);

// "PROGRAM: ERROR\nTry 'PROGRAM --help' for more information.\n": what each
// program prints on a usage error before it exits with kUsageExitStatus.
std::string usageErrorText(std::string_view program, std::string_view error);

inline constexpr int kUsageExitStatus = 2;

// What each program's own parser returns: its options, or the usage error.
template <typename Options>
struct ParsedOptions {
    std::optional<Options> options;
    std::string error;  // names the argument at fault; set when options is empty
};

}  // namespace platform::cli
