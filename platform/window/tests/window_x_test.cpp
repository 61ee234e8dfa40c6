// What the DirectUI library relies on from X windows, checked on the test X server (no
// window manager): sizes, input to disabled windows, capture, crossings with child
// windows, activation, the window manager's close, properties, helper windows that take
// neither pointer nor focus, geometry races, monitors, placement, key state, presenting.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <cairo.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/process/process.h"
#include "platform/screen/monitor_from.h"
#include "platform/screen/testing/x_test_desktop.h"
#include "platform/window/present.h"
#include "platform/window/tests/recording_window.h"
#include "platform/window/window.h"
#include "platform/x11/x11_init.h"

namespace {

namespace testing_x = zovi::platform::testing;

using testing_x::Hook;
using testing_x::Log;
using testing_x::Seen;

const wchar_t* TestClass() {
    return testing_x::RecordingClass(L"ZoviXWindowTest", LoadCursorW(nullptr, IDC_ARROW));
}

// A window the server already knows (so other connections may ask about it).
HWND Make(RECT at, DWORD style = WS_POPUP, DWORD exStyle = 0, HWND parent = 0) {
    const HWND hwnd = CreateWindowExW(exStyle, TestClass(), L"x test", style, at.left, at.top, at.right - at.left,
                                      at.bottom - at.top, parent, nullptr, nullptr, nullptr);
    if (hwnd) XSync(zovi::platform::WindowDisplay(hwnd), False);
    return hwnd;
}

size_t Count(HWND hwnd, UINT message) {
    return static_cast<size_t>(std::count_if(Log().begin(), Log().end(), [&](const Seen& s) {
        return s.hwnd == hwnd && s.message == message;
    }));
}

// The messages of one kind a window saw, in order.
std::vector<Seen> Of(HWND hwnd, UINT message) {
    std::vector<Seen> out;
    for (const Seen& s : Log()) {
        if (s.hwnd == hwnd && s.message == message) out.push_back(s);
    }
    return out;
}

// Dispatches everything that arrives until `done` holds (false after 10 s).
bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    MSG msg;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return true;
}

// Takes in everything the server has sent for the window so far, and dispatches it.
void Settle(HWND hwnd) {
    XSync(zovi::platform::WindowDisplay(hwnd), False);
    MSG msg;
    while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Runs xdotool with `args` and waits for it.
void Xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    auto child = zovi::platform::ChildProcess::Start(argv, {});
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(child->Wait(10000));
    EXPECT_EQ(child->ExitCode(), 0);
}

std::vector<unsigned long> ReadLongs(Display* display, Window window, const char* name) {
    std::vector<unsigned long> out;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1 << 20, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success &&
        data && format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < count; ++i) out.push_back(values[i] & 0xFFFFFFFFul);
    }
    if (data) XFree(data);
    return out;
}

bool HasAtom(Display* display, const std::vector<unsigned long>& list, const char* name) {
    return std::find(list.begin(), list.end(), XInternAtom(display, name, False)) != list.end();
}

class WindowXTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "needs an X server";
        Log().clear();
        Hook() = nullptr;
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr);
        errorsBefore_ = zovi::platform::x11::UntrappedErrorCount();
    }
    void TearDown() override {
        Hook() = nullptr;
        for (HWND hwnd : made_) {
            if (IsWindow(hwnd)) DestroyWindow(hwnd);
        }
        if (display_) {
            // No X error reached the process unannounced.
            EXPECT_EQ(zovi::platform::x11::UntrappedErrorCount(), errorsBefore_);
            XCloseDisplay(display_);
        }
    }
    HWND Keep(HWND hwnd) {
        made_.push_back(hwnd);
        return hwnd;
    }
    XWindowAttributes Attributes(HWND hwnd) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, hwnd, &attributes);
        return attributes;
    }
    // Shows the window and waits until the server maps it.
    void ShowAndWait(HWND hwnd, int command = SW_SHOWNA) {
        ShowWindow(hwnd, command);
        ASSERT_TRUE(PumpUntil([&] { return Attributes(hwnd).map_state == IsViewable; }));
    }

    Display* display_ = nullptr;
    unsigned long errorsBefore_ = 0;
    std::vector<HWND> made_;
};

TEST_F(WindowXTest, ZeroSizesReachTheServerAsOnePixelAndStayUnmapped) {
    const HWND top = Keep(Make(RECT{50, 50, 50, 50}));
    ASSERT_NE(top, 0u);
    const HWND child = Keep(Make(RECT{0, 0, 0, 0}, WS_CHILD, 0, top));
    ASSERT_NE(child, 0u);
    ShowWindow(top, SW_SHOWNA);
    ShowWindow(child, SW_SHOWNA);
    Settle(top);
    for (HWND hwnd : {top, child}) {
        EXPECT_EQ(Attributes(hwnd).width, 1);
        EXPECT_EQ(Attributes(hwnd).map_state, IsUnmapped);  // nothing to show yet
        RECT client{};
        GetClientRect(hwnd, &client);
        EXPECT_EQ(client.right, 0);
    }
    // Sized for real, both appear; a zero height hides the child again.
    MoveWindow(top, 50, 50, 200, 100, TRUE);
    MoveWindow(child, 10, 10, 30, 20, TRUE);
    ASSERT_TRUE(PumpUntil([&] { return Attributes(child).map_state == IsViewable; }));
    EXPECT_EQ(Attributes(child).width, 30);
    SetWindowPos(child, 0, 0, 0, 30, 0, SWP_NOMOVE | SWP_NOZORDER);
    Settle(top);
    EXPECT_EQ(Attributes(child).height, 1);
    EXPECT_EQ(Attributes(child).map_state, IsUnmapped);
    EXPECT_TRUE(IsWindowVisible(child));  // still shown as far as the program is concerned
    SetWindowPos(child, 0, 0, 0, -5, -5, SWP_NOMOVE | SWP_NOZORDER);
    Settle(top);
    EXPECT_EQ(Attributes(child).width, 1);
}

TEST_F(WindowXTest, SizeMessagesOnlyForRealChanges) {
    const HWND hwnd = Keep(Make(RECT{100, 100, 300, 200}));
    ASSERT_NE(hwnd, 0u);
    ShowAndWait(hwnd);
    Log().clear();
    // Two requests before the server answers either: each size is told once, at once.
    SetWindowPos(hwnd, 0, 0, 0, 250, 120, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(hwnd, 0, 0, 0, 260, 130, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(hwnd, 0, 0, 0, 260, 130, SWP_NOMOVE | SWP_NOZORDER);  // no change
    Settle(hwnd);
    std::vector<std::pair<int, int>> sizes;
    for (const Seen& s : Of(hwnd, WM_SIZE)) sizes.emplace_back(GET_X_LPARAM(s.lParam), GET_Y_LPARAM(s.lParam));
    EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{250, 120}, {260, 130}}));
    EXPECT_EQ(Count(hwnd, WM_MOVE), 0u);

    // A change made by someone else is told once.
    Log().clear();
    XMoveResizeWindow(display_, hwnd, 140, 150, 220, 110);
    XSync(display_, False);
    ASSERT_TRUE(PumpUntil([&] { return Count(hwnd, WM_SIZE) == 1; }));
    Settle(hwnd);
    EXPECT_EQ(Count(hwnd, WM_SIZE), 1u);
    EXPECT_EQ(Count(hwnd, WM_MOVE), 1u);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, 140);
    EXPECT_EQ(rect.right, 360);

    // A window that fits itself to a 2:1 ratio in its WM_SIZE handler settles after one
    // correction, and the server's answers to both requests produce nothing.
    Log().clear();
    Hook() = [](HWND window, UINT message, WPARAM, LPARAM lParam, LRESULT&) {
        const int width = GET_X_LPARAM(lParam), height = GET_Y_LPARAM(lParam);
        if (message == WM_SIZE && width != 2 * height) {
            RECT at{};
            GetWindowRect(window, &at);
            MoveWindow(window, at.left, at.top, 2 * height, height, TRUE);
        }
        return false;
    };
    SetWindowPos(hwnd, 0, 0, 0, 300, 100, SWP_NOMOVE | SWP_NOZORDER);
    Settle(hwnd);
    sizes.clear();
    for (const Seen& s : Of(hwnd, WM_SIZE)) sizes.emplace_back(GET_X_LPARAM(s.lParam), GET_Y_LPARAM(s.lParam));
    EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{300, 100}, {200, 100}}));
    EXPECT_EQ(Attributes(hwnd).width, 200);
}

TEST_F(WindowXTest, LateWindowManagerAnswersAreNotToldAgain) {
    const HWND hwnd = Keep(Make(RECT{100, 100, 300, 200}));
    ASSERT_NE(hwnd, 0u);
    ShowAndWait(hwnd);
    // A stand-in window manager takes the configure requests and answers them only
    // after both were made: each with the real change and a synthetic notice.
    const Window root = DefaultRootWindow(display_);
    XSelectInput(display_, root, SubstructureRedirectMask);
    XSync(display_, False);
    Log().clear();
    SetWindowPos(hwnd, 0, 0, 0, 250, 120, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(hwnd, 0, 150, 160, 260, 130, SWP_NOZORDER);
    XSync(zovi::platform::WindowDisplay(hwnd), False);
    std::vector<XConfigureRequestEvent> requests;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (requests.size() < 2 && std::chrono::steady_clock::now() < deadline) {
        XEvent event;
        if (!XPending(display_)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        XNextEvent(display_, &event);
        if (event.type == ConfigureRequest && event.xconfigurerequest.window == hwnd) {
            requests.push_back(event.xconfigurerequest);
        }
    }
    for (const XConfigureRequestEvent& request : requests) {
        XWindowChanges changes{};
        changes.x = request.x, changes.y = request.y, changes.width = request.width, changes.height = request.height;
        XConfigureWindow(display_, hwnd, CWX | CWY | CWWidth | CWHeight, &changes);
        XEvent notice{};
        notice.xconfigure.type = ConfigureNotify;
        notice.xconfigure.event = notice.xconfigure.window = hwnd;
        notice.xconfigure.x = request.x, notice.xconfigure.y = request.y;
        notice.xconfigure.width = request.width, notice.xconfigure.height = request.height;
        XSendEvent(display_, hwnd, False, StructureNotifyMask, &notice);
    }
    XSelectInput(display_, root, NoEventMask);
    XSync(display_, False);
    ASSERT_EQ(requests.size(), 2u);
    Settle(hwnd);
    std::vector<std::pair<int, int>> sizes, moves;
    for (const Seen& s : Of(hwnd, WM_SIZE)) sizes.emplace_back(GET_X_LPARAM(s.lParam), GET_Y_LPARAM(s.lParam));
    for (const Seen& s : Of(hwnd, WM_MOVE)) moves.emplace_back(GET_X_LPARAM(s.lParam), GET_Y_LPARAM(s.lParam));
    EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{250, 120}, {260, 130}}));  // the calls' own
    EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{150, 160}}));
    EXPECT_EQ(Attributes(hwnd).width, 260);
}

TEST_F(WindowXTest, DisabledWindowDropsClicks) {
    const HWND hwnd = Keep(Make(RECT{100, 100, 300, 250}));
    ASSERT_NE(hwnd, 0u);
    ShowAndWait(hwnd);
    // Disabled from another thread, as a download thread does.
    std::thread([&] { EnableWindow(hwnd, FALSE); }).join();
    ASSERT_TRUE(PumpUntil([&] { return Count(hwnd, WM_ENABLE) == 1; }));
    Log().clear();
    Xdotool({"mousemove", "150", "150", "click", "1"});
    Settle(hwnd);  // the click has arrived, and is dropped
    EXPECT_EQ(Count(hwnd, WM_LBUTTONDOWN), 0u);
    EXPECT_EQ(Count(hwnd, WM_SETCURSOR), 0u);
    EnableWindow(hwnd, TRUE);
    Xdotool({"click", "1"});
    ASSERT_TRUE(PumpUntil([&] { return Count(hwnd, WM_LBUTTONUP) == 1; }));
    EXPECT_EQ(Count(hwnd, WM_LBUTTONDOWN), 1u);
    // The press was preceded by its hit test and cursor query.
    auto press = std::find_if(Log().begin(), Log().end(), [&](const Seen& s) { return s.message == WM_LBUTTONDOWN; });
    ASSERT_GE(press - Log().begin(), 2);
    EXPECT_EQ((press - 2)->message, WM_NCHITTEST);
    EXPECT_EQ((press - 1)->message, WM_SETCURSOR);
    EXPECT_EQ(LOWORD((press - 1)->lParam), HTCLIENT);
    EXPECT_EQ(HIWORD((press - 1)->lParam), WM_LBUTTONDOWN);
}

TEST_F(WindowXTest, CaptureGrabsThePointerAndGetsEveryMove) {
    const HWND captured = Keep(Make(RECT{100, 100, 300, 300}));
    const HWND other = Keep(Make(RECT{400, 100, 600, 300}));
    ASSERT_TRUE(captured && other);
    ShowAndWait(captured);
    ShowAndWait(other);
    testing_x::MovePointer(150, 150);
    ASSERT_TRUE(PumpUntil([&] { return Count(captured, WM_MOUSEMOVE) > 0; }));
    EXPECT_EQ(SetCapture(captured), 0u);
    EXPECT_EQ(GetCapture(), captured);
    // Another program cannot take the pointer now.
    EXPECT_EQ(XGrabPointer(display_, DefaultRootWindow(display_), False, ButtonPressMask, GrabModeAsync,
                           GrabModeAsync, None, None, CurrentTime),
              AlreadyGrabbed);
    Log().clear();
    // Over the other window, and outside both: the moves go to the captured window, in
    // its coordinates, and ask for no hit test.
    testing_x::MovePointer(450, 120);
    ASSERT_TRUE(PumpUntil([&] {
        auto moves = Of(captured, WM_MOUSEMOVE);
        return !moves.empty() && GET_X_LPARAM(moves.back().lParam) == 350;
    }));
    testing_x::MovePointer(900, 700);
    ASSERT_TRUE(PumpUntil([&] {
        auto moves = Of(captured, WM_MOUSEMOVE);
        return !moves.empty() && GET_X_LPARAM(moves.back().lParam) == 800 && GET_Y_LPARAM(moves.back().lParam) == 600;
    }));
    EXPECT_EQ(Count(other, WM_MOUSEMOVE), 0u);
    EXPECT_EQ(Count(captured, WM_NCHITTEST), 0u);
    POINT pointer{};
    ASSERT_TRUE(GetCursorPos(&pointer));
    EXPECT_EQ(pointer.x, 900);
    EXPECT_EQ(pointer.y, 700);

    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(Count(captured, WM_CAPTURECHANGED), 1u);
    EXPECT_EQ(GetCapture(), 0u);
    EXPECT_EQ(XGrabPointer(display_, DefaultRootWindow(display_), False, ButtonPressMask, GrabModeAsync,
                           GrabModeAsync, None, None, CurrentTime),
              GrabSuccess);
    XUngrabPointer(display_, CurrentTime);
    XSync(display_, False);

    // Hiding the captured window ends the capture.
    SetCapture(captured);
    ShowWindow(captured, SW_HIDE);
    EXPECT_EQ(GetCapture(), 0u);
    EXPECT_EQ(Count(captured, WM_CAPTURECHANGED), 2u);
}

TEST_F(WindowXTest, EnteringAChildWindowLeavesItsParent) {
    const HWND parent = Keep(Make(RECT{100, 100, 400, 400}));
    ASSERT_NE(parent, 0u);
    const HWND child = Keep(Make(RECT{100, 100, 200, 200}, WS_CHILD, 0, parent));
    ASSERT_NE(child, 0u);
    ShowWindow(child, SW_SHOWNA);
    ShowAndWait(parent);
    testing_x::MovePointer(50, 50);  // outside
    Settle(parent);
    // Each step: where the pointer goes, and the message that must arrive there.
    struct Step {
        int x, y;
        HWND leaves;   // gets WM_MOUSELEAVE (0: none)
        HWND enters;   // gets WM_MOUSEMOVE at (cx, cy)
        int cx, cy;
    } steps[] = {
        {120, 120, 0, parent, 20, 20},
        {250, 250, parent, child, 50, 50},  // onto the child: a leave for the parent
        {130, 130, child, parent, 30, 30},  // back from the child: an enter for the parent
        {50, 50, parent, 0, 0, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.x) + "," + std::to_string(step.y));
        Log().clear();
        testing_x::MovePointer(step.x, step.y);
        if (step.leaves) {
            ASSERT_TRUE(PumpUntil([&] { return Count(step.leaves, WM_MOUSELEAVE) == 1; }));
        }
        if (step.enters) {
            ASSERT_TRUE(PumpUntil([&] {
                auto moves = Of(step.enters, WM_MOUSEMOVE);
                return !moves.empty() && GET_X_LPARAM(moves.back().lParam) == step.cx &&
                       GET_Y_LPARAM(moves.back().lParam) == step.cy;
            }));
        }
        Settle(parent);
        for (HWND hwnd : {parent, child}) {
            if (hwnd != step.leaves) {
                EXPECT_EQ(Count(hwnd, WM_MOUSELEAVE), 0u);
            }
        }
    }
}

TEST_F(WindowXTest, ActivationFollowsTheInputFocus) {
    const HWND first = Keep(Make(RECT{100, 100, 300, 300}));
    const HWND second = Keep(Make(RECT{400, 100, 600, 300}));
    ASSERT_TRUE(first && second);
    auto lastActivation = [&](HWND hwnd) {
        auto all = Of(hwnd, WM_ACTIVATE);
        return all.empty() ? -1 : static_cast<int>(LOWORD(all.back().wParam));
    };
    ShowAndWait(second);
    ShowWindow(first, SW_SHOW);  // activating: the focus follows once it is viewable
    ASSERT_TRUE(PumpUntil([&] { return lastActivation(first) == WA_ACTIVE; }));
    EXPECT_EQ(GetActiveWindow(), first);
    EXPECT_EQ(GetFocus(), first);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    EXPECT_EQ(focus, first);

    // Another program moves the focus away and back.
    XSetInputFocus(display_, second, RevertToParent, CurrentTime);
    XSync(display_, False);
    ASSERT_TRUE(PumpUntil([&] { return lastActivation(first) == WA_INACTIVE && lastActivation(second) == WA_ACTIVE; }));
    EXPECT_EQ(GetActiveWindow(), second);
    XSetInputFocus(display_, first, RevertToParent, CurrentTime);
    XSync(display_, False);
    ASSERT_TRUE(PumpUntil([&] { return lastActivation(first) == WA_ACTIVE && lastActivation(second) == WA_INACTIVE; }));

    // An owned window takes the activation; when it goes, its owner has it again.
    const HWND owned = Make(RECT{150, 150, 250, 250}, WS_POPUP, WS_EX_TOOLWINDOW, first);
    ASSERT_NE(owned, 0u);
    ShowWindow(owned, SW_SHOWNORMAL);
    ASSERT_TRUE(PumpUntil([&] { return lastActivation(owned) == WA_ACTIVE && lastActivation(first) == WA_INACTIVE; }));
    DestroyWindow(owned);
    ASSERT_TRUE(PumpUntil([&] { return lastActivation(first) == WA_ACTIVE; }));
    EXPECT_EQ(GetActiveWindow(), first);
}

TEST_F(WindowXTest, WithAWindowManagerActivationIsAskedFor) {
    // A stand-in window manager: the root names a check window that names itself, and
    // lists _NET_ACTIVE_WINDOW. The request goes to the root, where we listen for it.
    const Window root = DefaultRootWindow(display_);
    const Window check = XCreateSimpleWindow(display_, root, -10, -10, 1, 1, 0, 0, 0);
    const long checkId = static_cast<long>(check);
    const Atom checkAtom = XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False);
    XChangeProperty(display_, root, checkAtom, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&checkId), 1);
    XChangeProperty(display_, check, checkAtom, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&checkId), 1);
    const long supported[] = {static_cast<long>(XInternAtom(display_, "_NET_ACTIVE_WINDOW", False))};
    XChangeProperty(display_, root, XInternAtom(display_, "_NET_SUPPORTED", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(supported), 1);
    XSelectInput(display_, root, SubstructureNotifyMask);
    XSync(display_, False);

    const HWND hwnd = Keep(Make(RECT{100, 100, 200, 200}));
    ASSERT_NE(hwnd, 0u);
    ShowWindow(hwnd, SW_SHOW);
    bool asked = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!asked && std::chrono::steady_clock::now() < deadline) {
        while (!asked && XPending(display_)) {
            XEvent event;
            XNextEvent(display_, &event);
            asked = event.type == ClientMessage && event.xclient.window == hwnd &&
                    event.xclient.message_type == XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
        }
        if (!asked) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    XSelectInput(display_, root, NoEventMask);
    XDeleteProperty(display_, root, checkAtom);
    XDeleteProperty(display_, root, XInternAtom(display_, "_NET_SUPPORTED", False));
    XDestroyWindow(display_, check);
    XSync(display_, False);
    EXPECT_TRUE(asked);
}

TEST_F(WindowXTest, WindowManagerCloseArrivesAsSysCommandClose) {
    const HWND hwnd = Make(RECT{100, 100, 200, 200});
    ASSERT_NE(hwnd, 0u);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = hwnd;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, hwnd, False, NoEventMask, &event);
    XSync(display_, False);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
    std::vector<std::pair<UINT, WPARAM>> order;
    for (const Seen& s : Log()) {
        if (s.hwnd == hwnd && (s.message == WM_SYSCOMMAND || s.message == WM_CLOSE || s.message == WM_DESTROY)) {
            order.emplace_back(s.message, s.message == WM_SYSCOMMAND ? s.wParam : 0);
        }
    }
    EXPECT_EQ(order, (std::vector<std::pair<UINT, WPARAM>>{{WM_SYSCOMMAND, SC_CLOSE}, {WM_CLOSE, 0}, {WM_DESTROY, 0}}));
}

TEST_F(WindowXTest, TopLevelPropertiesReadBack) {
    const HWND owner = Keep(Make(RECT{100, 100, 300, 300}, WS_POPUP | WS_CAPTION));
    ASSERT_NE(owner, 0u);
    struct Case {
        const char* name;
        DWORD style, exStyle;
        bool owned;
        bool utility, above, undecorated;
    } cases[] = {
        {"plain caption window", WS_POPUP | WS_CAPTION, 0, false, false, false, false},
        {"no caption", WS_POPUP, 0, false, false, false, true},
        {"message box", WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, true, true, false, false},
        {"toolbar", WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, false, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HWND hwnd = Keep(Make(RECT{120, 120, 220, 220}, c.style, c.exStyle, c.owned ? owner : 0));
        ASSERT_NE(hwnd, 0u);
        XSync(zovi::platform::WindowDisplay(hwnd), False);
        XClassHint hint{};
        ASSERT_TRUE(XGetClassHint(display_, hwnd, &hint));
        EXPECT_STREQ(hint.res_class, "ZoviXWindowTest");
        EXPECT_STREQ(hint.res_name, program_invocation_short_name);
        XFree(hint.res_name);
        XFree(hint.res_class);
        const auto types = ReadLongs(display_, hwnd, "_NET_WM_WINDOW_TYPE");
        EXPECT_EQ(HasAtom(display_, types, "_NET_WM_WINDOW_TYPE_UTILITY"), c.utility);
        const auto states = ReadLongs(display_, hwnd, "_NET_WM_STATE");
        EXPECT_EQ(HasAtom(display_, states, "_NET_WM_STATE_SKIP_TASKBAR"), c.utility);
        EXPECT_EQ(HasAtom(display_, states, "_NET_WM_STATE_SKIP_PAGER"), c.utility);
        EXPECT_EQ(HasAtom(display_, states, "_NET_WM_STATE_ABOVE"), c.above);
        Window transientFor = 0;
        const bool hasOwner = XGetTransientForHint(display_, hwnd, &transientFor);
        EXPECT_EQ(hasOwner && transientFor == owner, c.owned);
        EXPECT_EQ(!ReadLongs(display_, hwnd, "_MOTIF_WM_HINTS").empty(), c.undecorated);
    }

    // Set later: no decorations, a modal state (unmapped and mapped), an icon.
    const HWND box = Keep(Make(RECT{120, 120, 220, 220}, WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, owner));
    ASSERT_TRUE(zovi::platform::SetWindowUndecorated(box));
    ASSERT_TRUE(zovi::platform::SetModalState(box, true));
    XSync(zovi::platform::WindowDisplay(box), False);
    const auto motif = ReadLongs(display_, box, "_MOTIF_WM_HINTS");
    ASSERT_EQ(motif.size(), 5u);
    EXPECT_EQ(motif[0], 2u);  // decorations given
    EXPECT_EQ(motif[2], 0u);  // none
    auto states = ReadLongs(display_, box, "_NET_WM_STATE");
    EXPECT_TRUE(HasAtom(display_, states, "_NET_WM_STATE_MODAL"));
    EXPECT_TRUE(HasAtom(display_, states, "_NET_WM_STATE_SKIP_TASKBAR"));  // kept
    ShowAndWait(box);
    ASSERT_TRUE(zovi::platform::SetModalState(box, false));
    XSync(zovi::platform::WindowDisplay(box), False);
    states = ReadLongs(display_, box, "_NET_WM_STATE");
    EXPECT_FALSE(HasAtom(display_, states, "_NET_WM_STATE_MODAL"));
    EXPECT_TRUE(HasAtom(display_, states, "_NET_WM_STATE_SKIP_PAGER"));

    zovi::platform::IconImage small{2, 1, {0xFF112233u, 0x80445566u}};
    zovi::platform::IconImage large{1, 2, {0xFFFFFFFFu, 0x00000000u}};
    ASSERT_TRUE(zovi::platform::SetWindowIcon(box, {small, large}));
    EXPECT_FALSE(zovi::platform::SetWindowIcon(box, {zovi::platform::IconImage{2, 2, {1u}}}));  // too few pixels
    XSync(zovi::platform::WindowDisplay(box), False);
    EXPECT_EQ(ReadLongs(display_, box, "_NET_WM_ICON"),
              (std::vector<unsigned long>{2, 1, 0xFF112233u, 0x80445566u, 1, 2, 0xFFFFFFFFu, 0}));
    ASSERT_TRUE(zovi::platform::SetWindowIcon(box, {}));
    XSync(zovi::platform::WindowDisplay(box), False);
    EXPECT_TRUE(ReadLongs(display_, box, "_NET_WM_ICON").empty());
    // No compositor runs on the plain test server.
    EXPECT_FALSE(zovi::platform::HasCompositor());
}

TEST_F(WindowXTest, TooltipWindowTakesNeitherPointerNorFocus) {
    const HWND below = Keep(Make(RECT{100, 100, 400, 300}));
    ASSERT_NE(below, 0u);
    ShowAndWait(below, SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == below; }));
    const HWND tooltip =
        Keep(Make(RECT{150, 150, 300, 200}, WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT));
    ASSERT_NE(tooltip, 0u);
    EXPECT_TRUE(Attributes(tooltip).override_redirect);
    int count = -1, ordering = 0;
    XRectangle* input = XShapeGetRectangles(display_, tooltip, ShapeInput, &count, &ordering);
    EXPECT_EQ(count, 0);
    if (input) XFree(input);
    XWMHints* hints = XGetWMHints(display_, tooltip);
    ASSERT_NE(hints, nullptr);
    EXPECT_FALSE(hints->input);
    XFree(hints);

    ShowAndWait(tooltip, SW_SHOW);  // even an activating show
    Log().clear();
    Xdotool({"mousemove", "200", "170", "click", "1"});
    ASSERT_TRUE(PumpUntil([&] { return Count(below, WM_LBUTTONUP) == 1; }));
    EXPECT_EQ(Count(below, WM_LBUTTONDOWN), 1u);
    EXPECT_EQ(Of(below, WM_LBUTTONDOWN)[0].lParam, MAKELPARAM(100, 70));
    Settle(below);
    for (UINT message : {WM_NCHITTEST, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_ACTIVATE, WM_SETFOCUS}) {
        EXPECT_EQ(Count(tooltip, message), 0u) << message;
    }
    EXPECT_EQ(GetActiveWindow(), below);
    EXPECT_EQ(Count(below, WM_ACTIVATE), 0u);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    EXPECT_EQ(focus, below);
}

TEST_F(WindowXTest, MonitorsOfTheServer) {
    // The output's monitor becomes the left half; a virtual one covers the right half.
    const bool leftSet = testing_x::SetMonitor("ZOVI_LEFT", RECT{0, 0, 960, 1080}, true);
    const bool rightSet = testing_x::SetMonitor("ZOVI_RIGHT", RECT{960, 0, 1920, 1080});
    testing_x::Sync();
    auto rightOf = [](HMONITOR monitor) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        return GetMonitorInfoW(monitor, &info) ? info.rcMonitor.left : -1;
    };
    const RECT mostlyLeft{900, 100, 1000, 200};
    const RECT mostlyRight{940, 100, 1100, 200};
    const long left = rightOf(MonitorFromRect(&mostlyLeft, MONITOR_DEFAULTTONULL));
    const long right = rightOf(MonitorFromRect(&mostlyRight, MONITOR_DEFAULTTONULL));
    const long point = rightOf(MonitorFromPoint(POINT{1500, 10}, MONITOR_DEFAULTTONULL));
    const HWND hwnd = Keep(Make(RECT{1200, 300, 1400, 400}));
    const long window = rightOf(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONULL));
    const bool offScreen = MonitorFromPoint(POINT{-50, -50}, MONITOR_DEFAULTTONULL) == nullptr;
    testing_x::DeleteMonitor("ZOVI_RIGHT");
    testing_x::DeleteMonitor("ZOVI_LEFT");
    testing_x::Sync();
    ASSERT_TRUE(leftSet && rightSet);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 960);
    EXPECT_EQ(point, 960);
    EXPECT_EQ(window, 960);
    EXPECT_TRUE(offScreen);
}

TEST_F(WindowXTest, PlacementRoundTripUnderAWorkArea) {
    // A panel of 30 pixels along the top, as a window manager would publish it.
    const Window root = DefaultRootWindow(display_);
    const Atom workArea = XInternAtom(display_, "_NET_WORKAREA", False);
    const long area[4] = {0, 30, 1920, 1050};
    XChangeProperty(display_, root, workArea, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(area), 4);
    XSync(display_, False);
    const HWND hwnd = Keep(Make(RECT{200, 230, 500, 430}));
    ASSERT_NE(hwnd, 0u);
    WINDOWPLACEMENT saved{};
    const bool got = GetWindowPlacement(hwnd, &saved);
    WINDOWPLACEMENT restore = saved;
    restore.rcNormalPosition = RECT{50, 60, 250, 160};
    restore.showCmd = SW_SHOWNORMAL;
    const bool set = SetWindowPlacement(hwnd, &restore);
    XDeleteProperty(display_, root, workArea);
    XSync(display_, False);
    ASSERT_TRUE(got);
    EXPECT_EQ(saved.length, 44u);
    EXPECT_EQ(saved.rcNormalPosition.left, 200);
    EXPECT_EQ(saved.rcNormalPosition.top, 200);
    EXPECT_EQ(saved.rcNormalPosition.bottom, 400);
    ASSERT_TRUE(set);
    ASSERT_TRUE(PumpUntil([&] { return Attributes(hwnd).map_state == IsViewable; }));
    XWindowAttributes attributes = Attributes(hwnd);
    EXPECT_EQ(attributes.x, 50);
    EXPECT_EQ(attributes.y, 90);
    EXPECT_EQ(attributes.width, 200);
    EXPECT_EQ(attributes.height, 100);
}

TEST_F(WindowXTest, KeyStateIsUpdatedBeforeDispatch) {
    const HWND hwnd = Keep(Make(RECT{100, 100, 300, 300}));
    ASSERT_NE(hwnd, 0u);
    ShowWindow(hwnd, SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == hwnd; }));
    // At each key message of 'A': whether Shift and A were down.
    std::vector<std::tuple<UINT, bool, bool>> seen;
    Hook() = [&](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT&) {
        if ((message == WM_KEYDOWN || message == WM_KEYUP) && wParam == 'A') {
            seen.emplace_back(message, GetKeyState(VK_SHIFT) < 0, GetKeyState('A') < 0);
        }
        return false;
    };
    Xdotool({"keydown", "shift", "key", "a", "keyup", "shift"});
    ASSERT_TRUE(PumpUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen, (std::vector<std::tuple<UINT, bool, bool>>{{WM_KEYDOWN, true, true}, {WM_KEYUP, true, false}}));
    Settle(hwnd);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);  // released last
}

TEST_F(WindowXTest, PresentCopiesTheBackBufferToTheWindow) {
    const HWND hwnd = Keep(Make(RECT{100, 100, 420, 340}));
    ASSERT_NE(hwnd, 0u);
    ShowAndWait(hwnd);
    // A back buffer: blue, with a green square; only its left half is presented.
    cairo_surface_t* buffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 320, 240);
    cairo_t* cr = cairo_create(buffer);
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 1, 0);
    cairo_rectangle(cr, 20, 20, 60, 60);
    cairo_fill(cr);
    cairo_destroy(cr);
    XSetWindowBackground(display_, hwnd, 0xFF0000);
    XClearWindow(display_, hwnd);
    XSync(display_, False);
    ASSERT_TRUE(zovi::platform::PresentWindow(hwnd, buffer, RECT{0, 0, 160, 240}));
    XSync(zovi::platform::WindowDisplay(hwnd), False);
    XImage* image = XGetImage(display_, hwnd, 0, 0, 320, 240, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(XGetPixel(image, 40, 40) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(XGetPixel(image, 100, 150) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(XGetPixel(image, 250, 150) & 0xFFFFFF, 0xFF0000u);  // not presented
    // Kept for people to look at.
    cairo_surface_t* shot = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 320, 240);
    cairo_surface_flush(shot);
    for (int y = 0; y < 240; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(shot) +
                                                     y * cairo_image_surface_get_stride(shot));
        for (int x = 0; x < 320; ++x) row[x] = static_cast<std::uint32_t>(XGetPixel(image, x, y));
    }
    cairo_surface_mark_dirty(shot);
    const std::string artefacts = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
    std::filesystem::create_directories(artefacts);
    EXPECT_EQ(cairo_surface_write_to_png(shot, (artefacts + "/x_present.png").c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(shot);
    XDestroyImage(image);
    // A resized window is presented whole.
    MoveWindow(hwnd, 100, 100, 400, 300, TRUE);
    ASSERT_TRUE(zovi::platform::PresentWindow(hwnd, buffer, RECT{0, 0, 400, 300}));
    XSync(zovi::platform::WindowDisplay(hwnd), False);
    image = XGetImage(display_, hwnd, 350, 260, 1, 1, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(XGetPixel(image, 0, 0) & 0xFFFFFF, 0xFF0000u);  // beyond the buffer: untouched
    XDestroyImage(image);
    EXPECT_FALSE(zovi::platform::PresentWindow(0x12345, buffer, RECT{0, 0, 1, 1}));
    cairo_surface_destroy(buffer);
}

}  // namespace
