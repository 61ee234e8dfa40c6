// The tray's settings over a fresh store, its language, and its hotkey table registered
// on an X server of the test's own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "core/options/tests/settings_store_fixture.h"
#include "platform/process/process.h"
#include "platform/window/window.h"
#include "platform/x11/testing/killable_x_server.h"
#include "tolka.h"
#include "tray/tray_hotkeys.h"
#include "tray/tray_settings.h"

// Last: Xlib's macros would clash with the names above.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

constexpr const char* kChildCase = "ZOVI_TRAY_SETTINGS_CHILD";

class TraySettingsTest : public SettingsStoreTest {
protected:
    void SetUp() override {
        if (std::getenv(kChildCase) != nullptr) GTEST_SKIP() << "runs in the parent only";
        SettingsStoreTest::SetUp();
    }
    static DWORD StoredDword(const wchar_t* subkey, const wchar_t* name) {
        DWORD value = 0xDEAD;
        ReadRegDword(value, name, subkey, false);
        return value;
    }
};

TEST_F(TraySettingsTest, DwordsOfAnotherShapeGiveTheDefaultWrittenOnlyWhenAsked) {
    const std::wstring text = L"848";
    const std::uint64_t wide = 0x351;
    const WORD narrow = 0x351;
    SeedDword(L"hotkey", L"startRecord", 0x753);
    Seed(L"hotkey", L"pauseRecord", REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    Seed(L"hotkey", L"stopRecord", REG_QWORD, &wide, sizeof(wide));
    Seed(L"hotkey", L"voiceSwitch", REG_DWORD, &narrow, sizeof(narrow));
    struct Case {
        const wchar_t* name;
        bool read;
        DWORD typeBefore;
    } cases[] = {{L"startRecord", true, REG_DWORD}, {L"pauseRecord", false, REG_SZ}, {L"stopRecord", false, REG_QWORD},
                 {L"voiceSwitch", false, REG_DWORD}, {L"cameraSwitch", false, REG_NONE}};
    for (bool writeDefault : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (writeDefault ? "writing " : "reading ") << c.name);
            DWORD value = 0x343;
            EXPECT_EQ(TraySettings().GetDword(value, c.name, L"hotkey", writeDefault), c.read);
            EXPECT_EQ(value, c.read ? 0x753u : 0x343u);
            if (!writeDefault) {
                EXPECT_EQ(StoredType(L"hotkey", c.name), c.typeBefore) << "nothing written";
            }
        }
    }
    EXPECT_EQ(StoredDword(L"hotkey", L"startRecord"), 0x753u);
    for (const wchar_t* name : {L"pauseRecord", L"stopRecord", L"voiceSwitch", L"cameraSwitch"})
        EXPECT_EQ(StoredDword(L"hotkey", name), 0x343u) << name;
}

TEST_F(TraySettingsTest, StringsNeedAStringTypeAndTheirTerminator) {
    const std::wstring chinese = L"zh-CN";
    const BYTE bytes[] = {'z', 0, 'h', 0};
    const wchar_t unterminated[] = {L'e', L'n'};
    const DWORD whole = static_cast<DWORD>((chinese.size() + 1) * sizeof(wchar_t));
    Seed(nullptr, L"lang", REG_SZ, chinese.c_str(), whole);
    Seed(nullptr, L"expand", REG_EXPAND_SZ, chinese.c_str(), whole);
    Seed(nullptr, L"binary", REG_BINARY, bytes, sizeof(bytes));
    Seed(nullptr, L"unterminated", REG_SZ, unterminated, sizeof(unterminated));
    Seed(nullptr, L"odd", REG_SZ, chinese.c_str(), whole - 1);
    struct Case {
        const wchar_t* name;
        bool read;
    } cases[] = {{L"lang", true}, {L"expand", true}, {L"binary", false}, {L"unterminated", false}, {L"odd", false},
                 {L"missing", false}};
    for (const Case& c : cases) {
        std::wstring text = L"kept";
        EXPECT_EQ(TraySettings().GetString(text, c.name, nullptr, false), c.read) << c.name;
        EXPECT_EQ(text, c.read ? chinese : L"kept") << c.name;
    }
    EXPECT_EQ(StoredType(nullptr, L"missing"), REG_NONE) << "not written unless asked";
    std::wstring text = L"en-US";
    EXPECT_FALSE(TraySettings().GetString(text, L"binary", nullptr, true));
    std::wstring stored;
    EXPECT_TRUE(TraySettings().GetString(stored, L"binary", nullptr, false)) << "rewritten as a string";
    EXPECT_EQ(stored, L"en-US");
}

TEST_F(TraySettingsTest, LanguageIsChineseOnlyForExactlyZhCn) {
    const BYTE binary[] = {'z', 0, 'h', 0, '-', 0, 'C', 0, 'N', 0, 0, 0};
    struct Case {
        const wchar_t* lang;  // null: no value; "binary": the right bytes as REG_BINARY
        const wchar_t* expected;
    } cases[] = {{L"zh-CN", L"屏幕+摄像头"}, {L"zh-cn", L"Screen+Camera"}, {L"en-US", L"Screen+Camera"},
                 {L"", L"Screen+Camera"}, {nullptr, L"Screen+Camera"}, {L"binary", L"Screen+Camera"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lang ? c.lang : L"(none)");
        DeleteRegValue(L"lang", nullptr);
        if (c.lang != nullptr && std::wstring(c.lang) == L"binary")
            Seed(nullptr, L"lang", REG_BINARY, binary, sizeof(binary));
        else if (c.lang != nullptr)
            SeedString(nullptr, L"lang", c.lang);
        const bool chinese = std::wstring(c.expected) == L"屏幕+摄像头";
        TolkaSetLang(chinese ? TolkaLangEnglish : TolkaLangChinese);  // the other one first
        ApplyLanguage();
        EXPECT_STREQ(TolkaGetString(2), c.expected);
    }
    DeleteRegValue(L"lang", nullptr);
    ApplyLanguage();
    EXPECT_EQ(StoredType(nullptr, L"lang"), REG_NONE) << "the language is never written";
}

// Run by the test below as a second process: the main program saving a hotkey.
TEST(TraySettingsChild, SavesAHotkey) {
    if (std::getenv(kChildCase) == nullptr) GTEST_SKIP() << "runs as a child process only";
    ASSERT_TRUE(WriteRegDword(0, L"pauseRecord", L"hotkey"));
}

TEST_F(TraySettingsTest, EveryReadSeesWhatAnotherProcessSaved) {
    DWORD value = 0x350;
    EXPECT_FALSE(TraySettings().GetDword(value, L"pauseRecord", L"hotkey", true));
    EXPECT_TRUE(TraySettings().GetDword(value, L"pauseRecord", L"hotkey", true));
    EXPECT_EQ(value, 0x350u);
    setenv(kChildCase, "1", 1);
    auto child = zovi::platform::ChildProcess::Start(
        {zovi::platform::SelfExePath(), "--gtest_filter=TraySettingsChild.SavesAHotkey"}, {});
    unsetenv(kChildCase);
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(child->Wait(60000));
    ASSERT_EQ(child->ExitCode(), 0);
    EXPECT_TRUE(TraySettings().GetDword(value, L"pauseRecord", L"hotkey", true));
    EXPECT_EQ(value, 0u);
}

TEST(TrayHotkeyValue, TranslatesModifierBitsAndKeyOrNothing) {
    struct Case {
        DWORD value;
        bool wanted;
        UINT modifiers;
        UINT virtualKey;
    } cases[] = {
        {0x353, true, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, 'S'},
        {0xC7B, true, MOD_WIN | MOD_SHIFT | MOD_NOREPEAT, 0x7B},  // Win+Shift+F12
        {0x053, true, MOD_NOREPEAT, 'S'},                         // a bare key, as the user chose
        {0x12351, true, 0x23 | MOD_NOREPEAT, 'Q'},                // bits above the modifiers are ignored
        {0x300, false, 0, 0},                                     // modifiers without a key
        {0, false, 0, 0},
    };
    for (const Case& c : cases) {
        const HotkeyGrab grab = TranslateHotkeyValue(c.value);
        EXPECT_EQ(grab.wanted, c.wanted) << std::hex << c.value;
        EXPECT_EQ(grab.modifiers, c.modifiers) << std::hex << c.value;
        EXPECT_EQ(grab.virtualKey, c.virtualKey) << std::hex << c.value;
    }
}

// The hotkey table against a real X server, with a window of this thread.
class TrayHotkeysTest : public TraySettingsTest {
protected:
    void SetUp() override {
        TraySettingsTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_FALSE(server_.Name().empty()) << "Xvfb did not start";
        setenv("DISPLAY", server_.Name().c_str(), 1);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = L"TrayHotkeysTestWnd";
        RegisterClassExW(&windowClass);
        tray_ = CreateWindowExW(0, L"TrayHotkeysTestWnd", L"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
        ASSERT_NE(tray_, 0u);
        other_ = XOpenDisplay(server_.Name().c_str());
        ASSERT_NE(other_, nullptr);
    }
    void TearDown() override {
        if (tray_ != 0) DestroyWindow(tray_);
        if (other_ != nullptr) XCloseDisplay(other_);
        TraySettingsTest::TearDown();
    }

    // Whether another client can grab Ctrl+Alt+`key` now (it lets go at once).
    bool OtherClientCanGrab(KeySym key) {
        static bool denied;
        denied = false;
        XSync(other_, False);
        auto previous = XSetErrorHandler([](Display*, XErrorEvent* error) {
            if (error->error_code == BadAccess) denied = true;
            return 0;
        });
        const int code = XKeysymToKeycode(other_, key);
        const Window root = DefaultRootWindow(other_);
        XGrabKey(other_, code, ControlMask | Mod1Mask, root, True, GrabModeAsync, GrabModeAsync);
        XSync(other_, False);
        XUngrabKey(other_, code, ControlMask | Mod1Mask, root);
        XSync(other_, False);
        XSetErrorHandler(previous);
        return !denied;
    }

    zovi::test::CKillableXServer server_;
    HWND tray_ = 0;
    Display* other_ = nullptr;
};

TEST_F(TrayHotkeysTest, MissingSubkeyGetsTheSixDefaultsAndEveryHotkey) {
    ASSERT_EQ(StoredType(L"hotkey", L"startRecord"), REG_NONE);
    std::set<int> registered;
    RegisterHotkeys(tray_, registered);
    EXPECT_EQ(registered, (std::set<int>{33000, 33001, 33002, 33003, 33004, 33005}));
    for (const HotkeyRow& row : kHotkeyRows) {
        EXPECT_EQ(StoredType(L"hotkey", row.valueName), REG_DWORD) << row.valueName;
        EXPECT_EQ(StoredDword(L"hotkey", row.valueName), row.defaultValue) << row.valueName;
    }
    EXPECT_FALSE(OtherClientCanGrab(XK_s));
    // Registering again keeps each id once (the second registrations fail).
    RegisterHotkeys(tray_, registered);
    EXPECT_EQ(registered.size(), 6u);
    UnregisterHotkeys(tray_, registered);
    EXPECT_TRUE(registered.empty());
    EXPECT_TRUE(OtherClientCanGrab(XK_s));
    EXPECT_TRUE(OtherClientCanGrab(XK_t));
}

TEST_F(TrayHotkeysTest, ClearedTakenAndUnknownKeysAreLeftOutSilently) {
    SeedDword(L"hotkey", L"stopRecord", 0);            // cleared in the settings
    SeedDword(L"hotkey", L"cameraSwitch", 0x300);      // modifiers without a key
    SeedDword(L"hotkey", L"voiceSwitch", 0x3FF);       // no key of that code
    SeedDword(L"hotkey", L"toolbarSwitch", 0x37B);     // Ctrl+Alt+F12
    const int pCode = XKeysymToKeycode(other_, XK_p);  // held by another program
    XGrabKey(other_, pCode, ControlMask | Mod1Mask, DefaultRootWindow(other_), True, GrabModeAsync, GrabModeAsync);
    XSync(other_, False);
    std::set<int> registered;
    RegisterHotkeys(tray_, registered);
    EXPECT_EQ(registered, (std::set<int>{33000, 33005}));
    EXPECT_EQ(StoredDword(L"hotkey", L"stopRecord"), 0u) << "a stored value is never replaced";
    EXPECT_FALSE(OtherClientCanGrab(XK_F12));
    UnregisterHotkeys(tray_, registered);
    EXPECT_TRUE(OtherClientCanGrab(XK_F12));
}

}  // namespace
