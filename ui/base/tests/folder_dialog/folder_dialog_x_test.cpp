// The folder chooser on Xvfb (no window manager), driven with xdotool from a driver thread
// while BrowseForFolder runs its modal loop on the main thread, in a temporary home:
// rows clicked, "..", two new folders, a typed path with Enter, OK; and Escape. Pictures
// of the dialog are kept as artefacts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/control_on_screen.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/gdi/dib_section.h"
#include "platform/screen/screen_connection.h"
#include "platform/screen/screen_grab.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"
#include "ui/base/folder_dialog/browse_for_folder.h"
#include "ui/base/folder_dialog/ui_folder_dialog.h"
#include "ui/base/window_impl_base_impl.h"

namespace {

namespace fs = std::filesystem;
using DuiLib::test::WaitUntil;
using DuiLib::test::Xdotool;

std::string Num(long v) { return std::to_string(v); }

class COwnerWindow : public DuiLib::WindowImplBaseImpl {
public:
    const wchar_t* GetWindowClassName() const override { return L"FolderDialogTestOwner"; }
    DuiLib::CDuiString GetSkinFile() override {
        return L"<Window size=\"700,500\"><VerticalLayout bkcolor=\"#FFDDDDDD\"/></Window>";
    }
};

struct FolderDialogXTest : testing::Test {
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
        DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
        TolkaSetLang(TolkaLangEnglish);
        char pattern[] = "/tmp/zovi-folder-dialog-x-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        home = pattern;
        for (const char* folder : {"alpha", "gamma/inner", "Music"}) fs::create_directories(home / folder);
        if (const char* old = std::getenv("HOME")) oldHome = old;
        setenv("HOME", home.c_str(), 1);
        hook = std::make_unique<DuiLib::test::CUiThreadHook>();
        ASSERT_NE(owner.Create(0, L"", DuiLib::UI_WNDSTYLE_DIALOG & ~WS_VISIBLE, 0, 50, 50, 0, 0), 0u);
        owner.ShowWindow(true, true);
    }
    void TearDown() override {
        if (::IsWindow(owner)) ::DestroyWindow(owner);
        hook.reset();
        setenv("HOME", oldHome.c_str(), 1);
        std::error_code error;
        fs::remove_all(home, error);
    }
    // The dialog once it is on screen: its grey bottom bar painted (0 when it did not come).
    HWND WaitForDialog() {
        const HWND dialog = DuiLib::test::WaitForWindowOfClass("UIFolderDialog");
        auto connection = zovi::platform::CScreenConnection::Open();
        if (!dialog || !connection) return 0;
        const bool painted = WaitUntil([&] {
            auto picture = zovi::platform::GrabWindow(*connection, dialog);
            return picture && picture->Height() == 420 && (picture->PixelAt(300, 410) & 0xFFFFFF) == 0xF0F0F0;
        });
        return painted ? dialog : 0;
    }
    std::thread Drive(std::function<void()> body) {
        return std::thread([this, body] {
            body();
            if (!HasFailure()) return;
            hook->Run([] {
                if (const HWND left = ::FindWindowW(L"UIFolderDialog", nullptr)) ::PostMessageW(left, WM_CLOSE, 99, 0);
            });
        });
    }
    POINT CentreOf(HWND dialog, const std::wstring& name) {
        return DuiLib::test::ControlCentreOnScreen(*hook, dialog, name.c_str());
    }
    // Clicks the named control once it exists (rows come and go as folders change).
    void ClickOn(HWND dialog, const std::wstring& name) {
        POINT pt{-1, -1};
        WaitUntil([&] {
            pt = CentreOf(dialog, name);
            return pt.x >= 0;
        });
        ASSERT_GE(pt.x, 0) << "no control " << std::string(name.begin(), name.end());
        Xdotool({"mousemove", Num(pt.x), Num(pt.y), "click", "1"});
    }
    bool CurrentIs(HWND dialog, const fs::path& folder) {
        const std::wstring expected(folder.native().begin(), folder.native().end());
        return hook->WaitFor([dialog, expected] {
            auto* window = dynamic_cast<DuiLib::CUIFolderDialog*>(DuiLib::CWindowWnd::FromHandle(dialog));
            return window && window->GetCurrentFolder() == expected;
        });
    }
    void SavePicture(HWND dialog, const std::string& name) {
        const std::string artefacts = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
        std::filesystem::create_directories(artefacts);
        EXPECT_TRUE(DuiLib::test::SaveWindowPng(dialog, artefacts + "/" + name + ".png"));
    }

    fs::path home;
    std::string oldHome = "/";
    std::unique_ptr<DuiLib::test::CUiThreadHook> hook;
    COwnerWindow owner;
};

TEST_F(FolderDialogXTest, RowsDotDotNewFoldersATypedPathAndOk) {
    std::thread driver = Drive([&] {
        const HWND dialog = WaitForDialog();
        ASSERT_NE(dialog, 0u);
        ASSERT_TRUE(CurrentIs(dialog, home));
        ClickOn(dialog, L"dir:gamma");
        ASSERT_TRUE(CurrentIs(dialog, home / "gamma"));
        ClickOn(dialog, L"dir:..");
        ASSERT_TRUE(CurrentIs(dialog, home));
        ClickOn(dialog, L"btnNewFolder");
        EXPECT_TRUE(WaitUntil([&] { return fs::is_directory(home / "New folder"); }));
        ClickOn(dialog, L"btnNewFolder");
        EXPECT_TRUE(WaitUntil([&] { return fs::is_directory(home / "New folder (2)"); }));
        ClickOn(dialog, L"dir:New folder (2)");  // its row is there once the list is rebuilt
        ASSERT_TRUE(CurrentIs(dialog, home / "New folder (2)"));
        SavePicture(dialog, "folder_dialog_x");
        // A typed path and Enter.
        ClickOn(dialog, L"path");
        Xdotool({"key", "ctrl+a", "BackSpace"});
        Xdotool({"type", "--delay", "20", (home / "gamma" / "inner").string() + "/"});
        Xdotool({"key", "Return"});
        ASSERT_TRUE(CurrentIs(dialog, home / "gamma" / "inner"));
        ClickOn(dialog, L"btnOK");
    });
    const auto result = DuiLib::BrowseForFolder(owner);
    driver.join();
    ASSERT_TRUE(result.has_value());
    const std::string inner = (home / "gamma/inner").string();
    EXPECT_EQ(*result, std::wstring(inner.begin(), inner.end()));
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

TEST_F(FolderDialogXTest, EscapeReturnsNothing) {
    std::thread driver = Drive([&] {
        const HWND dialog = WaitForDialog();
        ASSERT_NE(dialog, 0u);
        ASSERT_TRUE(hook->WaitFor([dialog] { return ::GetFocus() == dialog; }));
        ClickOn(dialog, L"dir:alpha");
        ASSERT_TRUE(CurrentIs(dialog, home / "alpha"));
        Xdotool({"key", "Escape"});
    });
    const auto result = DuiLib::BrowseForFolder(owner);
    driver.join();
    EXPECT_EQ(result, std::nullopt);
}

}  // namespace
