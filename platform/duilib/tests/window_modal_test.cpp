// The modal loop on offscreen windows: its result, what it dispatches and what it does
// not, WM_QUIT, and its owner.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/deferred/on_idle.h"
#include "platform/duilib/test/window_input.h"
#include "platform/duilib/tests/window_test_window.h"
#include "platform/window/message_loop.h"

namespace DuiLib::test {
namespace {

constexpr DWORD kDialog = UI_WNDSTYLE_DIALOG & ~WS_VISIBLE;
const wchar_t* const kBoxLayout =
    L"<Window size=\"200,100\"><VerticalLayout><Button name=\"btnOK\" height=\"30\"/></VerticalLayout></Window>";
constexpr UINT kRunStep = WM_APP + 1;

// A second window that runs steps while the modal loop dispatches: its timers and posted
// messages are what the loop must deliver.
class CHelperWindow : public CTestWindow {
public:
    CHelperWindow() : CTestWindow(L"<Window size=\"50,50\"><Control/></Window>", L"DuiTestModalHelper") {
        onCustom = [this](UINT uMsg, WPARAM, LPARAM, BOOL& bHandled) -> LRESULT {
            if (uMsg == kRunStep && step) {
                bHandled = TRUE;
                step();
            }
            return 0;
        };
    }
    std::function<void()> step;
};

struct ModalFixture : testing::Test {
    void SetUp() override {
        ASSERT_NE(helper.Create(0, L"", kDialog, 0), 0u);
        ASSERT_NE(box.Create(0, L"", kDialog, 0), 0u);
    }
    void TearDown() override {
        if (::IsWindow(box)) ::DestroyWindow(box);
        if (::IsWindow(helper)) ::DestroyWindow(helper);
        PumpUntilIdle();
    }
    // Runs `step` from the loop (a posted message to the helper window).
    void PostStep(std::function<void()> step) {
        helper.step = std::move(step);
        ::PostMessageW(helper, kRunStep, 0, 0);
    }
    CHelperWindow helper;
    CTestWindow box{kBoxLayout, L"DuiTestModalBox"};
};

TEST_F(ModalFixture, TheResultIsTheCloseCodeAndTwoForEveryCancel) {
    struct Row {
        const char* what;
        std::function<void(HWND)> end;
        UINT result;
    };
    const Row rows[] = {
        {"Close(5)", [](HWND hwnd) { ::PostMessageW(hwnd, WM_CLOSE, 5, 0); }, 5},
        {"Escape", [](HWND hwnd) { Key(hwnd, VK_ESCAPE); }, IDCANCEL},
        {"window-manager close", [](HWND hwnd) { ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
        {"destroyed without a code", [](HWND hwnd) { ::DestroyWindow(hwnd); }, IDCANCEL},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (!::IsWindow(box)) {
            ASSERT_NE(box.Create(0, L"", kDialog, 0), 0u);
        }
        const HWND hwnd = box;
        PostStep([&row, hwnd] { row.end(hwnd); });
        EXPECT_EQ(box.ShowModal(), row.result);
        EXPECT_FALSE(::IsWindow(hwnd));
    }
}

TEST_F(ModalFixture, OtherWindowsTimersAndPostedMessagesRunButNotTheIdlePass) {
    // An idle handler and a deferred call must wait for the loop's end.
    struct CCountingIdle : CIdleHandler {
        BOOL OnIdle() override {
            ++passes;
            return FALSE;
        }
        int passes = 0;
    } idle;
    CMessageLoop outer;
    zovi::platform::AddMessageLoop(&outer);
    outer.AddIdleHandler(&idle);
    bool deferredRan = false;
    PostToUiThread([&] { deferredRan = true; });

    int ticks = 0;
    helper.onTimer = [&](WPARAM id) {
        if (id == 16 && ++ticks == 5) box.Close(3);
    };
    const HWND hwnd = box;
    PostStep([&] { ::SetTimer(helper, 16, 10, nullptr); });
    EXPECT_EQ(box.ShowModal(), 3u);
    EXPECT_EQ(ticks, 5);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(idle.passes, 0);
    EXPECT_FALSE(deferredRan);
    ::KillTimer(helper, 16);

    COnIdleHandler::Run();  // the outer loop's idle pass
    EXPECT_TRUE(deferredRan);
    outer.RemoveIdleHandler(&idle);
    zovi::platform::RemoveMessageLoop();
}

TEST_F(ModalFixture, QuitEndsTheLoopAndIsPostedAgain) {
    const HWND hwnd = box;
    PostStep([] { ::PostQuitMessage(9); });
    EXPECT_EQ(box.ShowModal(), IDCANCEL);
    EXPECT_FALSE(::IsWindow(hwnd));
    MSG msg{};
    ASSERT_TRUE(::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 9u);
}

TEST_F(ModalFixture, TheOwnerIsDisabledWhileItRunsAndItsDeathEndsIt) {
    CTestWindow owner(L"<Window size=\"300,300\"><Control/></Window>", L"DuiTestModalOwner");
    ASSERT_NE(owner.Create(0, L"", kDialog, 0), 0u);
    owner.ShowWindow(true, false);
    ::DestroyWindow(box);
    ASSERT_NE(box.Create(owner, L"", kDialog, 0), 0u);
    const HWND boxHwnd = box;

    // Enabled again before the modal window goes: checked when it is destroyed.
    bool ownerEnabledWhenBoxDied = false;
    box.onCustom = [&](UINT uMsg, WPARAM, LPARAM, BOOL&) -> LRESULT {
        if (uMsg == WM_DESTROY) ownerEnabledWhenBoxDied = ::IsWindowEnabled(owner) != FALSE;
        return 0;
    };
    bool ownerEnabledDuring = true;
    PostStep([&] {
        ownerEnabledDuring = ::IsWindowEnabled(owner) != FALSE;
        box.Close(IDOK);
    });
    EXPECT_EQ(box.ShowModal(), IDOK);
    EXPECT_FALSE(ownerEnabledDuring);
    EXPECT_TRUE(ownerEnabledWhenBoxDied);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_EQ(::GetActiveWindow(), owner.GetHWND());  // the focus went back to it

    // The owner destroyed under the loop takes its box with it and ends the loop.
    ASSERT_NE(box.Create(owner, L"", kDialog, 0), 0u);
    const HWND second = box;
    const HWND ownerHwnd = owner;
    PostStep([ownerHwnd] { ::DestroyWindow(ownerHwnd); });
    EXPECT_EQ(box.ShowModal(), IDCANCEL);
    EXPECT_FALSE(::IsWindow(second));
    EXPECT_FALSE(::IsWindow(ownerHwnd));
    EXPECT_NE(boxHwnd, second);
}

}  // namespace
}  // namespace DuiLib::test
