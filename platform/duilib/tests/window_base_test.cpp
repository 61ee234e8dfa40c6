// The window base on offscreen windows: message maps with pages, the hit test and the
// cursor code, keys, timers, and the lifetime of a window object and its controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/controls/option.h"
#include "platform/duilib/test/window_input.h"
#include "platform/duilib/tests/window_test_window.h"
#include "platform/window/message_loop.h"

namespace DuiLib::test {
namespace {

constexpr DWORD kDialog = UI_WNDSTYLE_DIALOG & ~WS_VISIBLE;

// ---- Message maps and pages ------------------------------------------------------------

std::vector<std::wstring>* gLog = nullptr;  // what the handlers saw, for the current row

void Record(const wchar_t* who, TNotifyUI& msg) {
    gLog->push_back(std::wstring(who) + L":" + msg.sType.str() + L":" + msg.pSender->GetName().str());
}

const wchar_t* const kPagesLayout =
    L"<Window size=\"300,200\"><VerticalLayout>"
    L"<Button name=\"btnOK\" height=\"20\"/><Button name=\"btnX\" height=\"20\"/>"
    L"<HorizontalLayout virtualwnd=\"videoPage\" height=\"20\">"
    L"<CheckBox name=\"enableWaterMark\"/><CheckBox name=\"enableDXGI\"/></HorizontalLayout>"
    L"<HorizontalLayout virtualwnd=\"hotkeyPage\" height=\"20\"><CheckBox name=\"hotStart\"/></HorizontalLayout>"
    L"<CheckBox name=\"outside\" height=\"20\"/>"
    L"</VerticalLayout></Window>";

// A window whose map names btnOK, takes any other click, and any selection change.
class CMappedWindow : public CTestWindow {
public:
    CMappedWindow() : CTestWindow(kPagesLayout, L"DuiTestMappedWindow") {}
    void Notify(TNotifyUI& msg) override { NotifyPump(msg); }
    void OnOk(TNotifyUI& msg) { Record(L"window.ok", msg); }
    void OnAnyClick(TNotifyUI& msg) { Record(L"window.anyclick", msg); }
    void OnAnySelect(TNotifyUI& msg) { Record(L"window.anyselect", msg); }
    DUI_DECLARE_MESSAGE_MAP()
};
DUI_BEGIN_MESSAGE_MAP(CMappedWindow, WindowImplBase)
DUI_ON_CLICK_CTRNAME(L"btnOK", OnOk)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, OnAnyClick)
DUI_ON_MSGTYPE(DUI_MSGTYPE_SELECTCHANGED, OnAnySelect)
DUI_END_MESSAGE_MAP()

// A window whose own map has no click entry: the base map's OnClick gets them.
class CPlainWindow : public CTestWindow {
public:
    CPlainWindow() : CTestWindow(kPagesLayout, L"DuiTestPlainWindow") {}
    void OnClick(TNotifyUI& msg) override { Record(L"window.OnClick", msg); }
    void OnAnySelect(TNotifyUI& msg) { Record(L"window.anyselect", msg); }
    DUI_DECLARE_MESSAGE_MAP()
};
DUI_BEGIN_MESSAGE_MAP(CPlainWindow, WindowImplBase)
DUI_ON_MSGTYPE(DUI_MSGTYPE_SELECTCHANGED, OnAnySelect)
DUI_END_MESSAGE_MAP()

class CVideoPage : public CNotifyPump {
public:
    void OnWaterMark(TNotifyUI& msg) { Record(L"videoPage.watermark", msg); }
    DUI_DECLARE_MESSAGE_MAP()
};
DUI_BEGIN_MESSAGE_MAP(CVideoPage, CNotifyPump)
DUI_ON_SELECTCHANGED_CTRNAME(L"enableWaterMark", OnWaterMark)
DUI_END_MESSAGE_MAP()

// Takes every selection change of its area and does nothing with it.
class CHotkeyPage : public CNotifyPump {
public:
    DUI_DECLARE_MESSAGE_MAP()
};
DUI_BEGIN_MESSAGE_MAP(CHotkeyPage, CNotifyPump)
DUI_ON_MSGTYPE_IGNORED(DUI_MSGTYPE_SELECTCHANGED)
DUI_END_MESSAGE_MAP()

TEST(WindowBaseTest, MessageMapsAndPagesDispatchAsTheTableSays) {
    struct Row {
        bool plainWindow;
        const wchar_t* sender;
        const wchar_t* type;
        std::vector<std::wstring> expected;
    };
    const Row rows[] = {
        // A named entry beats the "any" entry of its type.
        {false, L"btnOK", DUI_MSGTYPE_CLICK, {L"window.ok:click:btnOK"}},
        {false, L"btnX", DUI_MSGTYPE_CLICK, {L"window.anyclick:click:btnX"}},
        // No click entry in the window's map: the base map's OnClick.
        {true, L"btnX", DUI_MSGTYPE_CLICK, {L"window.OnClick:click:btnX"}},
        // The page maps enableWaterMark only: the window's map gets enableDXGI...
        {false, L"enableDXGI", DUI_MSGTYPE_SELECTCHANGED, {L"window.anyselect:selectchanged:enableDXGI"}},
        {false, L"enableWaterMark", DUI_MSGTYPE_SELECTCHANGED, {L"videoPage.watermark:selectchanged:enableWaterMark"}},
        // ...a page mapping every selection change swallows its area's.
        {false, L"hotStart", DUI_MSGTYPE_SELECTCHANGED, {}},
        // Outside every page: the window's map.
        {false, L"outside", DUI_MSGTYPE_SELECTCHANGED, {L"window.anyselect:selectchanged:outside"}},
        {true, L"outside", DUI_MSGTYPE_CLICK, {L"window.OnClick:click:outside"}},
    };
    CVideoPage videoPage;
    CHotkeyPage hotkeyPage;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.plainWindow ? "plain " : "mapped ") << std::string(row.sender, row.sender + wcslen(row.sender)));
        std::unique_ptr<CTestWindow> window;
        if (row.plainWindow) window = std::make_unique<CPlainWindow>();
        else window = std::make_unique<CMappedWindow>();
        ASSERT_NE(window->Create(0, L"", kDialog, 0), 0u);
        window->AddVirtualWnd(L"videoPage", &videoPage);
        window->AddVirtualWnd(L"hotkeyPage", &hotkeyPage);
        std::vector<std::wstring> log;
        gLog = &log;
        CControlUI* sender = window->Find(row.sender);
        ASSERT_NE(sender, nullptr);
        window->GetPaintManager().SendNotify(sender, row.type);
        EXPECT_EQ(log, row.expected);
        gLog = nullptr;
    }
}

// ---- Hit test and cursor ----------------------------------------------------------------

const wchar_t* const kCaptionLayout =
    L"<Window size=\"300,200\" sizebox=\"4,4,6,6\" caption=\"0,0,0,40\"><VerticalLayout>"
    L"<HorizontalLayout height=\"40\">"
    L"<Label name=\"title\" width=\"100\"/>"
    L"<Option name=\"icon\" width=\"40\" enabled=\"false\"/>"
    L"<Button name=\"btnCap\" width=\"40\"/>"
    L"<Control/></HorizontalLayout>"
    L"<Button name=\"body\"/>"
    L"</VerticalLayout></Window>";

LRESULT HitAt(HWND hwnd, POINT client) {
    ::ClientToScreen(hwnd, &client);
    return ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(client.x, client.y));
}

TEST(WindowBaseTest, HitTestAnswersEdgesCaptionAndControls) {
    CTestWindow window(kCaptionLayout);
    ASSERT_NE(window.Create(0, L"", kDialog, 0, 100, 100, 0, 0), 0u);
    RECT client{};
    ASSERT_TRUE(::GetClientRect(window, &client));
    ASSERT_EQ(client.right, 300);
    ASSERT_EQ(client.bottom, 200);
    struct Row {
        POINT pt;
        LRESULT code;
    };
    const Row rows[] = {
        {{1, 1}, HTTOPLEFT},        {{298, 1}, HTTOPRIGHT},  {{1, 197}, HTBOTTOMLEFT},
        {{296, 196}, HTBOTTOMRIGHT}, {{150, 2}, HTTOP},       {{150, 195}, HTBOTTOM},
        {{2, 100}, HTLEFT},         {{295, 100}, HTRIGHT},   {{3, 100}, HTLEFT},
        {{4, 100}, HTCLIENT},       {{293, 100}, HTCLIENT},
        {{50, 20}, HTCAPTION},   // over a label: no input
        {{120, 20}, HTCAPTION},  // over a disabled option: no input, the window drags
        {{160, 20}, HTCLIENT},   // over a button: it takes the click
        {{250, 20}, HTCAPTION},  // over a plain control
        {{150, 100}, HTCLIENT},  // below the caption
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.pt.x << "," << row.pt.y);
        EXPECT_EQ(HitAt(window, row.pt), row.code);
    }
    // Without a size box there are no edges.
    window.GetPaintManager().SetSizeBox(RECT{0, 0, 0, 0});
    EXPECT_EQ(HitAt(window, POINT{0, 0}), HTCAPTION);
    EXPECT_EQ(HitAt(window, POINT{299, 199}), HTCLIENT);
    ::DestroyWindow(window);
}

TEST(WindowBaseTest, SetCursorCarriesTheHitCodeBeforeEachPointerMessage) {
    CTestWindow window(kCaptionLayout);
    ASSERT_NE(window.Create(0, L"", kDialog, 0, 100, 100, 0, 0), 0u);
    window.ShowWindow(true, false);
    MoveTo(window, POINT{298, 100});
    MoveTo(window, POINT{50, 20});
    MoveTo(window, POINT{160, 20});
    MoveTo(window, POINT{296, 196});
    EXPECT_EQ(window.setCursorCodes, (std::vector<LRESULT>{HTRIGHT, HTCAPTION, HTCLIENT, HTBOTTOMRIGHT}));
    ::DestroyWindow(window);
}

TEST(WindowBaseTest, CaptionDragMovesAndEdgeDragResizesWithClampedSizes) {
    CTestWindow window(kCaptionLayout);
    ASSERT_NE(window.Create(0, L"", kDialog, 0, 100, 100, 0, 0), 0u);
    window.ShowWindow(true, false);
    DragFrom(window, POINT{50, 20}, POINT{80, 60}, 3);
    RECT rc{};
    ::GetWindowRect(window, &rc);
    EXPECT_EQ(rc.left, 130);
    EXPECT_EQ(rc.top, 140);
    EXPECT_EQ(rc.right - rc.left, 300);
    // A click on the caption's button clicks and leaves the window where it is.
    ASSERT_TRUE(Click(window, L"btnCap"));
    RECT after{};
    ::GetWindowRect(window, &after);
    EXPECT_EQ(after.left, rc.left);
    EXPECT_EQ(after.top, rc.top);
    // The right edge dragged past the left one: the width stops at 1.
    window.sizes.clear();
    DragFrom(window, POINT{297, 100}, POINT{-400, 100}, 4);
    ::GetWindowRect(window, &rc);
    EXPECT_EQ(rc.right - rc.left, 1);
    EXPECT_EQ(rc.left, after.left);
    ASSERT_FALSE(window.sizes.empty());
    for (const SIZE& s : window.sizes) EXPECT_GE(s.cx, 1);
    ::DestroyWindow(window);
}

// ---- Keys --------------------------------------------------------------------------------

class CNotifyLog : public INotifyUI {
public:
    void Notify(TNotifyUI& msg) override {
        lines.push_back(msg.sType.str() + L":" + (msg.pSender ? msg.pSender->GetName().str() : L"(null)"));
    }
    std::vector<std::wstring> lines;
};

class CKeyWindow : public CTestWindow {
public:
    explicit CKeyWindow(bool handleKeys)
        : CTestWindow(L"<Window size=\"200,100\"><VerticalLayout name=\"root\"><Button name=\"b\"/>"
                      L"</VerticalLayout></Window>",
                      L"DuiTestKeyWindow"),
          handleKeys_(handleKeys) {}
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override {
        return handleKeys_ ? WindowImplBase::ResponseDefaultKeyEvent(wParam) : FALSE;
    }

private:
    bool handleKeys_;
};

TEST(WindowBaseTest, EscapeClosesThroughTheDefaultKeyHandlerAndEnterSaysReturn) {
    struct Row {
        bool defaultKeys;
        UINT key;
        bool closed;
        std::vector<std::wstring> notifications;
    };
    const Row rows[] = {
        {true, VK_ESCAPE, true, {}},
        {true, VK_RETURN, false, {L"return:root"}},
        {false, VK_ESCAPE, false, {}},  // a window that keeps every key
        {false, VK_RETURN, false, {L"return:root"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.defaultKeys << " " << row.key);
        CKeyWindow window(row.defaultKeys);
        CNotifyLog log;
        ASSERT_NE(window.Create(0, L"", kDialog, 0), 0u);
        window.GetPaintManager().AddNotifier(&log);
        const HWND hwnd = window;
        Key(hwnd, row.key);
        EXPECT_EQ(::IsWindow(hwnd) == FALSE, row.closed);
        EXPECT_EQ(log.lines, row.notifications);
        if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    }
}

// ---- Timers ------------------------------------------------------------------------------

// Dispatches until `done` or about 10 s passed (a guard against a hang, not a wait).
void PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    MSG msg{};
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        if (::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        } else {
            ::WaitMessage();
        }
    }
}

TEST(WindowBaseTest, TimersReachOnTimerOncePerMessage) {
    CTestWindow window(L"<Window size=\"100,100\"><Control/></Window>");
    ASSERT_NE(window.Create(0, L"", kDialog, 0), 0u);
    int custom16 = 0, custom20 = 0;
    window.onCustom = [&](UINT uMsg, WPARAM wParam, LPARAM, BOOL& bHandled) -> LRESULT {
        if (uMsg != WM_TIMER) return 0;
        if (wParam == 16) ++custom16;
        if (wParam == 20) {
            ++custom20;
            bHandled = TRUE;  // the window calls its own handler: the base must not call OnTimer
        }
        return 0;
    };
    // Period 0 becomes 10 ms; 20 ticks take at least ~190 ms.
    const auto start = std::chrono::steady_clock::now();
    ::SetTimer(window, 16, 0, nullptr);
    ::SetTimer(window, 20, 5, nullptr);
    PumpUntil([&] { return custom16 >= 20 && custom20 >= 3; });
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(150));
    EXPECT_EQ(std::count(window.timerIds.begin(), window.timerIds.end(), WPARAM{16}), custom16);
    EXPECT_EQ(std::count(window.timerIds.begin(), window.timerIds.end(), WPARAM{20}), 0);
    ::DestroyWindow(window);
}

TEST(WindowBaseTest, ReArmReplacesAndKillInsideOnTimerStopsIt) {
    CTestWindow window(L"<Window size=\"100,100\"><Control/></Window>");
    ASSERT_NE(window.Create(0, L"", kDialog, 0), 0u);
    const HWND hwnd = window;
    int clock = 0;
    window.onTimer = [&](WPARAM id) {
        if (id == 16) ::KillTimer(hwnd, 16);
        if (id == 17) ++clock;
    };
    ::SetTimer(hwnd, 16, 60000, nullptr);
    ::SetTimer(hwnd, 16, 10, nullptr);  // replaces the minute
    PumpUntil([&] { return !window.timerIds.empty(); });
    ASSERT_FALSE(window.timerIds.empty());
    ::SetTimer(hwnd, 17, 10, nullptr);
    PumpUntil([&] { return clock >= 10; });
    EXPECT_EQ(std::count(window.timerIds.begin(), window.timerIds.end(), WPARAM{16}), 1);
    ::DestroyWindow(hwnd);
}

// Counts the library timer events it gets.
class CTimerProbe : public CControlUI {
public:
    void DoEvent(TEventUI& event) override {
        if (event.Type == UIEVENT_TIMER) ++ticks;
        CControlUI::DoEvent(event);
    }
    int ticks = 0;
};

TEST(WindowBaseTest, LibraryTimersReachTheirControlOnly) {
    CTestWindow window(L"<Window size=\"100,100\"><VerticalLayout><TimerProbe name=\"probe\"/></VerticalLayout></Window>");
    window.createControl = [](const wchar_t* tag) -> CControlUI* {
        return std::wstring(tag) == L"TimerProbe" ? new CTimerProbe : nullptr;
    };
    std::vector<WPARAM> seenByWindow;
    window.onCustom = [&](UINT uMsg, WPARAM wParam, LPARAM, BOOL&) -> LRESULT {
        if (uMsg == WM_TIMER) seenByWindow.push_back(wParam);
        return 0;
    };
    ASSERT_NE(window.Create(0, L"", kDialog, 0), 0u);
    auto* probe = static_cast<CTimerProbe*>(window.Find(L"probe"));
    ASSERT_NE(probe, nullptr);
    ASSERT_TRUE(window.GetPaintManager().SetTimer(probe, 1, 10));
    PumpUntil([&] { return probe->ticks >= 3; });
    EXPECT_GE(probe->ticks, 3);
    EXPECT_TRUE(seenByWindow.empty());
    EXPECT_TRUE(window.timerIds.empty());
    ::DestroyWindow(window);
}

// ---- Lifetime ----------------------------------------------------------------------------

TEST(WindowBaseTest, LateCallsOnADeadWindowAreHarmless) {
    auto window = std::make_shared<CTestWindow>(
        L"<Window size=\"200,100\"><VerticalLayout><Button name=\"b\" text=\"x\"/>"
        L"<Option name=\"o\" group=\"g\"/><Option name=\"p\" group=\"g\"/></VerticalLayout></Window>");
    const HWND hwnd = window->Create(0, L"", kDialog, 0);
    ASSERT_NE(hwnd, 0u);
    CControlUI* button = window->Find(L"b");
    auto* option = static_cast<COptionUI*>(window->Find(L"o"));
    ASSERT_NE(button, nullptr);
    ASSERT_NE(option, nullptr);
    CNotifyLog log;
    window->GetPaintManager().AddNotifier(&log);
    ::DestroyWindow(hwnd);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(window->GetHWND(), 0u);
    EXPECT_EQ(window->finalMessages, 1);

    // The tree lives on with the object: changes apply, invalidation goes nowhere.
    button->SetText(L"late");
    EXPECT_EQ(button->GetText(), L"late");
    option->Selected(true, true);
    EXPECT_TRUE(option->IsSelected());
    EXPECT_EQ(log.lines, std::vector<std::wstring>{L"selectchanged:o"});
    button->SetVisible(false);
    EXPECT_FALSE(button->IsVisible());
    button->Invalidate();
    window->GetPaintManager().Invalidate();
    EXPECT_FALSE(window->GetPaintManager().SetTimer(button, 1, 10));
    window->Close(IDOK);
    window->ShowWindow(true, true);
    window->CenterWindow();
    window->SetIcon(107);
    EXPECT_EQ(window->ShowModal(), IDCANCEL);
    PumpUntilIdle();
    window.reset();
}

TEST(WindowBaseTest, OnFinalMessageMayDropTheLastReference) {
    bool destroyed = false;
    struct CSelfOwned : CTestWindow {
        explicit CSelfOwned(bool* flag)
            : CTestWindow(L"<Window size=\"100,100\"><Control/></Window>"), flag_(flag) {}
        ~CSelfOwned() override { *flag_ = true; }
        std::shared_ptr<CSelfOwned> self;
        bool* flag_;
    };
    auto window = std::make_shared<CSelfOwned>(&destroyed);
    const HWND hwnd = window->Create(0, L"", kDialog, 0);
    ASSERT_NE(hwnd, 0u);
    CSelfOwned* raw = window.get();
    raw->self = std::move(window);
    raw->onFinal = [raw] { raw->self.reset(); };  // the window procedure must not touch it after
    raw->Close(IDOK);
    PumpUntilIdle();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(::IsWindow(hwnd));
}

TEST(WindowBaseTest, ReleasingAnOpenWindowDestroysItWithoutReachingTheObject) {
    auto window = std::make_shared<CTestWindow>(L"<Window size=\"100,100\"><Control/></Window>");
    const HWND hwnd = window->Create(0, L"", kDialog, 0);
    ASSERT_NE(hwnd, 0u);
    window->ShowWindow(true, false);
    window.reset();
    EXPECT_FALSE(::IsWindow(hwnd));
    PumpUntilIdle();
}

}  // namespace
}  // namespace DuiLib::test
