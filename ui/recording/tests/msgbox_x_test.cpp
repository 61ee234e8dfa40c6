// The message box on Xvfb (no window manager), driven with xdotool from a driver thread
// while ShowMessageBox runs its modal loop on the main thread: found by its WM_CLASS,
// clicked and keyed, its owner deaf to clicks meanwhile but still answering another
// process, and a picture of it kept as an artefact.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/controls/rich_edit.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/control_on_screen.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/gdi/dib_section.h"
#include "platform/screen/screen_connection.h"
#include "platform/screen/screen_grab.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"
#include "ui/base/window_impl_base_impl.h"
#include "ui/recording/msgbox/ui_msg_box.h"

namespace {

using DuiLib::test::WaitUntil;
using DuiLib::test::Xdotool;

std::string Num(long v) { return std::to_string(v); }

// The owner: a big button where the box does not cover it, and an answer to a
// registered message another process sends.
class COwnerWindow : public DuiLib::WindowImplBaseImpl {
public:
    const wchar_t* GetWindowClassName() const override { return L"MsgBoxTestOwner"; }
    DuiLib::CDuiString GetSkinFile() override {
        return L"<Window size=\"600,400\"><VerticalLayout bkcolor=\"#FFDDDDDD\" inset=\"10,10,10,10\">"
               L"<Button name=\"btnOwner\" width=\"100\" height=\"50\" bkcolor=\"#FF888888\"/><Control/>"
               L"</VerticalLayout></Window>";
    }
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM, LPARAM, BOOL& bHandled) override {
        if (uMsg == ping && ping != 0) {
            bHandled = TRUE;
            return 42;
        }
        return 0;
    }
    void OnClick(DuiLib::TNotifyUI&) override { ++clicks; }
    UINT ping = ::RegisterWindowMessageW(L"ZOVI_TEST_PING");
    int clicks = 0;
};

struct MsgBoxXTest : testing::Test {
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
        DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
        TolkaSetLang(TolkaLangEnglish);
        hook = std::make_unique<DuiLib::test::CUiThreadHook>();
        ASSERT_NE(owner.Create(0, L"", DuiLib::UI_WNDSTYLE_DIALOG & ~WS_VISIBLE, 0, 100, 100, 0, 0), 0u);
        owner.ShowWindow(true, true);
    }
    void TearDown() override {
        if (::IsWindow(owner)) ::DestroyWindow(owner);
        hook.reset();
    }
    // The box's window once it is on screen (0 when it did not come).
    HWND WaitForBox() {
        return DuiLib::test::WaitForWindowOfClass("UIMsgBox");
    }
    // Runs the driver on its own thread; a driver that failed leaves no box open behind it
    // (the modal loop on the main thread would wait for ever).
    std::thread Drive(std::function<void()> body) {
        return std::thread([this, body] {
            body();
            if (!HasFailure()) return;
            hook->Run([] {
                if (const HWND left = ::FindWindowW(L"UIMsgBox", nullptr)) ::PostMessageW(left, WM_CLOSE, 99, 0);
            });
        });
    }
    // The screen centre of a named control of the box.
    POINT CentreOf(HWND box, const wchar_t* name) {
        return DuiLib::test::ControlCentreOnScreen(*hook, box, name);
    }

    std::unique_ptr<DuiLib::test::CUiThreadHook> hook;
    COwnerWindow owner;
};

TEST_F(MsgBoxXTest, OkByTheMouseWhileTheOwnerIgnoresClicksButAnswersAnotherProcess) {
    const std::wstring text = L"录制已停止，文件已保存。\r\nThe recording stopped and the file was saved.";
    std::string peerOutput;
    std::thread driver = Drive([&] {
        const HWND box = WaitForBox();
        ASSERT_NE(box, 0u);
        // The first frame: the white title bar and the grey button bar are on screen.
        auto connection = zovi::platform::CScreenConnection::Open();
        ASSERT_TRUE(connection);
        const bool painted = WaitUntil([&] {
            auto picture = zovi::platform::GrabWindow(*connection, box);
            return picture && picture->Width() == 340 && (picture->PixelAt(250, 12) & 0xFFFFFF) == 0xFFFFFF &&
                   (picture->PixelAt(170, 160) & 0xFFFFFF) == 0xF0F0F0;
        });
        const std::string artefacts = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
        std::filesystem::create_directories(artefacts);
        EXPECT_TRUE(DuiLib::test::SaveWindowPng(box, artefacts + "/msgbox_ok.png"));
        EXPECT_TRUE(painted);

        // Centred over its owner (600 x 400 at 100, 100), with the program icon.
        RECT rc{};
        ASSERT_TRUE(DuiLib::test::XGeometry(box, &rc));
        EXPECT_EQ(rc.left, 230);
        EXPECT_EQ(rc.top, 210);
        std::string icon;
        EXPECT_TRUE(DuiLib::test::RunTool({"xprop", "-id", std::to_string(box), "_NET_WM_ICON"}, &icon));
        for (const char* size : {"16 x 16", "32 x 32", "48 x 48", "64 x 64", "128 x 128"}) {
            EXPECT_NE(icon.find(size), std::string::npos) << size;
        }

        // Another process's send to the owner is answered while the box runs.
        EXPECT_TRUE(DuiLib::test::RunTool(
            {std::string(ZOVI_TEST_BIN_DIR) + "/window_send_peer", "MsgBoxTestOwner", "ZOVI_TEST_PING"}, &peerOutput));

        // A click on the owner's button goes nowhere; then OK.
        Xdotool({"mousemove", "160", "135", "click", "1"});
        const POINT ok = CentreOf(box, L"btnOK");
        ASSERT_GE(ok.x, 0);
        Xdotool({"mousemove", Num(ok.x), Num(ok.y), "click", "1"});
    });
    const UINT result = DuiLib::CUIMsgBox::ShowMessageBox(text.c_str(), L"Zovi录屏 提示", owner);
    driver.join();
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(peerOutput, "result 42\n");
    EXPECT_EQ(owner.clicks, 0);
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

TEST_F(MsgBoxXTest, ALongTextShowsAScrollBarAndTheWheelScrollsIt) {
    std::wstring text;
    for (int i = 0; i < 4; ++i) {
        text += L"录制已停止，因为磁盘空间不足。The recording stopped because the disk is full; free some space "
                L"or choose another folder in the settings.\r\n";
    }
    std::thread driver = Drive([&] {
        const HWND box = WaitForBox();
        ASSERT_NE(box, 0u);
        // The text view's scroll state, read on the UI thread.
        auto scroll = [&](bool* barShown) {
            return hook
                ->Call([box, barShown] {
                    auto* window = dynamic_cast<DuiLib::WindowImplBase*>(DuiLib::CWindowWnd::FromHandle(box));
                    DuiLib::CControlUI* control = window ? window->GetPaintManager().FindControl(L"text") : nullptr;
                    auto* view = control ? static_cast<DuiLib::CRichEditUI*>(control->GetInterface(L"RichEdit")) : nullptr;
                    if (!view) return -1;
                    *barShown = view->GetVerticalScrollBar() && view->GetVerticalScrollBar()->IsVisible();
                    return static_cast<int>(view->GetScrollPos().cy);
                })
                .value_or(-1);
        };
        bool barShown = false;
        ASSERT_TRUE(WaitUntil([&] { return scroll(&barShown) == 0 && barShown; }));
        auto connection = zovi::platform::CScreenConnection::Open();
        ASSERT_TRUE(connection);
        // Painted: the grey thumb at the top of the bar, right of the text.
        const POINT centre = CentreOf(box, L"text");
        const bool painted = WaitUntil([&] {
            auto picture = zovi::platform::GrabWindow(*connection, box);
            return picture && (picture->PixelAt(250, 12) & 0xFFFFFF) == 0xFFFFFF &&
                   (picture->PixelAt(340 - 1 - 10 - 4, 40 + 10 + 5) & 0xFFFFFF) == 0xC1C1C1;
        });
        EXPECT_TRUE(painted);
        // Two notches towards the user (button 5) over the text.
        Xdotool({"mousemove", Num(centre.x), Num(centre.y), "click", "--repeat", "2", "5"});
        EXPECT_TRUE(WaitUntil([&] { return scroll(&barShown) != 0; }));
        EXPECT_GT(scroll(&barShown), 0);
        const std::string artefacts = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
        std::filesystem::create_directories(artefacts);
        // The new position is on screen once the thumb has left the top of the bar.
        EXPECT_TRUE(WaitUntil([&] {
            auto picture = zovi::platform::GrabWindow(*connection, box);
            return picture && (picture->PixelAt(340 - 1 - 10 - 4, 40 + 10 + 3) & 0xFFFFFF) != 0xC1C1C1;
        }));
        EXPECT_TRUE(DuiLib::test::SaveWindowPng(box, artefacts + "/msgbox_long_scrolled.png"));
        const POINT ok = CentreOf(box, L"btnOK");
        ASSERT_GE(ok.x, 0);
        Xdotool({"mousemove", Num(ok.x), Num(ok.y), "click", "1"});
    });
    const UINT result = DuiLib::CUIMsgBox::ShowMessageBox(text.c_str(), L"Zovi录屏 提示", owner);
    driver.join();
    EXPECT_EQ(result, IDOK);
}

TEST_F(MsgBoxXTest, EscapeFromTheKeyboardCancels) {
    std::thread driver = Drive([&] {
        const HWND box = WaitForBox();
        ASSERT_NE(box, 0u);
        ASSERT_TRUE(hook->WaitFor([box] { return ::GetFocus() == box; }));
        Xdotool({"key", "Escape"});
    });
    const UINT result = DuiLib::CUIMsgBox::ShowMessageBox(L"Escape cancels.", L"Title", owner);
    driver.join();
    EXPECT_EQ(result, IDCANCEL);
    // The owner has the focus back and takes clicks again.
    hook->RunWithDriver([&] {
        EXPECT_TRUE(hook->WaitFor([&] { return ::GetFocus() == owner.GetHWND(); }));
        Xdotool({"mousemove", "160", "135", "click", "1"});
        EXPECT_TRUE(hook->WaitFor([&] { return owner.clicks == 1; }));
    });
}

}  // namespace
