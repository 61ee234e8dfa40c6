// Offscreen windows with no X server at all: the same handle table, queue, timers,
// activation, placement and monitors as X windows, and presenting into an image.
#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/screen/monitor_from.h"
#include "platform/window/message_loop.h"
#include "platform/window/present.h"
#include "platform/window/process_ids.h"
#include "platform/window/tests/recording_window.h"
#include "platform/window/window.h"

namespace {

using zovi::platform::testing::Hook;
using zovi::platform::testing::Log;
using zovi::platform::testing::Seen;

const wchar_t* TestClass() { return zovi::platform::testing::RecordingClass(L"ZoviOffscreenTest"); }

HWND Make(DWORD style, DWORD exStyle = 0, HWND parent = 0, RECT at = {10, 20, 210, 120}) {
    return CreateWindowExW(exStyle, TestClass(), L"offscreen", style, at.left, at.top, at.right - at.left,
                           at.bottom - at.top, parent, nullptr, nullptr, nullptr);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

std::vector<UINT> MessagesOf(HWND hwnd, std::initializer_list<UINT> kinds) {
    std::vector<UINT> out;
    for (const Seen& seen : Log()) {
        if (seen.hwnd != hwnd) continue;
        for (UINT kind : kinds) {
            if (seen.message == kind) out.push_back(seen.message);
        }
    }
    return out;
}

// (window, message, LOWORD(wParam)) of the activation and focus messages, in order.
std::vector<std::tuple<HWND, UINT, WORD>> ActivationLog() {
    std::vector<std::tuple<HWND, UINT, WORD>> out;
    for (const Seen& seen : Log()) {
        if (seen.message == WM_ACTIVATE || seen.message == WM_SETFOCUS || seen.message == WM_KILLFOCUS) {
            out.emplace_back(seen.hwnd, seen.message, seen.message == WM_ACTIVATE ? LOWORD(seen.wParam) : 0);
        }
    }
    return out;
}

std::uint32_t PixelAt(cairo_surface_t* surface, int x, int y) {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    return *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4) & 0xFFFFFF;
}

class OffscreenWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        unsetenv("DISPLAY");  // nothing may need a server
        zovi::platform::UseOffscreenWindows();
    }
    void SetUp() override {
        Log().clear();
        Hook() = nullptr;
    }
    void TearDown() override { Hook() = nullptr; }
};

TEST_F(OffscreenWindowTest, CreatesSizesPaintsAndPresentsWithoutAServer) {
    ASSERT_TRUE(zovi::platform::OffscreenWindowsInUse());
    EXPECT_FALSE(zovi::platform::HasDisplay());
    // The procedure paints red into the whole window, presenting only the top-left
    // 50 x 40 of it.
    RECT painted{};
    Hook() = [&](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT&) {
        if (message != WM_PAINT) return false;
        PAINTSTRUCT paint{};
        BeginPaint(hwnd, &paint);
        painted = paint.rcPaint;
        cairo_surface_t* buffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 400, 300);
        cairo_t* cr = cairo_create(buffer);
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        EXPECT_TRUE(zovi::platform::PresentWindow(hwnd, buffer, RECT{0, 0, 50, 40}));
        cairo_surface_destroy(buffer);
        EndPaint(hwnd, &paint);
        return true;
    };
    const HWND hwnd = Make(WS_POPUP);
    ASSERT_NE(hwnd, 0u);
    EXPECT_GE(hwnd, 0x7E000000u);  // never an X id
    EXPECT_EQ(MessagesOf(hwnd, {WM_NCCREATE, WM_CREATE}), (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
    EXPECT_EQ(zovi::platform::WindowDisplay(hwnd), nullptr);
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(hwnd, &rect));
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.bottom, 120);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    Pump();
    EXPECT_TRUE(MessagesOf(hwnd, {WM_PAINT}).empty());  // hidden windows are not painted

    ShowWindow(hwnd, SW_SHOWNA);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    Pump();
    EXPECT_EQ(MessagesOf(hwnd, {WM_PAINT}).size(), 1u);
    EXPECT_EQ(painted.right, 200);
    EXPECT_EQ(painted.bottom, 100);
    cairo_surface_t* shown = zovi::platform::OffscreenSurface(hwnd);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(cairo_image_surface_get_width(shown), 200);
    EXPECT_EQ(PixelAt(shown, 10, 10), 0xFF0000u);
    EXPECT_EQ(PixelAt(shown, 60, 60), 0u);  // never presented

    // WM_SIZE and WM_MOVE only for real changes, sent at once.
    Log().clear();
    SetWindowPos(hwnd, 0, 0, 0, 300, 150, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(hwnd, 0, 0, 0, 300, 150, SWP_NOMOVE | SWP_NOZORDER);
    MoveWindow(hwnd, 30, 40, 300, 150, TRUE);
    EXPECT_EQ(MessagesOf(hwnd, {WM_SIZE, WM_MOVE}), (std::vector<UINT>{WM_SIZE, WM_MOVE}));
    ASSERT_TRUE(GetClientRect(hwnd, &rect));
    EXPECT_EQ(rect.right, 300);
    Pump();  // the grown window is painted again
    shown = zovi::platform::OffscreenSurface(hwnd);
    EXPECT_EQ(cairo_image_surface_get_width(shown), 300);
    EXPECT_EQ(PixelAt(shown, 10, 10), 0xFF0000u);
    const std::string artefacts = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
    std::filesystem::create_directories(artefacts);
    EXPECT_EQ(cairo_surface_write_to_png(shown, (artefacts + "/offscreen_present.png").c_str()), CAIRO_STATUS_SUCCESS);

    // A dead handle: every call is a harmless failure, and the handle is not reused.
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(MessagesOf(hwnd, {WM_DESTROY, WM_NCDESTROY}), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(zovi::platform::OffscreenSurface(hwnd), nullptr);
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_FALSE(MoveWindow(hwnd, 0, 0, 10, 10, TRUE));
    EXPECT_FALSE(InvalidateRect(hwnd, nullptr, FALSE));
    EXPECT_EQ(SetTimer(hwnd, 1, 10, nullptr), 0u);
    EXPECT_FALSE(KillTimer(hwnd, 1));
    EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 0, 0));
    EXPECT_FALSE(SendMessageTimeoutW(hwnd, WM_USER, 0, 0, SMTO_NORMAL, 100, nullptr));
    const HWND next = Make(WS_POPUP);
    EXPECT_GT(next, hwnd);
    DestroyWindow(next);
}

TEST_F(OffscreenWindowTest, FoundByClassAndTitleWithProcessWideMessageIds) {
    const HWND hwnd = CreateWindowExW(0, TestClass(), L"first", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, 0u);
    EXPECT_EQ(FindWindowW(L"ZoviOffscreenTest", nullptr), hwnd);
    EXPECT_EQ(FindWindowW(L"ZoviOffscreenTest", L"first"), hwnd);
    SetWindowTextW(hwnd, L"renamed");
    EXPECT_EQ(FindWindowW(nullptr, L"renamed"), hwnd);
    EXPECT_EQ(FindWindowW(L"ZoviOffscreenTest", L"first"), 0u);
    EXPECT_EQ(FindWindowW(L"NoSuchClass", nullptr), 0u);
    const UINT check = RegisterWindowMessageW(L"ZVK_CHECKLISTENER");
    EXPECT_GE(check, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageW(L"ZVK_CHECKLISTENER"), check);
    EXPECT_NE(RegisterWindowMessageW(L"ZVK_SHOWCAPTURE"), check);
    DestroyWindow(hwnd);
    EXPECT_EQ(FindWindowW(L"ZoviOffscreenTest", nullptr), 0u);
}

TEST_F(OffscreenWindowTest, TimersPostsAndSendsRunInTheModalLoop) {
    const DWORD uiThread = GetCurrentThreadId();
    const HWND hwnd = Make(WS_POPUP);
    ASSERT_NE(hwnd, 0u);
    bool done = false, ownDone = false, otherDone = false;
    int ticks16 = 0;
    std::atomic<bool> otherThreadTimerRan{false};
    Hook() = [&](HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
        EXPECT_EQ(GetCurrentThreadId(), uiThread) << message;
        if (message == WM_TIMER && wParam == 16 && ++ticks16 == 3) {
            KillTimer(window, 16);  // inside its own tick
            PostMessageW(window, WM_USER + 1, 0, 0);
        }
        if (message == WM_TIMER && wParam == 17) {
            KillTimer(window, 17);
            otherThreadTimerRan = true;
        }
        if (message == WM_USER + 2) {
            result = 42;
            return true;
        }
        if (message == WM_USER + 1) ownDone = true;
        if (message == WM_USER + 3) otherDone = true;
        done = ownDone && otherDone;
        return false;
    };
    ASSERT_NE(SetTimer(hwnd, 16, 0, nullptr), 0u);  // raised to 10 ms
    // Another thread arms a timer of the window and sends to it while the loop runs.
    LRESULT answer = 0;
    std::thread worker([&] {
        EXPECT_NE(SetTimer(hwnd, 17, 20, nullptr), 0u);
        answer = SendMessageW(hwnd, WM_USER + 2, 0, 0);
        while (!otherThreadTimerRan) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        PostMessageW(hwnd, WM_USER + 3, 0, 0);
    });
    zovi::platform::RunModalLoop(done);
    worker.join();
    EXPECT_EQ(ticks16, 3);
    EXPECT_TRUE(otherThreadTimerRan);
    EXPECT_EQ(answer, 42);
    // WM_QUIT ends the nested loop and stays for the outer one.
    done = false;
    Hook() = nullptr;
    PostQuitMessage(5);
    zovi::platform::RunModalLoop(done);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 5u);
    DestroyWindow(hwnd);
}

TEST_F(OffscreenWindowTest, EnableWindowFromAnotherThreadReachesTheOwnerThread) {
    const DWORD uiThread = GetCurrentThreadId();
    const HWND hwnd = Make(WS_POPUP);
    ASSERT_NE(hwnd, 0u);
    std::vector<WPARAM> enables;
    Hook() = [&](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT&) {
        if (message == WM_ENABLE) {
            EXPECT_EQ(GetCurrentThreadId(), uiThread);
            enables.push_back(wParam);
        }
        return false;
    };
    BOOL wasDisabled = TRUE;
    std::thread([&] { wasDisabled = EnableWindow(hwnd, FALSE); }).join();
    EXPECT_FALSE(wasDisabled);
    EXPECT_FALSE(IsWindowEnabled(hwnd));  // at once, on every thread
    EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_DISABLED);
    EXPECT_TRUE(enables.empty());
    Pump();
    EXPECT_EQ(enables, (std::vector<WPARAM>{FALSE}));
    EXPECT_TRUE(EnableWindow(hwnd, TRUE));  // was disabled
    EXPECT_EQ(enables, (std::vector<WPARAM>{FALSE, TRUE}));
    EXPECT_FALSE(EnableWindow(hwnd, TRUE));
    EXPECT_EQ(enables.size(), 2u);
    DestroyWindow(hwnd);
}

TEST_F(OffscreenWindowTest, ActivationFollowsShowHideAndDestroy) {
    const HWND owner = Make(WS_POPUP);
    const HWND box = Make(WS_POPUP, WS_EX_TOOLWINDOW, owner);
    const HWND tooltip = Make(WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT);
    ASSERT_TRUE(owner && box && tooltip);
    using Entry = std::tuple<HWND, UINT, WORD>;

    ShowWindow(owner, SW_SHOW);
    EXPECT_EQ(ActivationLog(), (std::vector<Entry>{{owner, WM_ACTIVATE, WA_ACTIVE}, {owner, WM_SETFOCUS, 0}}));
    EXPECT_EQ(GetActiveWindow(), owner);

    Log().clear();
    ShowWindow(box, SW_SHOWNORMAL);
    EXPECT_EQ(ActivationLog(), (std::vector<Entry>{{owner, WM_ACTIVATE, WA_INACTIVE},
                                                   {box, WM_ACTIVATE, WA_ACTIVE},
                                                   {owner, WM_KILLFOCUS, 0},
                                                   {box, WM_SETFOCUS, 0}}));
    EXPECT_EQ(GetFocus(), box);

    // Helper windows never take the activation.
    Log().clear();
    ShowWindow(tooltip, SW_SHOW);
    EXPECT_EQ(SetFocus(tooltip), 0u);
    EXPECT_TRUE(ActivationLog().empty());
    EXPECT_EQ(GetActiveWindow(), box);

    // The box goes: deactivated before WM_DESTROY, and the owner is active again.
    Log().clear();
    DestroyWindow(box);
    std::vector<Entry> expected{{box, WM_ACTIVATE, WA_INACTIVE},
                                {owner, WM_ACTIVATE, WA_ACTIVE},
                                {box, WM_KILLFOCUS, 0},
                                {owner, WM_SETFOCUS, 0}};
    EXPECT_EQ(ActivationLog(), expected);
    auto boxDestroy = std::find_if(Log().begin(), Log().end(),
                                   [&](const Seen& s) { return s.hwnd == box && s.message == WM_DESTROY; });
    auto boxInactive = std::find_if(Log().begin(), Log().end(),
                                    [&](const Seen& s) { return s.hwnd == box && s.message == WM_ACTIVATE; });
    EXPECT_LT(boxInactive, boxDestroy);
    EXPECT_EQ(GetActiveWindow(), owner);

    // Hiding the last active window leaves none.
    Log().clear();
    ShowWindow(owner, SW_HIDE);
    EXPECT_EQ(ActivationLog(), (std::vector<Entry>{{owner, WM_ACTIVATE, WA_INACTIVE}, {owner, WM_KILLFOCUS, 0}}));
    EXPECT_EQ(GetActiveWindow(), 0u);
    DestroyWindow(tooltip);
    DestroyWindow(owner);
}

TEST_F(OffscreenWindowTest, OwnedWindowsDieFirstAndChildrenAfterTheirParent) {
    const HWND top = Make(WS_POPUP);
    const HWND owned = Make(WS_POPUP, 0, top);
    const HWND ownedByOwned = Make(WS_POPUP, 0, owned);
    const HWND child = Make(WS_CHILD, 0, top, RECT{0, 0, 10, 10});
    ASSERT_TRUE(top && owned && ownedByOwned && child);
    Log().clear();
    DestroyWindow(top);
    std::vector<std::pair<HWND, UINT>> order;
    for (const Seen& seen : Log()) {
        if (seen.message == WM_DESTROY || seen.message == WM_NCDESTROY) order.emplace_back(seen.hwnd, seen.message);
    }
    const std::vector<std::pair<HWND, UINT>> expected{
        {ownedByOwned, WM_DESTROY}, {ownedByOwned, WM_NCDESTROY}, {owned, WM_DESTROY}, {owned, WM_NCDESTROY},
        {top, WM_DESTROY},          {child, WM_DESTROY},          {child, WM_NCDESTROY}, {top, WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    for (HWND hwnd : {top, owned, ownedByOwned, child}) EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(OffscreenWindowTest, SysCommandCloseBecomesCloseAndDestroys) {
    const HWND hwnd = Make(WS_POPUP);
    ASSERT_NE(hwnd, 0u);
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(MessagesOf(hwnd, {WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}),
              (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(OffscreenWindowTest, CaptureCursorAndPointer) {
    const HWND first = Make(WS_POPUP);
    const HWND second = Make(WS_POPUP, 0, 0, RECT{300, 300, 400, 400});
    ASSERT_TRUE(first && second);
    EXPECT_EQ(SetCapture(first), 0u);
    EXPECT_EQ(GetCapture(), first);
    EXPECT_EQ(SetCapture(second), first);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), 0u);
    std::vector<std::pair<HWND, LPARAM>> changes;
    for (const Seen& seen : Log()) {
        if (seen.message == WM_CAPTURECHANGED) changes.emplace_back(seen.hwnd, seen.lParam);
    }
    EXPECT_EQ(changes, (std::vector<std::pair<HWND, LPARAM>>{{first, static_cast<LPARAM>(second)}, {second, 0}}));
    // A hidden captured window loses the capture.
    ShowWindow(first, SW_SHOWNA);
    SetCapture(first);
    ShowWindow(first, SW_HIDE);
    EXPECT_EQ(GetCapture(), 0u);

    // The pointer is where the last mouse message to an offscreen window pointed.
    SendMessageW(first, WM_MOUSEMOVE, 0, MAKELPARAM(5, 6));
    POINT pointer{};
    ASSERT_TRUE(GetCursorPos(&pointer));
    EXPECT_EQ(pointer.x, 15);
    EXPECT_EQ(pointer.y, 26);
    POINT client{350, 360};
    ASSERT_TRUE(ScreenToClient(second, &client));
    EXPECT_EQ(client.x, 50);
    ASSERT_TRUE(ClientToScreen(second, &client));
    EXPECT_EQ(client.y, 360);

    const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    EXPECT_NE(arrow, nullptr);
    for (const wchar_t* name : {IDC_IBEAM, IDC_HAND, IDC_SIZEWE, IDC_SIZENS, IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEALL}) {
        EXPECT_NE(LoadCursorW(nullptr, name), nullptr);
    }
    EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(1)), nullptr);
    EXPECT_EQ(LoadCursorW(reinterpret_cast<HINSTANCE>(1), IDC_ARROW), nullptr);
    SetCursor(arrow);
    EXPECT_EQ(SetCursor(LoadCursorW(nullptr, IDC_HAND)), arrow);
    DestroyWindow(first);
    DestroyWindow(second);
}

TEST_F(OffscreenWindowTest, KeyStateTableIsPerThread) {
    BYTE keys[256] = {};
    keys[VK_SHIFT] = 0x80;
    keys[VK_CAPITAL] = 0x01;
    ASSERT_TRUE(SetKeyboardState(keys));
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    EXPECT_EQ(GetKeyState(VK_CAPITAL), 1);
    EXPECT_EQ(GetKeyState(VK_CONTROL), 0);
    EXPECT_EQ(GetKeyState(-1), 0);
    std::thread([] { EXPECT_EQ(GetKeyState(VK_SHIFT), 0); }).join();
    BYTE back[256] = {};
    ASSERT_TRUE(GetKeyboardState(back));
    EXPECT_EQ(back[VK_SHIFT], 0x80);
    const BYTE none[256] = {};
    SetKeyboardState(none);
}

// Monitor lookups over a fixed list: a left primary monitor with a panel on top, and a
// smaller one to its right, lower down.
class MonitorListTest : public OffscreenWindowTest {
protected:
    void SetUp() override {
        OffscreenWindowTest::SetUp();
        zovi::platform::MonitorInfo left, right;
        left.rcMonitor = RECT{0, 0, 1920, 1080};
        left.rcWork = RECT{0, 40, 1920, 1080};
        left.dwFlags = MONITORINFOF_PRIMARY;
        right.rcMonitor = right.rcWork = RECT{1920, 200, 3200, 1000};
        zovi::platform::SetVirtualMonitors({left, right});
    }
    void TearDown() override {
        zovi::platform::UseOffscreenWindows();  // back to the usual virtual monitor
        OffscreenWindowTest::TearDown();
    }
    static int IndexOf(HMONITOR monitor) { return static_cast<int>(reinterpret_cast<std::uintptr_t>(monitor)); }
};

TEST_F(MonitorListTest, LargestShareThenFallbackByFlag) {
    struct Case {
        RECT rect;
        DWORD flags;
        int expected;  // 1 left, 2 right, 0 none
    } cases[] = {
        {{100, 100, 200, 200}, MONITOR_DEFAULTTONULL, 1},
        {{1800, 300, 2100, 400}, MONITOR_DEFAULTTONULL, 2},   // more on the right
        {{1700, 300, 2000, 400}, MONITOR_DEFAULTTONULL, 1},   // more on the left
        {{2500, 1100, 2600, 1200}, MONITOR_DEFAULTTONULL, 0},  // below both
        {{2500, 1100, 2600, 1200}, MONITOR_DEFAULTTOPRIMARY, 1},
        {{2500, 1100, 2600, 1200}, MONITOR_DEFAULTTONEAREST, 2},
        {{2000, 1100, 2100, 1200}, MONITOR_DEFAULTTONEAREST, 1},  // nearer the left one's corner
        {{-500, -500, -400, -400}, MONITOR_DEFAULTTONEAREST, 1},
        {{2500, 50, 2500, 50}, MONITOR_DEFAULTTONEAREST, 2},  // empty: the point above the right one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rect.left) + "," + std::to_string(c.rect.top) + " flags " +
                     std::to_string(c.flags));
        EXPECT_EQ(IndexOf(MonitorFromRect(&c.rect, c.flags)), c.expected);
    }
    EXPECT_EQ(IndexOf(MonitorFromPoint(POINT{1919, 1079}, MONITOR_DEFAULTTONULL)), 1);
    EXPECT_EQ(IndexOf(MonitorFromPoint(POINT{1920, 199}, MONITOR_DEFAULTTONULL)), 0);
    EXPECT_EQ(IndexOf(MonitorFromPoint(POINT{1920, 200}, MONITOR_DEFAULTTONULL)), 2);
    EXPECT_EQ(MonitorFromRect(nullptr, MONITOR_DEFAULTTOPRIMARY), nullptr);

    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{5, 5}, MONITOR_DEFAULTTONULL), &info));
    EXPECT_EQ(info.rcWork.top, 40);
    EXPECT_EQ(info.dwFlags, MONITORINFOF_PRIMARY);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{3000, 500}, MONITOR_DEFAULTTONULL), &info));
    EXPECT_EQ(info.rcMonitor.right, 3200);
    EXPECT_EQ(info.dwFlags, 0u);
    EXPECT_FALSE(GetMonitorInfoW(reinterpret_cast<HMONITOR>(std::uintptr_t{3}), &info));

    const HWND hwnd = Make(WS_POPUP, 0, 0, RECT{2000, 300, 2200, 400});
    EXPECT_EQ(IndexOf(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONULL)), 2);
    DestroyWindow(hwnd);
}

TEST_F(MonitorListTest, PlacementIsInWorkAreaCoordinates) {
    static_assert(sizeof(WINDOWPLACEMENT) == 44 && offsetof(WINDOWPLACEMENT, rcNormalPosition) == 28);
    const HWND hwnd = Make(WS_POPUP, 0, 0, RECT{100, 140, 400, 340});
    ASSERT_NE(hwnd, 0u);
    WINDOWPLACEMENT placement{};
    ASSERT_TRUE(GetWindowPlacement(hwnd, &placement));
    EXPECT_EQ(placement.length, 44u);
    EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
    EXPECT_EQ(placement.rcNormalPosition.left, 100);
    EXPECT_EQ(placement.rcNormalPosition.top, 100);  // the panel's 40 pixels off
    EXPECT_EQ(placement.rcNormalPosition.bottom, 300);

    placement.rcNormalPosition = RECT{10, 20, 210, 170};
    ASSERT_TRUE(SetWindowPlacement(hwnd, &placement));
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 60);
    EXPECT_EQ(rect.right, 210);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    // The right monitor's work area is the whole monitor: screen coordinates.
    placement.rcNormalPosition = RECT{2000, 300, 2100, 400};
    ASSERT_TRUE(SetWindowPlacement(hwnd, &placement));
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.top, 300);
    DestroyWindow(hwnd);
    EXPECT_FALSE(GetWindowPlacement(hwnd, &placement));
}

TEST_F(OffscreenWindowTest, DefaultPositionIsCentredOnTheWorkArea) {
    const HWND hwnd = CreateWindowExW(0, TestClass(), L"", WS_POPUP, CW_USEDEFAULT, 0, 400, 200, 0, nullptr, nullptr,
                                      nullptr);
    ASSERT_NE(hwnd, 0u);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, (1920 - 400) / 2);
    EXPECT_EQ(rect.top, (1080 - 200) / 2);
    DestroyWindow(hwnd);
}

}  // namespace
