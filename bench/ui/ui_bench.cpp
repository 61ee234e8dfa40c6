// UI library speed on a private X server (bench/ui.sh): the message box from Create to
// its first presented frame, a full repaint and a full present of a 1280x720 window
// holding 480 controls, a key typed into an edit of a 600x400 dialog until the frame
// showing it is presented, the recorder's start to its main window showing its devices,
// a whiteboard pen stroke followed from the pointer to the screen, and the processor
// time of drawing on a full-screen whiteboard. Medians of several runs; the last line is
// the summary.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/ui/main_window_open.h"
#include "bench/ui/whiteboard_draw.h"
#include "platform/duilib/controls/edit.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/window/present.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"
#include "ui/recording/msgbox/ui_msg_box.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Waits until the X server has taken everything sent for the window.
void Sync(HWND hwnd) {
    if (Display* display = zovi::platform::WindowDisplay(hwnd)) XSync(display, False);
}

// The message box, told when its first paint was presented.
class CTimedMsgBox : public DuiLib::CUIMsgBox {
public:
    CTimedMsgBox() : CUIMsgBox(L"Zovi录屏", L"录制已停止。The recording stopped.", 3) {}
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        const LRESULT result = CUIMsgBox::HandleMessage(uMsg, wParam, lParam);
        if (uMsg == WM_PAINT) painted = true;
        return result;
    }
    bool painted = false;
};

double OpenMessageBoxMs() {
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        auto box = std::make_shared<CTimedMsgBox>();
        const auto start = Clock::now();
        if (!box->Create(0, L"", DuiLib::UI_WNDSTYLE_DIALOG, WS_EX_TOOLWINDOW)) return -1;
        box->ShowWindow(true, false);
        MSG msg{};
        while (!box->painted && ::GetMessageW(&msg, 0, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        Sync(*box);
        times.push_back(Ms(Clock::now() - start));
        ::DestroyWindow(*box);
    }
    return Median(times);
}

// 24 rows of 20 cells: labels and buttons with text, borders and fills.
std::wstring GridLayout() {
    std::wstring xml = L"<Window size=\"1280,720\"><VerticalLayout bkcolor=\"#FFFFFFFF\" inset=\"4,4,4,4\">";
    for (int row = 0; row < 24; ++row) {
        xml += L"<HorizontalLayout height=\"29\" childpadding=\"2\">";
        for (int col = 0; col < 20; ++col) {
            const std::wstring text = std::to_wstring(row * 20 + col);
            if ((row + col) % 2) {
                xml += L"<Button text=\"按钮 " + text + L"\" bkcolor=\"#FFF0F0F0\" bordersize=\"1\" "
                       L"bordercolor=\"#FFA7A6AA\" textcolor=\"#FF333333\" font=\"3\"/>";
            } else {
                xml += L"<Label text=\"Label " + text + L"\" textcolor=\"#FF333333\" font=\"3\"/>";
            }
        }
        xml += L"</HorizontalLayout>";
    }
    return xml + L"</VerticalLayout></Window>";
}

class CGridWindow : public DuiLib::WindowImplBase {
public:
    const wchar_t* GetWindowClassName() const override { return L"UiBenchGrid"; }
    DuiLib::CDuiString GetSkinFile() override { return GridLayout(); }
};

void GridMs(double* paintMs, double* presentMs) {
    CGridWindow window;
    *paintMs = *presentMs = -1;
    if (!window.Create(0, L"", WS_POPUP, 0, 0, 0, 1280, 720)) return;
    window.ShowWindow(true, false);
    const RECT all{0, 0, 1280, 720};
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1280, 720);
    window.GetPaintManager().RenderToSurface(surface, all);  // lays out and warms the caches
    std::vector<double> paints, presents;
    for (int i = 0; i < 30; ++i) {
        window.GetPaintManager().NeedUpdate();
        auto start = Clock::now();
        window.GetPaintManager().RenderToSurface(surface, all);
        paints.push_back(Ms(Clock::now() - start));
        start = Clock::now();
        zovi::platform::PresentWindow(window, surface, all);
        Sync(window);
        presents.push_back(Ms(Clock::now() - start));
    }
    cairo_surface_destroy(surface);
    ::DestroyWindow(window);
    *paintMs = Median(paints);
    *presentMs = Median(presents);
}

// A 600x400 dialog of labels and edits; it notes when a paint showed the edit's text at
// the length it waits for.
class CTypingWindow : public DuiLib::WindowImplBase {
public:
    const wchar_t* GetWindowClassName() const override { return L"UiBenchTyping"; }
    DuiLib::CDuiString GetSkinFile() override {
        std::wstring xml = L"<Window size=\"600,400\" bkcolor=\"#FFFFFFFF\"><VerticalLayout inset=\"20,20,20,20\" childpadding=\"8\">";
        for (int i = 0; i < 4; ++i) {
            xml += L"<Label height=\"20\" font=\"2\" textcolor=\"#FF333333\" text=\"字段 Field " + std::to_wstring(i) + L"\"/>";
            xml += L"<Edit name=\"edit" + std::to_wstring(i) + L"\" height=\"30\" font=\"2\" tipvalue=\"请输入 Type here\"/>";
        }
        return xml + L"<Control/></VerticalLayout></Window>";
    }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        const LRESULT result = WindowImplBase::HandleMessage(uMsg, wParam, lParam);
        if (uMsg == WM_PAINT && edit && edit->GetText().GetLength() >= awaitedLength) shown = true;
        return result;
    }
    DuiLib::CEditUI* edit = nullptr;
    int awaitedLength = 0;
    bool shown = false;
};

// Dispatches until `done` holds; false when the queue ended or 5 s passed first (a key
// that went to another window: the caret's blink timer keeps the loop waking up).
template <class Done>
bool PumpUntil(const Done& done) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    MSG msg{};
    while (!done()) {
        if (Clock::now() > deadline || ::GetMessageW(&msg, 0, 0, 0) <= 0) return false;
        if (DuiLib::CPaintManagerUI::TranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return true;
}

// A key pressed through XTest (as the keyboard would) until the frame with its
// character is presented and the X server has taken it.
double KeystrokeToPresentMs() {
    CTypingWindow window;
    if (!window.Create(0, L"", WS_POPUP, 0, 0, 0, 600, 400)) return -1;
    window.ShowWindow(true, true);
    ::SetForegroundWindow(window);
    window.edit = static_cast<DuiLib::CEditUI*>(window.GetPaintManager().FindControl(L"edit1"));
    Display* display = zovi::platform::WindowDisplay(window);
    if (!window.edit || !display) return -1;
    window.GetPaintManager().SetFocus(window.edit);
    if (!PumpUntil([&] { return window.shown; })) return -1;
    const unsigned keycode = XKeysymToKeycode(display, XK_a);
    std::vector<double> times;
    for (int i = 1; i <= 40; ++i) {
        window.awaitedLength = i;
        window.shown = false;
        const auto start = Clock::now();
        XTestFakeKeyEvent(display, keycode, True, CurrentTime);
        XTestFakeKeyEvent(display, keycode, False, CurrentTime);
        XFlush(display);
        if (!PumpUntil([&] { return window.shown; })) return -1;
        Sync(window);
        times.push_back(Ms(Clock::now() - start));
    }
    ::DestroyWindow(window);
    return window.edit->GetText().GetLength() == 40 ? Median(times) : -1;
}

}  // namespace

int main() {
    if (!zovi::platform::HasDisplay()) {
        std::fprintf(stderr, "ui bench: no X server\n");
        return 1;
    }
    DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
    TolkaSetLang(TolkaLangChinese);
    const double openMs = OpenMessageBoxMs();
    double paintMs = 0, presentMs = 0;
    GridMs(&paintMs, &presentMs);
    const double keyMs = KeystrokeToPresentMs();
    const double mainWindowMs = MainWindowOpenMs(ZOVI_CAPTURE_PROGRAM);
    const double strokeMs = WhiteBoardStrokeToScreenMs();
    const double updateCpu = WhiteBoardUpdateCpuPercent();
    std::printf("message box, Create to the first presented frame: %.2f ms\n", openMs);
    std::printf("1280x720, 480 controls: full paint %.2f ms, full present %.2f ms\n", paintMs, presentMs);
    std::printf("600x400 dialog, XTest key to the presented frame of its edit: %.2f ms\n", keyMs);
    std::printf("ZoviCapture, process start to the main window's first frame with its devices: %.1f ms\n",
                mainWindowMs);
    std::printf("whiteboard, XTest pen motion to the stroke in a root grab: %.2f ms\n", strokeMs);
    std::printf("1920x1080 whiteboard drawn on every 5 ms for 3 s: %.1f%% of one core\n", updateCpu);
    std::printf("ui: open_ms=%.1f full_paint_ms=%.1f present_ms=%.1f keystroke_to_present_ms=%.2f "
                "main_window_open_ms=%.1f wb_stroke_to_screen_ms=%.2f wb_update_cpu_pct=%.1f\n",
                openMs, paintMs, presentMs, keyMs, mainWindowMs, strokeMs, updateCpu);
    return openMs < 0 || paintMs < 0 || keyMs < 0 || mainWindowMs < 0 || strokeMs < 0 || updateCpu < 0 ? 1 : 0;
}
