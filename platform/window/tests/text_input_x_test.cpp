// Text input and the clipboard on the test X server (no window manager): keys typed with
// XTest become WM_KEYDOWN and WM_CHAR (non-ASCII and CJK text included), top-level windows
// get an input context, and the CLIPBOARD selection works both ways with another client
// (xclip), with paste requests that end cleanly when nobody answers.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/process/process.h"
#include "platform/window/clipboard.h"
#include "platform/window/text_input.h"
#include "platform/window/window.h"
#include "platform/x11/x11_init.h"

namespace {

using zovi::platform::ChildProcess;

std::vector<MSG>& Log() {
    static std::vector<MSG> log;
    return log;
}

LRESULT RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_CHAR || message == WM_SETFOCUS) {
        Log().push_back(MSG{hwnd, message, wParam, lParam, 0, {}});
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const wchar_t* TestClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = L"ZoviTextInputTest";
        return RegisterClassExW(&wc) != 0;
    }();
    return registered ? L"ZoviTextInputTest" : nullptr;
}

// Dispatches (with translation, as the program's loops do) until `done` holds; false
// after 10 s.
bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    MSG msg;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return true;
}

std::wstring Characters(HWND hwnd) {
    std::wstring out;
    for (const MSG& m : Log()) {
        if (m.hwnd == hwnd && m.message == WM_CHAR) out += static_cast<wchar_t>(m.wParam);
    }
    return out;
}

class TextInputXTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "needs an X server";
        Log().clear();
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr);
        errorsBefore_ = zovi::platform::x11::UntrappedErrorCount();
    }
    void TearDown() override {
        for (auto& child : children_) {
            if (!child->HasExited()) {
                child->Kill(9);
                child->Wait(5000);
            }
        }
        for (HWND hwnd : made_) {
            if (IsWindow(hwnd)) DestroyWindow(hwnd);
        }
        if (!display_) return;
        if (!remapped_.empty()) {
            for (KeyCode code : remapped_) {
                KeySym none = NoSymbol;
                XChangeKeyboardMapping(display_, code, 1, &none, 1);
            }
            XSync(display_, False);
        }
        EXPECT_EQ(zovi::platform::x11::UntrappedErrorCount(), errorsBefore_);
        XCloseDisplay(display_);
    }

    HWND Make(DWORD exStyle = 0) {
        const HWND hwnd = CreateWindowExW(exStyle, TestClass(), L"text input", WS_POPUP, 40, 40, 200, 100, 0, nullptr,
                                          nullptr, nullptr);
        if (hwnd) {
            made_.push_back(hwnd);
            XSync(zovi::platform::WindowDisplay(hwnd), False);
        }
        return hwnd;
    }

    // Shown, viewable, and holding the keyboard focus (no window manager gives it).
    void ShowFocused(HWND hwnd) {
        ShowWindow(hwnd, SW_SHOWNA);
        ASSERT_TRUE(PumpUntil([&] {
            XWindowAttributes attributes{};
            XGetWindowAttributes(display_, hwnd, &attributes);
            return attributes.map_state == IsViewable;
        }));
        XSetInputFocus(display_, hwnd, RevertToParent, CurrentTime);
        XSync(display_, False);
        ASSERT_TRUE(PumpUntil([&] { return GetFocus() == hwnd; }));
    }

    // Puts `keysyms` on keycodes that carry nothing, so that xdotool types them without
    // remapping a keycode on the fly (a remap it reverts at once, before we read it).
    void PreMap(const std::vector<KeySym>& keysyms) {
        int minCode = 0, maxCode = 0, perCode = 0;
        XDisplayKeycodes(display_, &minCode, &maxCode);
        KeySym* map = XGetKeyboardMapping(display_, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perCode);
        ASSERT_NE(map, nullptr);
        size_t next = 0;
        for (int code = maxCode; code >= minCode && next < keysyms.size(); --code) {
            bool empty = true;
            for (int i = 0; i < perCode; ++i) empty &= map[(code - minCode) * perCode + i] == NoSymbol;
            if (!empty) continue;
            KeySym sym = keysyms[next++];
            XChangeKeyboardMapping(display_, code, 1, &sym, 1);
            remapped_.push_back(static_cast<KeyCode>(code));
        }
        XFree(map);
        ASSERT_EQ(next, keysyms.size()) << "not enough empty keycodes";
        XSync(display_, False);
    }

    ChildProcess* Start(const std::vector<std::string>& argv, ChildProcess::Options options = {}) {
        auto child = ChildProcess::Start(argv, options);
        if (!child) return nullptr;
        children_.push_back(std::move(child));
        return children_.back().get();
    }

    // Runs a command while our loop keeps serving the X server (the command may ask us
    // for the selection); its standard output.
    std::string RunServing(const std::vector<std::string>& argv) {
        ChildProcess::Options options;
        options.pipeStdout = true;
        ChildProcess* child = Start(argv, options);
        if (!child) return "(not started)";
        std::string out;
        const bool ended = PumpUntil([&] {
            char buffer[4096];
            pollfd fd{child->StdoutFd(), POLLIN, 0};
            while (poll(&fd, 1, 0) > 0) {
                const ssize_t n = read(child->StdoutFd(), buffer, sizeof buffer);
                if (n <= 0) break;
                out.append(buffer, static_cast<size_t>(n));
            }
            return child->Wait(0);
        });
        EXPECT_TRUE(ended) << argv[0];
        return out;
    }

    Display* display_ = nullptr;
    unsigned long errorsBefore_ = 0;
    std::vector<HWND> made_;
    std::vector<KeyCode> remapped_;
    std::vector<std::unique_ptr<ChildProcess>> children_;
};

// Whether this process can open an input method at all (the same steps the layer takes).
bool InputMethodAvailable(Display* display) {
    std::setlocale(LC_CTYPE, "");
    if (!XSupportsLocale()) return false;
    XSetLocaleModifiers("");
    XIM im = XOpenIM(display, nullptr, nullptr, nullptr);
    if (!im) {
        XSetLocaleModifiers("@im=none");
        im = XOpenIM(display, nullptr, nullptr, nullptr);
    }
    if (!im) return false;
    XCloseIM(im);
    return true;
}

TEST_F(TextInputXTest, TypedTextArrivesAsKeysAndCharacters) {
    PreMap({XStringToKeysym("eacute"), 0x1005F55 /* 录 */, 0x1005C4F /* 屏 */});
    // A top-level window decodes through its input context; a pop-up that never takes the
    // keyboard by itself has none, and decodes with the keyboard map alone.
    for (const DWORD exStyle : {DWORD{0}, DWORD{WS_EX_NOACTIVATE}}) {
        SCOPED_TRACE(exStyle);
        Log().clear();
        const HWND hwnd = Make(exStyle);
        ASSERT_NE(hwnd, 0u);
        if (exStyle) {
            EXPECT_FALSE(zovi::platform::HasInputContext(hwnd));
        }
        ShowFocused(hwnd);
        const std::wstring expected = L"aZ1 ?é录屏";
        // xdotool reads its argument in the locale's encoding.
        ChildProcess* xdotool =
            Start({"/usr/bin/env", "LC_ALL=C.UTF-8", "/usr/bin/xdotool", "type", "--delay", "30", "aZ1 ?é录屏"});
        ASSERT_NE(xdotool, nullptr);
        EXPECT_TRUE(PumpUntil([&] { return Characters(hwnd).size() >= expected.size() && xdotool->Wait(0); }))
            << "got: " << testing::PrintToString(Characters(hwnd));
        EXPECT_EQ(Characters(hwnd), expected);
        // Keys of the keyboard map come as virtual keys first.
        std::vector<WPARAM> keys;
        for (const MSG& m : Log()) {
            if (m.message == WM_KEYDOWN && m.wParam != VK_SHIFT) keys.push_back(m.wParam);
        }
        const std::vector<WPARAM> expectedKeys{'A', 'Z', '1', VK_SPACE};
        ASSERT_GE(keys.size(), expectedKeys.size());
        EXPECT_EQ(std::vector<WPARAM>(keys.begin(), keys.begin() + 4), expectedKeys);
        DestroyWindow(hwnd);
    }
}

TEST_F(TextInputXTest, TopLevelWindowsHaveAnInputContext) {
    if (!InputMethodAvailable(display_)) GTEST_SKIP() << "no input method can be opened";
    const HWND top = Make();
    ASSERT_NE(top, 0u);
    const HWND child = CreateWindowExW(0, TestClass(), L"", WS_CHILD, 0, 0, 50, 20, top, nullptr, nullptr, nullptr);
    ASSERT_NE(child, 0u);
    EXPECT_TRUE(zovi::platform::HasInputContext(top));
    EXPECT_TRUE(zovi::platform::HasInputContext(child));  // its top-level's
    // Tooltips and drop-downs never take the keyboard: no context.
    const HWND tip = Make(WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT);
    ASSERT_NE(tip, 0u);
    EXPECT_FALSE(zovi::platform::HasInputContext(tip));
    EXPECT_FALSE(zovi::platform::HasInputContext(0));

    // Focus and caret for an edit of the child: accepted while the window is active and
    // while it is not, and typing still works with input-method focus on.
    zovi::platform::SetTextInputFocus(child, true);
    zovi::platform::SetTextInputCaret(child, POINT{10, 4}, 16);
    ShowFocused(top);
    zovi::platform::SetTextInputCaret(child, POINT{30, 4}, 16);
    ChildProcess* xdotool = Start({"/usr/bin/xdotool", "type", "--delay", "30", "ok"});
    ASSERT_NE(xdotool, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return Characters(top).size() >= 2 && xdotool->Wait(0); }));
    EXPECT_EQ(Characters(top), L"ok");
    zovi::platform::SetTextInputFocus(child, false);
    DestroyWindow(top);  // its context goes with it
    EXPECT_FALSE(zovi::platform::HasInputContext(top));
}

TEST_F(TextInputXTest, TextWeCopyIsReadByAnotherClient) {
    const HWND hwnd = Make();
    ASSERT_NE(hwnd, 0u);
    const std::wstring text = L"Zovi 录屏 é\nline 2";
    ASSERT_TRUE(zovi::platform::SetClipboardText(hwnd, text));
    EXPECT_EQ(RunServing({"/usr/bin/xclip", "-o", "-selection", "clipboard"}), "Zovi 录屏 é\nline 2");
    const std::string targets = RunServing({"/usr/bin/xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"});
    EXPECT_NE(targets.find("UTF8_STRING"), std::string::npos) << targets;
    ASSERT_TRUE(zovi::platform::SetPrimarySelectionText(hwnd, L"primary 文字"));
    EXPECT_EQ(RunServing({"/usr/bin/xclip", "-o", "-selection", "primary"}), "primary 文字");
    // Our own paste reads it back through the server as well.
    std::optional<std::optional<std::wstring>> pasted;
    ASSERT_TRUE(zovi::platform::RequestClipboardText(hwnd, [&](std::optional<std::wstring> got) { pasted = got; }));
    ASSERT_TRUE(PumpUntil([&] { return pasted.has_value(); }));
    EXPECT_EQ(*pasted, std::optional<std::wstring>(text));
}

TEST_F(TextInputXTest, TextAnotherClientCopiedIsPasted) {
    const HWND hwnd = Make();
    ASSERT_NE(hwnd, 0u);
    const Atom clipboard = XInternAtom(display_, "CLIPBOARD", False);
    // An earlier owner (another test's xclip) may still hold the selection: wait for the new one.
    const Window before = XGetSelectionOwner(display_, clipboard);
    ChildProcess::Options options;
    options.pipeStdin = true;
    // In the foreground, serving one request.
    ChildProcess* xclip = Start({"/usr/bin/xclip", "-quiet", "-loops", "1", "-i", "-selection", "clipboard"}, options);
    ASSERT_NE(xclip, nullptr);
    const std::string text = "从 xclip 来的 text";
    ASSERT_EQ(write(xclip->StdinFd(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
    xclip->CloseStdin();
    ASSERT_TRUE(PumpUntil([&] {
        const Window owner = XGetSelectionOwner(display_, clipboard);
        return owner != None && owner != before;
    }));
    std::optional<std::optional<std::wstring>> pasted;
    ASSERT_TRUE(zovi::platform::RequestClipboardText(hwnd, [&](std::optional<std::wstring> got) { pasted = got; }));
    ASSERT_TRUE(PumpUntil([&] { return pasted.has_value(); }));
    EXPECT_EQ(*pasted, std::optional<std::wstring>(L"从 xclip 来的 text"));
}

TEST_F(TextInputXTest, PasteWithoutAnAnswerEndsWithNothing) {
    const Atom clipboard = XInternAtom(display_, "CLIPBOARD", False);
    // Nobody owns the clipboard: nothing, from the loop, not at once.
    const HWND alive = Make();
    ASSERT_NE(alive, 0u);
    XSetSelectionOwner(display_, clipboard, None, CurrentTime);
    XSync(display_, False);
    int calls = 0;
    std::optional<std::wstring> got = L"unset";
    ASSERT_TRUE(zovi::platform::RequestClipboardText(alive, [&](std::optional<std::wstring> text) {
        ++calls;
        got = std::move(text);
    }));
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(PumpUntil([&] { return calls == 1; }));
    EXPECT_EQ(got, std::nullopt);

    // An owner that never answers (a window of another connection): the requester that
    // stays gets nothing after the timeout; one destroyed meanwhile gets nothing, or is
    // never called back, and nothing breaks.
    const Window silent = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display_, clipboard, silent, CurrentTime);
    XSync(display_, False);
    const HWND doomed = Make();
    ASSERT_NE(doomed, 0u);
    calls = 0;
    got = L"unset";
    int doomedCalls = 0;
    std::optional<std::wstring> doomedGot = L"unset";
    ASSERT_TRUE(zovi::platform::RequestClipboardText(doomed, [&](std::optional<std::wstring> text) {
        ++doomedCalls;
        doomedGot = std::move(text);
    }));
    ASSERT_TRUE(zovi::platform::RequestClipboardText(alive, [&](std::optional<std::wstring> text) {
        ++calls;
        got = std::move(text);
    }));
    DestroyWindow(doomed);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil([&] { return calls == 1; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));  // the timeout, not at once
    EXPECT_EQ(got, std::nullopt);
    EXPECT_LE(doomedCalls, 1);
    if (doomedCalls == 1) {
        EXPECT_EQ(doomedGot, std::nullopt);
    }
    // A handle that is not a window cannot ask.
    EXPECT_FALSE(zovi::platform::RequestClipboardText(doomed, [](std::optional<std::wstring>) {}));
    XDestroyWindow(display_, silent);
}

}  // namespace
