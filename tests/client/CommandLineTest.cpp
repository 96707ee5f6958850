#include <gtest/gtest.h>

#include "platform/cli/CommandLine.h"

namespace {

using platform::cli::parseCommandLine;
using platform::cli::parsePositiveSeconds;

const std::vector<platform::cli::OptionSpec> kSpecs{
    {"json", 'j', false}, {"watch", 'w', true}, {"socket", 0, true}, {"help", 'h', false}, {"dump", 0, true, true}};

std::string given(const platform::cli::CommandLine& line) {
    std::string text;
    for (const auto& option : line.options) text += option.name + "=" + option.value + ";";
    return text;
}

TEST(CommandLine, ValuesJoinedOrSeparateLongOrShort) {
    EXPECT_EQ(given(parseCommandLine({"--watch=2", "--socket", "/s", "-j"}, kSpecs)), "watch=2;socket=/s;json=;");
    EXPECT_EQ(given(parseCommandLine({"-jw", "3", "-w4"}, kSpecs)), "json=;watch=3;watch=4;");
    // "--watch -j" takes "-j" as the value, as getopt does everywhere.
    EXPECT_EQ(given(parseCommandLine({"--watch", "-j"}, kSpecs)), "watch=-j;");
    // The C library's cursor is reset: a second parse starts over.
    EXPECT_EQ(given(parseCommandLine({"-h"}, kSpecs)), "help=;");
    // An optional value comes joined or not at all.
    EXPECT_EQ(given(parseCommandLine({"--dump", "-j", "--dump=/f"}, kSpecs)), "dump=;json=;dump=/f;");
    EXPECT_EQ(parseCommandLine({"--dump", "/f"}, kSpecs).error, "unexpected argument '/f'");
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
    };
    for (const auto& [args, error] : cases) EXPECT_EQ(parseCommandLine(args, kSpecs).error, error) << args[0];
}

TEST(CommandLine, SecondsArePositiveFiniteDecimals) {
    EXPECT_EQ(parsePositiveSeconds("2"), 2.0);
    EXPECT_EQ(parsePositiveSeconds("0.25"), 0.25);
    for (const char* bad : {"", "0", "-1", "2s", " 2", "inf", "nan", "1e3", "0x10"})
        EXPECT_FALSE(parsePositiveSeconds(bad)) << bad;
}

}  // namespace
