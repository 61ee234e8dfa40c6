// The notification rules of the controls as one table (each row from a fresh layout),
// and re-entrancy: handlers that remove the clicked control's container.
#include <gtest/gtest.h>

#include <cairo.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/duilib/controls/option.h"
#include "platform/duilib/controls/vertical_layout.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/test/recording_notifier.h"
#include "platform/duilib/tests/controls_test_support.h"
#include "platform/duilib/tests/notify_rules.h"
#include "platform/window/window.h"

namespace DuiLib::test {
namespace {

constexpr const wchar_t* kRulesLayout = LR"(<Window size="300,260"><VerticalLayout name="root">
  <Option name="A" group="g" selected="true" height="20"/>
  <Option name="B" group="g" height="20"/>
  <CheckBox name="C" height="20"/>
  <Option name="D" group="d" enabled="false" normalimage="#cross" selectedimage="#tick" height="20"/>
  <Option name="T" group="tab" height="20"/>
  <Option name="T2" group="tab" height="20"/>
  <Button name="Btn" height="20"/>
  <Option name="Hid" visible="false" height="20"/>
  <Button name="BtnHid" visible="false" height="20"/>
  <Button name="BtnOff" enabled="false" height="20"/>
  <Option name="OptOff" enabled="false" height="20"/>
  <Control name="empty"/>
</VerticalLayout></Window>)";

COptionUI* Opt(CPaintManagerUI& pm, const wchar_t* name) {
    return static_cast<COptionUI*>(pm.FindControl(name)->GetInterface(L"Option"));
}

TEST(ControlsNotifyTest, RulesTable) {
    const std::vector<NotifyRow> rows = {
        {"1 Selected(true, true) on a peer", Nothing, [](auto& pm) { Opt(pm, L"B")->Selected(true, true); },
         {L"selectchanged:B"},
         [](auto& pm) {
             EXPECT_FALSE(Opt(pm, L"A")->IsSelected());
             EXPECT_TRUE(Opt(pm, L"B")->IsSelected());
         }},
        {"2 Selected to the state it has", Nothing, [](auto& pm) { Opt(pm, L"A")->Selected(true, true); }, {},
         [](auto& pm) { EXPECT_TRUE(Opt(pm, L"A")->IsSelected()); }},
        {"3 user clicks the selected option", Nothing, [](auto& pm) { Click(pm, L"A"); }, {L"click:A"},
         [](auto& pm) { EXPECT_TRUE(Opt(pm, L"A")->IsSelected()); }},
        {"4 user clicks a peer", Nothing, [](auto& pm) { Click(pm, L"B"); }, {L"click:B", L"selectchanged:B"},
         [](auto& pm) {
             EXPECT_FALSE(Opt(pm, L"A")->IsSelected());
             EXPECT_TRUE(Opt(pm, L"B")->IsSelected());
         }},
        {"5 Selected(false, true) on the selected option", Nothing,
         [](auto& pm) { Opt(pm, L"A")->Selected(false, true); }, {L"selectchanged:A"},
         [](auto& pm) {
             EXPECT_FALSE(Opt(pm, L"A")->IsSelected());
             EXPECT_FALSE(Opt(pm, L"B")->IsSelected());
         }},
        {"6 Selected(x, false)", Nothing,
         [](auto& pm) {
             Opt(pm, L"B")->Selected(true, false);
             Opt(pm, L"C")->Selected(true, false);
         },
         {},
         [](auto& pm) {
             EXPECT_FALSE(Opt(pm, L"A")->IsSelected());
             EXPECT_TRUE(Opt(pm, L"B")->IsSelected());
             EXPECT_TRUE(Opt(pm, L"C")->IsSelected());
         }},
        {"7 check box off, user click", Nothing, [](auto& pm) { Click(pm, L"C"); }, {L"click:C", L"selectchanged:C"},
         [](auto& pm) { EXPECT_TRUE(Opt(pm, L"C")->IsSelected()); }},
        {"8 check box on, user click", [](auto& pm) { Opt(pm, L"C")->Selected(true, false); },
         [](auto& pm) { Click(pm, L"C"); }, {L"click:C", L"selectchanged:C"},
         [](auto& pm) { EXPECT_FALSE(Opt(pm, L"C")->IsSelected()); }},
        {"9 disabled option, Selected(true, true)", Nothing, [](auto& pm) { Opt(pm, L"D")->Selected(true, true); },
         {L"selectchanged:D"},
         [](auto& pm) {
             // The selected image, not the disabled look of the normal one.
             AddSolidImage(pm, L"#cross", 0x000000FF, 4);
             AddSolidImage(pm, L"#tick", 0x0000FF00, 4);
             SurfacePtr surface = RenderToSurface(pm, 300, 260);
             const POINT centre = CentreOf(pm.FindControl(L"D")->GetPos());
             EXPECT_EQ(PixelAt(surface.get(), centre.x, centre.y), 0xFF00FF00u);
         }},
        {"10 Activate on hidden or disabled options and buttons", Nothing,
         [](auto& pm) {
             for (const wchar_t* name : {L"Hid", L"OptOff", L"BtnHid", L"BtnOff"}) {
                 EXPECT_FALSE(pm.FindControl(name)->Activate()) << name;
             }
         },
         {}, [](auto& pm) { EXPECT_FALSE(Opt(pm, L"OptOff")->IsSelected()); }},
        {"11 Activate on an unselected tab", Nothing, [](auto& pm) { EXPECT_TRUE(Opt(pm, L"T")->Activate()); },
         {L"click:T", L"selectchanged:T"}, [](auto& pm) { EXPECT_TRUE(Opt(pm, L"T")->IsSelected()); }},
        {"12 Activate on the selected tab", [](auto& pm) { Opt(pm, L"T")->Selected(true, false); },
         [](auto& pm) { Opt(pm, L"T")->Activate(); }, {L"click:T"},
         [](auto& pm) { EXPECT_FALSE(Opt(pm, L"T2")->IsSelected()); }},
        {"button: release outside", Nothing,
         [](auto& pm) {
             const RECT rc = pm.FindControl(L"Btn")->GetPos();
             MouseMove(pm, CentreOf(rc));
             LButtonDown(pm, CentreOf(rc));
             MouseMove(pm, POINT{rc.left + 2, rc.bottom + 30});
             LButtonUp(pm, POINT{rc.left + 2, rc.bottom + 30});
         },
         {}, Nothing},
        {"button: press outside, release inside", Nothing,
         [](auto& pm) {
             const RECT rc = pm.FindControl(L"Btn")->GetPos();
             LButtonDown(pm, POINT{rc.left + 2, rc.bottom + 30});
             LButtonUp(pm, CentreOf(rc));
         },
         {}, Nothing},
        {"button: disabled click", Nothing, [](auto& pm) { Click(pm, L"BtnOff"); }, {}, Nothing},
        {"button: two fast clicks are two clicks", Nothing,
         [](auto& pm) {
             const POINT centre = CentreOf(pm.FindControl(L"Btn")->GetPos());
             ClickAt(pm, centre);
             DoubleClick(pm, centre);
         },
         {L"click:Btn", L"click:Btn"}, Nothing},
        {"button: Space while focused, Enter never clicks", [](auto& pm) { pm.FindControl(L"Btn")->SetFocus(); },
         [](auto& pm) {
             Key(pm, VK_SPACE);
             Key(pm, VK_RETURN);
         },
         {L"click:Btn"}, Nothing},
        {"option: Space while focused", [](auto& pm) { pm.FindControl(L"C")->SetFocus(); },
         [](auto& pm) { Key(pm, VK_SPACE); }, {L"click:C", L"selectchanged:C"}, Nothing},
        {"label-like control: click raises nothing", Nothing, [](auto& pm) { Click(pm, L"empty"); }, {}, Nothing},
    };
    RunNotifyRows(kRulesLayout, 300, 260, rows);
}

TEST(ControlsNotifyTest, BuildingFromXmlRaisesNothing) {
    CPaintManagerUI pm;
    CRecordingNotifier log;
    pm.AddNotifier(&log);
    CDialogBuilder builder;
    // Two selected in one group: the later one wins, silently.
    pm.AttachDialog(builder.Create(LR"(<Window><VerticalLayout>
        <Option name="A" group="g" selected="true"/><Option name="B" selected="true" group="g"/>
        <CheckBox name="C" selected="true"/></VerticalLayout></Window>)",
                                   nullptr, nullptr, &pm));
    LayOut(pm, 100, 100);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_FALSE(Opt(pm, L"A")->IsSelected());
    EXPECT_TRUE(Opt(pm, L"B")->IsSelected());
    EXPECT_TRUE(Opt(pm, L"C")->IsSelected());
    // SetGroup joins silently too.
    Opt(pm, L"C")->SetGroup(L"g");
    EXPECT_TRUE(log.entries.empty());
}

TEST(ControlsNotifyTest, GroupsBelongToOnePaintManager) {
    constexpr const wchar_t* kLayout =
        LR"(<Window><VerticalLayout><Option name="A" group="src" selected="true"/><Option name="B" group="src"/>
        </VerticalLayout></Window>)";
    auto first = BuildManager(kLayout, 100, 100);
    auto second = BuildManager(kLayout, 100, 100);
    Opt(*second, L"B")->Selected(true, true);
    EXPECT_TRUE(Opt(*first, L"A")->IsSelected());
    EXPECT_FALSE(Opt(*second, L"A")->IsSelected());
}

TEST(ControlsNotifyTest, VirtualWindowNameOfTheNearestContainer) {
    auto pm = BuildManager(LR"(<Window><VerticalLayout virtualwnd="outer"><VerticalLayout virtualwnd="page">
        <Button name="inner" height="20"/></VerticalLayout><Button name="outside" height="20"/>
        </VerticalLayout></Window>)",
                           100, 100);
    CRecordingNotifier log;
    pm->AddNotifier(&log);
    pm->FindControl(L"inner")->Activate();
    pm->FindControl(L"outside")->Activate();
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[0].virtualWnd, L"page");
    EXPECT_EQ(log.entries[1].virtualWnd, L"outer");
}

// A click handler removes the clicked control's container and fills it anew: the clicked
// control survives until the click has fully returned, then it is freed.
TEST(ControlsNotifyTest, ClickHandlerRebuildsTheClickedRow) {
    CRecordingFactory factory;
    auto pm = BuildManager(LR"(<Window><VerticalLayout name="rows"><RecButton name="row" height="20"/>
        </VerticalLayout></Window>)",
                           100, 100, &factory);
    auto* rows = static_cast<CContainerUI*>(pm->FindControl(L"rows")->GetInterface(L"Container"));
    bool firstFreed = false;
    // The first row: a button that tells when it dies; every rebuild adds two fresh rows.
    rows->RemoveAll();
    Send(*pm, WM_NULL);
    auto* first = new CRecordingButton(&firstFreed);
    first->SetName(L"row");
    first->SetFixedHeight(20);
    rows->Add(first);
    LayOut(*pm, 100, 100);

    CRecordingNotifier log;
    int rebuilds = 0;
    log.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType != DUI_MSGTYPE_CLICK) return;
        ++rebuilds;
        rows->RemoveAll();
        for (int i = 0; i < 2; ++i) {
            auto* row = new COptionUI;
            row->SetName(L"row");
            row->SetGroup(L"rows");
            row->SetFixedHeight(20);
            rows->Add(row);
        }
        // Still on the stack of its own click: alive, out of the tree and its name.
        EXPECT_NE(pm->FindControl(L"row"), msg.pSender);
        if (rebuilds > 1) return;
        EXPECT_FALSE(firstFreed);
        // Messages handled while the handler runs (a modal box's loop) free nothing.
        MouseMove(*pm, POINT{1, 1});
        EXPECT_FALSE(firstFreed);
    };
    pm->AddNotifier(&log);
    ASSERT_TRUE(Click(*pm, L"row"));
    EXPECT_EQ(log.Lines(), std::vector<std::wstring>{L"click:row"});
    EXPECT_FALSE(firstFreed);
    MouseMove(*pm, POINT{2, 2});  // the next message after the click frees it
    EXPECT_TRUE(firstFreed);
    EXPECT_EQ(rows->GetCount(), 2);

    // Now an option row is clicked and its handler rebuilds again: the option goes on
    // with its own selection after the click without touching the new rows.
    LayOut(*pm, 100, 100);
    log.Clear();
    ASSERT_TRUE(Click(*pm, L"row"));
    EXPECT_EQ(log.Lines(), (std::vector<std::wstring>{L"click:row", L"selectchanged:row"}));
    EXPECT_EQ(rebuilds, 2);
    for (int i = 0; i < rows->GetCount(); ++i) {
        EXPECT_FALSE(static_cast<COptionUI*>(rows->GetItemAt(i))->IsSelected());
    }
}

// The same through real dispatch: the handler runs a nested loop (as a modal box does)
// over the windows' messages. The removed button, and a row the handler removed from
// another window, die only after the click returned.
TEST(ControlsNotifyTest, RemovedControlsOutliveANestedLoop) {
    static std::map<HWND, CPaintManagerUI*> s_managers;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpszClassName = L"DuiNotifyTestWindow";
    wc.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        LRESULT result = 0;
        auto it = s_managers.find(hwnd);
        if (it != s_managers.end() && it->second->MessageHandler(message, wParam, lParam, result)) return result;
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    };
    ::RegisterClassExW(&wc);
    struct Window {
        HWND hwnd = 0;
        std::unique_ptr<CPaintManagerUI> pm;
        CContainerUI* rows = nullptr;
        bool freed = false;
    };
    Window windows[2];
    for (Window& w : windows) {
        w.hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 100, 100, 0, nullptr, nullptr, nullptr);
        ASSERT_NE(w.hwnd, 0u);
        w.pm = BuildManager(LR"(<Window><VerticalLayout name="rows"/></Window>)", 100, 100);
        w.pm->Init(w.hwnd);
        s_managers[w.hwnd] = w.pm.get();
        w.rows = static_cast<CContainerUI*>(w.pm->GetRoot()->GetInterface(L"Container"));
        auto* button = new CRecordingButton(&w.freed);
        button->SetName(L"row");
        button->SetFixedHeight(20);
        w.rows->Add(button);
        LayOut(*w.pm, 100, 100);
    }
    auto pump = [] {
        MSG msg{};
        while (::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    };
    pump();
    CRecordingNotifier log;
    bool freedDuringLoop = true;
    log.onNotify = [&](TNotifyUI&) {
        for (Window& w : windows) {
            w.rows->RemoveAll();
            ::PostMessageW(w.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 50));
        }
        pump();  // the nested loop, one dispatch deeper
        freedDuringLoop = windows[0].freed || windows[1].freed;
    };
    windows[0].pm->AddNotifier(&log);
    const POINT centre = CentreOf(windows[0].rows->GetItemAt(0)->GetPos());
    for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}) {
        const MSG msg{windows[0].hwnd, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                      MAKELPARAM(centre.x, centre.y), 0, {}};
        ::DispatchMessageW(&msg);
    }
    EXPECT_EQ(log.Lines(), std::vector<std::wstring>{L"click:row"});
    EXPECT_FALSE(freedDuringLoop);
    // The loop the click came from goes on: our own message brings the free about.
    pump();
    EXPECT_TRUE(windows[0].freed);
    for (Window& w : windows) {
        ::PostMessageW(w.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(6, 50));
    }
    pump();
    EXPECT_TRUE(windows[1].freed);
    for (Window& w : windows) {
        s_managers.erase(w.hwnd);
        ::DestroyWindow(w.hwnd);
    }
}

}  // namespace
}  // namespace DuiLib::test
