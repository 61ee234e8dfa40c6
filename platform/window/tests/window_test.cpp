#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/process/process.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"
#include "platform/x11/testing/killable_x_server.h"

namespace {

// What the test window's procedure saw.
std::vector<UINT>& Seen() {
    static std::vector<UINT> seen;
    return seen;
}

LRESULT TestProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
    }
    if (message == WM_USER + 9) return static_cast<LRESULT>(wParam * 2);
    if (message == WM_USER + 10) {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        return 1;
    }
    Seen().push_back(message);
    if (message == WM_QUERYENDSESSION) return TRUE;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const wchar_t* TestClass() {
    static bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = TestProc;
        wc.lpszClassName = L"ZoviWindowTest";
        return RegisterClassExW(&wc) != 0;
    }();
    return registered ? L"ZoviWindowTest" : nullptr;
}

HWND MakeWindow(DWORD style = WS_POPUP) {
    return CreateWindowExW(0, TestClass(), L"test", style, 20, 20, 120, 80, 0, nullptr, nullptr, nullptr);
}

// Takes every pending message and returns their ids in delivery order.
std::vector<UINT> Drain(HWND hwnd) {
    std::vector<UINT> ids;
    MSG msg;
    while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
        if (msg.hwnd == hwnd || msg.hwnd == 0) ids.push_back(msg.message);
        DispatchMessageW(&msg);
    }
    return ids;
}

// Waits until the server has seen our requests and their events are back (the server
// sends them before its answer to the sync).
void Settle(HWND hwnd) { XSync(zovi::platform::WindowDisplay(hwnd), False); }

// Waits until the X server no longer knows `hwnd`.
bool WaitForGone(HWND hwnd) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!IsWindow(hwnd)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "needs an X server";
        Seen().clear();
    }
};

TEST_F(WindowTest, QueueDeliversInPriorityOrder) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, 0u);
    ShowWindow(hwnd, SW_SHOWNA);  // makes it invalid: a paint is due
    Settle(hwnd);
    Drain(hwnd);
    ASSERT_NE(SetTimer(hwnd, 1, 10, nullptr), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    InvalidateRect(hwnd, nullptr, FALSE);
    PostMessageW(hwnd, WM_USER + 1, 0, 0);
    PostMessageW(hwnd, WM_USER + 2, 0, 0);
    PostQuitMessage(3);
    MSG msg;
    std::vector<UINT> order;
    for (int i = 0; i < 5 && PeekMessageW(&msg, 0, 0, 0, PM_REMOVE); ++i) {
        order.push_back(msg.message);
        if (msg.message == WM_QUIT) {
            EXPECT_EQ(msg.wParam, 3u);
        }
        DispatchMessageW(&msg);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_QUIT, WM_PAINT, WM_TIMER}));
    // One pending tick per timer, re-armed when taken.
    EXPECT_FALSE(PeekMessageW(&msg, 0, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    KillTimer(hwnd, 1);
    DestroyWindow(hwnd);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowTest, NonRemovingPeekSeesMessagesStillInTheSocket) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, 0u);
    Settle(hwnd);
    Drain(hwnd);
    // Another connection posts the way another process does.
    std::thread poster([&] { EXPECT_TRUE(PostMessageW(hwnd, WM_USER + 5, 11, -12)); });
    poster.join();
    MSG msg{};
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool seen = false;
    while (!seen && std::chrono::steady_clock::now() < deadline) {
        seen = PeekMessageW(&msg, 0, 0, 0, PM_NOREMOVE);
        if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(seen);
    EXPECT_EQ(msg.message, WM_USER + 5u);
    ASSERT_EQ(GetMessageW(&msg, 0, 0, 0), TRUE);  // still there after the peek
    EXPECT_EQ(msg.message, WM_USER + 5u);
    EXPECT_EQ(msg.wParam, 11u);
    EXPECT_EQ(msg.lParam, -12);
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, SendsFromOtherThreadsRunOnTheOwnerThreadAndTimeOut) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, 0u);
    std::atomic<bool> done{false};
    LRESULT answer = 0;
    DWORD_PTR timedOut = 99;
    BOOL timeoutResult = TRUE;
    std::thread sender([&] {
        answer = SendMessageW(hwnd, WM_USER + 9, 21, 0);
        timeoutResult = SendMessageTimeoutW(hwnd, WM_USER + 10, 0, 0, SMTO_NORMAL, 200, &timedOut);
        done = true;
    });
    MSG msg;
    while (!done) {
        if (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    sender.join();
    EXPECT_EQ(answer, 42);
    EXPECT_FALSE(timeoutResult);
    EXPECT_EQ(timedOut, 0u);
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, MouseMotionIsCoalescedAndButtonsTranslated) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, 0u);
    ShowWindow(hwnd, SW_SHOWNA);
    Settle(hwnd);
    Drain(hwnd);
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    for (int i = 0; i < 5; ++i) {
        XEvent event{};
        event.xmotion.type = MotionNotify;
        event.xmotion.window = hwnd;
        event.xmotion.x = 10 + i;
        event.xmotion.y = 20;
        XSendEvent(display, hwnd, False, PointerMotionMask, &event);
    }
    XEvent press{};
    press.xbutton.type = ButtonPress;
    press.xbutton.window = hwnd;
    press.xbutton.button = Button1;
    press.xbutton.x = 7;
    press.xbutton.y = 8;
    XSendEvent(display, hwnd, False, ButtonPressMask, &press);
    XSync(display, False);
    XCloseDisplay(display);
    // The press came last: once it is queued, so are the moves.
    MSG msg;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!PeekMessageW(&msg, hwnd, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::vector<MSG> got;
    while (PeekMessageW(&msg, hwnd, WM_MOUSEMOVE, WM_MBUTTONDBLCLK, PM_REMOVE)) got.push_back(msg);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, WM_MOUSEMOVE);
    EXPECT_EQ(GET_X_LPARAM(got[0].lParam), 14);  // only the latest move
    EXPECT_EQ(got[1].message, WM_LBUTTONDOWN);
    EXPECT_EQ(got[1].wParam & MK_LBUTTON, MK_LBUTTON);
    EXPECT_EQ(GET_X_LPARAM(got[1].lParam), 7);
    EXPECT_EQ(GET_Y_LPARAM(got[1].lParam), 8);
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, ClassLongsAndLayeredWindows) {
    HWND plain = MakeWindow();
    HWND layered = CreateWindowExW(WS_EX_LAYERED, TestClass(), L"", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
    ASSERT_NE(plain, 0u);
    ASSERT_NE(layered, 0u);
    EXPECT_EQ(zovi::platform::WindowDepth(layered), 32);  // an ARGB visual
    EXPECT_EQ(GetWindowLongPtrW(layered, GWL_EXSTYLE), static_cast<LONG_PTR>(WS_EX_LAYERED));
    EXPECT_EQ(SetWindowLongPtrW(plain, GWLP_USERDATA, 1234), 0);
    EXPECT_EQ(GetWindowLongPtrW(plain, GWLP_USERDATA), 1234);
    EXPECT_EQ(GetWindowLongPtrW(plain, GWL_STYLE) & WS_VISIBLE, 0);
    ShowWindow(plain, SW_SHOWNA);
    EXPECT_EQ(GetWindowLongPtrW(plain, GWL_STYLE) & WS_VISIBLE, static_cast<LONG_PTR>(WS_VISIBLE));
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(plain, &rect));
    EXPECT_EQ(rect.right - rect.left, 120);
    EXPECT_TRUE(MoveWindow(plain, 40, 50, 60, 70, TRUE));
    ASSERT_TRUE(GetWindowRect(plain, &rect));
    EXPECT_EQ(rect.left, 40);
    EXPECT_EQ(rect.bottom, 120);
    // Moves and sizes reach the procedure as sent messages.
    EXPECT_NE(std::find(Seen().begin(), Seen().end(), WM_SIZE), Seen().end());
    EXPECT_NE(std::find(Seen().begin(), Seen().end(), WM_MOVE), Seen().end());
    DestroyWindow(layered);
    DestroyWindow(plain);
    EXPECT_FALSE(GetWindowRect(plain, &rect) && IsWindow(plain));
}

TEST_F(WindowTest, WindowsOfAnEndedThreadAreGone) {
    HWND left = 0;
    std::thread([&] { left = MakeWindow(); }).join();
    ASSERT_NE(left, 0u);
    EXPECT_EQ(zovi::platform::WindowDisplay(left), nullptr);
    EXPECT_TRUE(WaitForGone(left));
    EXPECT_FALSE(PostMessageW(left, WM_USER, 0, 0));
}

TEST_F(WindowTest, KeysAreTranslatedToCharacters) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, 0u);
    Settle(hwnd);
    Drain(hwnd);
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    struct Case {
        KeySym sym;
        unsigned state;
        UINT vk;
        WPARAM character;  // 0: none
    } cases[] = {
        {XK_a, 0, 'A', L'a'},
        {XK_a, ShiftMask, 'A', L'A'},
        {XK_Return, 0, VK_RETURN, L'\r'},
        {XK_Left, 0, VK_LEFT, 0},
    };
    for (const Case& c : cases) {
        XEvent key{};
        key.xkey.type = KeyPress;
        key.xkey.window = hwnd;
        key.xkey.display = display;
        key.xkey.keycode = XKeysymToKeycode(display, c.sym);
        key.xkey.state = c.state;
        XSendEvent(display, hwnd, False, KeyPressMask, &key);
        XSync(display, False);
        MSG msg{};
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!PeekMessageW(&msg, hwnd, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_EQ(msg.message, WM_KEYDOWN) << c.sym;
        EXPECT_EQ(msg.wParam, c.vk) << c.sym;
        EXPECT_EQ(TranslateMessage(&msg), c.character ? TRUE : FALSE) << c.sym;
        MSG character{};
        EXPECT_EQ(PeekMessageW(&character, hwnd, WM_CHAR, WM_CHAR, PM_REMOVE), c.character ? TRUE : FALSE);
        if (c.character) {
            EXPECT_EQ(character.wParam, c.character) << c.sym;
        }
    }
    XCloseDisplay(display);
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, InvalidAreasMergeIntoOnePaint) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, 0u);
    ShowWindow(hwnd, SW_SHOWNA);
    Settle(hwnd);
    Drain(hwnd);
    RECT a{1, 2, 3, 4}, b{10, 10, 20, 20};
    InvalidateRect(hwnd, &a, FALSE);
    InvalidateRect(hwnd, &b, FALSE);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_PAINT);
    PAINTSTRUCT paint{};
    BeginPaint(hwnd, &paint);
    EndPaint(hwnd, &paint);
    EXPECT_EQ(paint.rcPaint.left, 1);
    EXPECT_EQ(paint.rcPaint.top, 2);
    EXPECT_EQ(paint.rcPaint.right, 20);
    EXPECT_EQ(paint.rcPaint.bottom, 20);
    EXPECT_FALSE(PeekMessageW(&msg, 0, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    // A hidden window is not painted.
    ShowWindow(hwnd, SW_HIDE);
    InvalidateRect(hwnd, nullptr, FALSE);
    EXPECT_FALSE(PeekMessageW(&msg, 0, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, ModalLoopRunsNoIdleAndPassesQuitOn) {
    struct Idle : CIdleHandler {
        BOOL OnIdle() override {
            ++runs;
            return FALSE;
        }
        int runs = 0;
    } idle;
    CMessageLoop loop;
    loop.AddIdleHandler(&idle);
    ASSERT_TRUE(zovi::platform::AddMessageLoop(&loop));
    bool done = false;
    PostMessageW(0, WM_USER, 0, 0);
    PostQuitMessage(4);
    zovi::platform::RunModalLoop(done);
    EXPECT_EQ(idle.runs, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 4u);
    zovi::platform::RemoveMessageLoop();
}

TEST_F(WindowTest, SessionEndReachesTopLevelWindowsThenQuits) {
    // Each signal while the loop runs, and held from before the handler existed (a
    // program's start-up): the held one is delivered when the handler is installed.
    struct Case {
        int signal;
        bool held;
    } cases[] = {{SIGTERM, false}, {SIGHUP, false}, {SIGINT, false}, {SIGTERM, true}, {SIGINT, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(strsignal(c.signal)) + (c.held ? ", held" : ""));
        Seen().clear();
        HWND hwnd = MakeWindow();
        ASSERT_NE(hwnd, 0u);
        if (c.held) {
            zovi::platform::HoldSessionEndSignals();
            raise(c.signal);  // pending on this thread, which holds it
        }
        zovi::platform::InstallSessionEndHandler();
        CMessageLoop loop;
        if (!c.held) kill(getpid(), c.signal);
        int code = loop.Run();
        zovi::platform::UninstallSessionEndHandler();
        EXPECT_EQ(code, 0);
        std::vector<UINT> session;
        for (UINT m : Seen()) {
            if (m == WM_QUERYENDSESSION || m == WM_ENDSESSION) session.push_back(m);
        }
        EXPECT_EQ(session, (std::vector<UINT>{WM_QUERYENDSESSION, WM_ENDSESSION}));
        DestroyWindow(hwnd);
    }
}

std::atomic<bool> gLoopRuns{false};
std::atomic<int> gDisplayLostEnds{0};

TEST_F(WindowTest, LossOfTheXServerIsASessionEnd) {
    // A thread whose windows live on a server the test kills while its loop waits: the
    // loop hears of it as of a session end, tells its window and quits, once; the window
    // then goes, and a new one fails for want of a connection.
    zovi::test::CKillableXServer server;
    ASSERT_FALSE(server.Name().empty()) << "Xvfb did not start";
    zovi::platform::SetSessionEndObserver([](zovi::platform::SessionEndCause cause) {
        if (cause == zovi::platform::SessionEndCause::kDisplayLost) ++gDisplayLostEnds;
    });
    const std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    setenv("DISPLAY", server.Name().c_str(), 1);
    gLoopRuns = false;
    int code = -1;
    std::vector<UINT> session;
    HWND after = 1;
    std::thread ui([&] {
        HWND hwnd = MakeWindow();
        ASSERT_NE(hwnd, 0u);
        ShowWindow(hwnd, SW_SHOW);
        zovi::platform::InstallSessionEndHandler();
        SetTimer(0, 0, 1, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(0, id);
            gLoopRuns = true;
        });
        CMessageLoop loop;
        code = loop.Run();
        zovi::platform::UninstallSessionEndHandler();
        for (UINT m : Seen()) {
            if (m == WM_QUERYENDSESSION || m == WM_ENDSESSION) session.push_back(m);
        }
        DestroyWindow(hwnd);
        after = MakeWindow();
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!gLoopRuns && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(gLoopRuns);
    server.End(SIGKILL);  // ends the thread's loop in any case
    ui.join();
    setenv("DISPLAY", saved.c_str(), 1);
    zovi::platform::SetSessionEndObserver(nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(session, (std::vector<UINT>{WM_QUERYENDSESSION, WM_ENDSESSION}));
    EXPECT_EQ(gDisplayLostEnds, 1);
    EXPECT_EQ(after, 0u);
}

TEST_F(WindowTest, WithoutADisplayEverythingFailsSoft) {
    const std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    unsetenv("DISPLAY");
    std::thread noDisplay([] {
        EXPECT_FALSE(zovi::platform::HasDisplay());
        EXPECT_EQ(RegisterWindowMessageW(L"ZVK_ANY"), 0u);
        EXPECT_EQ(FindWindowW(L"CaptureTrayWnd", nullptr), 0u);
        EXPECT_EQ(MakeWindow(), 0u);
        EXPECT_FALSE(PostMessageW(12345, WM_USER, 0, 0));
        EXPECT_FALSE(IsWindow(12345));
    });
    noDisplay.join();
    setenv("DISPLAY", saved.c_str(), 1);
}

// The other process of the cross-process tests, with its stdout for its reports.
class Peer {
public:
    explicit Peer(const std::string& className) {
        zovi::platform::ChildProcess::Options options;
        options.pipeStdout = true;
        child_ = zovi::platform::ChildProcess::Start({std::string(ZOVI_TEST_BIN_DIR) + "/window_peer", className}, options);
    }
    ~Peer() {
        if (child_ && !child_->HasExited()) {
            child_->Kill(SIGKILL);
            child_->Wait(5000);
        }
    }
    // The next line the peer printed (empty after 10 s).
    std::string ReadLine() {
        std::string line;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        char c;
        while (std::chrono::steady_clock::now() < deadline) {
            ssize_t n = read(child_->StdoutFd(), &c, 1);
            if (n == 1) {
                if (c == '\n') return line;
                line += c;
            } else if (n == 0) {
                break;
            }
        }
        return line;
    }
    zovi::platform::ChildProcess* operator->() { return child_.get(); }

private:
    std::unique_ptr<zovi::platform::ChildProcess> child_;
};

TEST_F(WindowTest, AnotherProcessIsFoundPostedToAndAnswers) {
    Peer peer("CaptureTrayWnd");
    // The eight shared names give the same distinct ids in both processes.
    const std::string ids = peer.ReadLine();
    std::string expectedIds = "ids";
    std::set<UINT> distinct;
    for (const wchar_t* name : {L"ZVK_CHECKLISTENER", L"ZVK_SHOWCAPTURE", L"ZVK_TRAY_ENABLEHOTKEYS",
                                L"ZVK_TRAY_RELOADSETTINGS", L"ZVK_TRAY_TERMINATE", L"ZVK_KEEPALIVE",
                                L"ZVK_GABASICEVENT", L"ZVK_TRAYICONFLASH"}) {
        const UINT id = RegisterWindowMessageW(name);
        EXPECT_GE(id, 0xC000u);
        distinct.insert(id);
        expectedIds += " " + std::to_string(id);
    }
    EXPECT_EQ(distinct.size(), 8u);
    EXPECT_EQ(ids, expectedIds);
    const std::string ready = peer.ReadLine();
    ASSERT_EQ(ready.rfind("ready ", 0), 0u) << ready;
    const HWND peerWindow = std::stoul(ready.substr(6));

    // The same names give the same ids in both processes.
    const UINT add = RegisterWindowMessageW(L"ZOVI_TEST_ADD");
    const UINT hang = RegisterWindowMessageW(L"ZOVI_TEST_HANG");
    const UINT quit = RegisterWindowMessageW(L"ZOVI_TEST_QUIT");
    EXPECT_GE(add, 0xC000u);
    EXPECT_NE(add, hang);
    EXPECT_EQ(RegisterWindowMessageW(L"ZOVI_TEST_ADD"), add);

    EXPECT_EQ(FindWindowW(L"CaptureTrayWnd", nullptr), peerWindow);
    EXPECT_EQ(FindWindowW(L"CaptureTrayWnd", L"peer"), peerWindow);
    EXPECT_EQ(FindWindowW(L"NoSuchClass", nullptr), 0u);
    EXPECT_TRUE(IsWindow(peerWindow));
    DWORD pid = 0;
    GetWindowThreadProcessId(peerWindow, &pid);
    EXPECT_EQ(pid, static_cast<DWORD>(peer->Pid()));

    ASSERT_TRUE(PostMessageW(peerWindow, WM_USER + 3, 5, 6));
    EXPECT_EQ(peer.ReadLine(), "posted " + std::to_string(WM_USER + 3) + " 5 6");

    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(FindWindowW(L"CaptureTrayWnd", nullptr), RegisterWindowMessageW(L"ZVK_CHECKLISTENER"),
                                    0, 0, SMTO_ABORTIFHUNG, 5000, &result));
    EXPECT_EQ(result, 1u);
    ASSERT_TRUE(SendMessageTimeoutW(peerWindow, add, 40, 2, SMTO_ABORTIFHUNG, 5000, &result));
    EXPECT_EQ(result, 42u);

    // A receiver that does not answer makes the send time out (an answer would be 1).
    EXPECT_FALSE(SendMessageTimeoutW(peerWindow, hang, 0, 0, SMTO_ABORTIFHUNG, 300, &result));
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    EXPECT_EQ(result, 0u);

    // Show requests reach the owner, which applies them.
    ASSERT_TRUE(ShowWindow(peerWindow, SW_HIDE));
    auto waitVisible = [&](bool visible) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (static_cast<bool>(IsWindowVisible(peerWindow)) == visible) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    };
    EXPECT_TRUE(waitVisible(false));
    ASSERT_TRUE(ShowWindow(peerWindow, SW_SHOWNORMAL));
    EXPECT_TRUE(waitVisible(true));

    PostMessageW(peerWindow, quit, 0, 0);
    ASSERT_TRUE(peer->Wait(10000));
    EXPECT_EQ(peer->ExitCode(), 7);
    EXPECT_FALSE(SendMessageTimeoutW(peerWindow, add, 1, 1, SMTO_NORMAL, 300, &result));
}

}  // namespace
