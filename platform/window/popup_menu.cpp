// TrackPopupMenu: the menu as an override-redirect window of the calling thread that
// holds the pointer and keyboard grabs, and a nested message loop that keeps the
// thread's timers, posted and sent messages going while the user chooses.
#include "platform/window/popup_menu.h"

#include <X11/Xlib.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/base/last_error.h"
#include "platform/screen/monitor_from.h"
#include "platform/window/popup_menu_paint.h"
#include "platform/window/present.h"
#include "platform/window/window.h"
#include "platform/x11/x11_init.h"

namespace {

using zovi::platform::menu_detail::EntryAt;
using zovi::platform::menu_detail::IsChoosable;
using zovi::platform::menu_detail::MenuEntry;
using zovi::platform::menu_detail::MenuLayout;

constexpr DWORD ERROR_INVALID_MENU_HANDLE = 1401;
constexpr DWORD ERROR_POPUP_ALREADY_ACTIVE = 1446;
// The class menus have always had, so FindWindowW finds an open menu.
constexpr wchar_t kMenuClass[] = L"#32768";
// Another program may hold a grab for a moment (its own menu closing, a drag ending):
// menus try again for about 200 ms before they give up.
constexpr int kGrabAttempts = 10;
constexpr auto kGrabPause = std::chrono::milliseconds(20);
// A release this near the spot where the menu opened, with no press seen since, ends
// the click that opened it: it neither chooses nor dismisses.
constexpr int kStillRadius = 4;
constexpr unsigned kGrabEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;

LRESULT MenuWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

bool RegisterMenuClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = MenuWindowProc;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kMenuClass;
        return RegisterClassExW(&wc) != 0;
    }();
    return registered;
}

// The menu's rectangle with its top-left corner at `at`, kept on that point's monitor:
// a menu with no room right of (or below) the point opens to its left (or above it).
RECT PlaceOnMonitor(POINT at, int width, int height) {
    RECT area{at.x, at.y, at.x + width, at.y + height};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &info)) area = info.rcMonitor;
    int x = at.x, y = at.y;
    if (x + width > area.right) x -= width;
    if (y + height > area.bottom) y -= height;
    x = std::max<int>(area.left, std::min<int>(x, area.right - width));
    y = std::max<int>(area.top, std::min<int>(y, area.bottom - height));
    return RECT{x, y, x + width, y + height};
}

class CMenuSession {
public:
    explicit CMenuSession(std::vector<MenuEntry> entries)
        : entries_(std::move(entries)), layout_(zovi::platform::menu_detail::LayOutMenu(entries_)) {}

    // Shows the menu at `at` and takes both grabs; false when either is refused.
    bool Open(POINT at);
    // Runs the nested loop until the menu ends; the chosen id, or 0.
    UINT Run();
    // Releases the grabs and destroys the window (whatever Open got done).
    void Close();

    HWND Window() const { return ready_ ? hwnd_ : 0; }
    LRESULT Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Finish(UINT id) {
        chosen_ = id;
        done_ = true;
    }
    void Select(int index);
    void Paint();
    void OnPointer(UINT message, POINT client);
    void OnKey(WPARAM key);

    std::vector<MenuEntry> entries_;
    MenuLayout layout_;
    HWND hwnd_ = 0;
    _XDisplay* display_ = nullptr;
    bool pointerGrabbed_ = false, keyboardGrabbed_ = false;
    bool ready_ = false;
    bool done_ = false;
    bool destroyed_ = false;
    UINT chosen_ = 0;
    int selected_ = -1;
    POINT opening_{};  // the pointer when the menu opened (screen)
    POINT origin_{};   // the menu's top-left corner (screen)
    bool pressSeen_ = false, moved_ = false;
};

thread_local CMenuSession* t_session = nullptr;

LRESULT MenuWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (t_session) return t_session->Handle(hwnd, message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool CMenuSession::Open(POINT at) {
    if (!RegisterMenuClass()) return false;
    const RECT rect = PlaceOnMonitor(at, layout_.width, layout_.height);
    origin_ = POINT{rect.left, rect.top};
    // The menu takes the pointer from whichever window of the thread held it.
    if (GetCapture()) ReleaseCapture();
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST, kMenuClass, L"", WS_POPUP,
                            rect.left, rect.top, layout_.width, layout_.height, 0, nullptr, nullptr, nullptr);
    display_ = hwnd_ ? zovi::platform::WindowDisplay(hwnd_) : nullptr;
    if (!display_) return false;
    if (!GetCursorPos(&opening_)) opening_ = at;
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    XSync(display_, False);  // viewable now: it is override-redirect
    Paint();
    for (int attempt = 0; attempt < kGrabAttempts; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(kGrabPause);
        if (!pointerGrabbed_) {
            pointerGrabbed_ = XGrabPointer(display_, hwnd_, False, kGrabEvents, GrabModeAsync, GrabModeAsync, None,
                                           None, CurrentTime) == GrabSuccess;
        }
        if (pointerGrabbed_ && !keyboardGrabbed_) {
            keyboardGrabbed_ =
                XGrabKeyboard(display_, hwnd_, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
        }
        if (pointerGrabbed_ && keyboardGrabbed_) {
            ready_ = true;
            return true;
        }
    }
    return false;
}

UINT CMenuSession::Run() {
    MSG msg{};
    while (!done_) {
        const BOOL got = GetMessageW(&msg, 0, 0, 0);
        if (got == -1) continue;
        if (!got) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop around the menu
            return 0;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return chosen_;
}

void CMenuSession::Close() {
    ready_ = false;
    // A lost connection took the grabs with it and takes no more calls.
    const bool usable = display_ && !zovi::platform::x11::ConnectionLost(display_);
    if (usable) {
        if (keyboardGrabbed_) XUngrabKeyboard(display_, CurrentTime);
        if (pointerGrabbed_) XUngrabPointer(display_, CurrentTime);
    }
    if (hwnd_ && !destroyed_) DestroyWindow(hwnd_);
    // Whoever the caller tells next may grab at once.
    if (usable) XSync(display_, False);
}

void CMenuSession::Paint() {
    cairo_surface_t* buffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout_.width, layout_.height);
    cairo_t* cr = cairo_create(buffer);
    zovi::platform::menu_detail::PaintMenu(cr, entries_, layout_, selected_);
    cairo_destroy(cr);
    zovi::platform::PresentWindow(hwnd_, buffer, RECT{0, 0, layout_.width, layout_.height});
    cairo_surface_destroy(buffer);
}

void CMenuSession::Select(int index) {
    if (index == selected_) return;
    selected_ = index;
    Paint();
}

void CMenuSession::OnPointer(UINT message, POINT client) {
    const POINT screen{client.x + origin_.x, client.y + origin_.y};
    if (std::abs(screen.x - opening_.x) > kStillRadius || std::abs(screen.y - opening_.y) > kStillRadius) {
        moved_ = true;
    }
    const bool inside = client.x >= 0 && client.y >= 0 && client.x < layout_.width && client.y < layout_.height;
    const int at = EntryAt(layout_, client);
    const int choosable = at >= 0 && IsChoosable(entries_[static_cast<size_t>(at)]) ? at : -1;
    switch (message) {
        case WM_MOUSEMOVE:
            Select(choosable);
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            pressSeen_ = true;
            if (!inside) {
                Finish(0);
            } else {
                Select(choosable);
            }
            break;
        default:  // a button released
            if (!pressSeen_ && !moved_) break;
            if (choosable >= 0) Finish(entries_[static_cast<size_t>(choosable)].id);
            break;
    }
}

void CMenuSession::OnKey(WPARAM key) {
    using zovi::platform::menu_detail::NextChoosable;
    switch (key) {
        case VK_DOWN: Select(NextChoosable(entries_, selected_, +1)); break;
        case VK_UP: Select(NextChoosable(entries_, selected_, -1)); break;
        case VK_HOME: Select(NextChoosable(entries_, -1, +1)); break;
        case VK_END: Select(NextChoosable(entries_, -1, -1)); break;
        case VK_RETURN:
            if (selected_ >= 0 && IsChoosable(entries_[static_cast<size_t>(selected_)])) {
                Finish(entries_[static_cast<size_t>(selected_)].id);
            }
            break;
        case VK_ESCAPE:
        case VK_MENU:
        case VK_F10:
            Finish(0);
            break;
        default:
            break;
    }
}

LRESULT CMenuSession::Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd != hwnd_) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            BeginPaint(hwnd, &paint);
            Paint();
            EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (ready_) OnPointer(message, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (ready_) OnKey(wParam);
            return 0;
        case WM_SHOWWINDOW:
            // Unmapped under us: the grabs went with it.
            if (!wParam && ready_) Finish(0);
            return 0;
        case WM_DESTROY:
            destroyed_ = true;
            Finish(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT*) {
    if (t_session) {
        SetLastError(ERROR_POPUP_ALREADY_ACTIVE);
        return FALSE;
    }
    std::vector<MenuEntry> entries;
    if (!zovi::platform::menu_detail::CopyMenuEntries(menu, &entries)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    if (reserved != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Offscreen windows have no server to grab on.
    if (entries.empty() || zovi::platform::OffscreenWindowsInUse()) return FALSE;
    // The entries are a copy: a handler that runs meanwhile may destroy the menu.
    CMenuSession session(std::move(entries));
    t_session = &session;
    const UINT chosen = session.Open(POINT{x, y}) ? session.Run() : 0;
    session.Close();
    t_session = nullptr;
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
    if (chosen && !(flags & TPM_NONOTIFY) && owner) PostMessageW(owner, WM_COMMAND, chosen, 0);
    return chosen ? TRUE : FALSE;
}

namespace zovi::platform {

HWND ActivePopupMenuWindow() { return t_session ? t_session->Window() : 0; }

}  // namespace zovi::platform
