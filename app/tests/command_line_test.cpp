#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/command_line_controller.h"
#include "app/run_modes.h"
#include "core/deferred/at_exit.h"
#include "platform/base/utf8.h"

namespace {

TEST(CommandLineTest, SwitchesAndParameters) {
    struct Case {
        std::vector<std::wstring> arguments;
        std::uint32_t mode;
        CommandLineParams params;
    } cases[] = {
        {{}, RUN_MODE_NONE, {}},
        {{L"/CAPTURE"}, RUN_MODE_CAPTURE, {}},
        {{L"/foo"}, RUN_MODE_NONE, {}},
        {{L"/player", L"/wb"}, RUN_MODE_WHITEBOARD, {}},
        {{L"/wb", L"/unknown"}, RUN_MODE_WHITEBOARD, {}},
        {{L"/Debug"}, RUN_MODE_DEBUG, {}},
        {{L"/uploader", L"--dmp_file=/a b/c.zip"}, RUN_MODE_UPLOADER, {{PARAM_DMP_FILE, L"/a b/c.zip"}}},
        {{L"--DMP_FILE=/a b/c.zip"}, RUN_MODE_NONE, {{PARAM_DMP_FILE, L"/a b/c.zip"}}},
        {{L"-dmp_file=x"}, RUN_MODE_NONE, {}},
        {{L"--dmp_file="}, RUN_MODE_NONE, {{PARAM_DMP_FILE, L""}}},
        {{L"--dmp_file"}, RUN_MODE_NONE, {}},
        {{L"--hwnd=5"}, RUN_MODE_NONE, {{PARAM_HWND, L"5"}}},
        {{L"--h=1", L"--w=2", L"--h=3"}, RUN_MODE_NONE, {{PARAM_W, L"2"}, {PARAM_H, L"3"}}},
        {{L"--url=http://x/?a=b", L"--maxlimit=9", L"--dmp_log=l"}, RUN_MODE_NONE,
         {{PARAM_URL, L"http://x/?a=b"}, {PARAM_MAXLIMIT, L"9"}, {PARAM_DMP_LOG, L"l"}}},
        {{L"", L"capture", L"/", L"--"}, RUN_MODE_NONE, {}},
    };
    for (const Case& c : cases) {
        ParsedCommandLine parsed = ParseCommandLine(c.arguments);
        std::wstring joined;
        for (const auto& a : c.arguments) joined += a + L" ";
        EXPECT_EQ(parsed.mode, c.mode) << std::string(joined.begin(), joined.end());
        EXPECT_EQ(parsed.params, c.params) << std::string(joined.begin(), joined.end());
    }
}

TEST(CommandLineTest, ArgumentsWithOddBytesRoundTrip) {
    char program[] = "ZoviCapture";
    char odd[] = "--dmp_file=/tmp/\xFF\xE5\xBD\x95 x.zip";
    char* argv[] = {program, odd, nullptr};
    SetProgramArguments(2, argv);
    ParsedCommandLine parsed = ParseCommandLine(GetProgramArguments());
    ASSERT_EQ(parsed.params.count(PARAM_DMP_FILE), 1u);
    EXPECT_EQ(zovi::platform::EncodeUtf8Lossless(parsed.params[PARAM_DMP_FILE]), "/tmp/\xFF\xE5\xBD\x95 x.zip");
}

TEST(CommandLineTest, ControllerMakesTheModesApplication) {
    struct Case {
        std::vector<std::wstring> arguments;
        bool capture, debug, player, whiteboard;
    } cases[] = {
        {{}, true, false, false, false},
        {{L"/capture"}, true, false, false, false},
        {{L"/debug"}, false, true, false, false},
        {{L"/player"}, false, false, true, false},
        {{L"/wb"}, false, false, false, true},
    };
    for (const Case& c : cases) {
        auto app = CCommandLineController::MakeApplication(ParseCommandLine(c.arguments).mode);
        EXPECT_EQ(dynamic_cast<CApplicationCapture*>(app.get()) != nullptr, c.capture);
        EXPECT_EQ(dynamic_cast<CApplicationDebug*>(app.get()) != nullptr, c.debug);
        EXPECT_EQ(dynamic_cast<CApplicationPlayer*>(app.get()) != nullptr, c.player);
        EXPECT_EQ(dynamic_cast<CApplicationWhiteBoard*>(app.get()) != nullptr, c.whiteboard);
    }
    CCommandLineController* controller = CCommandLineController::GetInstance();
    controller->Apply({L"/debug", L"--dmp_file=z"});
    EXPECT_TRUE(controller->Run());
    ASSERT_NE(controller->Application(), nullptr);
    EXPECT_EQ(controller->Application()->mode, RUN_MODE_DEBUG);
    EXPECT_EQ(controller->Application()->params.at(PARAM_DMP_FILE), L"z");
    auto window = std::make_shared<int>(0);
    EXPECT_FALSE(IsRunModeWindow(window.get()));
    controller->Application()->window = window;
    EXPECT_TRUE(IsRunModeWindow(window.get()));
    RunAtExitList();
    EXPECT_FALSE(IsRunModeWindow(window.get()));
    EXPECT_EQ(window.use_count(), 1);  // released with the application object
}

}  // namespace
