#include "app/tests/support/program_session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "core/regvalues/reg_values.h"
#include "core/traylink/tray_link.h"
#include "platform/base/utf8.h"
#include "platform/duilib/controls/option.h"
#include "platform/duilib/core/builder/dialog_builder.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/window/window.h"
#include "skin/skin_archive_data.h"

namespace fs = std::filesystem;

namespace zovi::testing {

namespace {

const std::string kProgram = std::string(ZOVI_BIN_DIR) + "/ZoviCapture";

Display* TestDisplay() {
    static Display* display = XOpenDisplay(nullptr);  // this test's own connection
    return display;
}

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// Controls of tags the library does not know (the windows' own) take their place as
// options, which lays them out the same.
class AnyControl : public DuiLib::IDialogBuilderCallback {
public:
    DuiLib::CControlUI* CreateControl(const wchar_t*) override { return new DuiLib::COptionUI; }
};

std::atomic<int> gTerminations{0};
UINT gTerminateMessage = 0;

LRESULT TrayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == gTerminateMessage && message != 0) {
        ++gTerminations;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool Xdo(const std::vector<std::string>& args) { return DuiLib::test::Xdotool(args); }

}  // namespace

// ---- LayoutMap --------------------------------------------------------------------

LayoutMap::LayoutMap(const wchar_t* layout, int width, int height)
    : manager_(std::make_unique<DuiLib::CPaintManagerUI>()) {
    DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
    AnyControl callback;
    DuiLib::CDialogBuilder builder;
    DuiLib::CControlUI* root = builder.Create(layout, nullptr, &callback, manager_.get());
    if (!root) return;
    manager_->AttachDialog(root);
    size_ = manager_->GetInitSize();
    if (width > 0 && height > 0) size_ = SIZE{width, height};
    DuiLib::test::LayOut(*manager_, size_.cx, size_.cy);
}

LayoutMap::~LayoutMap() = default;

RECT LayoutMap::Rect(const wchar_t* name) const {
    DuiLib::CControlUI* control = manager_->FindControl(name);
    return control ? control->GetPos() : RECT{};
}

POINT LayoutMap::Centre(const wchar_t* name) const { return DuiLib::test::CentreOf(Rect(name)); }

// ---- FakeTray ---------------------------------------------------------------------

FakeTray::FakeTray() {
    gTerminateMessage = RegisterWindowMessageW(kMsgTrayTerminate);
    gTerminations = 0;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TrayProc;
    wc.lpszClassName = kTrayWindowClass;
    RegisterClassExW(&wc);
    hwnd_ = CreateWindowExW(0, kTrayWindowClass, L"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
}

FakeTray::~FakeTray() {
    if (hwnd_) DestroyWindow(hwnd_);
    Pump();
}

long FakeTray::CheckListener(HWND main) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(main, RegisterWindowMessageW(kMsgCheckListener), 0, 0, SMTO_NORMAL, 5000, &result))
        return -1;
    return static_cast<long>(result);
}

void FakeTray::Command(HWND main, UINT id) { PostMessageW(main, RegisterWindowMessageW(kMsgShowCapture), id, 0); }

void FakeTray::Pump() {
    if (Display* display = platform::WindowDisplay(hwnd_)) XSync(display, False);
    MSG msg;
    while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

int FakeTray::Terminations() const { return gTerminations; }

// ---- ScopedEnvironment ------------------------------------------------------------

void ScopedEnvironment::Set(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::make_unique<std::string>(old) : nullptr);
    setenv(name.c_str(), value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second) {
            setenv(it->first.c_str(), it->second->c_str(), 1);
        } else {
            unsetenv(it->first.c_str());
        }
    }
}

// ---- ProgramSession ---------------------------------------------------------------

ProgramSession::ProgramSession(const std::string& apiBase) {
    char pattern[] = "/tmp/zovi-program-XXXXXX";
    base_ = mkdtemp(pattern);
    home_ = base_ + "/home";
    videos_ = base_ + "/videos";
    fs::create_directories(home_ + "/.config");
    fs::create_directories(videos_);
    mkdir((base_ + "/run").c_str(), 0700);
    environment_.Set("HOME", home_);
    environment_.Set("XDG_CONFIG_HOME", home_ + "/.config");
    environment_.Set("ZOVI_RUNTIME_DIR", base_ + "/run");
    environment_.Set("ZOVI_API_BASE", apiBase);
    environment_.Set("BROWSER", "true");  // the home page opens nothing
    // A recording goes to the session's folder; no countdown, the system sound on.
    WriteRegString(platform::DecodeUtf8Lossless(videos_), L"saveVideoPath", nullptr);
    WriteRegDword(0, L"capture_countdown", nullptr);
    WriteRegDword(1, L"CaptureDesktopAudio", nullptr);
    WriteRegDword(0, L"closeToTray", nullptr);
}

ProgramSession::~ProgramSession() {
    if (program_ && !program_->Wait(0)) {
        program_->Kill(SIGKILL);
        program_->Wait(-1);
    }
    std::error_code ignored;
    fs::remove_all(base_, ignored);
}

bool ProgramSession::Start() {
    program_ = platform::ChildProcess::Start({kProgram}, {});
    return program_ != nullptr;
}

HWND ProgramSession::WaitForMainWindow() { return WaitForViewableWindow("CaptureMainWnd", std::chrono::seconds(60)); }

bool ProgramSession::WaitForExit(int seconds) { return program_ && program_->Wait(seconds * 1000); }

std::vector<std::string> ProgramSession::Recordings() const {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(videos_, error)) {
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    }
    return files;
}

std::vector<std::string> ProgramSession::LogLines() const {
    std::vector<std::string> lines;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(home_, error)) {
        if (!entry.is_regular_file() || entry.path().parent_path().filename() != "Log") continue;
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
    }
    return lines;
}

bool ProgramSession::LogHas(const std::string& text) const {
    for (const std::string& line : LogLines()) {
        if (line.find(text) != std::string::npos) return true;
    }
    return false;
}

// ---- X ----------------------------------------------------------------------------

bool IsShown(HWND hwnd) {
    Display* display = TestDisplay();
    if (!display || !hwnd) return false;
    auto* old = XSetErrorHandler(IgnoreXErrors);
    XWindowAttributes attributes{};
    const bool known = XGetWindowAttributes(display, hwnd, &attributes) != 0;
    XSync(display, False);
    XSetErrorHandler(old);
    return known && attributes.map_state == IsViewable;
}

bool HasInputFocus(HWND hwnd) {
    Display* display = TestDisplay();
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return focus == hwnd;
}

HWND WaitForViewableWindow(const std::string& className, std::chrono::milliseconds timeout) {
    HWND found = 0;
    DuiLib::test::WaitUntil(
        [&] {
            for (HWND hwnd : DuiLib::test::FindWindowsByClass(className)) {
                if (IsShown(hwnd)) {
                    found = hwnd;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

std::vector<RECT> BoundingShape(HWND hwnd) {
    Display* display = TestDisplay();
    int count = 0, ordering = 0;
    std::vector<RECT> rects;
    XRectangle* shape = XShapeGetRectangles(display, hwnd, ShapeBounding, &count, &ordering);
    for (int i = 0; i < count; ++i)
        rects.push_back(RECT{shape[i].x, shape[i].y, shape[i].x + shape[i].width, shape[i].y + shape[i].height});
    if (shape) XFree(shape);
    return rects;
}

bool ClickScreen(POINT at) {
    return Xdo({"mousemove", std::to_string(at.x), std::to_string(at.y), "sleep", "0.05", "click", "1"});
}

bool ClickControl(HWND window, const LayoutMap& layout, const wchar_t* name) {
    RECT frame{};
    const RECT control = layout.Rect(name);
    if (control.right <= control.left || !DuiLib::test::XGeometry(window, &frame)) return false;
    const POINT centre = DuiLib::test::CentreOf(control);
    return ClickScreen(POINT{frame.left + centre.x, frame.top + centre.y});
}

bool DragScreen(POINT from, POINT to) {
    std::vector<std::string> args = {"mousemove", std::to_string(from.x), std::to_string(from.y), "sleep", "0.1",
                                     "mousedown", "1"};
    constexpr int kSteps = 10;
    for (int step = 1; step <= kSteps; ++step) {
        const long x = from.x + (to.x - from.x) * step / kSteps, y = from.y + (to.y - from.y) * step / kSteps;
        for (const std::string& arg : {std::string("sleep"), std::string("0.03"), std::string("mousemove"),
                                       std::to_string(x), std::to_string(y)})
            args.push_back(arg);
    }
    for (const char* arg : {"sleep", "0.1", "mouseup", "1"}) args.emplace_back(arg);
    return Xdo(args);
}

void SaveArtefact(HWND hwnd, const std::string& name) {
    const fs::path folder = fs::path(ZOVI_TEST_BIN_DIR) / "artefacts" / "app";
    fs::create_directories(folder);
    DuiLib::test::SaveWindowPng(hwnd, (folder / (name + ".png")).string());
}

ColourWindow::ColourWindow(const char* title, int x, int y, int width, int height, unsigned long rgb) {
    Display* display = XOpenDisplay(nullptr);
    display_ = display;
    if (!display) return;
    const int screen = DefaultScreen(display);
    window_ = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, width, height, 0, 0, rgb);
    XStoreName(display, window_, title);
    XSizeHints hints{};
    hints.flags = USPosition;
    hints.x = x;
    hints.y = y;
    XSetWMNormalHints(display, window_, &hints);
    XMapWindow(display, window_);
    XSync(display, False);
}

ColourWindow::~ColourWindow() {
    auto* display = static_cast<Display*>(display_);
    if (!display) return;
    XDestroyWindow(display, window_);
    XCloseDisplay(display);
}

void ColourWindow::Move(int x, int y) {
    auto* display = static_cast<Display*>(display_);
    XMoveWindow(display, window_, x, y);
    XSync(display, False);
}

POINT FindColourOnScreen(HWND hwnd, unsigned long rgb) {
    Display* display = TestDisplay();
    RECT frame{};
    if (!DuiLib::test::XGeometry(hwnd, &frame)) return POINT{-1, -1};
    XImage* image = XGetImage(display, hwnd, 0, 0, frame.right - frame.left, frame.bottom - frame.top, AllPlanes, ZPixmap);
    if (!image) return POINT{-1, -1};
    long left = image->width, top = image->height, right = -1, bottom = -1;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            if ((XGetPixel(image, x, y) & 0xFFFFFF) != rgb) continue;
            left = std::min<long>(left, x);
            right = std::max<long>(right, x);
            top = std::min<long>(top, y);
            bottom = std::max<long>(bottom, y);
        }
    }
    XDestroyImage(image);
    if (right < 0) return POINT{-1, -1};
    return POINT{static_cast<LONG>(frame.left + (left + right) / 2), static_cast<LONG>(frame.top + (top + bottom) / 2)};
}

}  // namespace zovi::testing
