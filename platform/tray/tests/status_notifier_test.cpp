// The notification-area icon as a StatusNotifierItem, against a real session bus daemon
// with a test watcher and host, and a real X window as the icon's owner.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/tray/notify_backend.h"
#include "platform/tray/notify_icon.h"
#include "platform/tray/testing/status_notifier_watcher.h"
#include "platform/tray/testing/status_notifier_watcher_bus.h"
#include "platform/tray/testing/status_notifier_watcher_host.h"
#include "platform/window/window.h"

namespace {

using zovi::platform::tray::IconState;
using zovi::platform::tray::MakeStatusNotifierBackend;
using zovi::test::CPrivateSessionBus;
using zovi::test::CTestStatusNotifierHost;
using zovi::test::CTestStatusNotifierWatcher;

// Generous: the whole suite also runs under sanitizers on a loaded machine.
constexpr int kWaitMs = 20'000;
constexpr UINT kIconId = 7;
constexpr UINT kCallbackMessage = WM_APP + 5;

std::shared_ptr<const ZoviIcon> TestIcon() {
    auto icon = std::make_shared<ZoviIcon>();
    icon->width = 2;
    icon->height = 2;
    icon->argb = {0xFF112233, 0x80445566, 0x00000000, 0xFFFFFFFF};
    return icon;
}

// TestIcon's pixels as the protocol carries them: A, R, G, B bytes per pixel.
const std::vector<std::uint8_t> kTestIconBytes = {0xFF, 0x11, 0x22, 0x33, 0x80, 0x44, 0x55, 0x66,
                                                  0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};

IconState StateFor(HWND owner, std::shared_ptr<const ZoviIcon> icon, std::wstring tip) {
    IconState state;
    state.owner = owner;
    state.id = kIconId;
    state.callbackMessage = kCallbackMessage;
    state.icon = std::move(icon);
    state.tip = std::move(tip);
    return state;
}

std::string ItemNamePrefix() { return "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-"; }

// A hidden window that records the icon callbacks it gets, with their message position.
class CallbackWindow {
public:
    struct Callback {
        WPARAM id;
        LPARAM mouseMessage;
        POINT at;
    };

    CallbackWindow() {
        static bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = Proc;
            wc.lpszClassName = L"ZoviStatusNotifierTest";
            return RegisterClassExW(&wc) != 0;
        }();
        if (registered) {
            hwnd_ = CreateWindowExW(0, L"ZoviStatusNotifierTest", L"", WS_POPUP, 0, 0, 10, 10, 0, nullptr,
                                    nullptr, nullptr);
        }
    }
    ~CallbackWindow() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    HWND Handle() const { return hwnd_; }

    // Runs the message loop until a callback arrives or `timeoutMs` passed.
    std::optional<Callback> WaitForCallback(UINT timeoutMs) {
        received_.reset();
        SetTimer(hwnd_, kDeadlineTimer, timeoutMs, nullptr);
        MSG msg;
        while (!received_ && GetMessageW(&msg, 0, 0, 0) > 0) {
            if (msg.hwnd == hwnd_ && msg.message == WM_TIMER && msg.wParam == kDeadlineTimer) break;
            DispatchMessageW(&msg);
        }
        KillTimer(hwnd_, kDeadlineTimer);
        return received_;
    }

private:
    static constexpr UINT_PTR kDeadlineTimer = 1;

    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kCallbackMessage) {
            DWORD pos = GetMessagePos();
            received_ = Callback{wParam, lParam, POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)}};
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    static inline std::optional<Callback> received_;
    HWND hwnd_ = 0;
};

// Sets an environment variable for one scope, restoring the old value.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class StatusNotifierTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(bus_.Address().empty()) << "dbus-daemon did not start"; }

    CPrivateSessionBus bus_;  // first: everything else connects to it
};

TEST_F(StatusNotifierTest, RegistersWithItsIconPixelsAndTooltip) {
    CTestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.Ok());
    auto backend = MakeStatusNotifierBackend();
    ASSERT_TRUE(backend);
    ASSERT_TRUE(backend->Add(StateFor(0, TestIcon(), L"Zovi录屏 tip")));

    // The watcher answered the registration before Add returned.
    std::vector<std::string> items = watcher.Items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_THAT(items[0], ::testing::StartsWith(ItemNamePrefix()));

    CTestStatusNotifierHost host;
    ASSERT_TRUE(host.Ok());
    auto item = host.Read(items[0]);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->category, "ApplicationStatus");
    EXPECT_EQ(item->status, "Active");
    EXPECT_FALSE(item->id.empty());
    EXPECT_EQ(item->title, "Zovi录屏 tip");
    EXPECT_EQ(item->toolTipTitle, "Zovi录屏 tip");
    EXPECT_FALSE(item->itemIsMenu);
    EXPECT_EQ(item->menu, "/NO_DBUSMENU");
    ASSERT_EQ(item->icon.size(), 1u);
    EXPECT_EQ(item->icon[0].width, 2);
    EXPECT_EQ(item->icon[0].height, 2);
    EXPECT_EQ(item->icon[0].bytes, kTestIconBytes);

    // Single properties, as some areas read them.
    EXPECT_EQ(host.GetString(items[0], "Status"), "Active");
    std::string error;
    EXPECT_EQ(host.GetString(items[0], "NoSuchProperty", &error), "");
    EXPECT_EQ(error, DBUS_ERROR_UNKNOWN_PROPERTY);

    std::string xml = host.Introspect(items[0]);
    EXPECT_THAT(xml, ::testing::HasSubstr("<interface name=\"org.kde.StatusNotifierItem\">"));
    EXPECT_THAT(xml, ::testing::HasSubstr("<property name=\"IconPixmap\" type=\"a(iiay)\" access=\"read\"/>"));
    EXPECT_THAT(xml, ::testing::HasSubstr("<method name=\"ContextMenu\">"));
}

TEST_F(StatusNotifierTest, ShellIconTakesTheItemWhenAWatcherRuns) {
    CTestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.Ok());
    CallbackWindow window;
    ASSERT_TRUE(window.Handle());
    auto icon = TestIcon();
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window.Handle();
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = icon.get();
    std::wcsncpy(data.szTip, L"first", 127);
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    ASSERT_EQ(watcher.Items().size(), 1u);
    const std::string name = watcher.Items()[0];

    CTestStatusNotifierHost host;
    ASSERT_TRUE(host.Listen(name));
    // A null icon (the dark half of a blink): NewIcon, and no pixels to read.
    data.uFlags = NIF_ICON;
    data.hIcon = nullptr;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_EQ(host.NextSignal(kWaitMs), "NewIcon");
    auto item = host.Read(name);
    ASSERT_TRUE(item);
    EXPECT_TRUE(item->icon.empty());

    // Setting the same state again tells the area nothing; a new tip tells it the title
    // and tooltip changed (signals of one sender arrive in order).
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
    data.uFlags = NIF_TIP;
    std::wcsncpy(data.szTip, L"second", 127);
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_EQ(host.NextSignal(kWaitMs), "NewTitle");
    EXPECT_EQ(host.NextSignal(kWaitMs), "NewToolTip");
    item = host.Read(name);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->title, "second");

    data.uFlags = NIF_ICON;
    data.hIcon = icon.get();
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_EQ(host.NextSignal(kWaitMs), "NewIcon");
    item = host.Read(name);
    ASSERT_TRUE(item);
    ASSERT_EQ(item->icon.size(), 1u);
    EXPECT_EQ(item->icon[0].bytes, kTestIconBytes);

    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    EXPECT_TRUE(watcher.WaitForItemCount(0, kWaitMs));
}

TEST_F(StatusNotifierTest, ClicksReachTheOwnerWindowAtTheirPosition) {
    CTestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.Ok());
    CallbackWindow window;
    ASSERT_TRUE(window.Handle());
    auto backend = MakeStatusNotifierBackend();
    ASSERT_TRUE(backend);
    ASSERT_TRUE(backend->Add(StateFor(window.Handle(), TestIcon(), L"tip")));
    const std::string name = watcher.Items().at(0);
    CTestStatusNotifierHost host;

    struct Case {
        const char* method;
        UINT mouseMessage;
        POINT at;
    };
    const Case cases[] = {
        {"Activate", WM_LBUTTONUP, {1500, 12}},
        {"ContextMenu", WM_RBUTTONUP, {1890, 1060}},
        {"ContextMenu", WM_RBUTTONUP, {-40, 700}},  // a monitor left of the primary one
        {"SecondaryActivate", WM_MBUTTONUP, {3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " at " + std::to_string(c.at.x) + "," + std::to_string(c.at.y));
        ASSERT_TRUE(host.Click(name, c.method, c.at.x, c.at.y));
        auto callback = window.WaitForCallback(kWaitMs);
        ASSERT_TRUE(callback);
        EXPECT_EQ(callback->id, kIconId);
        EXPECT_EQ(callback->mouseMessage, static_cast<LPARAM>(c.mouseMessage));
        EXPECT_EQ(callback->at.x, c.at.x);
        EXPECT_EQ(callback->at.y, c.at.y);
    }
}

TEST_F(StatusNotifierTest, NoBackendWithoutAWatcherOrABus) {
    char emptyRuntime[] = "/tmp/zovi-sni-test-XXXXXX";
    ASSERT_TRUE(mkdtemp(emptyRuntime));
    struct Case {
        const char* what;
        const char* address;  // null: unset
    };
    const Case cases[] = {
        {"a bus with no watcher", bus_.Address().c_str()},
        {"nothing listening", "unix:path=/nonexistent/zovi-bus"},
        {"the bus disabled", "disabled:"},
        {"no address and no user bus", nullptr},
    };
    ScopedEnv runtime("XDG_RUNTIME_DIR", emptyRuntime);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", c.address);
        EXPECT_FALSE(MakeStatusNotifierBackend());
    }
    rmdir(emptyRuntime);
}

// Desktops with a per-user bus may set no address: the bus is "$XDG_RUNTIME_DIR/bus".
TEST_F(StatusNotifierTest, FindsTheUserBusWithoutAnAddress) {
    CTestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.Ok());
    const std::string prefix = "unix:path=";
    ASSERT_EQ(bus_.Address().rfind(prefix, 0), 0u) << bus_.Address();
    const std::string socketPath = bus_.Address().substr(prefix.size(), bus_.Address().find(',') - prefix.size());
    char runtimeDir[] = "/tmp/zovi-sni-test-XXXXXX";
    ASSERT_TRUE(mkdtemp(runtimeDir));
    const std::string userBus = std::string(runtimeDir) + "/bus";
    ASSERT_EQ(symlink(socketPath.c_str(), userBus.c_str()), 0);
    {
        ScopedEnv runtime("XDG_RUNTIME_DIR", runtimeDir);
        ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", nullptr);
        auto backend = MakeStatusNotifierBackend();
        ASSERT_TRUE(backend);
        EXPECT_TRUE(backend->Add(StateFor(0, TestIcon(), L"tip")));
        EXPECT_EQ(watcher.Items().size(), 1u);
    }
    unlink(userBus.c_str());
    rmdir(runtimeDir);
}

TEST_F(StatusNotifierTest, RemoveGivesUpTheNameAndTheIconCanComeBack) {
    CTestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.Ok());
    CTestStatusNotifierHost host;
    auto backend = MakeStatusNotifierBackend();
    ASSERT_TRUE(backend);
    const IconState state = StateFor(0, TestIcon(), L"tip");
    ASSERT_TRUE(backend->Add(state));
    EXPECT_FALSE(backend->Add(state)) << "one icon per backend";
    const std::string first = watcher.Items().at(0);

    backend->Remove();
    EXPECT_FALSE(host.HasOwner(first));
    EXPECT_TRUE(watcher.WaitForItemCount(0, kWaitMs));
    EXPECT_FALSE(backend->Modify(state));

    ASSERT_TRUE(backend->Add(state));
    ASSERT_TRUE(watcher.WaitForItemCount(1, kWaitMs));
    const std::string second = watcher.Items().at(0);
    EXPECT_NE(second, first);
    EXPECT_TRUE(host.Read(second));

    backend.reset();  // the destructor takes the icon away too
    EXPECT_FALSE(host.HasOwner(second));
    EXPECT_TRUE(watcher.WaitForItemCount(0, kWaitMs));
}

TEST_F(StatusNotifierTest, ARestartedWatcherLearnsOfTheItem) {
    auto watcher = std::make_unique<CTestStatusNotifierWatcher>();
    ASSERT_TRUE(watcher->Ok());
    auto backend = MakeStatusNotifierBackend();
    ASSERT_TRUE(backend);
    ASSERT_TRUE(backend->Add(StateFor(0, TestIcon(), L"tip")));
    const std::string name = watcher->Items().at(0);

    watcher.reset();
    auto restarted = std::make_unique<CTestStatusNotifierWatcher>();
    ASSERT_TRUE(restarted->Ok());
    ASSERT_TRUE(restarted->WaitForItemCount(1, kWaitMs));
    EXPECT_EQ(restarted->Items().at(0), name);
}

// A watcher that refuses the item, or never answers: Add fails (so the caller retries or
// falls back) and gives its name up again.
TEST_F(StatusNotifierTest, AddFailsWhenTheWatcherRefusesOrHangs) {
    using Answer = CTestStatusNotifierWatcher::Answer;
    for (Answer answer : {Answer::kRefuse, Answer::kNever}) {
        SCOPED_TRACE(answer == Answer::kRefuse ? "refuses" : "never answers");
        CTestStatusNotifierWatcher watcher(answer);
        ASSERT_TRUE(watcher.Ok());
        auto backend = MakeStatusNotifierBackend();
        ASSERT_TRUE(backend);
        EXPECT_FALSE(backend->Add(StateFor(0, TestIcon(), L"tip")));
        ASSERT_EQ(watcher.Registrations().size(), 1u);
        CTestStatusNotifierHost host;
        EXPECT_FALSE(host.HasOwner(watcher.Registrations()[0]));
    }
}

TEST_F(StatusNotifierTest, ALostBusEndsNothing) {
    CTestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.Ok());
    auto backend = MakeStatusNotifierBackend();
    ASSERT_TRUE(backend);
    IconState state = StateFor(0, TestIcon(), L"tip");
    ASSERT_TRUE(backend->Add(state));

    bus_.End();
    state.icon = nullptr;
    backend->Modify(state);  // goes nowhere, harmlessly
    backend->Remove();
    EXPECT_FALSE(backend->Add(state));
}

// The bus thread reads the icon while the owner's thread changes it, and posts clicks
// to a window of another thread.
TEST_F(StatusNotifierTest, ChangesWhileTheAreaReadsAndClicks) {
    CTestStatusNotifierWatcher watcher;
    ASSERT_TRUE(watcher.Ok());
    CallbackWindow window;
    ASSERT_TRUE(window.Handle());
    auto backend = MakeStatusNotifierBackend();
    ASSERT_TRUE(backend);
    IconState state = StateFor(window.Handle(), TestIcon(), L"tip");
    ASSERT_TRUE(backend->Add(state));
    const std::string name = watcher.Items().at(0);

    constexpr int kRounds = 60;
    std::vector<std::string> bad;
    std::thread area([&] {
        CTestStatusNotifierHost host;
        for (int round = 0; round < kRounds; ++round) {
            auto item = host.Read(name);
            if (!item || (!item->icon.empty() && item->icon[0].bytes != kTestIconBytes)) bad.push_back("read");
            if (!host.Click(name, "Activate", round, round)) bad.push_back("click");
        }
    });
    for (int round = 0; round < kRounds; ++round) {
        state.icon = round % 2 ? TestIcon() : nullptr;
        state.tip = L"tip " + std::to_wstring(round);
        EXPECT_TRUE(backend->Modify(state));
        auto callback = window.WaitForCallback(kWaitMs);
        if (!callback) {
            ADD_FAILURE() << "no callback for click " << round;
            break;
        }
        EXPECT_EQ(callback->at.x, round) << "clicks arrive in the order the area sent them";
    }
    area.join();
    EXPECT_THAT(bad, ::testing::IsEmpty());
}

}  // namespace
