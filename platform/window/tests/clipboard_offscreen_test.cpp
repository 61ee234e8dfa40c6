// The clipboard of offscreen windows (no X server): one per process, so the edits' copy
// and paste work in tests without a display; answers come from the message loop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "platform/window/clipboard.h"
#include "platform/window/present.h"
#include "platform/window/window.h"

namespace {

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND MakeWindow() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = L"ZoviClipboardOffscreenTest";
        return RegisterClassExW(&wc) != 0;
    }();
    if (!registered) return 0;
    return CreateWindowExW(0, L"ZoviClipboardOffscreenTest", L"", WS_POPUP, 0, 0, 100, 50, 0, nullptr, nullptr,
                           nullptr);
}

// Dispatches until `done` (bounded, so a missing answer fails instead of hanging).
bool PumpUntil(const std::optional<std::optional<std::wstring>>& done) {
    MSG msg;
    // The answer's timer keeps the loop awake until it runs.
    for (int i = 0; i < 1000 && !done; ++i) {
        if (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        else WaitMessage();
    }
    return done.has_value();
}

TEST(ClipboardOffscreenTest, CopyThenPasteWithinTheProcess) {
    unsetenv("DISPLAY");
    zovi::platform::UseOffscreenWindows();
    const HWND copier = MakeWindow(), paster = MakeWindow();
    ASSERT_NE(copier, 0u);
    ASSERT_NE(paster, 0u);

    std::optional<std::optional<std::wstring>> pasted;
    auto into = [&pasted](std::optional<std::wstring> text) { pasted = std::move(text); };
    // Nothing copied yet: nothing, and only from the loop.
    ASSERT_TRUE(zovi::platform::RequestClipboardText(paster, into));
    EXPECT_FALSE(pasted.has_value());
    ASSERT_TRUE(PumpUntil(pasted));
    EXPECT_EQ(*pasted, std::nullopt);

    ASSERT_TRUE(zovi::platform::SetClipboardText(copier, L"录屏 text"));
    ASSERT_TRUE(zovi::platform::SetPrimarySelectionText(copier, L"primary only"));
    pasted.reset();
    ASSERT_TRUE(zovi::platform::RequestClipboardText(paster, into));
    ASSERT_TRUE(PumpUntil(pasted));
    EXPECT_EQ(*pasted, std::optional<std::wstring>(L"录屏 text"));

    // A window that is gone can neither copy nor ask.
    DestroyWindow(copier);
    EXPECT_FALSE(zovi::platform::SetClipboardText(copier, L"late"));
    EXPECT_FALSE(zovi::platform::RequestClipboardText(copier, into));
    DestroyWindow(paster);
}

// UI threads share the clipboard: text copied by one thread's window is pasted by another's.
TEST(ClipboardOffscreenTest, CopyOnOneThreadPasteOnAnother) {
    unsetenv("DISPLAY");
    zovi::platform::UseOffscreenWindows();
    std::thread copier([] {
        const HWND hwnd = MakeWindow();
        ASSERT_NE(hwnd, 0u);
        for (int i = 0; i < 50; ++i) {
            EXPECT_TRUE(zovi::platform::SetClipboardText(hwnd, L"from thread " + std::to_wstring(i)));
        }
        DestroyWindow(hwnd);
    });
    const HWND paster = MakeWindow();
    ASSERT_NE(paster, 0u);
    for (int i = 0; i < 20; ++i) {
        std::optional<std::optional<std::wstring>> pasted;
        ASSERT_TRUE(zovi::platform::RequestClipboardText(
            paster, [&](std::optional<std::wstring> text) { pasted = std::move(text); }));
        ASSERT_TRUE(PumpUntil(pasted));
        if (*pasted) {
            EXPECT_EQ(pasted->value().rfind(L"from thread ", 0), 0u);
        }
    }
    copier.join();
    std::optional<std::optional<std::wstring>> last;
    ASSERT_TRUE(
        zovi::platform::RequestClipboardText(paster, [&](std::optional<std::wstring> text) { last = std::move(text); }));
    ASSERT_TRUE(PumpUntil(last));
    EXPECT_EQ(*last, std::optional<std::wstring>(L"from thread 49"));
    DestroyWindow(paster);
}

}  // namespace
