// The X window of a window record: creation with its window-manager properties, later
// property changes, and what the window manager supports.
#include <X11/Xatom.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/base/utf8.h"
#include "platform/window/process_ids.h"
#include "platform/window/text_input_x.h"
#include "platform/window/window_internal.h"
#include "platform/window/x_shape.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform::window_detail {

namespace {

void SetUtf8Property(Display* display, Window window, const char* name, const std::wstring& value) {
    const std::string text = WideToUtf8(value);
    XChangeProperty(display, window, GetAtom(display, name), GetAtom(display, "UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
}

void SetAtomsProperty(Display* display, Window window, const char* name, const std::vector<Atom>& atoms) {
    if (atoms.empty()) {
        XDeleteProperty(display, window, GetAtom(display, name));
        return;
    }
    std::vector<long> values(atoms.begin(), atoms.end());
    XChangeProperty(display, window, GetAtom(display, name), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
}

// A 32-bit property as a list (empty when missing or of another type).
std::vector<unsigned long> ReadLongs(Display* display, Window window, const char* name, Atom type) {
    std::vector<unsigned long> out;
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, GetAtom(display, name), 0, 4096, False, type, &actualType, &format,
                           &count, &after, &data) == Success &&
        data && format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        out.assign(values, values + count);
    }
    if (data) XFree(data);
    return out;
}

// Pop-ups that must never take the focus: drop-downs (no-activate) and tooltips.
bool IsOverrideRedirectStyle(DWORD style, DWORD exStyle) {
    const DWORD tooltip = WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT;
    return ((style & WS_POPUP) && (exStyle & WS_EX_NOACTIVATE)) || (exStyle & tooltip) == tooltip;
}

void SetUndecorated(Display* display, Window window) {
    const long hints[5] = {2, 0, 0, 0, 0};  // flags: decorations given; decorations: none
    const Atom motif = GetAtom(display, "_MOTIF_WM_HINTS");
    XChangeProperty(display, window, motif, motif, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(hints),
                    5);
}

void SetTopLevelProperties(WindowRecord& record) {
    Display* display = record.display;
    const Window window = record.hwnd;
    SetUtf8Property(display, window, kClassAtom, record.className);
    const long pid = static_cast<long>(GetCurrentProcessId());
    XChangeProperty(display, window, GetAtom(display, "_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    Atom protocols[] = {GetAtom(display, "WM_DELETE_WINDOW")};
    XSetWMProtocols(display, window, protocols, 1);
    // WM_CLASS: the program's name, and the window class as the class.
    std::string name = program_invocation_short_name ? program_invocation_short_name : "zovi";
    std::string className = WideToUtf8(record.className);
    XClassHint classHint{name.data(), className.data()};
    XSetClassHint(display, window, &classHint);
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = record.neverActivates ? False : True;
    XSetWMHints(display, window, &hints);
    XSizeHints position{};
    position.flags = USPosition | USSize;
    position.x = record.x, position.y = record.y;
    position.width = std::max(record.width, 1), position.height = std::max(record.height, 1);
    XSetWMNormalHints(display, window, &position);
    if (record.parent && !IsOffscreenHandle(record.parent)) XSetTransientForHint(display, window, record.parent);
    if (!(record.style & WS_CAPTION)) SetUndecorated(display, window);
    std::vector<Atom> states;
    if (record.exStyle & WS_EX_TOPMOST) states.push_back(GetAtom(display, "_NET_WM_STATE_ABOVE"));
    if (record.exStyle & WS_EX_TOOLWINDOW) {
        states.push_back(GetAtom(display, "_NET_WM_STATE_SKIP_TASKBAR"));
        states.push_back(GetAtom(display, "_NET_WM_STATE_SKIP_PAGER"));
        SetAtomsProperty(display, window, "_NET_WM_WINDOW_TYPE", {GetAtom(display, "_NET_WM_WINDOW_TYPE_UTILITY")});
    }
    SetAtomsProperty(display, window, "_NET_WM_STATE", states);
}

}  // namespace

bool CreateXWindow(WindowRecord& record, const wchar_t* title) {
    Display* display = record.display;
    const int screen = DefaultScreen(display);
    const bool child = (record.style & WS_CHILD) != 0;
    XSetWindowAttributes attributes{};
    unsigned long mask = CWEventMask | CWBorderPixel | CWBitGravity;
    attributes.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                            ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask |
                            FocusChangeMask;
    attributes.border_pixel = 0;
    attributes.bit_gravity = NorthWestGravity;
    if (!child && IsOverrideRedirectStyle(record.style, record.exStyle)) {
        attributes.override_redirect = True;
        mask |= CWOverrideRedirect;
        record.overrideRedirect = true;
    }
    record.neverActivates = record.overrideRedirect || (record.exStyle & WS_EX_NOACTIVATE);
    // Layered top-level windows keep exact geometry and stacking of their own; they may
    // still take the focus (the whiteboard does, explicitly).
    if (!child && (record.exStyle & WS_EX_LAYERED) && !record.overrideRedirect) {
        attributes.override_redirect = True;
        mask |= CWOverrideRedirect;
        record.overrideRedirect = true;
    }
    record.visual = DefaultVisual(display, screen);
    record.depth = DefaultDepth(display, screen);
    XVisualInfo argb{};
    if ((record.exStyle & WS_EX_LAYERED) && XMatchVisualInfo(display, screen, 32, TrueColor, &argb)) {
        record.visual = argb.visual;
        record.depth = 32;
        record.colormap = XCreateColormap(display, RootWindow(display, screen), record.visual, AllocNone);
        attributes.colormap = record.colormap;
        attributes.background_pixel = 0;
        mask |= CWColormap | CWBackPixel;
    }
    const Window xParent = child ? record.parent : RootWindow(display, screen);
    const Window window =
        XCreateWindow(display, xParent, record.x, record.y, std::max(record.width, 1), std::max(record.height, 1), 0,
                      record.depth, InputOutput, record.visual, mask, &attributes);
    if (!window) {
        if (record.colormap) XFreeColormap(display, record.colormap);
        record.colormap = 0;
        return false;
    }
    record.hwnd = window;
    // An empty input shape: the pointer goes through the window to what lies below.
    if (record.exStyle & WS_EX_TRANSPARENT) SetShapeRectangles(display, window, ShapeInput, {});
    if (!child) SetTopLevelProperties(record);
    if (!child && !record.neverActivates) CreateInputContext(display, window, attributes.event_mask);
    SetWindowTitle(record, title);
    XFlush(display);
    return true;
}

void SetWindowTitle(WindowRecord& record, const wchar_t* title) {
    if (!UsableDisplay(record)) return;
    const std::wstring text = title ? title : L"";
    SetUtf8Property(record.display, record.hwnd, "_NET_WM_NAME", text);
    XStoreName(record.display, record.hwnd, WideToUtf8(text).c_str());
}

bool WindowManagerSupports(Display* display, const char* hint) {
    const Window root = DefaultRootWindow(display);
    x11::CXErrorTrap trap(display, false);  // the check window may be a stale one
    // A running manager names a window that names itself (a dead one leaves the root's
    // properties behind).
    const auto check = ReadLongs(display, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (check.empty()) return false;
    const auto self = ReadLongs(display, static_cast<Window>(check[0]), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (self.empty() || self[0] != check[0]) return false;
    const Atom wanted = GetAtom(display, hint);
    const auto supported = ReadLongs(display, root, "_NET_SUPPORTED", XA_ATOM);
    return std::find(supported.begin(), supported.end(), wanted) != supported.end();
}

void ChangeNetWmState(WindowRecord& record, const char* state, bool add) {
    Display* display = record.display;
    if (!display) return;
    const Atom value = GetAtom(display, state);
    if (record.xMapped && !record.overrideRedirect && WindowManagerSupports(display, "_NET_WM_STATE")) {
        // A managed window's state is the window manager's to change.
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = record.hwnd;
        event.xclient.message_type = GetAtom(display, "_NET_WM_STATE");
        event.xclient.format = 32;
        event.xclient.data.l[0] = add ? 1 : 0;
        event.xclient.data.l[1] = static_cast<long>(value);
        event.xclient.data.l[3] = 1;  // source: an application
        XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    } else {
        auto current = ReadLongs(display, record.hwnd, "_NET_WM_STATE", XA_ATOM);
        std::vector<Atom> states(current.begin(), current.end());
        states.erase(std::remove(states.begin(), states.end(), value), states.end());
        if (add) states.push_back(value);
        SetAtomsProperty(display, record.hwnd, "_NET_WM_STATE", states);
    }
    XFlush(display);
}

}  // namespace zovi::platform::window_detail

namespace zovi::platform {

using namespace window_detail;

namespace {

// A top-level window of the calling thread, for the window-manager hints.
RecordPtr TopLevelRecord(HWND hwnd) {
    RecordPtr record = FindOwnRecord(hwnd);
    return record && !(record->style & WS_CHILD) ? record : nullptr;
}

}  // namespace

// Offscreen windows have no window manager to tell: the hints succeed and change nothing.
bool SetWindowUndecorated(HWND hwnd) {
    RecordPtr record = TopLevelRecord(hwnd);
    if (!record) return false;
    if (record->display) {
        SetUndecorated(record->display, hwnd);
        XFlush(record->display);
    }
    return true;
}

bool SetModalState(HWND hwnd, bool modal) {
    RecordPtr record = TopLevelRecord(hwnd);
    if (!record) return false;
    ChangeNetWmState(*record, "_NET_WM_STATE_MODAL", modal);
    return true;
}

bool SetWindowIcon(HWND hwnd, const std::vector<IconImage>& icons) {
    RecordPtr record = TopLevelRecord(hwnd);
    if (!record) return false;
    if (!record->display) return true;
    std::vector<long> data;
    for (const IconImage& icon : icons) {
        if (icon.width <= 0 || icon.height <= 0 ||
            icon.argb.size() != static_cast<size_t>(icon.width) * static_cast<size_t>(icon.height)) {
            return false;
        }
        data.push_back(icon.width);
        data.push_back(icon.height);
        data.insert(data.end(), icon.argb.begin(), icon.argb.end());
    }
    const Atom property = GetAtom(record->display, "_NET_WM_ICON");
    if (data.empty()) {
        XDeleteProperty(record->display, hwnd, property);
    } else {
        XChangeProperty(record->display, hwnd, property, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    }
    XFlush(record->display);
    return true;
}

bool HasCompositor() {
    Display* display = MessengerDisplay();
    if (!display) return false;
    char name[32];
    std::snprintf(name, sizeof name, "_NET_WM_CM_S%d", DefaultScreen(display));
    return XGetSelectionOwner(display, GetAtom(display, name)) != None;
}

}  // namespace zovi::platform
