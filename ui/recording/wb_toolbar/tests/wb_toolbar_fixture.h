// The whiteboard toolbar on the test X server. The UI loop runs on the test's main thread
// (the library's key translation, then dispatch); a driver thread clicks and types with
// XTest and reads state through the UI-thread hook. In the whiteboard's place stands a
// small board window of the test's own that implements the toolbar's interface the way
// the whiteboard does: it makes the toolbar as its owned pop-up, hands its shortcut
// commands to the toolbar's handlers, closes on Exit, and records every call it gets.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/duilib/duilib.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "ui/base/window_impl_base_impl.h"
#include "ui/recording/wb_toolbar/ui_wb_tool_bar.h"

namespace wb_toolbar_test {

class CBoardStandIn : public DuiLib::WindowImplBaseImpl,
                      public DuiLib::IWBToolBar,
                      public std::enable_shared_from_this<CBoardStandIn> {
public:
    const wchar_t* GetWindowClassName() const override { return L"WBToolBarTestBoard"; }
    DuiLib::CDuiString GetSkinFile() override;
    void InitWindow() override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    // IWBToolBar: each call is recorded ("mode:2", "color:ff0000ff", "width:5", "revoke",
    // "clear", "exit").
    void SetPaintMode(int32_t mode) override;
    void SetColor(uint32_t argb) override;
    void Revoke() override { calls.push_back("revoke"); }
    void Clear() override { calls.push_back("clear"); }
    void Exit() override;
    void SetLineWidth(float width) override;

    std::shared_ptr<DuiLib::CUIWBToolBar> toolbar;
    std::vector<std::string> calls;
    std::vector<int> commands;  // the command ids that reached the board
};

class WBToolBarXTest : public ::testing::Test {
protected:
    WBToolBarXTest();
    ~WBToolBarXTest() override;
    void SetUp() override;
    void TearDown() override;

    // The board (and with it the toolbar) at `area`; false when it could not be made.
    bool OpenBoard(const RECT& area = RECT{100, 60, 900, 660});
    HWND BoardWindow() const { return board ? board->GetHWND() : HWND{}; }
    HWND ToolbarWindow() const { return board && board->toolbar ? board->toolbar->GetHWND() : HWND{}; }

    // Runs `driver` on a thread of its own while this thread runs the loop.
    void Drive(const std::function<void()>& driver);
    bool LoopUntil(const std::function<bool()>& condition, double seconds = 20);

    // From the driver thread.
    template <class F>
    auto Ui(F f) {
        return hook->Call(f).value();
    }
    bool WaitUi(const std::function<bool()>& condition, double seconds = 20);
    // The board's calls once at least `count` arrived (what there is after the wait).
    std::vector<std::string> WaitCalls(size_t count);
    // The board's calls and commands are forgotten.
    void ForgetCalls();
    // Clicks the centre of a control of `window`, then moves the pointer away.
    void Click(HWND window, const wchar_t* name);
    // The toolbar's option `name` is selected.
    bool IsSelected(HWND window, const wchar_t* name);
    // The window has the keyboard focus (waits for it).
    bool WaitFocus(HWND window);
    static void KeepPicture(HWND window, const std::string& name);

    std::shared_ptr<CBoardStandIn> board;
    std::unique_ptr<DuiLib::test::CUiThreadHook> hook;

private:
    class CLoop;
    std::unique_ptr<CLoop> loop_;
    uint32_t savedColor_ = 0;
    uint32_t savedLineSize_ = 0;
};

std::string ArtefactPath(const std::string& name);

}  // namespace wb_toolbar_test
