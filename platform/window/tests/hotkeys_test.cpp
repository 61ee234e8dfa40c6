// Global hotkeys on a private X server (hotkeys take keys of the whole display, and
// XTest presses reach every client): the keys and modifiers a hotkey grabs, delivery of
// WM_HOTKEY for each modifier mix and with the lock keys on, combinations another client
// holds, duplicates, release on unregistering and with the window, and one WM_HOTKEY per
// held key for MOD_NOREPEAT.
#include <gtest/gtest.h>

#include <X11/XF86keysym.h>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <stdlib.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <thread>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/window/hotkey_keys.h"
#include "platform/window/hotkey_repeat.h"
#include "platform/window/hotkeys.h"
#include "platform/window/window.h"
#include "platform/x11/testing/killable_x_server.h"
#include "platform/x11/x11_init.h"

namespace {

using namespace zovi::platform::window_detail;

// The test program's own X server, started by the first test that needs it.
class PrivateXServer : public ::testing::Environment {
public:
    static void Start() {
        if (server_) return;
        server_ = std::make_unique<zovi::test::CKillableXServer>();
        if (!server_->Name().empty()) setenv("DISPLAY", server_->Name().c_str(), 1);
    }
    void TearDown() override { server_.reset(); }

private:
    static inline std::unique_ptr<zovi::test::CKillableXServer> server_;
};
[[maybe_unused]] ::testing::Environment* const g_server = ::testing::AddGlobalTestEnvironment(new PrivateXServer);

struct Delivery {
    HWND hwnd;
    WPARAM id;
    LPARAM keys;
    bool operator==(const Delivery&) const = default;
};

std::vector<Delivery>& Delivered() {
    static std::vector<Delivery> log;
    return log;
}

LRESULT RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HOTKEY) Delivered().push_back({hwnd, wParam, lParam});
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const wchar_t* TestClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = L"ZoviHotkeysTest";
        return RegisterClassExW(&wc) != 0;
    }();
    return registered ? L"ZoviHotkeysTest" : nullptr;
}

// Dispatches until `done` holds; false after 10 s.
bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    MSG msg;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == 0 && msg.message == WM_HOTKEY) Delivered().push_back({0, msg.wParam, msg.lParam});
            DispatchMessageW(&msg);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return true;
}

TEST(HotkeyKeysTest, KeysOfTheHotkeyControlAndModifiersTranslate) {
    const struct {
        UINT virtualKey;
        KeySym keysym;
    } keys[] = {
        {'S', XK_s},           {'0', XK_0},
        {0x7B, XK_F12},        {0x87, XK_F24},
        {0x0D, XK_Return},     {0x21, XK_Prior},
        {0x5B, XK_Super_L},    {0x12, XK_Alt_L},
        {0x2C, XK_Print},      {0x13, XK_Pause},
        {0x60, XK_KP_0},       {0x6B, XK_KP_Add},
        {0xBA, XK_semicolon},  {0xBB, XK_equal},
        {0xC0, XK_grave},      {0xDE, XK_apostrophe},
        {0xAD, XF86XK_AudioMute}, {0xA6, XF86XK_Back},
        // No key on X: nothing, the mouse buttons, OEM8, Fn, a code above a byte.
        {0, NoSymbol},         {0x01, NoSymbol},
        {0xDF, NoSymbol},      {0xFF, NoSymbol},
        {0x153, NoSymbol},
    };
    for (const auto& key : keys) EXPECT_EQ(HotkeyKeysym(key.virtualKey), key.keysym) << std::hex << key.virtualKey;

    EXPECT_EQ(HotkeyModifierMask(MOD_CONTROL | MOD_ALT), unsigned(ControlMask | Mod1Mask));
    EXPECT_EQ(HotkeyModifierMask(MOD_WIN | MOD_SHIFT | MOD_NOREPEAT), unsigned(Mod4Mask | ShiftMask));
    EXPECT_EQ(HotkeyModifierMask(0), 0u);

    EXPECT_EQ(LockVariants(LockMask | Mod2Mask),
              (std::vector<unsigned>{0, LockMask, Mod2Mask, LockMask | Mod2Mask}));
    EXPECT_EQ(LockVariants(LockMask), (std::vector<unsigned>{0, LockMask}));
}

TEST(HotkeyRepeatTest, AHeldKeyFiresOnceWithNoRepeatAndOnEveryPressWithout) {
    CHotkeyRepeatFilter noRepeat(true), repeating(false);
    std::vector<bool> once, every;
    for (CHotkeyRepeatFilter* filter : {&noRepeat, &repeating}) {
        std::vector<bool>& fired = filter == &noRepeat ? once : every;
        // Held (three presses, one release), then pressed again.
        for (int i = 0; i < 3; ++i) fired.push_back(filter->Press());
        filter->Release();
        fired.push_back(filter->Press());
    }
    EXPECT_EQ(once, (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(every, (std::vector<bool>{true, true, true, true}));
}

class HotkeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        PrivateXServer::Start();
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "needs an X server";
        Delivered().clear();
        other_ = XOpenDisplay(nullptr);
        ASSERT_NE(other_, nullptr);
        // After other clients ended the focus may be None, which drops every key.
        XSetInputFocus(other_, PointerRoot, RevertToPointerRoot, CurrentTime);
        XSync(other_, False);
        hwnd_ = MakeWindow();
        ASSERT_NE(hwnd_, 0u);
    }
    void TearDown() override {
        for (HWND hwnd : made_) {
            if (IsWindow(hwnd)) DestroyWindow(hwnd);
        }
        if (!other_) return;
        for (auto& [code, keysyms] : remapped_) {
            XChangeKeyboardMapping(other_, code, static_cast<int>(keysyms.size()), keysyms.data(), 1);
        }
        XkbLockModifiers(other_, XkbUseCoreKbd, 0xFF, 0);  // CapsLock and NumLock off again
        XCloseDisplay(other_);
    }

    HWND MakeWindow() {
        const HWND hwnd =
            CreateWindowExW(0, TestClass(), L"hotkeys", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
        if (hwnd) made_.push_back(hwnd);
        return hwnd;
    }

    // Presses the keys in order and releases them in reverse, as a user does.
    void Type(std::initializer_list<KeySym> keys) {
        for (KeySym key : keys) XTestFakeKeyEvent(other_, Code(key), True, CurrentTime);
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) {
            XTestFakeKeyEvent(other_, Code(*it), False, CurrentTime);
        }
        XSync(other_, False);
    }
    KeyCode Code(KeySym key) {
        const KeyCode code = XKeysymToKeycode(other_, key);
        EXPECT_NE(code, 0) << XKeysymToString(key);
        return code;
    }

    bool WaitForDeliveries(size_t count) {
        return PumpUntil([&] { return Delivered().size() >= count; });
    }

    // Whether another client can grab the combination in this lock variant (it lets go
    // again at once).
    bool OtherCanGrab(KeySym key, unsigned mask) { return OtherCanGrabCode(Code(key), mask); }
    bool OtherCanGrabCode(KeyCode code, unsigned mask) {
        const Window root = DefaultRootWindow(other_);
        zovi::platform::x11::CXErrorTrap trap(other_);
        XGrabKey(other_, code, mask, root, False, GrabModeAsync, GrabModeAsync);
        if (trap.Failed()) return false;
        XUngrabKey(other_, code, mask, root);
        return true;
    }

    // Puts `key` alone on `code`, remembering what the code carried for the tear-down.
    void Remap(KeyCode code, KeySym key) {
        int perCode = 0;
        KeySym* old = XGetKeyboardMapping(other_, code, 1, &perCode);
        ASSERT_NE(old, nullptr);
        remapped_.push_back({code, std::vector<KeySym>(old, old + perCode)});
        XFree(old);
        XChangeKeyboardMapping(other_, code, 1, &key, 1);
        XSync(other_, False);
    }
    KeyCode EmptyKeycode() {
        int minCode = 0, maxCode = 0;
        XDisplayKeycodes(other_, &minCode, &maxCode);
        for (int code = maxCode; code >= minCode; --code) {
            int perCode = 0;
            KeySym* syms = XGetKeyboardMapping(other_, static_cast<KeyCode>(code), 1, &perCode);
            bool empty = true;
            for (int i = 0; syms && i < perCode; ++i) empty &= syms[i] == NoSymbol;
            if (syms) XFree(syms);
            if (empty) return static_cast<KeyCode>(code);
        }
        return 0;
    }
    std::vector<unsigned> Variants() { return LockVariants(LockModifierMask(other_)); }

    Display* other_ = nullptr;
    HWND hwnd_ = 0;
    std::vector<HWND> made_;
    std::vector<std::pair<KeyCode, std::vector<KeySym>>> remapped_;
};

struct Combination {
    UINT modifiers;
    UINT virtualKey;
    KeySym keysym;
    unsigned mask;
};

TEST_F(HotkeysTest, ACombinationIsGrabbedInEveryLockVariantUntilUnregistered) {
    const Combination combinations[] = {
        {MOD_CONTROL | MOD_ALT, 'S', XK_s, ControlMask | Mod1Mask},  // the value 0x353
        {MOD_WIN | MOD_SHIFT, 0x7B, XK_F12, Mod4Mask | ShiftMask},   // 0xC7B
        {MOD_ALT | MOD_NOREPEAT, 0x61, XK_KP_1, Mod1Mask},
        {MOD_CONTROL, 0xBA, XK_semicolon, ControlMask},
    };
    const std::vector<unsigned> variants = Variants();
    ASSERT_GE(variants.size(), 4u);  // CapsLock and NumLock at least
    int id = 1;
    for (const Combination& c : combinations) {
        SCOPED_TRACE(XKeysymToString(c.keysym));
        ASSERT_TRUE(RegisterHotKey(hwnd_, id++, c.modifiers, c.virtualKey));
        for (unsigned locks : variants) EXPECT_FALSE(OtherCanGrab(c.keysym, c.mask | locks));
        // The same key with other modifiers stays free.
        EXPECT_TRUE(OtherCanGrab(c.keysym, c.mask ^ ShiftMask));
    }
    for (int i = 1; i < id; ++i) EXPECT_TRUE(UnregisterHotKey(hwnd_, i));
    for (const Combination& c : combinations) {
        SCOPED_TRACE(XKeysymToString(c.keysym));
        for (unsigned locks : variants) EXPECT_TRUE(OtherCanGrab(c.keysym, c.mask | locks));
    }

    // Keys without an X key, and flags that are no modifiers.
    for (UINT virtualKey : {0u, 0x01u, 0xDFu, 0xFFu}) {
        SetLastError(0);
        EXPECT_FALSE(RegisterHotKey(hwnd_, 9, MOD_CONTROL | MOD_ALT, virtualKey)) << virtualKey;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    EXPECT_FALSE(RegisterHotKey(hwnd_, 9, 0x10, 'S'));
}

TEST_F(HotkeysTest, EachModifierMixArrivesAsItsHotkey) {
    const struct {
        int id;
        UINT modifiers;
        UINT virtualKey;
        std::initializer_list<KeySym> keys;
    } hotkeys[] = {
        {1, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, 'S', {XK_Control_L, XK_Alt_L, XK_s}},
        {2, MOD_WIN | MOD_SHIFT, 0x7B, {XK_Shift_L, XK_Super_L, XK_F12}},
        {3, MOD_SHIFT, 'A', {XK_Shift_R, XK_a}},
        {4, MOD_ALT, '1', {XK_Alt_L, XK_1}},
        {5, MOD_CONTROL | MOD_SHIFT | MOD_ALT | MOD_WIN, 0x74, {XK_Control_L, XK_Shift_L, XK_Alt_L, XK_Super_L, XK_F5}},
        {6, 0, 'Q', {XK_q}},
    };
    for (const auto& h : hotkeys) ASSERT_TRUE(RegisterHotKey(hwnd_, h.id, h.modifiers, h.virtualKey)) << h.id;
    ASSERT_TRUE(RegisterHotKey(0, 7, MOD_CONTROL, 'Z'));  // the thread's own, posted to its queue

    // Near misses first: none of them is a registered combination.
    Type({XK_Control_L, XK_s});
    Type({XK_Control_L, XK_Alt_L, XK_Shift_L, XK_s});
    Type({XK_Shift_L, XK_q});
    std::vector<Delivery> expected;
    for (const auto& h : hotkeys) {
        Type(h.keys);
        expected.push_back({hwnd_, WPARAM(h.id), MAKELPARAM(h.modifiers & 0xF, h.virtualKey)});
    }
    Type({XK_Control_L, XK_z});
    expected.push_back({0, 7, MAKELPARAM(MOD_CONTROL, 'Z')});
    const bool arrived = WaitForDeliveries(expected.size());
    EXPECT_TRUE(UnregisterHotKey(0, 7));
    ASSERT_TRUE(arrived);
    EXPECT_EQ(Delivered(), expected);
}

TEST_F(HotkeysTest, AHotkeyStillFiresWithCapsLockAndNumLockOn) {
    ASSERT_TRUE(RegisterHotKey(hwnd_, 7, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, 'S'));
    const std::initializer_list<KeySym> combination{XK_Control_L, XK_Alt_L, XK_s};
    // Caps, Caps and Num, Num alone.
    for (KeySym lock : {XK_Caps_Lock, XK_Num_Lock, XK_Caps_Lock}) {
        Type({lock});
        Type(combination);
    }
    ASSERT_TRUE(WaitForDeliveries(3));
    XkbStateRec keyboard{};
    XkbGetState(other_, XkbUseCoreKbd, &keyboard);
    EXPECT_NE(keyboard.locked_mods, 0) << "NumLock is on";
    for (const Delivery& d : Delivered()) EXPECT_EQ(d, (Delivery{hwnd_, 7, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'S')}));
}

TEST_F(HotkeysTest, ACombinationAnotherClientHoldsFailsAloneAndTheOthersWork) {
    const Window root = DefaultRootWindow(other_);
    XGrabKey(other_, Code(XK_p), ControlMask | Mod1Mask, root, False, GrabModeAsync, GrabModeAsync);
    XSync(other_, False);

    SetLastError(0);
    EXPECT_FALSE(RegisterHotKey(hwnd_, 33001, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, 'P'));
    EXPECT_EQ(GetLastError(), ERROR_HOTKEY_ALREADY_REGISTERED);
    // No lock variant of the failed registration stays grabbed.
    for (unsigned locks : Variants()) {
        if (locks != 0) {
            EXPECT_TRUE(OtherCanGrab(XK_p, ControlMask | Mod1Mask | locks));
        }
    }
    ASSERT_TRUE(RegisterHotKey(hwnd_, 33000, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, 'S'));
    Type({XK_Control_L, XK_Alt_L, XK_p});  // the other client's
    Type({XK_Control_L, XK_Alt_L, XK_s});
    ASSERT_TRUE(WaitForDeliveries(1));
    EXPECT_EQ(Delivered(), (std::vector<Delivery>{{hwnd_, 33000, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'S')}}));
}

TEST_F(HotkeysTest, AnIdOrCombinationHeldAlreadyFailsUntilUnregistered) {
    const HWND second = MakeWindow();
    ASSERT_NE(second, 0u);
    const UINT ctrlAlt = MOD_CONTROL | MOD_ALT;
    ASSERT_TRUE(RegisterHotKey(hwnd_, 1, ctrlAlt, 'S'));
    const struct {
        HWND hwnd;
        int id;
        UINT modifiers;
        UINT virtualKey;
    } held[] = {
        {hwnd_, 1, ctrlAlt, 'Q'},                   // the id again
        {hwnd_, 2, ctrlAlt | MOD_NOREPEAT, 'S'},    // the combination again
        {second, 5, ctrlAlt, 'S'},                  // from another window
    };
    for (const auto& h : held) {
        SetLastError(0);
        EXPECT_FALSE(RegisterHotKey(h.hwnd, h.id, h.modifiers, h.virtualKey));
        EXPECT_EQ(GetLastError(), ERROR_HOTKEY_ALREADY_REGISTERED);
    }
    EXPECT_TRUE(RegisterHotKey(second, 1, ctrlAlt, 'Q'));  // ids are per window
    EXPECT_TRUE(UnregisterHotKey(hwnd_, 1));
    EXPECT_FALSE(UnregisterHotKey(hwnd_, 1));
    EXPECT_TRUE(RegisterHotKey(hwnd_, 2, ctrlAlt, 'S'));

    Type({XK_Control_L, XK_Alt_L, XK_q});
    Type({XK_Control_L, XK_Alt_L, XK_s});
    ASSERT_TRUE(WaitForDeliveries(2));
    EXPECT_EQ(Delivered(),
              (std::vector<Delivery>{{second, 1, MAKELPARAM(ctrlAlt, 'Q')}, {hwnd_, 2, MAKELPARAM(ctrlAlt, 'S')}}));
}

TEST_F(HotkeysTest, AWindowDestroyedWithHotkeysReleasesThem) {
    const HWND doomed = MakeWindow();
    ASSERT_NE(doomed, 0u);
    ASSERT_TRUE(RegisterHotKey(doomed, 1, MOD_CONTROL | MOD_ALT, 'T'));
    ASSERT_TRUE(RegisterHotKey(hwnd_, 2, MOD_CONTROL | MOD_ALT, 'S'));
    ASSERT_FALSE(OtherCanGrab(XK_t, ControlMask | Mod1Mask));
    DestroyWindow(doomed);
    EXPECT_TRUE(PumpUntil([&] { return OtherCanGrab(XK_t, ControlMask | Mod1Mask); }));
    EXPECT_FALSE(OtherCanGrab(XK_s, ControlMask | Mod1Mask));
}

TEST_F(HotkeysTest, AHotkeyFollowsItsKeyToAnotherKeycode) {
    const unsigned ctrlAlt = ControlMask | Mod1Mask;
    ASSERT_TRUE(RegisterHotKey(hwnd_, 4, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, 'S'));
    const KeyCode before = Code(XK_s), after = EmptyKeycode();
    ASSERT_NE(after, 0) << "no free keycode";
    Remap(after, XK_s);
    Remap(before, NoSymbol);
    ASSERT_TRUE(PumpUntil([&] { return OtherCanGrabCode(before, ctrlAlt) && !OtherCanGrabCode(after, ctrlAlt); }));

    const KeyCode control = Code(XK_Control_L), alt = Code(XK_Alt_L);
    for (KeyCode code : {control, alt, after}) XTestFakeKeyEvent(other_, code, True, CurrentTime);
    for (KeyCode code : {after, alt, control}) XTestFakeKeyEvent(other_, code, False, CurrentTime);
    XSync(other_, False);
    ASSERT_TRUE(WaitForDeliveries(1));
    EXPECT_EQ(Delivered(), (std::vector<Delivery>{{hwnd_, 4, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'S')}}));
}

}  // namespace
