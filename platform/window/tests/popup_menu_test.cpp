// Menus and the pop-up menu on the test X server: a second client plays the user with
// XTest (clicks, drags, keys) and looks at what the menu shows, while the menu's own
// thread keeps its timers and posted messages going. Pictures of the tray's menus in
// both languages are kept as artefacts.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/window/menu_model.h"
#include "platform/window/popup_menu.h"
#include "platform/window/popup_menu_paint.h"
#include "platform/window/window.h"
#include "platform/x11/x11_init.h"

namespace {

namespace menu = zovi::platform::menu_detail;
using Clock = std::chrono::steady_clock;

constexpr UINT_PTR kTickTimer = 7;
constexpr UINT kPostedDuringMenu = WM_APP + 1;
constexpr UINT kMarker = WM_APP + 2;

// Polls `done` (every few milliseconds) until it holds or 10 s pass.
bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    return true;
}

// Another client of the server: the user's hands (XTest) and eyes (pixels, grabs).
class CUser {
public:
    CUser() : display_(XOpenDisplay(nullptr)) {}
    ~CUser() {
        if (display_) XCloseDisplay(display_);
    }
    CUser(const CUser&) = delete;
    CUser& operator=(const CUser&) = delete;

    Display* X() const { return display_; }

    void MoveTo(POINT at) {
        XTestFakeMotionEvent(display_, -1, at.x, at.y, CurrentTime);
        XSync(display_, False);
    }
    void Button(unsigned button, bool down) {
        XTestFakeButtonEvent(display_, button, down ? True : False, CurrentTime);
        XSync(display_, False);
    }
    void Click(POINT at, unsigned button = 1) {
        MoveTo(at);
        Button(button, true);
        Button(button, false);
    }
    void Key(KeySym key) {
        const KeyCode code = XKeysymToKeycode(display_, key);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        XSync(display_, False);
    }
    // The window's rectangle on the screen.
    RECT Rect(Window window) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, window, &attributes);
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
        return RECT{x, y, x + attributes.width, y + attributes.height};
    }
    unsigned Pixel(Window window, int x, int y) {
        XImage* image = XGetImage(display_, window, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return 0xFFFFFFFFu;
        const auto pixel = static_cast<unsigned>(XGetPixel(image, 0, 0) & 0xFFFFFF);
        XDestroyImage(image);
        return pixel;
    }
    bool WaitForPixel(Window window, POINT at, unsigned rgb) {
        return WaitFor([&] { return Pixel(window, at.x, at.y) == rgb; });
    }
    // True when this client can take both grabs (it lets them go again at once).
    bool CanGrab() {
        const Window root = DefaultRootWindow(display_);
        const bool pointer = XGrabPointer(display_, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None,
                                          None, CurrentTime) == GrabSuccess;
        const bool keyboard =
            XGrabKeyboard(display_, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
        XUngrabKeyboard(display_, CurrentTime);
        XUngrabPointer(display_, CurrentTime);
        XSync(display_, False);
        return pointer && keyboard;
    }
    bool SavePng(Window window, const std::string& name) {
        const RECT rect = Rect(window);
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        if (!image) return false;
        cairo_surface_t* shot = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        cairo_surface_flush(shot);
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(shot) +
                                                         y * cairo_image_surface_get_stride(shot));
            for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint32_t>(XGetPixel(image, x, y));
        }
        cairo_surface_mark_dirty(shot);
        XDestroyImage(image);
        const std::string folder = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
        std::filesystem::create_directories(folder);
        const bool saved = cairo_surface_write_to_png(shot, (folder + "/" + name).c_str()) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(shot);
        return saved;
    }

private:
    Display* display_;
};

// What the owner window sees; the timer runs inside the menu's loop.
struct OwnerState {
    std::atomic<int> ticks{0};
    std::atomic<bool> postedSeen{false};
    std::atomic<bool> markerSeen{false};
    std::vector<WPARAM> commands;
    std::function<void()> onTick;  // extra work on a tick, per test
    std::promise<HWND> menuShown;
    bool handedOver = false;
};
OwnerState* g_owner = nullptr;

LRESULT OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!g_owner) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
        case WM_TIMER:
            ++g_owner->ticks;
            if (const HWND shown = zovi::platform::ActivePopupMenuWindow(); shown && !g_owner->handedOver) {
                g_owner->handedOver = true;
                g_owner->menuShown.set_value(shown);
            }
            if (g_owner->onTick) g_owner->onTick();
            return 0;
        case kPostedDuringMenu:
            g_owner->postedSeen = true;
            return 0;
        case kMarker:
            g_owner->markerSeen = true;
            return 0;
        case WM_COMMAND:
            g_owner->commands.push_back(wParam);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

struct Item {
    UINT flags;
    UINT id;
    const wchar_t* text;
};

HMENU BuildPopup(const std::vector<Item>& items) {
    const HMENU popup = CreatePopupMenu();
    for (const Item& item : items) EXPECT_TRUE(AppendMenuW(popup, item.flags, item.id, item.text));
    return popup;
}

// A menu with every kind of entry the tests need.
const std::vector<Item> kMixedItems = {
    {MF_STRING, 101, L"Open"},
    {MF_STRING | MF_GRAYED, 102, L"Unavailable"},
    {MF_SEPARATOR, 0, nullptr},
    {MF_STRING, 103, L"Options"},
    {MF_STRING, 104, L"Exit"},
};
constexpr int kOpen = 0, kGrayed = 1, kSeparator = 2, kOptions = 3, kExit = 4;

// A user's script, played on another thread against the shown menu's window.
using Script = std::function<void(CUser& user, HWND window, const menu::MenuLayout& layout)>;

class PopupMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "needs an X server";
        ASSERT_NE(user_.X(), nullptr);
        // A server whose earlier clients left the focus at None drops every key.
        XSetInputFocus(user_.X(), PointerRoot, RevertToPointerRoot, CurrentTime);
        XSync(user_.X(), False);
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = OwnerProc;
            wc.lpszClassName = L"ZoviPopupMenuTestOwner";
            return RegisterClassExW(&wc) != 0;
        }();
        ASSERT_TRUE(registered);
        owner_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"ZoviPopupMenuTestOwner", L"", WS_POPUP, 0, 0, 10, 10, 0, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(owner_, 0u);
        g_owner = state_.get();
        errorsBefore_ = zovi::platform::x11::UntrappedErrorCount();
    }
    void TearDown() override {
        if (owner_) DestroyWindow(owner_);
        g_owner = nullptr;
        // No X error reached the process unannounced (a grab or window used after its end).
        if (owner_) {
            EXPECT_EQ(zovi::platform::x11::UntrappedErrorCount(), errorsBefore_);
        }
    }

    // Shows `popup` at `at` on this thread (the pointer parked beside that point unless
    // told to stay); once it is up, checks that timers and posted messages still run,
    // then plays `script`. The menu's result.
    BOOL Track(HMENU popup, POINT at, const Script& script, UINT flags = TPM_RETURNCMD | TPM_NONOTIFY,
               bool parkPointer = true) {
        if (parkPointer) user_.MoveTo(POINT{at.x - 5, at.y - 5});
        std::vector<menu::MenuEntry> entries;
        EXPECT_TRUE(menu::CopyMenuEntries(popup, &entries));
        const menu::MenuLayout layout = menu::LayOutMenu(entries);
        std::future<HWND> shown = state_->menuShown.get_future();
        std::thread player([&] {
            const HWND window = shown.get();
            if (!window) return;  // the menu never came up
            const int ticks = state_->ticks;
            EXPECT_TRUE(WaitFor([&] { return state_->ticks >= ticks + 2; })) << "the timer stopped";
            PostMessageW(owner_, kPostedDuringMenu, 0, 0);
            EXPECT_TRUE(WaitFor([&] { return state_->postedSeen.load(); })) << "posted messages stopped";
            script(user_, window, layout);
        });
        const auto started = Clock::now();
        // A menu that does not end by itself is ended as a program's quit would end it.
        state_->onTick = [this, started, previous = state_->onTick] {
            if (previous) previous();
            if (Clock::now() - started > std::chrono::seconds(30) && !quitSent_) {
                quitSent_ = true;
                PostQuitMessage(0);
            }
        };
        SetTimer(owner_, kTickTimer, 10, nullptr);
        const BOOL result = TrackPopupMenu(popup, flags, at.x, at.y, 0, owner_, nullptr);
        KillTimer(owner_, kTickTimer);
        if (!state_->handedOver) state_->menuShown.set_value(0);
        player.join();
        EXPECT_FALSE(quitSent_) << "the menu had to be ended";
        if (quitSent_) DrainQuit();
        EXPECT_EQ(zovi::platform::ActivePopupMenuWindow(), 0u);
        return result;
    }

    static void DrainQuit() {
        MSG msg;
        while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
        }
    }

    // Posts a marker and dispatches until it arrives: whatever was posted before it has
    // been dispatched too.
    void DispatchPosted() {
        state_->markerSeen = false;
        PostMessageW(owner_, kMarker, 0, 0);
        MSG msg;
        ASSERT_TRUE(WaitFor([&] {
            while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            return state_->markerSeen.load();
        }));
    }

    static POINT Centre(HWND window, CUser& user, const menu::MenuLayout& layout, int entry) {
        const RECT at = user.Rect(window);
        const RECT& row = layout.rows[static_cast<size_t>(entry)];
        return POINT{at.left + (row.left + row.right) / 2, at.top + (row.top + row.bottom) / 2};
    }
    // A point of the row's highlight, away from the text (client coordinates).
    static POINT HighlightSpot(const menu::MenuLayout& layout, int entry) {
        const RECT& row = layout.rows[static_cast<size_t>(entry)];
        return POINT{row.left + 8, (row.top + row.bottom) / 2};
    }

    CUser user_;
    void Reset() {
        state_ = std::make_unique<OwnerState>();
        g_owner = state_.get();
    }

    std::unique_ptr<OwnerState> state_ = std::make_unique<OwnerState>();
    HWND owner_ = 0;
    bool quitSent_ = false;
    unsigned long errorsBefore_ = 0;
};

struct ChoiceCase {
    const char* name;
    Script play;
    UINT expected;
};

TEST_F(PopupMenuTest, PointerAndKeysChooseOnlyEnabledItems) {
    const ChoiceCase cases[] = {
        {"click on an item", [](CUser& u, HWND w, const menu::MenuLayout& l) { u.Click(Centre(w, u, l, kOptions)); },
         103},
        {"right-button click", [](CUser& u, HWND w, const menu::MenuLayout& l) { u.Click(Centre(w, u, l, kExit), 3); },
         104},
        {"press on one item, release on another",
         [](CUser& u, HWND w, const menu::MenuLayout& l) {
             u.MoveTo(Centre(w, u, l, kOpen));
             u.Button(1, true);
             u.MoveTo(Centre(w, u, l, kExit));
             u.Button(1, false);
         },
         104},
        {"Down skips the grayed item and the separator",
         [](CUser& u, HWND, const menu::MenuLayout&) {
             u.Key(XK_Down);
             u.Key(XK_Down);
             u.Key(XK_Return);
         },
         103},
        {"Up from nothing wraps to the last", [](CUser& u, HWND, const menu::MenuLayout&) {
             u.Key(XK_Up);
             u.Key(XK_Return);
         },
         104},
        {"clicks on the grayed item and the separator do nothing",
         [](CUser& u, HWND w, const menu::MenuLayout& l) {
             u.Click(Centre(w, u, l, kGrayed));
             u.Click(Centre(w, u, l, kSeparator));
             u.Key(XK_Return);  // nothing is selected
             u.Key(XK_Escape);
         },
         0},
        {"Escape", [](CUser& u, HWND, const menu::MenuLayout&) { u.Key(XK_Escape); }, 0},
        {"a press outside", [](CUser& u, HWND w, const menu::MenuLayout&) {
             const RECT at = u.Rect(w);
             u.Click(POINT{at.right + 40, at.bottom + 40});
         },
         0},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        const HMENU popup = BuildPopup(kMixedItems);
        HWND window = 0;
        const BOOL result = Track(popup, POINT{300, 200}, [&](CUser& u, HWND w, const menu::MenuLayout& l) {
            window = w;
            c.play(u, w, l);
        });
        EXPECT_EQ(static_cast<UINT>(result), c.expected);
        ASSERT_NE(window, 0u) << "the menu never came up";
        // Nothing is left behind: the window is gone and another client may grab.
        EXPECT_FALSE(IsWindow(window));
        EXPECT_TRUE(user_.CanGrab());
        EXPECT_TRUE(DestroyMenu(popup));
    }
}

TEST_F(PopupMenuTest, TheReleaseOfTheOpeningClickNeitherChoosesNorDismisses) {
    // The user pressed where the menu then opens (its first item under the pointer).
    const POINT press{420, 320};
    user_.MoveTo(press);
    user_.Button(3, true);
    const HMENU popup = BuildPopup(kMixedItems);
    const BOOL result = Track(
        popup, POINT{press.x - 20, press.y - 20},
        [](CUser& u, HWND w, const menu::MenuLayout& l) {
            u.Button(3, false);
            // The item under the pointer is highlighted, and still open to the keys.
            EXPECT_TRUE(u.WaitForPixel(w, HighlightSpot(l, kOpen), menu::kMenuHighlightColour));
            u.Key(XK_Down);
            u.Key(XK_Return);
        },
        TPM_RETURNCMD, false);
    EXPECT_EQ(result, 103) << "the release chose or closed the menu";
    DestroyMenu(popup);
}

TEST_F(PopupMenuTest, HighlightFollowsThePointerAndTheKeys) {
    const HMENU popup = BuildPopup(kMixedItems);
    const BOOL result = Track(popup, POINT{200, 150}, [](CUser& u, HWND w, const menu::MenuLayout& l) {
        const unsigned accent = menu::kMenuHighlightColour, plain = menu::kMenuBackgroundColour;
        u.MoveTo(Centre(w, u, l, kOpen));
        EXPECT_TRUE(u.WaitForPixel(w, HighlightSpot(l, kOpen), accent));
        u.MoveTo(Centre(w, u, l, kOptions));
        EXPECT_TRUE(u.WaitForPixel(w, HighlightSpot(l, kOptions), accent));
        EXPECT_TRUE(u.WaitForPixel(w, HighlightSpot(l, kOpen), plain));
        EXPECT_TRUE(u.SavePng(w, "popup_menu_grayed_and_separator.png"));
        // Over the grayed item, and outside the menu, nothing is highlighted.
        u.MoveTo(Centre(w, u, l, kGrayed));
        EXPECT_TRUE(u.WaitForPixel(w, HighlightSpot(l, kOptions), plain));
        EXPECT_EQ(u.Pixel(w, HighlightSpot(l, kGrayed).x, HighlightSpot(l, kGrayed).y), plain);
        // Keys move on from where the pointer left the selection.
        u.MoveTo(Centre(w, u, l, kOptions));
        EXPECT_TRUE(u.WaitForPixel(w, HighlightSpot(l, kOptions), accent));
        u.Key(XK_Down);
        EXPECT_TRUE(u.WaitForPixel(w, HighlightSpot(l, kExit), accent));
        EXPECT_TRUE(u.WaitForPixel(w, HighlightSpot(l, kOptions), plain));
        const RECT at = u.Rect(w);
        u.MoveTo(POINT{at.right + 30, at.top});
        EXPECT_TRUE(u.WaitForPixel(w, HighlightSpot(l, kExit), plain));
        u.Key(XK_Escape);
    });
    EXPECT_EQ(result, 0);
    DestroyMenu(popup);
}

TEST_F(PopupMenuTest, StaysOnThePointsMonitor) {
    const int width = DisplayWidth(user_.X(), DefaultScreen(user_.X()));
    const int height = DisplayHeight(user_.X(), DefaultScreen(user_.X()));
    struct PlaceCase {
        const char* name;
        POINT at;
        std::function<void(const RECT& menu, POINT at)> check;
    };
    const PlaceCase cases[] = {
        {"room right and below: the corner at the point", POINT{100, 100},
         [](const RECT& r, POINT at) {
             EXPECT_EQ(r.left, at.x);
             EXPECT_EQ(r.top, at.y);
         }},
        {"at the bottom-right corner: opens left of and above the point", POINT{width - 3, height - 3},
         [](const RECT& r, POINT at) {
             EXPECT_EQ(r.right, at.x);
             EXPECT_EQ(r.bottom, at.y);
         }},
        {"left of the screen: moved onto it", POINT{-200, 300},
         [](const RECT& r, POINT) {
             EXPECT_EQ(r.left, 0);
             EXPECT_EQ(r.top, 300);
         }},
    };
    for (const PlaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        const HMENU popup = BuildPopup(kMixedItems);
        RECT placed{};
        Track(popup, c.at, [&](CUser& u, HWND w, const menu::MenuLayout&) {
            placed = u.Rect(w);
            u.Key(XK_Escape);
        });
        c.check(placed, c.at);
        EXPECT_GE(placed.left, 0);
        EXPECT_GE(placed.top, 0);
        EXPECT_LE(placed.right, width);
        EXPECT_LE(placed.bottom, height);
        DestroyMenu(popup);
    }
}

TEST_F(PopupMenuTest, RefusedGrabEndsTheMenuWithNothingHeld) {
    // Another program holds the pointer for longer than the menu keeps trying.
    const Window root = DefaultRootWindow(user_.X());
    ASSERT_EQ(XGrabPointer(user_.X(), root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                           CurrentTime),
              GrabSuccess);
    XSync(user_.X(), False);
    const HMENU popup = BuildPopup(kMixedItems);
    bool played = false;
    EXPECT_EQ(Track(popup, POINT{100, 100}, [&](CUser&, HWND, const menu::MenuLayout&) { played = true; }), 0);
    EXPECT_FALSE(played);
    XUngrabPointer(user_.X(), CurrentTime);
    XSync(user_.X(), False);
    EXPECT_TRUE(user_.CanGrab()) << "the keyboard was left grabbed";
    // Once the pointer is free the menu works again.
    Reset();
    EXPECT_EQ(Track(popup, POINT{100, 100}, [](CUser& u, HWND, const menu::MenuLayout&) {
                  u.Key(XK_Home);
                  u.Key(XK_Return);
              }),
              101);
    DestroyMenu(popup);
}

TEST_F(PopupMenuTest, ASecondMenuOfTheThreadIsRefused) {
    const HMENU popup = BuildPopup(kMixedItems);
    const HMENU other = BuildPopup({{MF_STRING, 1, L"Other"}});
    std::atomic<bool> tried{false};
    BOOL nested = -1;
    DWORD nestedError = 0;
    state_->onTick = [&] {
        if (tried || !zovi::platform::ActivePopupMenuWindow()) return;
        nested = TrackPopupMenu(other, TPM_RETURNCMD, 10, 10, 0, owner_, nullptr);
        nestedError = GetLastError();
        tried = true;
    };
    const BOOL result = Track(popup, POINT{100, 100}, [&](CUser& u, HWND, const menu::MenuLayout&) {
        EXPECT_TRUE(WaitFor([&] { return tried.load(); }));
        u.Key(XK_Escape);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(nested, FALSE);
    EXPECT_EQ(nestedError, 1446u);  // ERROR_POPUP_ALREADY_ACTIVE
    DestroyMenu(popup);
    DestroyMenu(other);
}

TEST_F(PopupMenuTest, WithoutReturnCommandTheChoiceGoesToTheOwner) {
    struct NotifyCase {
        const char* name;
        UINT flags;
        std::vector<WPARAM> commands;
    };
    const NotifyCase cases[] = {
        {"posted as WM_COMMAND", 0, {103}},
        {"TPM_NONOTIFY: nothing sent", TPM_NONOTIFY, {}},
    };
    for (const NotifyCase& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        const HMENU popup = BuildPopup(kMixedItems);
        const BOOL result = Track(
            popup, POINT{100, 100},
            [](CUser& u, HWND w, const menu::MenuLayout& l) { u.Click(Centre(w, u, l, kOptions)); }, c.flags);
        EXPECT_EQ(result, TRUE);
        DispatchPosted();
        EXPECT_EQ(state_->commands, c.commands);
        DestroyMenu(popup);
    }
}

TEST_F(PopupMenuTest, QuitEndsTheMenuAndReachesTheOuterLoop) {
    const HMENU popup = BuildPopup(kMixedItems);
    state_->onTick = [] {
        if (zovi::platform::ActivePopupMenuWindow()) PostQuitMessage(7);
    };
    SetTimer(owner_, kTickTimer, 10, nullptr);
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 100, 100, 0, owner_, nullptr), 0);
    KillTimer(owner_, kTickTimer);
    EXPECT_EQ(zovi::platform::ActivePopupMenuWindow(), 0u);
    MSG msg{};
    bool quit = false;
    while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            EXPECT_EQ(msg.wParam, 7u);
        }
    }
    EXPECT_TRUE(quit);
    EXPECT_TRUE(user_.CanGrab());
    DestroyMenu(popup);
}

// The tray's menus as the tray builds them: one popup holding the items.
HMENU TrayMenu(bool chinese) {
    const HMENU bar = CreateMenu();
    const HMENU popup = chinese ? BuildPopup({{MF_STRING, 32000, L"打开主界面"},
                                              {MF_STRING, 32002, L"设置"},
                                              {MF_STRING, 32004, L"打开官网"},
                                              {MF_SEPARATOR, 0, nullptr},
                                              {MF_STRING, 32003, L"退出"}})
                                : BuildPopup({{MF_STRING, 32000, L"Open Zovi录屏"},
                                              {MF_STRING, 32002, L"Options"},
                                              {MF_STRING, 32004, L"Homepage"},
                                              {MF_SEPARATOR, 0, nullptr},
                                              {MF_STRING, 32003, L"Exit"}});
    EXPECT_TRUE(AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"TrayIcon_Popup"));
    return bar;
}

TEST_F(PopupMenuTest, TrayMenusInBothLanguagesArePicturedAndChosen) {
    struct TrayCase {
        bool chinese;
        const char* picture;
    };
    for (const TrayCase& c : {TrayCase{true, "popup_menu_tray_zh.png"}, TrayCase{false, "popup_menu_tray_en.png"}}) {
        SCOPED_TRACE(c.picture);
        Reset();
        const HMENU bar = TrayMenu(c.chinese);
        const HMENU popup = GetSubMenu(bar, 0);
        ASSERT_NE(popup, nullptr);
        const BOOL result = Track(popup, POINT{900, 400}, [&](CUser& u, HWND w, const menu::MenuLayout& l) {
            u.MoveTo(Centre(w, u, l, 1));
            EXPECT_TRUE(u.WaitForPixel(w, HighlightSpot(l, 1), menu::kMenuHighlightColour));
            // Other programs (the tray's tests) find it by the menus' class; it is
            // override-redirect, so no window manager frames or moves it.
            EXPECT_EQ(FindWindowW(L"#32768", nullptr), w);
            XWindowAttributes attributes{};
            XGetWindowAttributes(u.X(), w, &attributes);
            EXPECT_TRUE(attributes.override_redirect);
            // Every row's text is drawn inside the menu: ink in each text row, none
            // against the right border.
            const RECT at = u.Rect(w);
            for (size_t row = 0; row < l.rows.size(); ++row) {
                if (row == 3) continue;  // the separator
                const RECT& r = l.rows[row];
                bool ink = false;
                for (int x = r.left + 16; x < r.right - 16 && !ink; ++x)
                    ink = u.Pixel(w, x, (r.top + r.bottom) / 2) != (row == 1 ? menu::kMenuHighlightColour
                                                                           : menu::kMenuBackgroundColour);
                EXPECT_TRUE(ink) << "no text in row " << row;
                EXPECT_EQ(u.Pixel(w, r.right - 2, (r.top + r.bottom) / 2), menu::kMenuBackgroundColour);
            }
            EXPECT_EQ(u.Pixel(w, 0, 0), menu::kMenuBorderColour);
            EXPECT_EQ(u.Pixel(w, at.right - at.left - 1, at.bottom - at.top - 1), menu::kMenuBorderColour);
            EXPECT_TRUE(u.SavePng(w, c.picture));
            u.Click(Centre(w, u, l, 4));
        });
        EXPECT_EQ(result, 32003);
        EXPECT_TRUE(DestroyMenu(bar));
        EXPECT_FALSE(DestroyMenu(popup)) << "the popup went with its menu";
    }
}

TEST(MenuObjects, EntriesFlagsAndOwnership) {
    const HMENU popup = CreatePopupMenu();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(AppendMenuW(popup, MF_STRING, 5, L"&Save && close"));
    EXPECT_TRUE(AppendMenuW(popup, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenuW(popup, MF_STRING | MF_DISABLED, 6, L"Off"));
    EXPECT_FALSE(AppendMenuW(popup, 0x0100 /* MF_OWNERDRAW */, 7, L"x"));
    EXPECT_FALSE(AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"itself"));
    const HMENU sub = CreatePopupMenu();
    EXPECT_TRUE(AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"More"));
    const HMENU second = CreateMenu();
    EXPECT_FALSE(AppendMenuW(second, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"again")) << "one owner only";
    EXPECT_EQ(GetSubMenu(popup, 3), sub);
    EXPECT_EQ(GetSubMenu(popup, 0), nullptr);
    EXPECT_EQ(GetSubMenu(popup, 9), nullptr);

    std::vector<menu::MenuEntry> entries;
    ASSERT_TRUE(menu::CopyMenuEntries(popup, &entries));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(menu::DisplayText(entries[0].text), L"Save & close");
    EXPECT_TRUE(menu::IsChoosable(entries[0]));
    EXPECT_FALSE(menu::IsChoosable(entries[1]));  // separator
    EXPECT_FALSE(menu::IsChoosable(entries[2]));  // disabled
    EXPECT_FALSE(menu::IsChoosable(entries[3]));  // opens a sub-menu
    EXPECT_EQ(menu::NextChoosable(entries, 0, +1), 0) << "the only choosable entry, found again";
    EXPECT_EQ(menu::NextChoosable({}, -1, +1), -1);

    // A sub-menu destroyed alone leaves its owner's list; the owner takes the rest.
    EXPECT_TRUE(DestroyMenu(sub));
    ASSERT_TRUE(menu::CopyMenuEntries(popup, &entries));
    EXPECT_EQ(entries.size(), 3u);
    EXPECT_TRUE(DestroyMenu(popup));
    EXPECT_FALSE(DestroyMenu(popup));
    EXPECT_FALSE(AppendMenuW(popup, MF_STRING, 1, L"late"));
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 0, 0, 0, 0, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), 1401u);  // ERROR_INVALID_MENU_HANDLE
    EXPECT_TRUE(DestroyMenu(second));
}

}  // namespace
