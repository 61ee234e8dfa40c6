// Edits in a real window on Xvfb, driven with XTest (xdotool) and another X client's
// clipboard (xclip): typed ASCII lands with one "textchanged" per character, a paste
// lands after Ctrl+V, a number-only edit refuses a pasted "12a". A screenshot of a small
// dialog of edits is kept as a PNG artefact.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/duilib/controls/edit.h"
#include "platform/duilib/test/recording_notifier.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/duilib/tests/window_test_window.h"
#include "platform/window/clipboard.h"
#include "platform/window/window.h"

namespace DuiLib::test {
namespace {

constexpr DWORD kDialog = UI_WNDSTYLE_DIALOG & ~WS_VISIBLE;

const wchar_t* const kLayout =
    L"<Window size=\"360,260\" bkcolor=\"#FFFFFFFF\"><VerticalLayout inset=\"12,12,12,12\" childpadding=\"8\">"
    L"<Edit name=\"E\" height=\"30\" font=\"2\" tipvalue=\"Type here\"/>"
    L"<Edit name=\"N\" height=\"30\" font=\"2\" numberonly=\"true\" tipvalue=\"Digits only 数字\"/>"
    L"<Edit name=\"P\" height=\"30\" font=\"2\" password=\"true\"/>"
    L"<Edit name=\"C\" height=\"30\" font=\"2\"/>"
    L"<Edit name=\"S\" height=\"30\" font=\"2\"/>"
    L"<Control/></VerticalLayout></Window>";

std::string Num(long v) { return std::to_string(v); }

struct EditXTest : testing::Test {
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
        hook = std::make_unique<CUiThreadHook>();
        ASSERT_NE(window.Create(0, L"", kDialog, 0, 100, 100, 0, 0), 0u);
        window.ShowWindow(true, true);
        window.GetPaintManager().AddNotifier(&log);
        ASSERT_TRUE(WaitMapped());
    }
    void TearDown() override {
        if (::IsWindow(window)) {
            window.GetPaintManager().RemoveNotifier(&log);
            ::DestroyWindow(window);
        }
        hook.reset();
    }
    bool WaitMapped() {
        RECT rc{};
        for (int i = 0; i < 500; ++i) {
            if (XGeometry(window, &rc) && rc.right - rc.left == 360) return true;
            MSG msg{};
            while (::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    CEditUI* Edit(const wchar_t* name) { return static_cast<CEditUI*>(window.Find(name)->GetInterface(L"Edit")); }
    // From the driver thread: a click in the middle of the edit, until it has focus.
    void ClickEdit(const wchar_t* name) {
        const auto centre = hook->Call([&] {
                                      RECT rc = Edit(name)->GetPos();
                                      POINT pt{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
                                      ::ClientToScreen(window, &pt);
                                      return pt;
                                  })
                                .value_or(POINT{});
        Xdotool({"mousemove", Num(centre.x), Num(centre.y), "click", "1"});
        ASSERT_TRUE(hook->WaitFor([&] { return Edit(name)->IsFocused(); }));
    }
    std::wstring TextOf(const wchar_t* name) {
        return hook->Call([&] { return Edit(name)->GetText().str(); }).value_or(L"(no answer)");
    }
    size_t ChangesOf(const std::wstring& name) {
        return hook
            ->Call([&] {
                size_t n = 0;
                for (const auto& e : log.entries) n += e.type == L"textchanged" && e.sender == name;
                return n;
            })
            .value_or(0);
    }
    // Another X client owns the clipboard with `text` (xclip stays until the server goes).
    bool OfferClipboard(const std::string& text) {
        const std::string path = std::string(ZOVI_TEST_BIN_DIR) + "/edit_x_clip.txt";
        std::ofstream(path, std::ios::binary) << text;
        // Through a shell only to send xclip's output away: it stays in the background
        // with the output it inherited, and RunTool reads until that closes.
        return RunTool({"sh", "-c", "xclip -selection clipboard -i '" + path + "' >/dev/null 2>&1"});
    }
    // Waits until a clipboard request made now is answered: the X server and the owner
    // keep the order, so every earlier request (the edit's paste) was answered before.
    bool ClipboardSettled() {
        auto answered = std::make_shared<std::atomic<bool>>(false);
        hook->Run([&, answered] {
            zovi::platform::RequestClipboardText(window, [answered](std::optional<std::wstring>) { *answered = true; });
        });
        return hook->WaitFor([answered] { return answered->load(); });
    }

    std::unique_ptr<CUiThreadHook> hook;
    CTestWindow window{kLayout, L"DuiEditXTest"};
    CRecordingNotifier log;
};

TEST_F(EditXTest, TypedAsciiLandsWithOneChangePerCharacter) {
    hook->RunWithDriver([&] {
        ClickEdit(L"E");
        const std::string typed = "Hello, World 2026! a.b@c-d_e";
        Xdotool({"type", "--delay", "20", typed});
        const std::wstring expected(typed.begin(), typed.end());
        ASSERT_TRUE(hook->WaitFor([&] { return Edit(L"E")->GetText().str() == expected; })) << "got " << testing::PrintToString(TextOf(L"E"));
        EXPECT_EQ(ChangesOf(L"E"), typed.size());
        // Backspace removes one character with one more change.
        Xdotool({"key", "BackSpace"});
        ASSERT_TRUE(hook->WaitFor([&] { return Edit(L"E")->GetText().GetLength() == static_cast<int>(typed.size() - 1); }));
        EXPECT_EQ(ChangesOf(L"E"), typed.size() + 1);
    });
}

TEST_F(EditXTest, PasteFromAnotherClientLandsAndNumberOnlyRefusesLetters) {
    hook->RunWithDriver([&] {
        ASSERT_TRUE(OfferClipboard("pasted 粘贴"));
        ClickEdit(L"E");
        Xdotool({"key", "ctrl+v"});
        ASSERT_TRUE(hook->WaitFor([&] { return Edit(L"E")->GetText().str() == L"pasted 粘贴"; })) << "got " << testing::PrintToString(TextOf(L"E"));
        EXPECT_EQ(ChangesOf(L"E"), 1u);

        ASSERT_TRUE(OfferClipboard("12a"));
        ClickEdit(L"N");
        Xdotool({"key", "ctrl+v"});
        ASSERT_TRUE(ClipboardSettled());
        EXPECT_EQ(TextOf(L"N"), L"");
        EXPECT_EQ(ChangesOf(L"N"), 0u);
        // Digits are taken.
        ASSERT_TRUE(OfferClipboard("1234"));
        Xdotool({"key", "ctrl+v"});
        ASSERT_TRUE(hook->WaitFor([&] { return Edit(L"N")->GetText().str() == L"1234"; }));
        EXPECT_EQ(ChangesOf(L"N"), 1u);
    });
}

TEST_F(EditXTest, DialogOfEditsScreenshot) {
    hook->RunWithDriver([&] {
        ClickEdit(L"S");
        hook->Run([&] {
            Edit(L"P")->SetText(L"secret");
            Edit(L"C")->SetText(L"录屏保存目录 Zovi录屏");
            Edit(L"S")->SetText(L"select these words");
            Edit(L"S")->SetSel(7, 18);
        });
        Xdotool({"type", "--delay", "20", "x"});  // typed over the selection
        ASSERT_TRUE(hook->WaitFor([&] { return Edit(L"S")->GetText().str() == L"select x"; }));
        Xdotool({"key", "shift+Left", "shift+Left", "shift+Left"});
        ASSERT_TRUE(hook->WaitFor([&] { return Edit(L"S")->GetSelText().str() == L"t x"; }));
        // What is on screen once the last paint went out.
        hook->Run([&] { ::UpdateWindow(window); });
        const std::filesystem::path dir = std::filesystem::path(ZOVI_TEST_BIN_DIR) / "artefacts";
        std::filesystem::create_directories(dir);
        EXPECT_TRUE(SaveWindowPng(window, (dir / "edit_x_dialog.png").string()));
    });
}

}  // namespace
}  // namespace DuiLib::test
