// The combo, its drop-down and the list, offscreen: the combo's notification rules (a
// bare paint manager; the drop-down is an offscreen window), keys on the closed and the
// open combo, the wheel, the face and the drop-down as painted, the list, and the
// drop-down inside a library window (keys before the window's own, deactivation).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/duilib/controls/combo.h"
#include "platform/duilib/controls/list.h"
#include "platform/duilib/controls/list_element.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/test/recording_notifier.h"
#include "platform/duilib/test/window_input.h"
#include "platform/duilib/tests/controls_test_support.h"
#include "platform/duilib/tests/notify_rules.h"
#include "platform/duilib/tests/window_test_window.h"
#include "platform/duilib/window/combo_drop_window.h"
#include "platform/window/present.h"
#include "platform/window/window.h"

namespace DuiLib::test {
namespace {

const wchar_t* const kLayout =
    L"<Window size=\"300,260\"><VerticalLayout bkcolor=\"#FFFFFFFF\" inset=\"10,10,10,10\">"
    L"<Combo name=\"combo\" height=\"30\" width=\"200\">"
    L"<ListLabelElement name=\"r0\" text=\"Camera A\" height=\"24\"/>"
    L"<ListLabelElement name=\"r1\" text=\"Camera B\" height=\"24\"/>"
    L"<ListLabelElement name=\"r2\" text=\"Camera C\" height=\"24\"/>"
    L"</Combo>"
    L"<List name=\"list\" height=\"100\" inset=\"0,0,0,0\">"
    L"<ListContainerElement name=\"lr0\" height=\"30\"><Label name=\"lr0text\" text=\"row\"/></ListContainerElement>"
    L"<ListContainerElement name=\"lr1\" height=\"30\"/><ListContainerElement name=\"lr2\" height=\"30\"/>"
    L"<ListContainerElement name=\"lr3\" height=\"30\"/><ListContainerElement name=\"lr4\" height=\"30\"/>"
    L"</List><Control/></VerticalLayout></Window>";

CComboUI* Combo(CPaintManagerUI& pm) { return static_cast<CComboUI*>(pm.FindControl(L"combo")); }

void AtFirst(CPaintManagerUI& pm) { Combo(pm)->SelectItem(0, false, false); }

void FocusedAtFirst(CPaintManagerUI& pm) {
    AtFirst(pm);
    Combo(pm)->SetFocus();
}

void CurrentIs(CPaintManagerUI& pm, int index) {
    EXPECT_EQ(Combo(pm)->GetCurSel(), index);
    EXPECT_FALSE(Combo(pm)->IsDropped());
}

// A click on the face; the drop-down must open.
HWND OpenByClick(CPaintManagerUI& pm) {
    Click(pm, L"combo");
    const HWND drop = Combo(pm)->GetDropDownWindow();
    EXPECT_NE(drop, 0u);
    return drop;
}

// The centre of row `index` in the open drop-down's client coordinates.
POINT RowCentre(CPaintManagerUI& pm, int index) { return CentreOf(Combo(pm)->GetItemAt(index)->GetPos()); }

void ClickRow(CPaintManagerUI& pm, int index) {
    const HWND drop = OpenByClick(pm);
    if (drop) ClickAt(drop, RowCentre(pm, index));
}

// A window's handler of "itemselect" that empties the combo and fills it again, as the
// capture main window does when the device list changes under a selection.
class CRefill : public INotifyUI {
public:
    explicit CRefill(CComboUI* combo) : combo_(combo) {}
    void Notify(TNotifyUI& msg) override {
        if (msg.sType != DUI_MSGTYPE_ITEMSELECT || msg.pSender != combo_) return;
        combo_->RemoveAll();
        for (const wchar_t* text : {L"New A", L"New B", L"New C"}) {
            auto* row = new CListLabelElementUI;
            row->SetText(text);
            row->SetFixedHeight(24);
            combo_->Add(row);
        }
        combo_->SelectItem(1, false, false);
    }

private:
    CComboUI* combo_;
};

TEST(ComboTest, NotificationRules) {
    const std::vector<NotifyRow> rows = {
        {"13 SelectItem of the current index", AtFirst,
         [](auto& pm) { EXPECT_TRUE(Combo(pm)->SelectItem(0, false, true)); }, {}, [](auto& pm) { CurrentIs(pm, 0); }},
        {"14 SelectItem out of range", AtFirst,
         [](auto& pm) {
             EXPECT_FALSE(Combo(pm)->SelectItem(5, false, true));
             EXPECT_FALSE(Combo(pm)->SelectItem(-1, false, true));
         },
         {}, [](auto& pm) { CurrentIs(pm, 0); }},
        {"15 SelectItem without trigger", AtFirst, [](auto& pm) { Combo(pm)->SelectItem(2, false, false); }, {},
         [](auto& pm) { CurrentIs(pm, 2); }},
        {"16 SelectItem with trigger", AtFirst, [](auto& pm) { Combo(pm)->SelectItem(2, false, true); },
         {L"itemselect:combo"}, [](auto& pm) { CurrentIs(pm, 2); }},
        {"17 RemoveAll", [](auto& pm) { Combo(pm)->SelectItem(1, false, false); },
         [](auto& pm) { Combo(pm)->RemoveAll(); }, {},
         [](auto& pm) {
             CurrentIs(pm, -1);
             EXPECT_EQ(Combo(pm)->GetCount(), 0);
         }},
        {"18 an itemselect handler empties and refills the combo during a pick", AtFirst,
         [](auto& pm) {
             CRefill refill(Combo(pm));
             pm.AddNotifier(&refill);
             ClickRow(pm, 2);
             pm.RemoveNotifier(&refill);
         },
         {L"itemselect:combo"},
         [](auto& pm) {
             // The removed rows are freed by the next message; nothing may still use them.
             MouseMove(pm, POINT{50, 25});
             RenderToSurface(pm, 300, 260);
             CurrentIs(pm, 1);
             ASSERT_EQ(Combo(pm)->GetCount(), 3);
             EXPECT_EQ(Combo(pm)->GetItemAt(0)->GetText(), L"New A");
             EXPECT_EQ(pm.FindControl(L"r2"), nullptr);
         }},
        {"a click on another row picks it and closes", AtFirst, [](auto& pm) { ClickRow(pm, 1); },
         {L"itemselect:combo"}, [](auto& pm) { CurrentIs(pm, 1); }},
        {"a click on the current row closes silently", AtFirst, [](auto& pm) { ClickRow(pm, 0); }, {},
         [](auto& pm) { CurrentIs(pm, 0); }},
        {"opening and a press outside the drop-down", AtFirst,
         [](auto& pm) {
             const HWND drop = OpenByClick(pm);
             ASSERT_TRUE(::IsWindowVisible(drop));
             ClickAt(drop, POINT{-20, -5});
             EXPECT_FALSE(::IsWindow(drop));
         },
         {}, [](auto& pm) { CurrentIs(pm, 0); }},
        {"a second click on the face closes", AtFirst,
         [](auto& pm) {
             OpenByClick(pm);
             Click(pm, L"combo");
         },
         {}, [](auto& pm) { CurrentIs(pm, 0); }},
        {"Down on the focused closed combo", FocusedAtFirst, [](auto& pm) { Key(pm, VK_DOWN); },
         {L"itemselect:combo"}, [](auto& pm) { CurrentIs(pm, 1); }},
        {"Down, Down, Up", FocusedAtFirst,
         [](auto& pm) {
             Key(pm, VK_DOWN);
             Key(pm, VK_DOWN);
             Key(pm, VK_UP);
         },
         {L"itemselect:combo", L"itemselect:combo", L"itemselect:combo"}, [](auto& pm) { CurrentIs(pm, 1); }},
        {"Up on the first row, Down on the last", FocusedAtFirst,
         [](auto& pm) {
             Key(pm, VK_UP);
             Combo(pm)->SelectItem(2, false, false);
             Key(pm, VK_DOWN);
         },
         {}, [](auto& pm) { CurrentIs(pm, 2); }},
        {"Down without focus", AtFirst, [](auto& pm) { Key(pm, VK_DOWN); }, {}, [](auto& pm) { CurrentIs(pm, 0); }},
        {"the wheel over the combo, closed and focused", FocusedAtFirst,
         [](auto& pm) {
             const POINT at = CentreOf(Combo(pm)->GetPos());
             Wheel(pm, at, -120);
             Wheel(pm, at, 120);
         },
         {}, [](auto& pm) { CurrentIs(pm, 0); }},
        {"Escape in the open drop-down keeps the selection", AtFirst,
         [](auto& pm) {
             OpenByClick(pm);
             Key(pm, VK_DOWN);
             Key(pm, VK_ESCAPE);
         },
         {}, [](auto& pm) { CurrentIs(pm, 0); }},
        {"Down, Down, Enter in the open drop-down", AtFirst,
         [](auto& pm) {
             OpenByClick(pm);
             Key(pm, VK_DOWN);
             EXPECT_EQ(Combo(pm)->GetHotItem(), 1);
             EXPECT_EQ(Combo(pm)->GetCurSel(), 0);  // moving the hot row selects nothing
             Key(pm, VK_DOWN);
             Key(pm, VK_RETURN);
         },
         {L"itemselect:combo"}, [](auto& pm) { CurrentIs(pm, 2); }},
        {"Home, End and the wheel in the open drop-down", AtFirst,
         [](auto& pm) {
             const HWND drop = OpenByClick(pm);
             Key(pm, VK_END);
             EXPECT_EQ(Combo(pm)->GetHotItem(), 2);
             Key(pm, VK_HOME);
             EXPECT_EQ(Combo(pm)->GetHotItem(), 0);
             Send(pm, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
             ::SendMessageW(drop, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), MAKELPARAM(10, 10));
             Key(pm, VK_ESCAPE);
         },
         {}, [](auto& pm) { CurrentIs(pm, 0); }},
        {"Alt+Down and F4 open, F4 closes", FocusedAtFirst,
         [](auto& pm) {
             Send(pm, WM_SYSKEYDOWN, VK_DOWN, 0);
             EXPECT_TRUE(Combo(pm)->IsDropped());
             Key(pm, VK_F4);
             EXPECT_FALSE(Combo(pm)->IsDropped());
             Key(pm, VK_F4);
             EXPECT_TRUE(Combo(pm)->IsDropped());
             Combo(pm)->SetEnabled(false);  // disabling closes it
         },
         {}, [](auto& pm) { CurrentIs(pm, 0); }},
        {"Add selects nothing; rows added while open close it first", Nothing,
         [](auto& pm) {
             Combo(pm)->RemoveAll();
             Combo(pm)->Add(new CListLabelElementUI);
             Combo(pm)->SelectItem(0, false, false);
             OpenByClick(pm);
             Combo(pm)->Add(new CListLabelElementUI);
         },
         {},
         [](auto& pm) {
             CurrentIs(pm, 0);
             EXPECT_EQ(Combo(pm)->GetCount(), 2);
         }},
        {"list rows: clicks raise nothing", Nothing,
         [](auto& pm) {
             Click(pm, L"lr0text");
             Click(pm, L"lr1");
         },
         {}, Nothing},
    };
    RunNotifyRows(kLayout, 300, 260, rows);
}

TEST(ComboTest, RowsStayWithTheComboWhileOpenAndComeBack) {
    auto pm = BuildManager(kLayout, 300, 260);
    CComboUI* combo = Combo(*pm);
    CControlUI* row = combo->GetItemAt(1);
    EXPECT_EQ(static_cast<IListItemUI*>(row->GetInterface(L"ListItem"))->GetOwner(), combo);
    const HWND drop = OpenByClick(*pm);
    ASSERT_NE(drop, 0u);
    // While open: the rows are counted and found through the combo, shown by the drop-down.
    EXPECT_EQ(combo->GetCount(), 3);
    EXPECT_EQ(combo->GetItemAt(1), row);
    EXPECT_NE(row->GetManager(), pm.get());
    combo->CloseDropDown();
    EXPECT_EQ(row->GetManager(), pm.get());
    EXPECT_EQ(row->GetParent(), combo);
    EXPECT_EQ(pm->FindControl(L"r1"), row);
    EXPECT_FALSE(::IsWindow(drop));
    // The combo dies with its drop-down open: the rows go with it, the window too.
    const HWND again = OpenByClick(*pm);
    pm.reset();
    EXPECT_FALSE(::IsWindow(again));
}

TEST(ComboTest, DropDownSizeAndPlace) {
    auto pm = BuildManager(kLayout, 300, 260);
    CComboUI* combo = Combo(*pm);
    HWND drop = OpenByClick(*pm);
    RECT rc{};
    ASSERT_TRUE(::GetWindowRect(drop, &rc));
    // Client = screen for a manager without a window: below the face, its width, 3 rows.
    EXPECT_EQ(rc.left, combo->GetPos().left);
    EXPECT_EQ(rc.top, combo->GetPos().bottom);
    EXPECT_EQ(rc.right - rc.left, combo->GetWidth());
    EXPECT_EQ(rc.bottom - rc.top, 3 * 24 + 2);
    combo->CloseDropDown();

    // Many rows: about eight show; `dropboxsize` sets the width and the most height.
    for (int i = 0; i < 20; ++i) {
        auto* row = new CListLabelElementUI;
        row->SetFixedHeight(24);
        combo->Add(row);
    }
    drop = OpenByClick(*pm);
    ASSERT_TRUE(::GetWindowRect(drop, &rc));
    EXPECT_EQ(rc.bottom - rc.top, 8 * 24 + 2);
    // The list scrolls: End brings the last row into view whole, the wheel scrolls back;
    // neither changes the selection.
    Key(*pm, VK_END);
    const RECT last = combo->GetItemAt(22)->GetPos();
    EXPECT_GE(last.top, 1);
    EXPECT_LE(last.bottom, rc.bottom - rc.top - 1);
    POINT wheelAt{20, 20};  // the wheel's point is in screen coordinates
    ::ClientToScreen(drop, &wheelAt);
    for (int i = 0; i < 10; ++i) {
        ::SendMessageW(drop, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(wheelAt.x, wheelAt.y));
    }
    EXPECT_EQ(combo->GetItemAt(0)->GetPos().top, 1);
    combo->CloseDropDown();
    EXPECT_EQ(combo->GetCurSel(), -1);
    combo->SetAttribute(L"dropboxsize", L"260,150");
    drop = OpenByClick(*pm);
    ASSERT_TRUE(::GetWindowRect(drop, &rc));
    EXPECT_EQ(rc.right - rc.left, 260);
    EXPECT_EQ(rc.bottom - rc.top, 150);
    combo->CloseDropDown();

    // No room below on the monitor: above the face.
    combo->SetAttribute(L"dropboxsize", L"0,0");
    RECT pos = combo->GetPos();
    combo->SetPos(RECT{pos.left, 1000, pos.right, 1030}, false);
    drop = combo->DropDown() ? combo->GetDropDownWindow() : 0;
    ASSERT_NE(drop, 0u);
    ASSERT_TRUE(::GetWindowRect(drop, &rc));
    EXPECT_EQ(rc.bottom, 1000);
    combo->CloseDropDown();
}

TEST(ComboTest, FaceShowsTheSelectedRowAndTheDropDownItsHighlights) {
    const wchar_t* const layout =
        L"<Window size=\"240,120\"><VerticalLayout bkcolor=\"#FFFFFFFF\" inset=\"10,10,10,10\" childpadding=\"10\">"
        L"<Combo name=\"combo\" height=\"30\" width=\"200\">"
        L"<ListLabelElement text=\"摄像头 A\" height=\"24\"/><ListLabelElement text=\"Camera B\" height=\"24\"/>"
        L"<ListLabelElement text=\"Camera C\" height=\"24\"/></Combo>"
        L"<Combo name=\"comHD\" height=\"30\" width=\"200\" itemselectedbkcolor=\"#FF00AA00\">"
        L"<ListContainerElement height=\"30\"><Label text=\"1080P\" textcolor=\"#FF000000\" font=\"2\" "
        L"textpadding=\"4,0,0,0\"/></ListContainerElement>"
        L"<ListContainerElement height=\"30\"><Label text=\"720P\"/></ListContainerElement></Combo>"
        L"</VerticalLayout></Window>";
    auto pm = BuildManager(layout, 240, 120);
    auto* combo = static_cast<CComboUI*>(pm->FindControl(L"combo"));
    auto* hd = static_cast<CComboUI*>(pm->FindControl(L"comHD"));
    const RECT face = combo->GetPos();
    // The text's place: inside the border, left of the arrow.
    const RECT text{face.left + 2, face.top + 2, face.right - 24, face.bottom - 2};
    auto none = RenderToSurface(*pm, 240, 120);
    EXPECT_EQ(CountPixelsUnlike(none.get(), text, 0xFFFFFF), 0) << "no row selected: no text";
    EXPECT_GT(CountPixelsUnlike(none.get(), RECT{face.right - 20, face.top + 2, face.right - 2, face.bottom - 2}, 0xFFFFFF), 0)
        << "the arrow";
    EXPECT_EQ(PixelAt(none.get(), face.left, face.top + 15) & 0xFFFFFF, 0xA7A6AAu) << "the border";

    combo->SelectItem(0, false, false);
    hd->SelectItem(0, false, false);  // a container row: the text of its label
    auto shown = RenderToSurface(*pm, 240, 120);
    SaveArtefact(shown.get(), "combo_faces");
    EXPECT_GT(CountPixelsUnlike(shown.get(), text, 0xFFFFFF), 20);
    const RECT hdFace = hd->GetPos();
    EXPECT_GT(CountPixelsUnlike(shown.get(), RECT{hdFace.left + 2, hdFace.top + 2, hdFace.right - 24, hdFace.bottom - 2},
                                0xFFFFFF),
              20);

    // The open drop-down: the selected row in the accent with white text, the hot row grey.
    const HWND drop = OpenByClick(*pm);
    ASSERT_NE(drop, 0u);
    MoveTo(drop, CentreOf(combo->GetItemAt(2)->GetPos()));
    EXPECT_EQ(combo->GetHotItem(), 2);
    ::UpdateWindow(drop);
    PumpUntilIdle();
    cairo_surface_t* picture = zovi::platform::OffscreenSurface(drop);
    ASSERT_NE(picture, nullptr);
    SaveArtefact(picture, "combo_dropdown");
    const RECT row0 = combo->GetItemAt(0)->GetPos(), row1 = combo->GetItemAt(1)->GetPos(),
               row2 = combo->GetItemAt(2)->GetPos();
    EXPECT_EQ(PixelAt(picture, row0.left + 2, row0.top + 2) & 0xFFFFFF, 0x2B8CF4u);
    EXPECT_EQ(PixelAt(picture, row1.left + 2, row1.top + 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(PixelAt(picture, row2.left + 2, row2.top + 2) & 0xFFFFFF, 0xF0F0F0u);
    EXPECT_EQ(PixelAt(picture, 0, 0) & 0xFFFFFF, 0xA7A6AAu) << "the frame";
    EXPECT_GT(CountPixelsUnlike(picture, row0, 0x2B8CF4), 10) << "the selected row's text";
    combo->CloseDropDown();

    const HWND hdDrop = hd->DropDown() ? hd->GetDropDownWindow() : 0;
    ASSERT_NE(hdDrop, 0u);
    PumpUntilIdle();
    cairo_surface_t* hdPicture = zovi::platform::OffscreenSurface(hdDrop);
    ASSERT_NE(hdPicture, nullptr);
    SaveArtefact(hdPicture, "combo_dropdown_container_rows");
    const RECT hdRow0 = hd->GetItemAt(0)->GetPos();
    EXPECT_EQ(PixelAt(hdPicture, hdRow0.right - 3, hdRow0.top + 2) & 0xFFFFFF, 0x00AA00u);
    hd->CloseDropDown();
}

TEST(ComboTest, ListHoldsRowsScrollsAndSelectsNothing) {
    auto pm = BuildManager(kLayout, 300, 260);
    auto* list = static_cast<CListUI*>(pm->FindControl(L"list"));
    ASSERT_NE(list, nullptr);
    EXPECT_NE(list->GetInterface(L"List"), nullptr);
    EXPECT_EQ(list->GetCount(), 5);
    // 150 pixels of rows in a 100-pixel list: it scrolls by default.
    EXPECT_EQ(list->GetScrollRange().cy, 50);
    list->SetAttribute(L"header", L"hidden");
    list->RemoveAll();
    EXPECT_EQ(list->GetCount(), 0);
    auto* row = new CListContainerElementUI;
    row->SetAttribute(L"height", L"30");
    EXPECT_TRUE(list->Add(row));
    EXPECT_EQ(list->GetCount(), 1);
    EXPECT_EQ(list->GetItemAt(0), row);
    EXPECT_EQ(static_cast<IListItemUI*>(row->GetInterface(L"ListItem"))->GetOwner(), nullptr);
}

const wchar_t* const kWindowLayout =
    L"<Window size=\"300,200\"><VerticalLayout bkcolor=\"#FFFFFFFF\" inset=\"10,10,10,10\">"
    L"<Combo name=\"combo\" height=\"30\" width=\"200\">"
    L"<ListLabelElement text=\"A\" height=\"24\"/><ListLabelElement text=\"B\" height=\"24\"/>"
    L"<ListLabelElement text=\"C\" height=\"24\"/></Combo><Control/></VerticalLayout></Window>";

struct ComboWindowTest : testing::Test {
    void SetUp() override {
        ASSERT_NE(window.Create(0, L"", UI_WNDSTYLE_DIALOG & ~WS_VISIBLE, 0, 100, 100, 0, 0), 0u);
        window.ShowWindow(true, true);
        PumpUntilIdle();
        combo = static_cast<CComboUI*>(window.Find(L"combo"));
        ASSERT_NE(combo, nullptr);
        combo->SelectItem(0, false, false);
        window.GetPaintManager().AddNotifier(&log);
    }
    void TearDown() override {
        window.GetPaintManager().RemoveNotifier(&log);
        if (::IsWindow(window)) ::DestroyWindow(window);
        PumpUntilIdle();
    }
    HWND Open() {
        EXPECT_TRUE(Click(window, L"combo"));
        return combo->GetDropDownWindow();
    }

    CTestWindow window{kWindowLayout, L"DuiComboTestWindow"};
    CComboUI* combo = nullptr;
    CRecordingNotifier log;
};

TEST_F(ComboWindowTest, OpenDropDownTakesItsKeysBeforeTheWindow) {
    const HWND drop = Open();
    ASSERT_NE(drop, 0u);
    RECT face{}, rc{};
    ::GetWindowRect(window, &face);
    ASSERT_TRUE(::GetWindowRect(drop, &rc));
    EXPECT_EQ(rc.left, face.left + 10);
    EXPECT_EQ(rc.top, face.top + 40);
    EXPECT_EQ(::GetActiveWindow(), window.GetHWND()) << "the drop-down never takes activation";
    // Escape closes only the drop-down, not the window (whose default would close it).
    Key(window, VK_ESCAPE);
    EXPECT_FALSE(combo->IsDropped());
    PumpUntilIdle();
    ASSERT_TRUE(::IsWindow(window));
    EXPECT_EQ(combo->GetCurSel(), 0);

    ASSERT_NE(Open(), 0u);
    Key(window, VK_DOWN);
    Key(window, VK_DOWN);
    Key(window, VK_RETURN);
    EXPECT_FALSE(combo->IsDropped());
    EXPECT_EQ(combo->GetCurSel(), 2);
    EXPECT_EQ(log.Lines(), std::vector<std::wstring>{L"itemselect:combo"});
}

TEST_F(ComboWindowTest, HidingOrRemovingTheComboClosesItsDropDown) {
    CControlUI* layout = combo->GetParent();
    HWND drop = Open();
    ASSERT_NE(drop, 0u);
    layout->SetVisible(false);  // the combo's page goes away under the open list
    PumpUntilIdle();
    EXPECT_FALSE(::IsWindow(drop));
    EXPECT_FALSE(combo->IsDropped());
    layout->SetVisible(true);

    drop = Open();
    ASSERT_NE(drop, 0u);
    static_cast<CContainerUI*>(layout)->Remove(combo);
    PumpUntilIdle();
    EXPECT_FALSE(::IsWindow(drop));
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(ComboWindowTest, DeactivationAndDestructionOfTheOwnerClose) {
    HWND drop = Open();
    ASSERT_NE(drop, 0u);
    ::SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(combo->IsDropped());
    EXPECT_FALSE(::IsWindow(drop));

    drop = Open();
    ASSERT_NE(drop, 0u);
    ::DestroyWindow(window);
    EXPECT_FALSE(::IsWindow(drop));
    EXPECT_FALSE(combo->IsDropped());
    EXPECT_EQ(combo->GetCount(), 3);
    EXPECT_TRUE(log.Lines().empty());
}

}  // namespace
}  // namespace DuiLib::test
