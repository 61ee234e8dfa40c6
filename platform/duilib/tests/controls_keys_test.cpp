// The keyboard in a library window (offscreen): Tab order and focus, the order in which
// one key press reaches the focused control, the window's default key handling and
// "return", and accelerators that run only for the focused window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/test/recording_notifier.h"
#include "platform/duilib/test/window_input.h"
#include "platform/duilib/tests/controls_test_support.h"
#include "platform/duilib/tests/window_test_window.h"
#include "platform/window/present.h"
#include "platform/window/window.h"

namespace DuiLib::test {
namespace {

using Lines = std::vector<std::wstring>;

constexpr DWORD kDialog = UI_WNDSTYLE_DIALOG & ~WS_VISIBLE;

// Shift+Tab: the key-state table as the platform keeps it while Shift is held.
void ShiftTab(HWND hwnd) {
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    state[VK_SHIFT] |= 0x80;
    ::SetKeyboardState(state);
    Key(hwnd, VK_TAB);
    state[VK_SHIFT] &= 0x7F;
    ::SetKeyboardState(state);
}

std::wstring FocusName(CPaintManagerUI& pm) { return pm.GetFocus() ? pm.GetFocus()->GetName().str() : L"(none)"; }

// Focus events (20, 21) from the recording controls' log.
Lines FocusEvents() {
    Lines out;
    for (const std::wstring& line : EventLog()) {
        if (line.ends_with(L":20") || line.ends_with(L":21")) out.push_back(line);
    }
    return out;
}

// A control that, like the hotkey field, takes every key while focused.
class CAllKeysControl : public CControlUI {
public:
    UINT GetControlFlags() const override { return UIFLAG_TABSTOP; }
    bool WantsKey(UINT) const override { return true; }
    void DoEvent(TEventUI& event) override {
        if (event.Type == UIEVENT_KEYDOWN) keys.push_back(L"down:" + std::to_wstring(event.chKey));
        if (event.Type == UIEVENT_CHAR) keys.push_back(L"char:" + std::to_wstring(event.chKey));
        CControlUI::DoEvent(event);
    }
    Lines keys;
};

class KeysWindowTest : public testing::Test {
protected:
    // Tab stops a, b, c, d around controls Tab must skip: a label, a hidden and a disabled
    // button, and a button inside a hidden row.
    static constexpr const wchar_t* kLayout =
        L"<Window size=\"300,220\"><VerticalLayout name=\"root\" bkcolor=\"#FFFFFFFF\" inset=\"10,10,10,10\""
        L" childpadding=\"6\">"
        L"<RecButton name=\"a\" height=\"24\" text=\"A\" bordersize=\"1\" bordercolor=\"#FFA7A6AA\""
        L" focusbordercolor=\"#FF2B8CF4\"/>"
        L"<Label name=\"label\" height=\"20\" text=\"label\"/>"
        L"<RecButton name=\"hidden\" height=\"24\" visible=\"false\"/>"
        L"<RecButton name=\"off\" height=\"24\" enabled=\"false\"/>"
        L"<HorizontalLayout name=\"row\" height=\"24\"><RecButton name=\"b\" text=\"B\"/>"
        L"<RecButton name=\"c\" text=\"C\"/></HorizontalLayout>"
        L"<HorizontalLayout name=\"gone\" height=\"24\" visible=\"false\"><RecButton name=\"inGone\"/>"
        L"</HorizontalLayout>"
        L"<RecButton name=\"d\" height=\"24\" text=\"D\"/>"
        L"</VerticalLayout></Window>";

    void SetUp() override {
        window = std::make_unique<CTestWindow>(kLayout, L"DuiKeysTestWindow");
        window->createControl = [this](const wchar_t* tag) { return factory.CreateControl(tag); };
        hwnd = window->Create(0, L"", kDialog, 0);
        ASSERT_NE(hwnd, 0u);
        window->GetPaintManager().AddNotifier(&log);
        ::ShowWindow(hwnd, SW_SHOW);
        PumpUntilIdle();
        EventLog().clear();
    }
    void TearDown() override {
        if (hwnd && ::IsWindow(hwnd)) ::DestroyWindow(hwnd);
        PumpUntilIdle();
    }
    CPaintManagerUI& pm() { return window->GetPaintManager(); }

    CRecordingFactory factory;
    CRecordingNotifier log;
    std::unique_ptr<CTestWindow> window;
    HWND hwnd = 0;
};

TEST_F(KeysWindowTest, TabAndShiftTabWalkTheTabStopsInTreeOrder) {
    EXPECT_EQ(pm().GetFocus(), nullptr) << "no control has focus when a window opens";
    struct Step {
        bool back;
        const wchar_t* focus;
    };
    const Step steps[] = {
        {false, L"a"}, {false, L"b"}, {false, L"c"}, {false, L"d"},
        {false, L"a"},  // wraps
        {true, L"d"},   // and back over the start
        {true, L"c"},  {true, L"b"},  {true, L"a"},
    };
    for (const Step& step : steps) {
        if (step.back) ShiftTab(hwnd);
        else Key(hwnd, VK_TAB);
        EXPECT_EQ(FocusName(pm()), step.focus) << (step.back ? "Shift+Tab" : "Tab");
    }
    EXPECT_EQ(FocusEvents(), (Lines{L"a:21", L"a:20", L"b:21", L"b:20", L"c:21", L"c:20", L"d:21", L"d:20",
                                    L"a:21", L"a:20", L"d:21", L"d:20", L"c:21", L"c:20", L"b:21", L"b:20",
                                    L"a:21"}));
    // The tab character belongs to the key the window used: no control got it, nothing
    // was clicked or returned.
    for (const std::wstring& line : EventLog()) EXPECT_FALSE(line.ends_with(L":5")) << testing::PrintToString(line);
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(KeysWindowTest, ShiftTabWithoutFocusStartsAtTheLastStop) {
    ShiftTab(hwnd);
    EXPECT_EQ(FocusName(pm()), L"d");
}

TEST_F(KeysWindowTest, FocusedControlThatCannotHoldItLosesIt) {
    struct Row {
        const char* what;
        void (*change)(CPaintManagerUI&);
        bool killFocus;  // a removed control gets nothing
    };
    const Row rows[] = {
        {"hidden", [](CPaintManagerUI& p) { p.FindControl(L"b")->SetVisible(false); }, true},
        {"parent hidden", [](CPaintManagerUI& p) { p.FindControl(L"row")->SetVisible(false); }, true},
        {"disabled", [](CPaintManagerUI& p) { p.FindControl(L"b")->SetEnabled(false); }, true},
        {"removed",
         [](CPaintManagerUI& p) {
             auto* row = static_cast<CContainerUI*>(p.FindControl(L"row")->GetInterface(L"Container"));
             row->Remove(p.FindControl(L"b"));
         },
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        CControlUI* b = pm().FindControl(L"b");
        b->SetFocus();
        ASSERT_TRUE(b->IsFocused());
        EventLog().clear();
        row.change(pm());
        EXPECT_EQ(pm().GetFocus(), nullptr);
        EXPECT_EQ(FocusEvents(), row.killFocus ? Lines{L"b:20"} : Lines{});
        PumpUntilIdle();
        Key(hwnd, VK_TAB);  // starts again at the first stop
        EXPECT_EQ(FocusName(pm()), L"a");
    }
}

TEST_F(KeysWindowTest, HidingAnUnfocusedControlKeepsTheFocus) {
    pm().FindControl(L"c")->SetFocus();
    pm().FindControl(L"b")->SetVisible(false);
    pm().FindControl(L"a")->SetEnabled(false);
    EXPECT_EQ(FocusName(pm()), L"c");
}

TEST_F(KeysWindowTest, PressFocusesTabStopsOnly) {
    ASSERT_TRUE(Click(hwnd, L"c"));
    EXPECT_EQ(FocusName(pm()), L"c");
    ASSERT_TRUE(Click(hwnd, L"label"));  // not a tab stop: the focus stays
    EXPECT_EQ(FocusName(pm()), L"c");
    ASSERT_TRUE(Click(hwnd, L"off"));
    EXPECT_EQ(FocusName(pm()), L"c");
}

TEST_F(KeysWindowTest, SpaceActivatesAndEnterSaysReturnWithoutClicking) {
    Key(hwnd, VK_TAB);
    Key(hwnd, VK_TAB);  // b
    Key(hwnd, VK_SPACE);
    Key(hwnd, VK_RETURN);
    EXPECT_EQ(log.Lines(), (Lines{L"click:b", L"return:b"}));
    EXPECT_TRUE(::IsWindow(hwnd));
    // Escape with a focused button still reaches the window's default: Close(IDCANCEL).
    Key(hwnd, VK_ESCAPE);
    EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(KeysWindowTest, FocusBorderDrawsInTheFocusColour) {
    PumpUntilIdle();
    const RECT a = pm().FindControl(L"a")->GetPos();
    SurfacePtr before = RenderToSurface(pm(), 300, 220);
    Key(hwnd, VK_TAB);
    SurfacePtr focused = RenderToSurface(pm(), 300, 220);
    SaveArtefact(focused.get(), "keys_focus_border");
    EXPECT_EQ(PixelAt(before.get(), a.left + 5, a.top), 0xFFA7A6AAu);
    EXPECT_EQ(PixelAt(focused.get(), a.left + 5, a.top), 0xFF2B8CF4u);
    EXPECT_EQ(PixelAt(focused.get(), a.left, a.top + 5), 0xFF2B8CF4u);
    // The window itself repainted the newly focused control.
    EXPECT_EQ(PixelAt(zovi::platform::OffscreenSurface(hwnd), a.left + 5, a.top), 0xFF2B8CF4u);
    // A control without a focus colour keeps its look.
    const RECT b = pm().FindControl(L"b")->GetPos();
    Key(hwnd, VK_TAB);
    SurfacePtr other = RenderToSurface(pm(), 300, 220);
    EXPECT_EQ(PixelAt(other.get(), a.left + 5, a.top), 0xFFA7A6AAu);
    EXPECT_EQ(PixelAt(zovi::platform::OffscreenSurface(hwnd), a.left + 5, a.top), 0xFFA7A6AAu);
    EXPECT_EQ(CountPixelsUnlike(other.get(), RECT{b.left, b.top, b.left + 2, b.bottom}, 0xFFFFFF),
              CountPixelsUnlike(before.get(), RECT{b.left, b.top, b.left + 2, b.bottom}, 0xFFFFFF));
}

// A control that takes every key (the hotkey field) gets Tab, Enter and Escape, and the
// window's default handling of them does not run.
TEST(KeysAllKeysTest, ControlThatWantsEveryKeyGetsTabEnterAndEscape) {
    auto* field = new CAllKeysControl;
    CTestWindow window(L"<Window size=\"200,100\"><VerticalLayout name=\"root\"><Button name=\"x\" height=\"20\"/>"
                       L"<HotField name=\"field\" height=\"20\"/></VerticalLayout></Window>",
                       L"DuiKeysTestHotWindow");
    window.createControl = [field](const wchar_t* tag) -> CControlUI* {
        return std::wstring(tag) == L"HotField" ? field : nullptr;
    };
    CRecordingNotifier log;
    const HWND hwnd = window.Create(0, L"", kDialog, 0);
    ASSERT_NE(hwnd, 0u);
    window.GetPaintManager().AddNotifier(&log);
    field->SetFocus();
    for (UINT vk : {VK_TAB, VK_RETURN, VK_ESCAPE}) Key(hwnd, vk);
    EXPECT_EQ(field->keys, (Lines{L"down:9", L"char:9", L"down:13", L"char:13", L"down:27", L"char:27"}));
    EXPECT_TRUE(field->IsFocused());
    EXPECT_TRUE(::IsWindow(hwnd));
    EXPECT_TRUE(log.entries.empty());  // no "return"
    ::DestroyWindow(hwnd);
}

// Counts the keys it sees; consumes them when told to.
class CCountingAccelerator : public ITranslateAccelerator {
public:
    explicit CCountingAccelerator(bool consume) : consume_(consume) {}
    LRESULT TranslateAccelerator(MSG* msg) override {
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_F1) ++f1;
        return consume_ ? 0 : 1;  // S_OK consumes
    }
    int f1 = 0;

private:
    bool consume_;
};

TEST(KeysAcceleratorTest, OnlyTheFocusedWindowsTranslatorsRun) {
    const wchar_t* layout = L"<Window size=\"100,60\"><Control name=\"root\"/></Window>";
    CTestWindow first(layout, L"DuiKeysAccelFirst"), second(layout, L"DuiKeysAccelSecond");
    CCountingAccelerator firstKeys(true), secondKeys(false);
    ASSERT_NE(first.Create(0, L"", kDialog, 0), 0u);
    ASSERT_NE(second.Create(0, L"", kDialog, 0), 0u);
    first.GetPaintManager().AddTranslateAccelerator(&firstKeys);
    second.GetPaintManager().AddTranslateAccelerator(&secondKeys);
    int secondSawKeyDown = 0;
    second.onCustom = [&](UINT uMsg, WPARAM wParam, LPARAM, BOOL&) -> LRESULT {
        if (uMsg == WM_KEYDOWN && wParam == VK_F1) ++secondSawKeyDown;
        return 0;
    };
    int firstSawKeyDown = 0;
    first.onCustom = [&](UINT uMsg, WPARAM wParam, LPARAM, BOOL&) -> LRESULT {
        if (uMsg == WM_KEYDOWN && wParam == VK_F1) ++firstSawKeyDown;
        return 0;
    };

    ::ShowWindow(first, SW_SHOW);  // activates: the first window has the focus
    PumpUntilIdle();
    ASSERT_EQ(::GetFocus(), first.GetHWND());
    // A key addressed to the second window: the focused window's translator takes it.
    Key(second, VK_F1);
    EXPECT_EQ(firstKeys.f1, 1);
    EXPECT_EQ(secondKeys.f1, 0);
    EXPECT_EQ(secondSawKeyDown, 0);  // consumed

    ::ShowWindow(second, SW_SHOW);
    PumpUntilIdle();
    ASSERT_EQ(::GetFocus(), second.GetHWND());
    Key(second, VK_F1);
    EXPECT_EQ(firstKeys.f1, 1);
    EXPECT_EQ(secondKeys.f1, 1);
    EXPECT_EQ(secondSawKeyDown, 1);  // not consumed: the window gets it
    EXPECT_EQ(firstSawKeyDown, 0);
    ::DestroyWindow(second);
    ::DestroyWindow(first);
}

}  // namespace
}  // namespace DuiLib::test
