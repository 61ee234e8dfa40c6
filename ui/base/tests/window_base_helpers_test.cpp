// The common window base's helpers on Xvfb (one 1920x1080 monitor, no window manager):
// work areas, placement restore and save, tooltips by string id, a window's capture source.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "core/options/placement_store.h"
#include "platform/duilib/controls/control.h"
#include "platform/duilib/test/window_input.h"
#include "tolka.h"
#include "ui/base/window_helpers.h"
#include "ui/base/window_impl_base_impl.h"
#include "ui/base/window_placement.h"

namespace {

constexpr DWORD kDialog = DuiLib::UI_WNDSTYLE_DIALOG & ~WS_VISIBLE;

class CPlacedWindow : public DuiLib::WindowImplBaseImpl, public CWindowPositionSaver<CPlacedWindow> {
public:
    explicit CPlacedWindow(WindowPlacementEntry* entry) : CWindowPositionSaver<CPlacedWindow>(entry) {}
    const wchar_t* GetWindowClassName() const override { return L"DuiTestPlacedWindow"; }
    DuiLib::CDuiString GetSkinFile() override {
        return L"<Window size=\"400,300\"><VerticalLayout><Button name=\"b\"/></VerticalLayout></Window>";
    }
    using CWindowPositionSaver<CPlacedWindow>::RestorePosition;
    using CWindowPositionSaver<CPlacedWindow>::SavePosition;
};

WindowPlacementEntry EntryWith(RECT normal, UINT showCmd) {
    PlacementFields fields{};
    fields.length = sizeof fields;
    fields.showCmd = showCmd;
    fields.ptMinPosition = fields.ptMaxPosition = POINT{-1, -1};
    fields.rcNormalPosition = normal;
    WindowPlacementEntry entry;
    WritePlacementFields(entry, fields);
    entry.valid = true;
    return entry;
}

struct WindowBaseHelpersTest : testing::Test {
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
    }
};

TEST_F(WindowBaseHelpersTest, WorkAreaChecks) {
    EXPECT_TRUE(IsRectOnWorkArea(RECT{100, 100, 500, 400}));
    EXPECT_TRUE(IsRectOnWorkArea(RECT{1900, 1000, 2300, 1300}));  // partly on
    EXPECT_FALSE(IsRectOnWorkArea(RECT{3000, 3000, 3400, 3300}));
    EXPECT_FALSE(IsRectOnWorkArea(RECT{-800, -600, -400, -300}));
    // Without a window manager the work area is the monitor: nothing moves.
    RECT rc{10, 20, 110, 220};
    EXPECT_TRUE(WorkspaceRectToScreen(rc));
    EXPECT_EQ(rc.left, 10);
    EXPECT_EQ(rc.top, 20);
    EXPECT_EQ(rc.right, 110);
    EXPECT_EQ(rc.bottom, 220);
}

TEST_F(WindowBaseHelpersTest, RestoreTakesAnOnScreenPlacementAndCentresTheRest) {
    struct Row {
        const char* what;
        WindowPlacementEntry entry;
        RECT expected;
    };
    WindowPlacementEntry invalid = EntryWith(RECT{100, 100, 500, 400}, SW_SHOWNORMAL);
    invalid.valid = false;
    const RECT centred{760, 390, 1160, 690};  // 400 x 300 on 1920 x 1080
    const Row rows[] = {
        {"on screen", EntryWith(RECT{100, 120, 500, 420}, SW_SHOWNORMAL), RECT{100, 120, 500, 420}},
        {"off every monitor", EntryWith(RECT{4000, 3000, 4400, 3300}, SW_SHOWNORMAL), centred},
        {"empty rectangle", EntryWith(RECT{100, 100, 100, 100}, SW_SHOWNORMAL), centred},
        {"not valid", invalid, centred},
        {"saved hidden: applied, then centred", EntryWith(RECT{100, 120, 500, 420}, 0), centred},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        WindowPlacementEntry entry = row.entry;
        auto window = std::make_shared<CPlacedWindow>(&entry);
        ASSERT_NE(window->Create(0, L"", kDialog, 0), 0u);
        window->RestorePosition();
        RECT rc{};
        ASSERT_TRUE(::GetWindowRect(*window, &rc));
        EXPECT_EQ(rc.left, row.expected.left);
        EXPECT_EQ(rc.top, row.expected.top);
        EXPECT_EQ(rc.right, row.expected.right);
        EXPECT_EQ(rc.bottom, row.expected.bottom);
        EXPECT_TRUE(::IsWindowVisible(*window));
        ::DestroyWindow(*window);
    }
}

TEST_F(WindowBaseHelpersTest, SaveWritesTheWindowPlacementIntoTheEntry) {
    WindowPlacementEntry entry;
    auto window = std::make_shared<CPlacedWindow>(&entry);
    ASSERT_NE(window->Create(0, L"", kDialog, 0, 300, 200, 0, 0), 0u);
    window->ShowWindow(true, false);
    ASSERT_TRUE(window->SavePosition());
    EXPECT_TRUE(entry.valid);
    const PlacementFields fields = ReadPlacementFields(entry);
    EXPECT_EQ(fields.length, 44u);
    EXPECT_EQ(fields.rcNormalPosition.left, 300);
    EXPECT_EQ(fields.rcNormalPosition.top, 200);
    EXPECT_EQ(fields.rcNormalPosition.right, 700);
    EXPECT_EQ(fields.rcNormalPosition.bottom, 500);
    ::DestroyWindow(*window);
    // A dead window leaves the entry as it was.
    WindowPlacementEntry untouched;
    CPlacedWindow dead(&untouched);
    EXPECT_FALSE(dead.SavePosition());
    EXPECT_FALSE(untouched.valid);
}

TEST_F(WindowBaseHelpersTest, ToolTipsByIdAndWindowSources) {
    TolkaSetLang(TolkaLangEnglish);
    auto window = std::make_shared<CPlacedWindow>(nullptr);
    const HWND hwnd = window->Create(0, L"", kDialog, 0, 50, 60, 0, 0);
    ASSERT_NE(hwnd, 0u);
    DuiLib::CControlUI* button = window->GetPaintManager().FindControl(L"b");
    ASSERT_NE(button, nullptr);
    SetToolTipById(button, 36);
    EXPECT_EQ(button->GetToolTip(), L"OK");
    SetToolTipById(window->GetPaintManager().FindControl(L"missing"), 36);  // nothing to do

    zovi::engine::CaptureSourceInfo source = MakeWindowSourceInfo(hwnd);
    EXPECT_EQ(source.type, 0);
    EXPECT_TRUE(source.name.empty());
    EXPECT_EQ(source.window, hwnd);
    EXPECT_EQ(source.init, 1);
    EXPECT_EQ(source.full, 1);
    EXPECT_EQ(source.rotated, 0);
    EXPECT_EQ(source.left, 0);
    EXPECT_EQ(source.top, 0);
    EXPECT_EQ(source.right, 400);
    EXPECT_EQ(source.bottom, 300);
    ::DestroyWindow(hwnd);

    source = MakeWindowSourceInfo(hwnd);
    EXPECT_EQ(source.init, 0);
    EXPECT_EQ(source.window, hwnd);
    EXPECT_EQ(source.right, 0);
    EXPECT_EQ(source.bottom, 0);
}

}  // namespace
