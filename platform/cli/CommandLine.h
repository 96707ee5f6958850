#pragma once
// The command-line convention of every program here, on getopt_long: long
// options with "--name value" or "--name=value", short letters where a program
// gives them, and a usage error that names the argument at fault.
//
// Any thread, but not two at once: getopt_long keeps its cursor in the C
// library's globals, which parseCommandLine resets before and after use.
// Never throws.
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Result.h"

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

// Parses `args` (without the program name) into the options in the order
// given. Unknown options, a missing value, a value given to an option that
// takes none, and any argument that is no option are usage errors; the message
// names the argument. A value written as a separate argument that is itself
// one of `specs` ("--socket --help") counts as missing: it is far more likely
// a forgotten value than a path that starts with a dash, which can still be
// given joined ("--socket=--help").
platform::Result<std::vector<GivenOption>> parseCommandLine(const std::vector<std::string>& args,
                                                            const std::vector<OptionSpec>& specs);

// The seconds an option accepts, both ends included.
struct SecondsRange {
    double least;
    double most;
};

// The value of `option` (its name with dashes, for the message) as a number
// of seconds within `range`, written as a whole decimal number or with a
// fraction ("2", "0.5"). Anything else, a value too large for a double
// included, is an error that names the option, the value and the range.
platform::Result<double> parseSeconds(std::string_view option, std::string_view text, SecondsRange range);

// "PROGRAM: ERROR\nTry 'PROGRAM --help' for more information.\n": what each
// program prints on a usage error before it exits with kUsageExitStatus.
std::string usageErrorText(std::string_view program, std::string_view error);

inline constexpr int kUsageExitStatus = 2;

}  // namespace platform::cli
