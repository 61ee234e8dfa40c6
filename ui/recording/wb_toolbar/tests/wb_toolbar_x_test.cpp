// The whiteboard toolbar with a board of the test's own: found by its class and placed
// inside the board's right edge, each button reaching the board, the shortcuts while the
// toolbar has the focus, and the ways of closing it that close the board too.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/utf8.h"
#include "platform/duilib/test/x_test_tools.h"
#include "tolka.h"
#include "ui/recording/wb_toolbar/tests/wb_toolbar_fixture.h"

namespace wb_toolbar_test {
namespace {

using Calls = std::vector<std::string>;
using DuiLib::test::Xdotool;

TEST_F(WBToolBarXTest, FoundByClassInsideTheBoardsRightEdgeWithItsTipsAndModes) {
    const RECT area{100, 60, 900, 660};
    ASSERT_TRUE(OpenBoard(area));
    Drive([&] {
        const HWND bar = DuiLib::test::WaitForWindowOfClass("UIWBToolBar");
        ASSERT_EQ(bar, ToolbarWindow());
        RECT rc{};
        ASSERT_TRUE(DuiLib::test::WaitUntil([&] { return DuiLib::test::XGeometry(bar, &rc) && rc.left != 0; }));
        EXPECT_EQ(rc.right - rc.left, 48);
        EXPECT_EQ(rc.bottom - rc.top, 497);
        EXPECT_EQ(rc.right, area.right - 10);
        EXPECT_EQ(rc.top, area.top + (600 - 497) / 2);
        // The saved line width (index 0) reached the board at start; nothing else did.
        EXPECT_EQ(Ui([this] { return board->calls; }), (Calls{"width:2"}));
        EXPECT_TRUE(IsSelected(bar, L"point"));

        const struct {
            const wchar_t* name;
            UINT_PTR tag;
            uint32_t tip;
        } rows[] = {{L"point", 1, 161}, {L"path", 2, 162}, {L"line", 3, 163}, {L"arrow", 4, 164},
                    {L"rect", 5, 165},  {L"ellipse", 6, 166}, {L"exit", 0, 160}, {L"colorSelect", 0, 167},
                    {L"linewidth", 0, 168}, {L"revoke", 0, 169}, {L"clear", 0, 170}};
        for (const auto& row : rows) {
            const auto [tag, tip] = Ui([this, &row] {
                DuiLib::CControlUI* control = board->toolbar->GetPaintManager().FindControl(row.name);
                return control ? std::pair{control->GetTag(), std::wstring(control->GetToolTip().GetData())}
                               : std::pair{UINT_PTR(99), std::wstring(L"missing")};
            });
            const std::string name = zovi::platform::EncodeUtf8Lossless(row.name);
            EXPECT_EQ(tag, row.tag) << name;
            EXPECT_EQ(tip, TolkaGetString(row.tip)) << name;
            EXPECT_FALSE(tip.empty()) << name;
        }
        KeepPicture(bar, "wb_toolbar");
    });
}

TEST_F(WBToolBarXTest, EachButtonReachesTheBoard) {
    ASSERT_TRUE(OpenBoard());
    Drive([&] {
        const HWND bar = DuiLib::test::WaitForWindowOfClass("UIWBToolBar");
        ASSERT_NE(bar, 0u);
        const struct {
            const wchar_t* name;
            const char* call;
        } steps[] = {
            {L"path", "mode:2"},   {L"line", "mode:3"}, {L"arrow", "mode:4"}, {L"rect", "mode:5"},
            {L"ellipse", "mode:6"}, {L"point", "mode:1"}, {L"revoke", "revoke"}, {L"clear", "clear"},
        };
        for (const auto& step : steps) {
            ForgetCalls();
            Click(bar, step.name);
            EXPECT_EQ(WaitCalls(1), (Calls{step.call})) << zovi::platform::EncodeUtf8Lossless(step.name);
            if (std::string(step.call).starts_with("mode:")) {
                EXPECT_TRUE(IsSelected(bar, step.name));
            }
        }
        Click(bar, L"arrow");
        EXPECT_EQ(WaitCalls(2), (Calls{"clear", "mode:4"}));
        KeepPicture(bar, "wb_toolbar_arrow_selected");

        // The option already selected sends no mode change: the revoke after it is the
        // only call.
        ForgetCalls();
        Click(bar, L"arrow");
        Click(bar, L"revoke");
        EXPECT_EQ(WaitCalls(1), (Calls{"revoke"}));
        EXPECT_TRUE(IsSelected(bar, L"arrow"));
        EXPECT_TRUE(::IsWindow(bar));
        EXPECT_TRUE(::IsWindow(BoardWindow()));
    });
}

TEST_F(WBToolBarXTest, ShortcutsWithTheToolbarFocusedReachTheBoardOnce) {
    ASSERT_TRUE(OpenBoard());
    Drive([&] {
        const HWND bar = DuiLib::test::WaitForWindowOfClass("UIWBToolBar");
        ASSERT_NE(bar, 0u);
        ASSERT_TRUE(WaitFocus(bar));
        const struct {
            const char* keys;
            int command;
            const char* call;
            const wchar_t* selected;  // the option that shows the mode, if any
        } cases[] = {
            {"ctrl+F2", 2001, "mode:2", L"path"},    {"ctrl+F6", 2005, "mode:6", L"ellipse"},
            {"ctrl+F4", 2003, "mode:4", L"arrow"},   {"ctrl+F11", 3003, "revoke", nullptr},
            {"ctrl+F12", 3004, "clear", nullptr},    {"ctrl+F1", 2000, "mode:1", L"point"},
        };
        for (const auto& c : cases) {
            ForgetCalls();
            Xdotool({"key", c.keys});
            EXPECT_EQ(WaitCalls(1), (Calls{c.call})) << c.keys;
            EXPECT_EQ(Ui([this] { return board->commands; }), (std::vector<int>{c.command})) << c.keys;
            if (c.selected) {
                EXPECT_TRUE(IsSelected(bar, c.selected)) << c.keys;
            }
        }
        // The selected mode's own shortcut: the board gets the command, the toolbar sends
        // no mode change (the clear after it is the only call).
        ForgetCalls();
        Xdotool({"key", "ctrl+F1"});
        Xdotool({"key", "ctrl+F12"});
        EXPECT_EQ(WaitCalls(1), (Calls{"clear"}));
        EXPECT_EQ(Ui([this] { return board->commands; }), (std::vector<int>{2000, 3004}));
        // Keys outside the table are not the board's.
        ForgetCalls();
        Xdotool({"key", "ctrl+F7", "F2", "shift+F11", "ctrl+F12"});
        EXPECT_EQ(WaitCalls(1), (Calls{"clear"}));
        EXPECT_EQ(Ui([this] { return board->commands; }), (std::vector<int>{3004}));
    });
}

TEST_F(WBToolBarXTest, EscapeOrTheExitButtonClosesToolbarAndBoard) {
    for (const bool byKey : {true, false}) {
        SCOPED_TRACE(byKey ? "Escape" : "exit button");
        ASSERT_TRUE(OpenBoard());
        Drive([&] {
            const HWND bar = DuiLib::test::WaitForWindowOfClass("UIWBToolBar");
            ASSERT_EQ(bar, ToolbarWindow());
            const HWND boardWindow = BoardWindow();
            if (byKey) {
                ASSERT_TRUE(WaitFocus(bar));
                Xdotool({"key", "Escape"});
            } else {
                Click(bar, L"exit");
            }
            EXPECT_TRUE(WaitUi([&] { return !::IsWindow(bar) && !::IsWindow(boardWindow); }));
            EXPECT_EQ(Ui([this] { return board->calls; }), (Calls{"width:2", "exit"}));
            EXPECT_EQ(Ui([this] { return board->commands; }), byKey ? std::vector<int>{3000} : std::vector<int>{});
            EXPECT_TRUE(DuiLib::test::WaitUntil([] { return DuiLib::test::FindWindowsByClass("UIWBToolBar").empty(); }));
        });
    }
}

TEST_F(WBToolBarXTest, ClosingTheBoardTakesTheToolbarAndItsPickerWithIt) {
    ASSERT_TRUE(OpenBoard());
    Drive([&] {
        const HWND bar = DuiLib::test::WaitForWindowOfClass("UIWBToolBar");
        ASSERT_NE(bar, 0u);
        Click(bar, L"linewidth");
        const HWND picker = DuiLib::test::WaitForWindowOfClass("UILineWidthSelect");
        ASSERT_NE(picker, 0u);
        const HWND boardWindow = BoardWindow();
        Ui([boardWindow] { return ::DestroyWindow(boardWindow); });
        EXPECT_FALSE(Ui([&] { return ::IsWindow(bar) || ::IsWindow(picker) || ::IsWindow(boardWindow); }));
        // The toolbar's last word reached a board already closing: harmless.
        Ui([this] {
            board->toolbar.reset();
            return 0;
        });
    });
}

}  // namespace
}  // namespace wb_toolbar_test
