// The ZoviTray program as a process on an X server of its own, with a small notification
// area and the stand-in main program beside it in a folder of their own: one instance,
// the docked icon and its menu, blinking, the hotkeys, starting the main program, ending.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/regvalues/reg_values.h"
#include "core/traylink/tray_link.h"
#include "platform/process/process.h"
#include "platform/tray/testing/status_notifier_watcher.h"
#include "platform/tray/testing/status_notifier_watcher_bus.h"
#include "platform/tray/testing/status_notifier_watcher_host.h"
#include "platform/tray/testing/xembed_test_host.h"
#include "platform/window/hotkeys.h"
#include "platform/window/window.h"
#include "platform/x11/testing/killable_x_server.h"

namespace fs = std::filesystem;
using zovi::platform::ChildProcess;
using zovi::test::CXEmbedTestHost;

namespace {

bool WaitFor(const std::function<bool()>& done, int timeoutMs = 20'000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

LRESULT PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class TrayProgramTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(server_.Name().empty());
        char pattern[] = "/tmp/zovi-tray-program-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        work_ = pattern;
        fs::create_directories(work_ / "bin");
        fs::create_directories(work_ / "home" / ".config");
        for (const fs::path& file : {fs::path(ZOVI_BIN_DIR) / "ZoviTray", fs::path(ZOVI_BIN_DIR) / "libTolka.so",
                                     fs::path(ZOVI_TEST_BIN_DIR) / "fake_capture" / "ZoviCapture"}) {
            fs::copy_file(file, work_ / "bin" / file.filename());
        }
        // The children inherit all of it: the server, a private lock folder, settings store
        // and the stand-in's report file.
        setenv("DISPLAY", server_.Name().c_str(), 1);
        setenv("ZOVI_RUNTIME_DIR", (work_ / "run").c_str(), 1);
        setenv("HOME", (work_ / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (work_ / "home" / ".config").c_str(), 1);
        setenv("ZOVI_FAKE_MAIN_LOG", MainLog().c_str(), 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");  // the XEmbed area is the one to use
        x_ = XOpenDisplay(server_.Name().c_str());
        ASSERT_NE(x_, nullptr);
        // Keys reach no grab while the focus is None.
        XSetInputFocus(x_, PointerRoot, RevertToPointerRoot, CurrentTime);
        XSync(x_, False);
    }

    void TearDown() override {
        for (auto& child : children_) {
            if (!child->HasExited()) child->Kill(SIGKILL);
            child->Wait(10'000);
        }
        // A stand-in the tray started is no child of ours.
        for (const std::string& line : MainLines()) {
            if (line.rfind("started ", 0) == 0) kill(std::stoi(line.substr(8)), SIGKILL);
        }
        if (probe_) DestroyWindow(probe_);
        host_.reset();
        if (x_) XCloseDisplay(x_);
        fs::remove_all(work_);
    }

    std::string MainLog() const { return (work_ / "main.log").string(); }
    std::vector<std::string> MainLines() const {
        std::vector<std::string> lines;
        std::ifstream in(MainLog());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    bool MainReported(const std::string& line) const {
        const auto lines = MainLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool WaitForMainLine(const std::string& line) {
        return WaitFor([&] { return MainReported(line); });
    }
    int CountMainLinesStartingWith(const std::string& prefix) const {
        int count = 0;
        for (const std::string& line : MainLines()) count += line.rfind(prefix, 0) == 0;
        return count;
    }

    // Commands the stand-in received with id `id`, each sent with the tray's window.
    int Received(UINT id) const {
        int count = 0;
        const std::string prefix = "showcapture " + std::to_string(id) + " ";
        for (const std::string& line : MainLines()) count += line.rfind(prefix, 0) == 0 && line != prefix + "0";
        return count;
    }
    bool WaitForReceived(UINT id, int count) {
        return WaitFor([&] { return Received(id) >= count; });
    }

    void StartHost() {
        host_ = std::make_unique<CXEmbedTestHost>(server_.Name());
        ASSERT_TRUE(host_->Owning());
        host_->ServeInBackground();
    }
    ChildProcess* Start(const std::string& program) {
        children_.push_back(ChildProcess::Start({(work_ / "bin" / program).string()}, {}));
        return children_.back().get();
    }
    // Starts the tray and waits until its loop runs (the icon added, the hotkeys taken)
    // and, with a host, its icon is docked and on screen.
    ChildProcess* StartTray(int timeoutMs = 20'000) {
        ChildProcess* tray = Start("ZoviTray");
        EXPECT_TRUE(tray);
        EXPECT_TRUE(WaitFor([] { return FindWindowW(kTrayWindowClass, nullptr) != 0; }));
        DWORD_PTR answer = 0;
        EXPECT_NE(SendMessageTimeoutW(FindWindowW(kTrayWindowClass, nullptr), RegisterWindowMessageW(kMsgKeepAlive), 0,
                                      0, SMTO_ABORTIFHUNG, timeoutMs, &answer),
                  0);
        if (host_) {
            EXPECT_TRUE(host_->WaitForDocked([](const auto& icons) { return icons.size() == 1; }, 20'000));
            EXPECT_TRUE(WaitFor([&] {
                XWindowAttributes attributes;
                return XGetWindowAttributes(x_, host_->DockedIcons().at(0), &attributes) &&
                       attributes.map_state == IsViewable;
            }));
        }
        return tray;
    }
    void StartMain() {
        ASSERT_TRUE(Start("ZoviCapture"));
        ASSERT_TRUE(WaitForMainLine("ready"));
    }
    // Sends and waits until the tray has handled it.
    void SendToTray(const wchar_t* name) {
        DWORD_PTR answer = 0;
        ASSERT_NE(SendMessageTimeoutW(FindWindowW(kTrayWindowClass, nullptr), RegisterWindowMessageW(name), 0, 0,
                                      SMTO_ABORTIFHUNG, 20'000, &answer),
                  0);
    }
    void PostToTray(const wchar_t* name, WPARAM wParam = 0) {
        ASSERT_TRUE(PostMessageW(FindWindowW(kTrayWindowClass, nullptr), RegisterWindowMessageW(name), wParam, 0));
    }

    // A key combination pressed and released through XTest.
    void Press(std::vector<KeySym> keys) {
        for (KeySym key : keys) XTestFakeKeyEvent(x_, XKeysymToKeycode(x_, key), True, CurrentTime);
        std::reverse(keys.begin(), keys.end());
        for (KeySym key : keys) XTestFakeKeyEvent(x_, XKeysymToKeycode(x_, key), False, CurrentTime);
        XSync(x_, False);
    }
    void ClickIcon(unsigned int button) {
        Window child;
        int x = 0, y = 0;
        XTranslateCoordinates(x_, host_->DockedIcons().at(0), DefaultRootWindow(x_), CXEmbedTestHost::kIconSize / 2,
                              CXEmbedTestHost::kIconSize / 2, &x, &y, &child);
        XTestFakeMotionEvent(x_, -1, x, y, CurrentTime);
        XTestFakeButtonEvent(x_, button, True, CurrentTime);
        XTestFakeButtonEvent(x_, button, False, CurrentTime);
        XSync(x_, False);
    }
    // The open menu: a mapped override-redirect window that is not the panel.
    Window MenuWindow() {
        Window root, parent, *children = nullptr;
        unsigned int count = 0;
        Window found = 0;
        if (!XQueryTree(x_, DefaultRootWindow(x_), &root, &parent, &children, &count)) return 0;
        for (unsigned int i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if ((!host_ || children[i] != host_->Panel()) && XGetWindowAttributes(x_, children[i], &attributes) &&
                attributes.override_redirect && attributes.map_state == IsViewable) {
                found = children[i];
            }
        }
        if (children) XFree(children);
        return found;
    }
    // Whether another client holds the keyboard grab (a probe grab of ours is let go at once).
    bool KeyboardHeldElsewhere() {
        const int result = XGrabKeyboard(x_, DefaultRootWindow(x_), False, GrabModeAsync, GrabModeAsync, CurrentTime);
        if (result == GrabSuccess) {
            XUngrabKeyboard(x_, CurrentTime);
            XSync(x_, False);
        }
        return result == AlreadyGrabbed;
    }
    // Waits for the open menu and takes its `downs`-th item with the keys.
    void ChooseMenuItem(int downs) {
        ASSERT_TRUE(WaitFor([&] { return MenuWindow() != 0; }));
        // Keys pressed before the menu holds the keyboard would go elsewhere.
        ASSERT_TRUE(WaitFor([&] { return KeyboardHeldElsewhere(); }));
        for (int i = 0; i < downs; ++i) Press({XK_Down});
        Press({XK_Return});
        EXPECT_TRUE(WaitFor([&] { return MenuWindow() == 0; }));
    }
    // Whether this test may take a combination now, i.e. nobody else holds it.
    bool CanTakeHotkey(UINT modifiers, UINT virtualKey) {
        if (!probe_) {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.lpfnWndProc = PlainProc;
            windowClass.lpszClassName = L"TrayTestProbe";
            RegisterClassExW(&windowClass);
            probe_ = CreateWindowExW(0, L"TrayTestProbe", L"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
        }
        if (!RegisterHotKey(probe_, 1, modifiers, virtualKey)) return false;
        UnregisterHotKey(probe_, 1);
        return true;
    }
    std::string Artefact(const std::string& name) {
        const fs::path folder = fs::path(ZOVI_TEST_BIN_DIR) / "artefacts";
        fs::create_directories(folder);
        return (folder / name).string();
    }

    zovi::test::CKillableXServer server_;
    fs::path work_;
    Display* x_ = nullptr;
    std::unique_ptr<CXEmbedTestHost> host_;
    std::vector<std::unique_ptr<ChildProcess>> children_;
    HWND probe_ = 0;
};

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

TEST_F(TrayProgramTest, SecondStartEndsAtOnceAndTerminateRemovesIconAndHotkeys) {
    StartHost();
    ChildProcess* tray = StartTray();
    ASSERT_TRUE(tray);
    EXPECT_FALSE(CanTakeHotkey(kCtrlAlt, 'S'));  // the tray holds it
    ChildProcess* second = Start("ZoviTray");
    ASSERT_TRUE(second && second->Wait(20'000));
    EXPECT_EQ(second->ExitCode(), 0);
    EXPECT_EQ(host_->DockedIcons().size(), 1u);
    EXPECT_FALSE(tray->HasExited());

    PostToTray(kMsgTrayTerminate);
    ASSERT_TRUE(tray->Wait(20'000));
    EXPECT_EQ(tray->ExitCode(), 0);
    EXPECT_TRUE(host_->WaitForDocked([](const auto& icons) { return icons.empty(); }, 20'000));
    EXPECT_TRUE(CanTakeHotkey(kCtrlAlt, 'S'));
    EXPECT_EQ(CountMainLinesStartingWith("started"), 0);  // no main program was started
}

TEST_F(TrayProgramTest, MenuChoicesAndClicksReachTheMainProgram) {
    StartHost();
    StartMain();
    ChildProcess* tray = StartTray();
    ASSERT_TRUE(tray);
    const fs::path panelShot = Artefact("tray_docked_icon.png");
    EXPECT_TRUE(zovi::test::SaveWindowImagePng(zovi::test::ReadWindowImage(server_.Name(), host_->Panel()),
                                               panelShot.string()));
    // A left click opens the main window.
    ClickIcon(Button1);
    EXPECT_TRUE(WaitForReceived(32000, 1));
    // The right click's menu, in both languages; an item is chosen with the keys.
    const struct {
        const wchar_t* lang;
        int downs;
        UINT id;
        int count;
    } cases[] = {{L"", 1, 32000, 2}, {L"zh-CN", 3, 32004, 1}, {L"en-US", 2, 32002, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        ASSERT_TRUE(WriteRegString(c.lang, L"lang", nullptr));
        ClickIcon(Button3);
        ASSERT_TRUE(WaitFor([&] { return MenuWindow() != 0; }));
        const std::string shot = std::wstring(c.lang) == L"zh-CN" ? "tray_menu_chinese.png" : "tray_menu_english.png";
        EXPECT_TRUE(zovi::test::SaveWindowImagePng(zovi::test::ReadWindowImage(server_.Name(), MenuWindow()),
                                                   Artefact(shot)));
        ChooseMenuItem(c.downs);
        EXPECT_TRUE(WaitForReceived(c.id, c.count));
    }
    // Escape chooses nothing; then "Exit" reaches the main program and ends the tray.
    ClickIcon(Button3);
    ASSERT_TRUE(WaitFor([&] { return MenuWindow() != 0 && KeyboardHeldElsewhere(); }));
    Press({XK_Escape});
    ASSERT_TRUE(WaitFor([&] { return MenuWindow() == 0; }));
    const int before = CountMainLinesStartingWith("showcapture");
    ClickIcon(Button3);
    ChooseMenuItem(4);
    EXPECT_TRUE(WaitForReceived(32003, 1));
    ASSERT_TRUE(tray->Wait(20'000));
    EXPECT_EQ(tray->ExitCode(), 0);
    EXPECT_EQ(CountMainLinesStartingWith("showcapture"), before + 1);  // Escape sent nothing
}

TEST_F(TrayProgramTest, HotkeysReachTheMainProgramAndReloadRegrabs) {
    StartHost();
    StartMain();
    ASSERT_TRUE(StartTray());
    const struct {
        KeySym key;
        UINT id;
    } rows[] = {{XK_s, 33000}, {XK_p, 33001}, {XK_q, 33002}, {XK_c, 33004}, {XK_v, 33003}, {XK_t, 33005}};
    for (const auto& row : rows) {
        Press({XK_Control_L, XK_Alt_L, row.key});
        EXPECT_TRUE(WaitForReceived(row.id, 1)) << row.id;
    }
    // With CapsLock, then NumLock as well, on.
    for (KeySym lock : {XK_Caps_Lock, XK_Num_Lock}) {
        Press({lock});
        const int before = Received(33002);
        Press({XK_Control_L, XK_Alt_L, XK_q});
        EXPECT_TRUE(WaitForReceived(33002, before + 1)) << lock;
    }
    Press({XK_Caps_Lock});
    Press({XK_Num_Lock});

    // Pause cleared and stop moved to Ctrl+Shift+F12: the old ones are let go, the new one taken.
    EXPECT_FALSE(CanTakeHotkey(kCtrlAlt, 'P'));
    ASSERT_TRUE(WriteRegDword(0, L"pauseRecord", L"hotkey"));
    ASSERT_TRUE(WriteRegDword(0x67B, L"stopRecord", L"hotkey"));
    SendToTray(kMsgTrayReloadSettings);
    EXPECT_TRUE(CanTakeHotkey(kCtrlAlt, 'P'));
    EXPECT_TRUE(CanTakeHotkey(kCtrlAlt, 'Q'));
    EXPECT_FALSE(CanTakeHotkey(MOD_CONTROL | MOD_SHIFT, 0x7B));
    Press({XK_Control_L, XK_Shift_L, XK_F12});
    EXPECT_TRUE(WaitForReceived(33002, 4));
}

TEST_F(TrayProgramTest, FlashBlinksTheIconThenItSettles) {
    StartHost();
    ASSERT_TRUE(StartTray());
    const unsigned long icon = host_->DockedIcons().at(0);
    auto image = [&] { return zovi::test::ReadWindowImage(server_.Name(), icon).rgb; };
    std::vector<std::uint32_t> steady;
    ASSERT_TRUE(WaitFor([&] {
        steady = image();
        return !steady.empty() && std::count(steady.begin(), steady.end(), steady.front()) != std::ssize(steady);
    }));  // the icon's pixels, not a flat panel
    // The program icon: a red record mark in the middle of a blue square.
    const zovi::test::WindowImage shown = zovi::test::ReadWindowImage(server_.Name(), icon);
    ASSERT_EQ(shown.width, CXEmbedTestHost::kIconSize);
    auto dominant = [](std::uint32_t rgb) {
        const std::uint32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
        return r > g + 80 && r > b + 80 ? 'r' : b > r + 80 && b > g + 40 ? 'b' : '-';
    };
    const int middle = CXEmbedTestHost::kIconSize / 2;
    EXPECT_EQ(dominant(shown.At(middle, middle)), 'r') << std::hex << shown.At(middle, middle);
    EXPECT_EQ(dominant(shown.At(3, middle)), 'b') << std::hex << shown.At(3, middle);
    // Requests once a second, as a recording sends them, until the icon has gone empty
    // (a loaded machine may delay a tick past one request's window); then it comes back.
    using Clock = std::chrono::steady_clock;
    auto lastRequest = Clock::now() - std::chrono::seconds(1);
    std::vector<std::uint32_t> blank;
    ASSERT_TRUE(WaitFor([&] {
        if (Clock::now() - lastRequest >= std::chrono::seconds(1)) {
            PostToTray(kMsgTrayIconFlash, 3);
            lastRequest = Clock::now();
        }
        blank = image();
        return !blank.empty() && blank != steady;
    }));
    EXPECT_EQ(std::count(blank.begin(), blank.end(), blank.front()), std::ssize(blank));  // the panel only
    EXPECT_TRUE(WaitFor([&] { return image() == steady; }));
    // Then it stays: the same pixels for four ticks on end.
    auto steadySince = Clock::now();
    EXPECT_TRUE(WaitFor([&] {
        if (image() != steady) steadySince = Clock::now();
        return Clock::now() - steadySince > std::chrono::milliseconds(2'000);
    }));
}

TEST_F(TrayProgramTest, HotkeyStartsTheMainProgramFromTheTraysFolder) {
    StartHost();
    ChildProcess* tray = StartTray();
    ASSERT_TRUE(tray);
    Press({XK_Control_L, XK_Alt_L, XK_t});
    ASSERT_TRUE(WaitForMainLine("ready"));
    EXPECT_TRUE(WaitForReceived(33005, 1));
    EXPECT_GE(CountMainLinesStartingWith("check "), 2);
    // The started main program holds no lock of the tray: a new tray runs after this one.
    PostToTray(kMsgTrayTerminate);
    ASSERT_TRUE(tray->Wait(20'000));
    ChildProcess* next = StartTray();
    ASSERT_TRUE(next);
    EXPECT_FALSE(next->Wait(0));
    // The new tray finds the main program already running.
    Press({XK_Control_L, XK_Alt_L, XK_t});
    EXPECT_TRUE(WaitForReceived(33005, 2));
    EXPECT_EQ(CountMainLinesStartingWith("started"), 1);
}

TEST_F(TrayProgramTest, ExitWithoutMainProgramEndsTheTrayAndStartsNone) {
    StartHost();
    ChildProcess* tray = StartTray();
    ASSERT_TRUE(tray);
    ClickIcon(Button3);
    ChooseMenuItem(4);
    ASSERT_TRUE(tray->Wait(20'000));
    EXPECT_EQ(tray->ExitCode(), 0);
    EXPECT_EQ(CountMainLinesStartingWith("started"), 0);
}

TEST_F(TrayProgramTest, TheSessionsEndEndsTheTray) {
    // SIGTERM (as at the end of a desktop session) ends the loop, and the tray with 0;
    // the loss of the X server takes the same way out.
    StartHost();
    ChildProcess* tray = StartTray();
    ASSERT_TRUE(tray);
    tray->Kill(SIGTERM);
    ASSERT_TRUE(tray->Wait(20'000));
    EXPECT_EQ(tray->ExitCode(), 0);
    EXPECT_TRUE(host_->WaitForDocked([](const auto& icons) { return icons.empty(); }, 20'000));
    EXPECT_TRUE(CanTakeHotkey(kCtrlAlt, 'S'));
}

TEST_F(TrayProgramTest, WithoutNotificationAreaRunsOnWithItsHotkeys) {
    // No host: the icon is tried for 15 s, then the program serves its hotkeys anyway.
    StartMain();
    ChildProcess* tray = StartTray(40'000);
    ASSERT_TRUE(tray);
    EXPECT_FALSE(CanTakeHotkey(kCtrlAlt, 'S'));
    EXPECT_FALSE(tray->HasExited());
    Press({XK_Control_L, XK_Alt_L, XK_s});
    EXPECT_TRUE(WaitForReceived(33000, 1));
    PostToTray(kMsgTrayTerminate);
    ASSERT_TRUE(tray->Wait(20'000));
    EXPECT_EQ(tray->ExitCode(), 0);
}

TEST_F(TrayProgramTest, IconDocksWhenTheNotificationAreaComesLateAndATakenHotkeyFailsAlone) {
    StartMain();
    // Another program holds Ctrl+Alt+P from before the tray starts.
    ASSERT_TRUE(CanTakeHotkey(kCtrlAlt, 'P'));
    ASSERT_TRUE(RegisterHotKey(probe_, 7, kCtrlAlt, 'P'));
    ChildProcess* tray = Start("ZoviTray");
    ASSERT_TRUE(tray);
    ASSERT_TRUE(WaitFor([] { return FindWindowW(kTrayWindowClass, nullptr) != 0; }));  // retrying the icon
    StartHost();
    ASSERT_TRUE(host_->WaitForDocked([](const auto& icons) { return icons.size() == 1; }, 20'000));
    // The icon window is named with the tooltip.
    Atom utf8 = XInternAtom(x_, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* name = nullptr;
    ASSERT_EQ(XGetWindowProperty(x_, host_->DockedIcons().at(0), XInternAtom(x_, "_NET_WM_NAME", False), 0, 64, False,
                                 utf8, &type, &format, &count, &after, &name),
              Success);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name), count), "Zovi录屏");
    XFree(name);

    SendToTray(kMsgKeepAlive);  // answered once the loop runs: the hotkeys are taken
    EXPECT_FALSE(CanTakeHotkey(kCtrlAlt, 'S'));
    EXPECT_FALSE(CanTakeHotkey(kCtrlAlt, 'T'));
    Press({XK_Control_L, XK_Alt_L, XK_s});
    EXPECT_TRUE(WaitForReceived(33000, 1));
    // Once the other program lets go, a reload takes it.
    UnregisterHotKey(probe_, 7);
    SendToTray(kMsgTrayReloadSettings);
    EXPECT_FALSE(CanTakeHotkey(kCtrlAlt, 'P'));
    Press({XK_Control_L, XK_Alt_L, XK_p});
    EXPECT_TRUE(WaitForReceived(33001, 1));
    EXPECT_EQ(Received(33001), 1);
}

TEST_F(TrayProgramTest, StatusNotifierItemRegistersAndItsClicksActAsTheIconsDo) {
    zovi::test::CPrivateSessionBus bus;  // the children inherit its address
    ASSERT_FALSE(bus.Address().empty());
    zovi::test::CTestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.Ok());
    StartMain();
    ChildProcess* tray = StartTray();
    ASSERT_TRUE(tray);
    ASSERT_TRUE(watcher.WaitForItemCount(1, 20'000));
    const std::string item = watcher.Items().at(0);
    zovi::test::CTestStatusNotifierHost host;
    ASSERT_TRUE(host.Ok());
    auto properties = host.Read(item);
    ASSERT_TRUE(properties);
    EXPECT_EQ(properties->title, "Zovi录屏");
    ASSERT_FALSE(properties->icon.empty());
    EXPECT_GT(properties->icon[0].width, 0);

    ASSERT_TRUE(host.Click(item, "Activate", 300, 200));
    EXPECT_TRUE(WaitForReceived(32000, 1));
    ASSERT_TRUE(host.Click(item, "ContextMenu", 300, 200));
    ChooseMenuItem(2);
    EXPECT_TRUE(WaitForReceived(32002, 1));

    PostToTray(kMsgTrayTerminate);
    ASSERT_TRUE(tray->Wait(20'000));
    EXPECT_EQ(tray->ExitCode(), 0);
    EXPECT_TRUE(watcher.WaitForItemCount(0, 20'000));
}

TEST_F(TrayProgramTest, WithoutAnXServerTheWindowFailsAndTheExitCodeIsMinusOne) {
    setenv("DISPLAY", ":65000", 1);  // nobody serves it
    ChildProcess* tray = Start("ZoviTray");
    ASSERT_TRUE(tray && tray->Wait(20'000));
    EXPECT_EQ(tray->ExitCode(), 255);
}

}  // namespace
