// The XEmbed tray icon: a small window of ours that the panel owning
// _NET_SYSTEM_TRAY_S<screen> docks (reparents into itself, maps and sizes). Its events
// come through an X event filter on the owner's thread: paints at the size the panel
// gives, clicks and moves to the owner window. The icon window never maps itself; when
// the panel ends the icon is lost (as after a restart of the Windows taskbar).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>

#include "platform/base/utf8.h"
#include "platform/tray/icon_painter.h"
#include "platform/tray/notify_backend.h"
#include "platform/window/x_event_filter.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform::tray {
namespace {

constexpr long kRequestDock = 0;  // SYSTEM_TRAY_REQUEST_DOCK
constexpr long kXEmbedMapped = 1;
constexpr int kMinimumSize = 24;  // without it some panels give the icon a 1-pixel width

Atom Intern(Display* display, const char* name) { return XInternAtom(display, name, False); }

// The visual the panel asks its icons to use (_NET_SYSTEM_TRAY_VISUAL); null when none.
Visual* ManagerVisual(Display* display, Window manager, int* depth) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    VisualID id = 0;
    {
        x11::CXErrorTrap trap(display, false);
        if (XGetWindowProperty(display, manager, Intern(display, "_NET_SYSTEM_TRAY_VISUAL"), 0, 1, False,
                               XA_VISUALID, &type, &format, &count, &after, &data) == Success &&
            data && format == 32 && count == 1)
            id = static_cast<VisualID>(reinterpret_cast<unsigned long*>(data)[0]);
    }
    if (data) XFree(data);
    if (!id) return nullptr;
    XVisualInfo wanted{};
    wanted.visualid = id;
    int found = 0;
    XVisualInfo* info = XGetVisualInfo(display, VisualIDMask, &wanted, &found);
    Visual* visual = nullptr;
    if (info && found > 0) {
        visual = info->visual;
        *depth = info->depth;
    }
    if (info) XFree(info);
    return visual;
}

class XEmbedBackend final : public NotifyBackend {
public:
    ~XEmbedBackend() override { Remove(); }

    bool Add(const IconState& state) override {
        if (window_) return false;
        display_ = ThreadDisplay();
        if (!display_ || x11::ConnectionLost(display_)) return false;
        const int screen = DefaultScreen(display_);
        const Atom selection = Intern(display_, ("_NET_SYSTEM_TRAY_S" + std::to_string(screen)).c_str());
        const Window manager = XGetSelectionOwner(display_, selection);
        if (manager == None) return false;
        state_ = state;
        if (!CreateIconWindow(screen, manager) || !RequestDock(manager)) {
            Remove();
            return false;
        }
        return true;
    }

    bool Modify(const IconState& state) override {
        if (!window_ || lost_ || x11::ConnectionLost(display_)) return false;
        const bool newTip = state.tip != state_.tip;
        state_ = state;
        if (newTip) SetName();
        Paint();
        return true;
    }

    void Remove() override {
        if (filterId_) RemoveXEventFilter(filterId_);
        filterId_ = 0;
        if (display_ && !x11::ConnectionLost(display_)) {
            x11::CXErrorTrap trap(display_);  // the window may be gone with the panel
            if (window_) XDestroyWindow(display_, window_);
            if (colormap_) XFreeColormap(display_, colormap_);
        }
        window_ = 0;
        colormap_ = 0;
    }

private:
    bool CreateIconWindow(int screen, Window manager) {
        x11::CXErrorTrap trap(display_);
        const Window root = RootWindow(display_, screen);
        visual_ = DefaultVisual(display_, screen);
        int depth = DefaultDepth(display_, screen);
        int offeredDepth = 0;
        Visual* offered = ManagerVisual(display_, manager, &offeredDepth);
        XSetWindowAttributes attributes{};
        unsigned long mask = CWEventMask;
        attributes.event_mask = ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask |
                                PointerMotionMask;
        if (offered && offered != visual_) {
            visual_ = offered;
            colormap_ = XCreateColormap(display_, root, visual_, AllocNone);
            attributes.colormap = colormap_;
            attributes.border_pixel = 0;
            mask |= CWColormap | CWBorderPixel;
        }
        if (offered && offeredDepth != depth) {
            // An ARGB visual: the icon's transparent pixels are cleared to transparent.
            depth = offeredDepth;
            attributes.background_pixel = 0;
            mask |= CWBackPixel;
        } else {
            // The panel's background shows through (same depth as the panel).
            attributes.background_pixmap = ParentRelative;
            mask |= CWBackPixmap;
        }
        window_ = XCreateWindow(display_, root, 0, 0, kMinimumSize, kMinimumSize, 0, depth, InputOutput, visual_,
                                mask, &attributes);
        width_ = height_ = kMinimumSize;

        const long info[2] = {0, kXEmbedMapped};  // version 0, mapped once docked
        const Atom infoAtom = Intern(display_, "_XEMBED_INFO");
        XChangeProperty(display_, window_, infoAtom, infoAtom, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(info), 2);
        XSizeHints hints{};
        hints.flags = PMinSize | PBaseSize;
        hints.min_width = hints.base_width = kMinimumSize;
        hints.min_height = hints.base_height = kMinimumSize;
        XSetWMNormalHints(display_, window_, &hints);
        SetName();
        filterId_ = AddXEventFilter([this](XEvent& event) { return OnEvent(event); });
        return !trap.Failed();
    }

    bool RequestDock(Window manager) {
        x11::CXErrorTrap trap(display_);  // the panel may have ended meanwhile
        XEvent request{};
        request.xclient.type = ClientMessage;
        request.xclient.window = manager;
        request.xclient.message_type = Intern(display_, "_NET_SYSTEM_TRAY_OPCODE");
        request.xclient.format = 32;
        request.xclient.data.l[0] = CurrentTime;
        request.xclient.data.l[1] = kRequestDock;
        request.xclient.data.l[2] = static_cast<long>(window_);
        XSendEvent(display_, manager, False, NoEventMask, &request);
        return !trap.Failed();
    }

    // The tooltip, which panels may show as the icon's name.
    void SetName() {
        const std::string name = WideToUtf8(state_.tip);
        XChangeProperty(display_, window_, Intern(display_, "_NET_WM_NAME"), Intern(display_, "UTF8_STRING"), 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(name.data()),
                        static_cast<int>(name.size()));
    }

    void Paint() {
        if (!window_ || lost_) return;
        x11::CXErrorTrap trap(display_, false);
        PaintIconWindow(display_, window_, visual_, width_, height_, state_.icon.get());
    }

    // The panel ended: the server put the window back on the root (or destroyed it).
    void Lose() {
        lost_ = true;
        Remove();
    }

    bool OnEvent(XEvent& event) {
        switch (event.type) {
        case Expose:
        case ConfigureNotify:
        case ButtonPress:
        case ButtonRelease:
        case MotionNotify:
        case ReparentNotify:
        case DestroyNotify:
        case MapNotify:
        case UnmapNotify:
        case ClientMessage:
            break;
        default:
            return false;  // MappingNotify and the like belong to the window layer
        }
        if (!window_ || event.xany.window != window_) return false;
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) Paint();
            break;
        case ConfigureNotify:
            width_ = event.xconfigure.width;
            height_ = event.xconfigure.height;
            Paint();
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1 || event.xbutton.button == Button3)
                PostIconCallback(state_, event.xbutton.button == Button1 ? WM_LBUTTONUP : WM_RBUTTONUP,
                                 POINT{event.xbutton.x_root, event.xbutton.y_root});
            break;
        case MotionNotify:
            PostIconCallback(state_, WM_MOUSEMOVE, POINT{event.xmotion.x_root, event.xmotion.y_root});
            break;
        case ReparentNotify:
            if (event.xreparent.parent == DefaultRootWindow(display_)) Lose();
            break;
        case DestroyNotify:
            window_ = 0;  // nothing left to destroy
            Lose();
            break;
        default:
            break;
        }
        return true;
    }

    Display* display_ = nullptr;
    Window window_ = 0;
    Visual* visual_ = nullptr;
    Colormap colormap_ = 0;
    int width_ = 0;
    int height_ = 0;
    int filterId_ = 0;
    bool lost_ = false;
    IconState state_;
};

}  // namespace

std::unique_ptr<NotifyBackend> MakeXEmbedBackend() { return std::make_unique<XEmbedBackend>(); }

}  // namespace zovi::platform::tray
