#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/process/command_line.h"

namespace zovi::platform {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineSplit, FollowsTheWindowsRules) {
    const std::pair<std::string, Args> cases[] = {
        {"", {}},
        {"prog", {"prog"}},
        {"\"/opt/my app/ZoviMux\" a b", {"/opt/my app/ZoviMux", "a", "b"}},
        {"prog \"\" x \"\" ", {"prog", "", "x", ""}},
        {"prog \"a b\"c d", {"prog", "a bc", "d"}},
        {"prog a\\\\b a\\\"b", {"prog", "a\\\\b", "a\"b"}},   // backslashes stay unless before "
        {"prog \"a\\\\\" b", {"prog", "a\\", "b"}},           // 2n backslashes, then the quote ends
        {"prog \"a\\\\\\\"\" b", {"prog", "a\\\"", "b"}},     // 2n+1: n and a literal quote
        {"prog \"say \"\"hi\"\"\"", {"prog", "say \"hi\""}},  // "" inside quotes
        {"  prog\t a  ", {"prog", "a"}},
        {"c:\\dir\\prog.exe x", {"c:\\dir\\prog.exe", "x"}},  // the program keeps backslashes
    };
    for (const auto& [line, args] : cases) EXPECT_EQ(SplitCommandLine(line), args) << line;
}

TEST(CommandLineSplit, QuotedArgumentsRoundTrip) {
    const std::string cases[] = {
        "",
        "plain",
        "/home/u/Videos/Zovi录屏/Zovi录屏-20240101-120000.mp4",
        "/tmp/a b/\"quoted\" 名字.mkv",
        "trailing\\",
        "trailing\\\\",
        "\\\"",
        "a\\\\\"b\\c",
        "\"",
        "\t tabs and  blanks \t",
    };
    std::string line = "\"/bin/prog\"";
    Args expected{"/bin/prog"};
    for (const std::string& arg : cases) {
        EXPECT_EQ(SplitCommandLine("p " + QuoteCommandLineArgument(arg)), (Args{"p", arg})) << arg;
        line += " " + QuoteCommandLineArgument(arg);
        expected.push_back(arg);
    }
    EXPECT_EQ(SplitCommandLine(line), expected);
}

}  // namespace
}  // namespace zovi::platform
