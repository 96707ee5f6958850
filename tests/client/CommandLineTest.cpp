#include <gtest/gtest.h>

#include "platform/cli/CommandLine.h"

namespace {

using platform::cli::parseCommandLine;
using platform::cli::parseSeconds;

const std::vector<platform::cli::OptionSpec> kSpecs{
    {"json", 'j', false}, {"watch", 'w', true}, {"socket", 0, true}, {"help", 'h', false}, {"dump", 0, true, true}};

std::string given(const std::vector<std::string>& args) {
    const auto line = parseCommandLine(args, kSpecs);
    if (!line) return "error: " + line.error().message;
    std::string text;
    for (const auto& option : *line) text += option.name + "=" + option.value + ";";
    return text;
}

TEST(CommandLine, ValuesJoinedOrSeparateLongOrShort) {
    EXPECT_EQ(given({"--watch=2", "--socket", "/s", "-j"}), "watch=2;socket=/s;json=;");
    EXPECT_EQ(given({"-jw", "3", "-w4"}), "json=;watch=3;watch=4;");
    // A value that only looks like an option of another program, or is
    // joined to its own, is taken as written.
    EXPECT_EQ(given({"--socket", "-x"}), "socket=-x;");
    EXPECT_EQ(given({"--socket=--help", "-w--json"}), "socket=--help;watch=--json;");
    EXPECT_EQ(given({"--socket", "-"}), "socket=-;");
    // The C library's cursor is reset: a second parse starts over.
    EXPECT_EQ(given({"-h"}), "help=;");
    // An optional value comes joined or not at all.
    EXPECT_EQ(given({"--dump", "-j", "--dump=/f"}), "dump=;json=;dump=/f;");
    EXPECT_EQ(given({"--dump", "/f"}), "error: unexpected argument '/f'");
}

TEST(CommandLine, EveryUsageErrorNamesTheArgument) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--bogus=1"}, "unknown option '--bogus'"},
        {{"-x"}, "unknown option '-x'"},
        {{"-jx"}, "unknown option '-x'"},
        {{"--watch"}, "option '--watch' needs a value"},
        {{"-w"}, "option '-w' needs a value"},
        {{"--json=yes"}, "option '--json' takes no value"},
        {{"-j", "stray"}, "unexpected argument 'stray'"},
        {{"stray", "-j"}, "unexpected argument 'stray'"},  // getopt moves it behind the options
        // One of the program's own options where a value belongs: the value
        // was forgotten, and the option is not to be swallowed as a path.
        {{"--socket", "--watch", "2"}, "option '--socket' needs a value"},
        {{"--socket", "--wat=2"}, "option '--socket' needs a value"},
        {{"--watch", "-j"}, "option '--watch' needs a value"},
        {{"-w", "--help"}, "option '-w' needs a value"},
    };
    for (const auto& [args, error] : cases) EXPECT_EQ(given(args), "error: " + error) << args[0];
}

TEST(CommandLine, SecondsWithinTheRangeAndEveryOtherValueNamed) {
    constexpr platform::cli::SecondsRange range{0.1, 86400};
    EXPECT_EQ(parseSeconds("--watch", "2", range), 2.0);
    EXPECT_EQ(parseSeconds("--watch", "0.1", range), 0.1);
    EXPECT_EQ(parseSeconds("--watch", "86400", range), 86400.0);
    const std::string beyondDouble(400, '9');
    for (const std::string bad : {"", "0", "-1", "0.0999", "86400.5", "2s", " 2", "inf", "nan", "1e3", "0x10",
                                  "99999999999999999999999999", beyondDouble.c_str()}) {
        const auto seconds = parseSeconds("--watch", bad, range);
        ASSERT_FALSE(seconds) << bad;
        EXPECT_EQ(seconds.error().message, "--watch needs a number of seconds from 0.1 to 86400, not '" + bad + "'");
    }
    EXPECT_EQ(parseSeconds("--interval", "0", {1, 2592000}).error().message,
              "--interval needs a number of seconds from 1 to 2592000, not '0'");
}

}  // namespace
