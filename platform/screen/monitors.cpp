#include "platform/screen/monitors.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cwctype>

#include "platform/screen/rect_ops.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform {

namespace {

std::wstring FromLatin(const char* text) {
    std::wstring out;
    for (const char* p = text; p && *p; ++p) out += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return out;
}

// The work area of the current desktop, or false when no window manager publishes one.
bool ReadWorkArea(Display* display, Window root, RECT* area) {
    const Atom workArea = XInternAtom(display, "_NET_WORKAREA", True);
    if (workArea == 0) return false;
    long desktop = 0;
    const Atom current = XInternAtom(display, "_NET_CURRENT_DESKTOP", True);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (current && XGetWindowProperty(display, root, current, 0, 1, False, XA_CARDINAL, &type,
                                      &format, &count, &after, &data) == Success &&
        data && count == 1 && format == 32)
        desktop = reinterpret_cast<long*>(data)[0];
    if (data) XFree(data);
    data = nullptr;
    bool ok = false;
    if (XGetWindowProperty(display, root, workArea, 0, 1024, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data && format == 32 && count >= 4) {
        const long* values = reinterpret_cast<long*>(data);
        const unsigned long base = (static_cast<unsigned long>(desktop) * 4 + 3 < count) ? desktop * 4 : 0;
        *area = {static_cast<LONG>(values[base]), static_cast<LONG>(values[base + 1]),
                 static_cast<LONG>(values[base] + values[base + 2]),
                 static_cast<LONG>(values[base + 1] + values[base + 3])};
        ok = true;
    }
    if (data) XFree(data);
    return ok;
}

}  // namespace

bool SameDeviceName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

bool EnumMonitors(CScreenConnection& connection, std::vector<MonitorInfo>* monitors) {
    monitors->clear();
    Display* display = connection.Display();
    const SIZE root = connection.RootSize();
    const RECT rootRect{0, 0, root.cx, root.cy};
    RECT workArea{};
    const bool hasWorkArea = ReadWorkArea(display, connection.Root(), &workArea);
    int count = 0;
    XRRMonitorInfo* list = XRRGetMonitors(display, connection.Root(), True, &count);
    for (int i = 0; list && i < count; ++i) {
        MonitorInfo info;
        const RECT whole{list[i].x, list[i].y, list[i].x + list[i].width,
                         list[i].y + list[i].height};
        if (!IntersectRect(&info.rcMonitor, whole, rootRect)) continue;
        if (!hasWorkArea || !IntersectRect(&info.rcWork, info.rcMonitor, workArea))
            info.rcWork = info.rcMonitor;
        info.dwFlags = list[i].primary ? 1 : 0;
        char* name = list[i].name ? XGetAtomName(display, list[i].name) : nullptr;
        info.device = FromLatin(name);
        if (name) XFree(name);
        monitors->push_back(info);
    }
    if (list) XRRFreeMonitors(list);
    return !monitors->empty();
}

bool EnumMonitors(std::vector<MonitorInfo>* monitors) {
    monitors->clear();
    auto connection = CScreenConnection::Open();
    return connection && EnumMonitors(*connection, monitors);
}

bool GetDisplayMode(CScreenConnection& connection, const std::wstring& device, DisplayMode* mode) {
    Display* display = connection.Display();
    int count = 0;
    XRRMonitorInfo* list = XRRGetMonitors(display, connection.Root(), True, &count);
    bool found = false;
    for (int i = 0; list && i < count && !found; ++i) {
        char* name = list[i].name ? XGetAtomName(display, list[i].name) : nullptr;
        found = SameDeviceName(FromLatin(name), device);
        if (name) XFree(name);
        if (!found) continue;
        *mode = {list[i].width, list[i].height, 0};
        if (list[i].noutput < 1) break;
        x11::CXErrorTrap trap(display);
        XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, connection.Root());
        XRROutputInfo* output =
            resources ? XRRGetOutputInfo(display, resources, list[i].outputs[0]) : nullptr;
        XRRCrtcInfo* crtc =
            (output && output->crtc) ? XRRGetCrtcInfo(display, resources, output->crtc) : nullptr;
        if (crtc) {
            switch (crtc->rotation & 0xf) {
                case RR_Rotate_90: mode->orientation = 1; break;
                case RR_Rotate_180: mode->orientation = 2; break;
                case RR_Rotate_270: mode->orientation = 3; break;
                default: mode->orientation = 0; break;
            }
            XRRFreeCrtcInfo(crtc);
        }
        if (output) XRRFreeOutputInfo(output);
        if (resources) XRRFreeScreenResources(resources);
    }
    if (list) XRRFreeMonitors(list);
    return found;
}

}  // namespace zovi::platform
