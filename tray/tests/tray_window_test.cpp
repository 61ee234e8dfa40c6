// The tray window's own logic in this process: the blink rule and the add-retry limit on
// a manual clock, the menu tables and where the menu opens, and the message map with the
// road to the main program replaced by a recorder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "core/traylink/tray_link.h"
#include "platform/base/clock.h"
#include "platform/screen/monitor_from.h"
#include "platform/window/hotkeys.h"
#include "platform/window/popup_menu.h"
#include "platform/window/window.h"
#include "platform/x11/testing/killable_x_server.h"
#include "tray/tray_icon.h"
#include "tray/tray_main_wnd.h"
#include "tray/tray_menu.h"
#include "tray/tray_messages.h"

namespace {

using zovi::platform::CManualClock;


// Installs a manual clock for one test, at a tick count well past the blink window.
class ManualClockScope {
public:
    ManualClockScope() {
        clock_.Advance(60'000'000'000LL);
        zovi::platform::SetClockForTesting(&clock_);
    }
    ~ManualClockScope() { zovi::platform::SetClockForTesting(nullptr); }
    void AdvanceMs(LONGLONG ms) { clock_.Advance(ms * 1'000'000); }

private:
    CManualClock clock_;
};

TEST(TrayBlinkTest, RequestAlternatesForFifteenHundredMillisecondsThenSettles) {
    ManualClockScope clock;
    CBlinkState blink;
    EXPECT_TRUE(blink.Tick());  // steady before any request
    blink.Request();
    // Ticks every 500 ms: empty, shown, empty, shown (1500 ms still inside), then steady.
    const bool expected[] = {false, true, false, true, true, true};
    for (int tick = 0; tick < 6; ++tick) {
        clock.AdvanceMs(tick == 0 ? 0 : 500);
        EXPECT_EQ(blink.Tick(), expected[tick]) << "tick " << tick;
    }
}

TEST(TrayBlinkTest, RequestsEverySecondKeepItBlinking) {
    ManualClockScope clock;
    CBlinkState blink;
    std::vector<bool> shown;
    for (int tick = 0; tick < 12; ++tick) {
        if (tick % 2 == 0) blink.Request();  // a recording reports each second
        shown.push_back(blink.Tick());
        clock.AdvanceMs(500);
    }
    for (size_t i = 1; i < shown.size(); ++i) EXPECT_NE(shown[i], shown[i - 1]) << "tick " << i;
}

TEST(TrayBlinkTest, IntervalSurvivesTheTickCountWrap) {
    ManualClockScope clock;
    // Just before the 32-bit tick count wraps.
    clock.AdvanceMs(0x100000000LL - (GetTickCount64() & 0xFFFFFFFF) - 200);
    CBlinkState blink;
    EXPECT_TRUE(blink.Tick());
    blink.Request();
    clock.AdvanceMs(500);  // across the wrap
    EXPECT_FALSE(blink.Tick());
    clock.AdvanceMs(1100);
    EXPECT_TRUE(blink.Tick());
    EXPECT_TRUE(blink.Tick());  // 1600 ms: steady
}

TEST(TrayMenuTest, LanguageSelectsTheMenuExactly) {
    const struct {
        const wchar_t* lang;
        UINT menu;
    } cases[] = {{L"zh-CN", kTrayMenuChinese}, {L"zh-cn", kTrayMenuEnglish}, {L"ZH-CN", kTrayMenuEnglish},
                 {L"en-US", kTrayMenuEnglish}, {L"", kTrayMenuEnglish},      {L"zh-CN ", kTrayMenuEnglish}};
    for (const auto& c : cases) EXPECT_EQ(TrayMenuFor(c.lang), c.menu) << std::wstring(c.lang).size();
}

TEST(TrayMenuTest, TablesHoldTheItemsWithTheSeparatorBeforeExit) {
    const std::vector<std::pair<UINT, std::wstring>> chinese = {
        {32000, L"打开主界面"}, {32002, L"设置"}, {32004, L"打开官网"}, {0, L""}, {32003, L"退出"}};
    const std::vector<std::pair<UINT, std::wstring>> english = {
        {32000, L"Open Zovi录屏"}, {32002, L"Options"}, {32004, L"Homepage"}, {0, L""}, {32003, L"Exit"}};
    for (const auto& [menu, wanted] : {std::pair{kTrayMenuChinese, chinese}, std::pair{kTrayMenuEnglish, english}}) {
        std::vector<std::pair<UINT, std::wstring>> rows;
        for (const TrayMenuRow* row = TrayMenuRows(menu); row->text; ++row) rows.emplace_back(row->id, row->text);
        EXPECT_EQ(rows, wanted) << menu;
        HMENU loaded = LoadTrayMenu(menu);
        ASSERT_NE(loaded, nullptr);
        EXPECT_NE(GetSubMenu(loaded, 0), nullptr);
        DestroyMenu(loaded);
    }
    EXPECT_EQ(TrayMenuRows(203), nullptr);
    EXPECT_EQ(LoadTrayMenu(203), nullptr);
}

TEST(TrayMenuTest, PointOutsideEveryMonitorIsClampedHorizontallyIntoTheNearestWorkArea) {
    // Two monitors side by side; the right one's work area leaves a panel on its left.
    zovi::platform::MonitorInfo left, right;
    left.rcMonitor = left.rcWork = RECT{0, 0, 1000, 800};
    left.dwFlags = MONITORINFOF_PRIMARY;
    right.rcMonitor = RECT{1000, 0, 2000, 600};
    right.rcWork = RECT{1040, 0, 2000, 600};
    zovi::platform::SetVirtualMonitors({left, right});
    const struct {
        POINT in, out;
    } cases[] = {
        {{500, 400}, {500, 400}},      // on a monitor: as it is
        {{1020, 300}, {1020, 300}},    // on a monitor, outside its work area: as it is
        {{-50, 300}, {0, 300}},        // left of everything
        {{2300, 500}, {2000, 500}},    // right of everything, within the right one's height
        {{1500, 700}, {1500, 700}},    // below the right monitor: nearest work area holds x
        {{2500, 700}, {2000, 700}},    // below and right: x clamped, y kept
        {{-20, -30}, {0, -30}},        // above and left
    };
    for (const auto& c : cases) {
        const POINT got = ClampMenuPoint(c.in);
        EXPECT_EQ(got.x, c.out.x) << c.in.x << "," << c.in.y;
        EXPECT_EQ(got.y, c.out.y) << c.in.x << "," << c.in.y;
    }
    zovi::platform::SetVirtualMonitors({});
}

// Records what the window asks of the program; hotkeys "register" as the six ids.
class RecordingServices : public ITrayServices {
public:
    void SendCommandToMain(UINT id, HWND) override { calls.push_back("main " + std::to_string(id)); }
    void SendCommandToRunningMain(UINT id, HWND) override { calls.push_back("running " + std::to_string(id)); }
    void RegisterHotkeys(HWND, std::set<int>& registered) override {
        calls.push_back("register");
        for (int id = 33000; id <= 33005; ++id) registered.insert(id);
    }
    void UnregisterHotkeys(HWND, std::set<int>& registered) override {
        calls.push_back("unregister");
        registered.clear();
    }
    void ApplyLanguage() override { calls.push_back("language"); }
    std::wstring ReadLanguage() override { return L""; }

    std::vector<std::string> Take() { return std::exchange(calls, {}); }
    std::vector<std::string> calls;
};

// A private X server with no notification area, and the tray window on it; the add
// retries run on the manual clock.
class TrayWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(server_.Name().empty());
        setenv("DISPLAY", server_.Name().c_str(), 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");  // no StatusNotifierWatcher either
        window_ = std::make_unique<CTrayMainWnd>(services_);
        const DWORD start = GetTickCount();
        ASSERT_NE(window_->Create(), 0u);
        createdAfterMs_ = GetTickCount() - start;
    }
    void TearDown() override { window_.reset(); }

    // Dispatches what is queued for the window now.
    void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit_ = true;
                continue;
            }
            DispatchMessageW(&msg);
        }
    }

    zovi::test::CKillableXServer server_;
    ManualClockScope clock_;
    RecordingServices services_;
    std::unique_ptr<CTrayMainWnd> window_;
    DWORD createdAfterMs_ = 0;
    bool quit_ = false;
};

TEST_F(TrayWindowTest, WithoutNotificationAreaRunsOnAfterFifteenSecondsWithItsHotkeys) {
    EXPECT_EQ(createdAfterMs_, 15000u);  // 250 ms steps until 15 s had passed
    EXPECT_FALSE(window_->IsIconShown());
    EXPECT_EQ(services_.Take(), (std::vector<std::string>{"language", "register"}));
    EXPECT_EQ(window_->RegisteredHotkeys().size(), 6u);
    EXPECT_EQ(FindWindowW(kTrayWindowClass, nullptr), window_->Window());
}

TEST_F(TrayWindowTest, MessageMapForwardsAndHandlesInItsOrder) {
    HWND hwnd = window_->Window();
    services_.Take();
    const TrayMessages& shared = GetTrayMessages();
    const UINT callback = RegisterWindowMessageW(L"WM_TRAYICONEVENT");
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        std::vector<std::string> calls;  // after the message and what it posted
    } cases[] = {
        {WM_HOTKEY, 33002, 0, {"main 33002"}},
        {WM_COMMAND, 32000, 0, {"main 32000"}},
        {WM_COMMAND, 32001, 0, {"main 32001"}},  // no menu item carries it; forwarded anyway
        {WM_COMMAND, 32002, 0, {"main 32002"}},
        {WM_COMMAND, 32004, 0, {"main 32004"}},
        {WM_COMMAND, 32005, 0, {}},
        {WM_TIMER, 7, 0, {}},
        {shared.enableHotkeys, 0, 0, {"unregister"}},
        {shared.enableHotkeys, 1, 0, {"register"}},
        {shared.reloadSettings, 0, 0, {"unregister", "register", "language"}},
        {shared.trayIconFlash, 12, 0, {}},
        {callback, 1, WM_LBUTTONUP, {"main 32000"}},  // posted as WM_COMMAND 32000
        {callback, 1, WM_MOUSEMOVE, {}},
        {callback, 2, WM_LBUTTONUP, {}},  // another icon's id: nothing
        {callback, 2, WM_RBUTTONUP, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.message) + " " + std::to_string(c.wParam) + " " + std::to_string(c.lParam));
        EXPECT_EQ(SendMessageW(hwnd, c.message, c.wParam, c.lParam), 0);
        Pump();
        EXPECT_EQ(services_.Take(), c.calls);
    }
    EXPECT_FALSE(quit_);
    EXPECT_TRUE(IsWindow(hwnd));

    // The two registered-only messages, and the close, go to the default procedure.
    LRESULT result = 0;
    for (UINT unhandled : {shared.keepAlive, shared.gaBasicEvent, static_cast<UINT>(WM_CLOSE)}) {
        EXPECT_NE(unhandled, 0u);
        EXPECT_FALSE(window_->ProcessWindowMessage(hwnd, unhandled, 0, 0, result));
    }
    EXPECT_TRUE(window_->ProcessWindowMessage(hwnd, callback, 5, WM_RBUTTONUP, result));
    EXPECT_EQ(result, 0);
}

TEST_F(TrayWindowTest, TerminateAndExitEndTheWindowAndTheLoop) {
    for (const bool exitCommand : {false, true}) {
        SCOPED_TRACE(exitCommand ? "exit command" : "terminate");
        if (!window_) {
            window_ = std::make_unique<CTrayMainWnd>(services_);
            ASSERT_NE(window_->Create(), 0u);
            quit_ = false;
        }
        HWND hwnd = window_->Window();
        services_.Take();
        if (exitCommand) {
            SendMessageW(hwnd, WM_COMMAND, kCmdExit, 0);
        } else {
            SendMessageW(hwnd, GetTrayMessages().terminate, 0, 0);
        }
        Pump();
        EXPECT_TRUE(quit_);
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(window_->Window(), 0u);
        EXPECT_TRUE(window_->RegisteredHotkeys().empty());
        std::vector<std::string> expected{"unregister"};
        if (exitCommand) expected.insert(expected.begin(), "running 32003");  // never a new main program
        EXPECT_EQ(services_.Take(), expected);
        window_.reset();
    }
}

}  // namespace
