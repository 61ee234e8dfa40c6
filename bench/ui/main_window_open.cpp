#include "bench/ui/main_window_open.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "core/traylink/tray_link.h"
#include "platform/duilib/controls/option.h"
#include "platform/duilib/core/builder/dialog_builder.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/process/process.h"
#include "platform/window/window.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 7;

class AnyControl : public DuiLib::IDialogBuilderCallback {
public:
    DuiLib::CControlUI* CreateControl(const wchar_t*) override { return new DuiLib::COptionUI; }
};

// Where the microphone combo writes its text, in the main window's client area.
bool MicComboTextArea(RECT* area) {
    DuiLib::CPaintManagerUI manager;
    AnyControl callback;
    DuiLib::CDialogBuilder builder;
    DuiLib::CControlUI* root = builder.Create(L"CaptureConfigure.xml", nullptr, &callback, &manager);
    if (!root || !manager.AttachDialog(root)) return false;
    // Laid out as the window's first paint lays it out.
    const SIZE size = manager.GetInitSize();
    LRESULT ignored = 0;
    manager.MessageHandler(WM_SIZE, 0, MAKELPARAM(static_cast<WORD>(size.cx), static_cast<WORD>(size.cy)), ignored);
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    manager.RenderToSurface(scratch, RECT{0, 0, 1, 1});
    cairo_surface_destroy(scratch);
    DuiLib::CControlUI* combo = manager.FindControl(L"comMic");
    if (!combo) return false;
    const RECT rc = combo->GetPos();
    *area = RECT{rc.left + 8, rc.top + 4, rc.right - 24, rc.bottom - 4};
    return area->right > area->left && area->bottom > area->top;
}

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

bool HasClass(Display* display, Window window, const char* className) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) return false;
    const bool match = hint.res_class && std::strcmp(hint.res_class, className) == 0;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return match;
}

// The viewable top-level window of the class, or 0.
Window FindViewable(Display* display, const char* className) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable &&
            HasClass(display, children[i], className))
            found = children[i];
    }
    if (children) XFree(children);
    return found;
}

// Whether the area of the window shows dark text pixels.
bool ShowsText(Display* display, Window window, const RECT& area) {
    XImage* image = XGetImage(display, window, area.left, area.top, area.right - area.left, area.bottom - area.top,
                              AllPlanes, ZPixmap);
    if (!image) return false;
    int dark = 0;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            if (((pixel >> 16) & 0xFF) < 0x80 && ((pixel >> 8) & 0xFF) < 0x80 && (pixel & 0xFF) < 0x80) ++dark;
        }
    }
    XDestroyImage(image);
    return dark > 20;
}

// One start in a fresh home; the time to the frame, or -1.
double OneStart(const std::string& program, Display* display, const RECT& area) {
    char pattern[] = "/tmp/zovi-bench-home-XXXXXX";
    const std::string base = mkdtemp(pattern);
    std::filesystem::create_directories(base + "/home/.config");
    mkdir((base + "/run").c_str(), 0700);
    setenv("HOME", (base + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (base + "/home/.config").c_str(), 1);
    setenv("ZOVI_RUNTIME_DIR", (base + "/run").c_str(), 1);
    setenv("ZOVI_API_BASE", "http://127.0.0.1:9", 1);  // no online service

    double ms = -1;
    const auto start = Clock::now();
    auto child = zovi::platform::ChildProcess::Start({program}, {});
    if (child) {
        const auto deadline = start + std::chrono::seconds(30);
        while (Clock::now() < deadline && !child->Wait(0)) {
            const Window window = FindViewable(display, "CaptureMainWnd");
            if (window && ShowsText(display, window, area)) {
                ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        child->Kill(SIGTERM);
        if (!child->Wait(30'000)) {
            child->Kill(SIGKILL);
            child->Wait(-1);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
    return ms;
}

}  // namespace

double MainWindowOpenMs(const std::string& program) {
    RECT area{};
    if (!MicComboTextArea(&area)) return -1;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return -1;
    XSetErrorHandler(IgnoreXErrors);  // windows come and go while polled
    // A "tray" here, so the recorder starts no tray program.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = kTrayWindowClass;
    RegisterClassExW(&wc);
    const HWND tray = CreateWindowExW(0, kTrayWindowClass, L"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);

    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const double ms = OneStart(program, display, area);
        if (ms < 0) break;
        times.push_back(ms);
        MSG msg;
        while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    DestroyWindow(tray);
    XCloseDisplay(display);
    if (times.size() != kRuns) return -1;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
