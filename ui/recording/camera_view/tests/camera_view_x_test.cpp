// The camera view on the test X server with the real capture controller and its camera
// reader fed by FFmpeg's SMPTE bars (the picture a camera would give): the mirrored
// picture on screen, the toolbar while the pointer is over the picture, the three sizes,
// closing through the toolbar, frames from a reader thread, and a camera-only recording
// started from the capture main window with the view open.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/deferred/on_idle.h"
#include "core/global/global.h"
#include "core/options/options_controller.h"
#include "engine/camera/video_decoder.h"
#include "engine/capture/tests/support/media_probe.h"
#include "engine/controller/capture_controller.h"
#include "engine/output/capture_ffm_output.h"
#include "online/analytics/analytics_controller.h"
#include "platform/base/utf8.h"
#include "platform/duilib/controls/option.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/core/window/window_center.h"
#include "platform/duilib/test/control_on_screen.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/window/message_loop.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"
#include "ui/recording/camera_view/ui_camara_view.h"
#include "ui/recording/capture_main/capture_window_hooks.h"
#include "ui/recording/capture_main/ui_capture_configure.h"

namespace {

namespace fs = std::filesystem;
using DuiLib::CUICamaraView;
using zovi::engine::CCaptureController;

constexpr const char* kBars = "smptebars=size=320x240:rate=30,realtime";

class AnalyticsSenderEnd : public ::testing::Environment {
public:
    void TearDown() override { CGeneralAnalyticsController::ShutdownSender(); }
};
[[maybe_unused]] const ::testing::Environment* const kAnalyticsSenderEnd =
    ::testing::AddGlobalTestEnvironment(new AnalyticsSenderEnd);

std::string ArtefactPath(const std::string& name) {
    const std::string folder = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
    fs::create_directories(folder);
    return folder + "/" + name;
}

// One BGR24 picture as an output of a reader receives it.
class CPictureKeeper : public zovi::engine::IDecVideoOutput {
public:
    void OnDecodedFrame(const uint8_t* data, int width, int stride, int height, int, uint32_t) override {
        std::lock_guard<std::mutex> lock(mutex);
        if (!pixels.empty()) return;
        w = width;
        h = height;
        pixels.resize(static_cast<size_t>(width) * 3 * height);
        for (int y = 0; y < height; ++y)
            std::copy(data + static_cast<size_t>(y) * stride, data + static_cast<size_t>(y) * stride + width * 3,
                      pixels.begin() + static_cast<ptrdiff_t>(y) * width * 3);
    }
    bool Has() {
        std::lock_guard<std::mutex> lock(mutex);
        return !pixels.empty();
    }
    std::mutex mutex;
    int w = 0, h = 0;
    std::vector<uint8_t> pixels;
};

// A PNG read back: 0x00RRGGBB at a point.
class CPng {
public:
    explicit CPng(const std::string& path) : surface_(cairo_image_surface_create_from_png(path.c_str())) {}
    ~CPng() { cairo_surface_destroy(surface_); }
    bool Ok() const { return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
    int Width() const { return cairo_image_surface_get_width(surface_); }
    int Height() const { return cairo_image_surface_get_height(surface_); }
    uint32_t At(int x, int y) const {
        const uint8_t* row = cairo_image_surface_get_data(surface_) +
                             static_cast<size_t>(y) * cairo_image_surface_get_stride(surface_);
        return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
    }

private:
    cairo_surface_t* surface_;
};

int Channel(uint32_t rgb, int shift) { return static_cast<int>((rgb >> shift) & 0xFF); }

// Listens for the named events of the idle pass.
class CEventListener : public IOptionsNotificationListener {
public:
    void OnOptionsEvents(const std::set<std::wstring>& names) override { seen.insert(names.begin(), names.end()); }
    std::set<std::wstring> seen;
};

class CameraViewXTest : public ::testing::Test {
protected:
    class CLoop : public CMessageLoop, public CMessageFilter {
    public:
        CLoop() {
            AddMessageFilter(this);
            zovi::platform::AddMessageLoop(this);
        }
        ~CLoop() override { zovi::platform::RemoveMessageLoop(); }
        BOOL PreTranslateMessage(MSG* msg) override {
            return DuiLib::CPaintManagerUI::TranslateMessage(msg) ? TRUE : FALSE;
        }
        // The program's loop: dispatch, and the idle pass when nothing waits.
        bool RunUntil(const std::function<bool()>& condition, double seconds) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
            MSG msg{};
            while (!condition()) {
                if (std::chrono::steady_clock::now() > deadline) return false;
                if (::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
                    if (msg.message == WM_QUIT) continue;
                    if (PreTranslateMessage(&msg)) continue;
                    ::TranslateMessage(&msg);
                    ::DispatchMessageW(&msg);
                    continue;
                }
                COnIdleHandler::Run();
                COptionsController::GetInstance()->DeliverPendingEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            return true;
        }
    };

    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
        DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
        GetGlobal().lang = L"en-US";
        TolkaSetLang(TolkaLangEnglish);
        zovi::engine::CCaptureFFmOutput::SetProgramDirForTesting(ZOVI_BIN_DIR);
        folder = fs::temp_directory_path() /
                 ("zovi-camera-view-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        settings.saveVideoPath = zovi::platform::DecodeUtf8Lossless(folder.string()) + L"/";
        settings.saveSnapshotPath = zovi::platform::DecodeUtf8Lossless((folder / "Snapshot").string()) + L"/";
        settings.x264Fps = 30;
        settings.hardwareEncoder = 0;
        settings.overlayTextOn = 0;
        settings.cameraMirror = 1;
        COptions& options = GetGlobal();
        options.cameraSize = 0;
        options.placements[2].valid = false;  // "CameraViewWindow": centred
        options.captureCountdown = 0;
        options.captureDesktopAudio = 0;
        options.closeToTray = 1;
        controller = CCaptureController::GetInstance();
        controller->SetSettingsSource([this] { return settings; });
        controller->SetCameraInputForTesting("lavfi", kBars);
        COptionsController::GetInstance()->ClearEvents();
        COnIdleHandler::GetInstance();
        loop = std::make_unique<CLoop>();
        hook = std::make_unique<DuiLib::test::CUiThreadHook>();
        COptionsController::GetInstance()->AddListener(&events);
    }

    void TearDown() override {
        if (!loop) return;
        if (controller->GetState() != zovi::engine::kCaptureIdle) controller->Stop();
        // The main window goes first, so the camera's close reaches no window.
        if (hooks && hooks->MainWindow() && ::IsWindow(hooks->MainWindow()->GetHWND()))
            ::DestroyWindow(hooks->MainWindow()->GetHWND());
        controller->CameraClose();
        LoopUntil([] { return false; }, 0.2);
        hooks.reset();
        controller->SetWindows({});
        controller->SetSettingsSource(nullptr);
        DuiLib::CUICaptureConfigure::SetCameraListForTesting(nullptr);
        COptionsController::GetInstance()->RemoveListener(&events);
        COptionsController::GetInstance()->ClearEvents();
        hook.reset();
        loop.reset();
        fs::remove_all(folder);
    }

    bool LoopUntil(const std::function<bool()>& condition, double seconds = 20) {
        return loop->RunUntil(condition, seconds);
    }
    void Drive(const std::function<void()>& driver) {
        std::atomic<bool> done{false};
        std::thread thread([&] {
            driver();
            done = true;
        });
        LoopUntil([&] { return done.load(); }, 600);
        thread.join();
    }
    template <class F>
    auto Ui(F f) {
        return hook->Call(f).value();
    }
    bool WaitUi(const std::function<bool()>& condition, double seconds = 20) {
        return DuiLib::test::WaitUntil([&] { return Ui(condition); },
                                       std::chrono::milliseconds(static_cast<int>(seconds * 1000)));
    }

    // On the UI thread: the view found by its class.
    static CUICamaraView* View() {
        const HWND hwnd = ::FindWindowW(L"UICamaraView", nullptr);
        return hwnd ? dynamic_cast<CUICamaraView*>(DuiLib::CWindowWnd::FromHandle(hwnd)) : nullptr;
    }
    static HWND ToolBarHwnd() {
        CUICamaraView* view = View();
        return view && view->ToolBar() ? view->ToolBar()->GetHWND() : 0;
    }
    static bool IsSelected(const wchar_t* name) {
        CUICamaraView* view = View();
        if (!view || !view->ToolBar()) return false;
        DuiLib::CControlUI* control = view->ToolBar()->GetPaintManager().FindControl(name);
        auto* option = control ? static_cast<DuiLib::COptionUI*>(control->GetInterface(L"Option")) : nullptr;
        return option && option->IsSelected();
    }
    // A window's rectangle on the root as xwininfo reports it (xdotool counts a child
    // window's offset twice).
    static RECT XAbsolute(HWND hwnd) {
        std::string text;
        DuiLib::test::RunTool({"xwininfo", "-id", std::to_string(hwnd)}, &text);
        auto field = [&](const std::string& key) {
            const auto at = text.find(key);
            return at == std::string::npos ? -1L : std::strtol(text.c_str() + at + key.size(), nullptr, 10);
        };
        const long x = field("Absolute upper-left X:"), y = field("Absolute upper-left Y:");
        return RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + field("Width:")),
                    static_cast<LONG>(y + field("Height:"))};
    }
    static SIZE XSize(HWND hwnd) {
        RECT rc{};
        DuiLib::test::XGeometry(hwnd, &rc);
        return SIZE{rc.right - rc.left, rc.bottom - rc.top};
    }
    // Opens the camera with its view through the controller and waits for the mirrored
    // picture in a shown view.
    void OpenCameraView() {
        hooks = std::make_shared<CaptureWindowHooks>();
        controller->SetWindows(hooks);
        controller->OpenCamera(L"Test Camera");
        ASSERT_TRUE(LoopUntil([] {
            int w = 0, h = 0;
            if (CUICamaraView* view = View()) view->GetFrameSize(w, h);
            return w == 320 && h == 240 && ::IsWindowVisible(::FindWindowW(L"UICamaraView", nullptr));
        }));
        EXPECT_TRUE(controller->IsCameraShowing());
    }
    // Moves the pointer to a point on the screen and waits until the X server has it.
    void PointerTo(POINT pt) {
        DuiLib::test::Xdotool({"mousemove", "--sync", std::to_string(pt.x), std::to_string(pt.y)});
    }
    void ClickToolBar(const wchar_t* name) {
        const HWND bar = Ui([] { return ToolBarHwnd(); });
        const POINT pt = DuiLib::test::ControlCentreOnScreen(*hook, bar, name);
        ASSERT_GE(pt.x, 0) << "no control " << name;
        PointerTo(pt);
        DuiLib::test::Xdotool({"click", "1"});
    }
    // Shows the toolbar as a person does: the pointer onto the lower half of the picture.
    void HoverPicture() {
        const HWND view = Ui([] { return ::FindWindowW(L"UICamaraView", nullptr); });
        RECT rc{};
        ASSERT_TRUE(DuiLib::test::XGeometry(view, &rc));
        PointerTo(POINT{(rc.left + rc.right) / 2, rc.top + (rc.bottom - rc.top) * 3 / 5});
        ASSERT_TRUE(WaitUi([] { return ::IsWindowVisible(ToolBarHwnd()) != FALSE; })) << "toolbar not shown";
    }

    fs::path folder;
    zovi::engine::CaptureSettings settings{GetGlobal()};
    CCaptureController* controller = nullptr;
    std::shared_ptr<CaptureWindowHooks> hooks;
    std::unique_ptr<CLoop> loop;
    std::unique_ptr<DuiLib::test::CUiThreadHook> hook;
    CEventListener events;
};

TEST_F(CameraViewXTest, ShowsTheMirroredCameraWithItsToolbarAndCloses) {
    // The source's own picture, not mirrored, from a reader of its own.
    auto reference = std::make_shared<CPictureKeeper>();
    zovi::engine::CVideoDecoder referenceReader(0, "lavfi", kBars);
    referenceReader.AddOutput(reference);
    ASSERT_TRUE(referenceReader.OpenDShowCamera("bars", false));
    ASSERT_TRUE(DuiLib::test::WaitUntil([&] { return reference->Has(); }));
    referenceReader.Close();

    OpenCameraView();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(LoopUntil([&] { return events.seen.count(kEventCameraOpened) == 1; }));
    Drive([&] {
        const HWND view = Ui([] { return ::FindWindowW(L"UICamaraView", nullptr); });
        ASSERT_EQ(DuiLib::test::FindWindowsByClass("UICamaraView").size(), 1u);
        EXPECT_EQ(XSize(view).cx, 320);
        EXPECT_EQ(XSize(view).cy, 240);
        // Pointer away from the view: no toolbar yet.
        PointerTo(POINT{5, 5});
        EXPECT_TRUE(WaitUi([] { return ::IsWindowVisible(ToolBarHwnd()) == FALSE; }));

        // Same size as the camera: screen pixel (x, y) is source pixel (319 - x, y).
        const std::string picture = ArtefactPath("camera_view_normal.png");
        ASSERT_TRUE(DuiLib::test::WaitUntil([&] {
            if (!DuiLib::test::SaveWindowPng(view, picture)) return false;
            CPng png(picture);
            return png.Ok() && png.At(20, 30) != 0;  // painted
        }));
        CPng png(picture);
        ASSERT_TRUE(png.Ok());
        ASSERT_EQ(png.Width(), 320);
        for (int x = 22; x < 320; x += 45) {
            for (int y : {40, 170}) {
                const uint8_t* src = &reference->pixels[(static_cast<size_t>(y) * 320 + (319 - x)) * 3];
                const uint32_t shown = png.At(x, y);
                EXPECT_NEAR(Channel(shown, 16), src[2], 12) << x << "," << y;
                EXPECT_NEAR(Channel(shown, 8), src[1], 12) << x << "," << y;
                EXPECT_NEAR(Channel(shown, 0), src[0], 12) << x << "," << y;
            }
        }
        // Mirrored: the blue bar is on the left, the grey one on the right.
        EXPECT_GT(Channel(png.At(10, 40), 0), 150);
        EXPECT_LT(Channel(png.At(10, 40), 16), 100);
        EXPECT_GT(Channel(png.At(310, 40), 16), 150);

        // Over the picture the toolbar shows, centred 20 pixels above the bottom.
        HoverPicture();
        if (HasFatalFailure()) return;
        const HWND bar = Ui([] { return ToolBarHwnd(); });
        RECT viewRc{}, barRc{};
        viewRc = XAbsolute(view);
        barRc = XAbsolute(bar);
        EXPECT_EQ(barRc.right - barRc.left, 164);
        EXPECT_EQ(barRc.left - viewRc.left, (320 - 164) / 2);
        EXPECT_EQ(viewRc.bottom - barRc.bottom, 20);
        EXPECT_TRUE(Ui([] { return IsSelected(L"normal"); }));
        Ui([] { return true; });
        EXPECT_TRUE(DuiLib::test::SaveWindowPng(view, ArtefactPath("camera_view_toolbar.png")));

        // Onto the toolbar: it stays (the click on "double" reaches it).
        ClickToolBar(L"double");
        ASSERT_TRUE(WaitUi([&] { return XSize(view).cx == 640 && XSize(view).cy == 480; }));
        EXPECT_TRUE(Ui([] { return IsSelected(L"double") && GetGlobal().cameraSize == 1; }));
        EXPECT_TRUE(Ui([] { return ::IsWindowVisible(ToolBarHwnd()) != FALSE; }));

        // Full screen: the work area; the bar follows the bottom.
        ClickToolBar(L"full");
        RECT work{};
        ASSERT_TRUE(Ui([&] { return DuiLib::WorkAreaOfWindow(view, &work); }));
        ASSERT_TRUE(WaitUi([&] {
            return XSize(view).cx == work.right - work.left && XSize(view).cy == work.bottom - work.top;
        }));
        EXPECT_TRUE(Ui([] { return IsSelected(L"full") && View()->IsMaximised() && GetGlobal().cameraSize == 2; }));
        HoverPicture();
        if (HasFatalFailure()) return;
        Ui([] { return true; });
        const std::string full = ArtefactPath("camera_view_full.png");
        ASSERT_TRUE(DuiLib::test::SaveWindowPng(view, full));
        {
            // Fitted: the 4:3 picture between black pillars, blue bar first.
            CPng shot(full);
            ASSERT_TRUE(shot.Ok());
            const int pictureWidth = shot.Height() * 4 / 3;
            const int pillar = (shot.Width() - pictureWidth) / 2;
            EXPECT_EQ(shot.At(pillar / 2, shot.Height() / 4), 0u) << "left pillar";
            EXPECT_EQ(shot.At(shot.Width() - pillar / 2, shot.Height() / 4), 0u) << "right pillar";
            EXPECT_GT(Channel(shot.At(pillar + 20, shot.Height() / 4), 0), 150) << "blue at the picture's left";
            EXPECT_GT(Channel(shot.At(shot.Width() - pillar - 20, shot.Height() / 4), 16), 150) << "grey at its right";
        }

        // Back to normal from full screen (entered from double): normal size, and the
        // toolbar shows "normal", not the size before full screen.
        ClickToolBar(L"normal");
        ASSERT_TRUE(WaitUi([&] { return XSize(view).cx == 320 && XSize(view).cy == 240; }));
        EXPECT_TRUE(Ui([] { return IsSelected(L"normal") && !IsSelected(L"double") && !View()->IsMaximised(); }));
        EXPECT_EQ(Ui([] { return GetGlobal().cameraSize; }), 0u);

        // Leaving the view hides the toolbar: from the picture, and straight from the bar.
        HoverPicture();
        if (HasFatalFailure()) return;
        RECT rc{};
        DuiLib::test::XGeometry(view, &rc);
        PointerTo(POINT{rc.right + 40, rc.bottom + 40});
        EXPECT_TRUE(WaitUi([] { return ::IsWindowVisible(ToolBarHwnd()) == FALSE; }));
        HoverPicture();
        if (HasFatalFailure()) return;
        const RECT onBar = XAbsolute(bar);
        PointerTo(POINT{(onBar.left + onBar.right) / 2, (onBar.top + onBar.bottom) / 2});
        PointerTo(POINT{rc.right + 40, rc.bottom + 40});
        EXPECT_TRUE(WaitUi([] { return ::IsWindowVisible(ToolBarHwnd()) == FALSE; }));

        // The toolbar's close: the view goes and the camera with it.
        HoverPicture();
        if (HasFatalFailure()) return;
        ClickToolBar(L"close");
        EXPECT_TRUE(WaitUi([] { return ::FindWindowW(L"UICamaraView", nullptr) == 0; }));
    });
    EXPECT_FALSE(controller->IsCameraShowing());
    int w = -1, h = -1;
    controller->GetCameraSize(w, h);
    EXPECT_EQ(w, 0) << "the reader is closed";
    EXPECT_EQ(h, 0);
    EXPECT_TRUE(LoopUntil([&] { return events.seen.count(kEventCameraClose) == 1; }));
    EXPECT_TRUE(GetGlobal().placements[2].valid) << "the placement was saved";
}

// Pictures come from a reader thread while the UI thread paints; a new camera size gets
// a new bitmap at its first picture, and pictures after the window is gone are dropped.
TEST_F(CameraViewXTest, PicturesFromAnotherThreadFollowTheSizeAndStopWithTheWindow) {
    auto view = std::make_shared<CUICamaraView>(L"Test Camera");
    ASSERT_NE(view->Create(0, L"", CUICamaraView::kStyle, CUICamaraView::kExStyle), 0u);
    ASSERT_TRUE(LoopUntil([&] { return ::IsWindowVisible(view->GetHWND()) != FALSE; }));

    std::atomic<int> phase{0};  // 0: 320x240, 1: 640x480 (odd stride), 2: stop
    std::atomic<int> sent{0};
    std::thread reader([&] {
        std::vector<uint8_t> picture(704 * 480 * 3, 0x80);
        while (phase.load() < 2) {
            const bool large = phase.load() == 1;
            view->OnDecodedFrame(picture.data(), large ? 640 : 320, large ? 1925 : 960, large ? 480 : 240, 3, 0);
            ++sent;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    auto frameSize = [&] {
        int w = 0, h = 0;
        view->GetFrameSize(w, h);
        return std::make_pair(w, h);
    };
    EXPECT_TRUE(LoopUntil([&] { return frameSize() == std::make_pair(320, 240); }));
    phase = 1;
    EXPECT_TRUE(LoopUntil([&] { return frameSize() == std::make_pair(640, 480); }));
    view->ResetFrame();
    EXPECT_TRUE(LoopUntil([&] { return frameSize() == std::make_pair(640, 480); })) << "a new bitmap";

    ::DestroyWindow(view->GetHWND());
    view->ResetFrame();
    const int before = sent.load();
    EXPECT_TRUE(LoopUntil([&] { return sent.load() > before + 10; }));
    EXPECT_EQ(frameSize(), std::make_pair(-1, -1)) << "pictures after the window are dropped";
    phase = 2;
    reader.join();
}

// The capture main window's camera-only start needs a showing camera: with the view open
// it records the camera, mirrored as the view shows it.
TEST_F(CameraViewXTest, CameraOnlyStartFromTheMainWindowRecordsTheCamera) {
    DuiLib::CUICaptureConfigure::SetCameraListForTesting([](std::vector<zovi::engine::DeviceEntry>* list) {
        list->push_back({L"Test Camera", L"Test Camera"});
    });
    hooks = CaptureWindowHooks::ShowCaptureMainWindow();
    ASSERT_TRUE(hooks);
    const HWND main = hooks->MainWindow()->GetHWND();
    Drive([&] {
        ASSERT_TRUE(WaitUi([&] { return ::IsWindowVisible(main) != FALSE; }));
        const POINT cam = DuiLib::test::ControlCentreOnScreen(*hook, main, L"cam");
        ASSERT_GE(cam.x, 0);
        PointerTo(cam);
        DuiLib::test::Xdotool({"click", "1"});
        ASSERT_TRUE(WaitUi([&] { return controller->IsCameraShowing(); })) << "the view did not show";
        // The view opens over the middle of the screen: dragged by its upper half out of
        // the way of the start button, as a person does.
        const HWND view = Ui([] { return ::FindWindowW(L"UICamaraView", nullptr); });
        const RECT opened = XAbsolute(view);
        PointerTo(POINT{(opened.left + opened.right) / 2, opened.top + 40});
        DuiLib::test::Xdotool({"mousedown", "1"});
        for (int step = 1; step <= 10; ++step)
            PointerTo(POINT{(opened.left + opened.right) / 2 - step * 50, opened.top + 40 - step * 30});
        DuiLib::test::Xdotool({"mouseup", "1"});
        EXPECT_TRUE(DuiLib::test::WaitUntil([&] { return XAbsolute(view).left <= opened.left - 400; }))
            << "the upper half drags the view";
        const POINT start = DuiLib::test::ControlCentreOnScreen(*hook, main, L"btnStart");
        PointerTo(start);
        DuiLib::test::Xdotool({"click", "1"});
        const bool recording =
            WaitUi([&] { return controller->GetState() == zovi::engine::kCaptureRecording; });
        if (!recording) {
            const HWND box = Ui([] { return ::FindWindowW(L"UIMsgBox", nullptr); });
            if (box) DuiLib::test::SaveWindowPng(box, ArtefactPath("camera_view_start_failed.png"));
            if (box) Ui([box] { return ::DestroyWindow(box); });
        }
        ASSERT_TRUE(recording);
        // The view stays on screen while recording.
        EXPECT_TRUE(Ui([] { return ::IsWindowVisible(::FindWindowW(L"UICamaraView", nullptr)) != FALSE; }));
        const auto begun = std::chrono::steady_clock::now();
        DuiLib::test::WaitUntil([&] { return std::chrono::steady_clock::now() - begun > std::chrono::seconds(2); });
        Ui([&] {
            controller->Stop();
            return true;
        });
    });
    ASSERT_EQ(controller->GetState(), zovi::engine::kCaptureIdle);
    const std::string file = zovi::platform::EncodeUtf8Lossless(controller->CurrentOutputFileName());
    const auto info = zovi::test::ProbeMedia(file);
    ASSERT_TRUE(info.opened) << file;
    EXPECT_EQ(info.videoStreams, 1);
    EXPECT_GT(info.videoFrames, 10);
    const auto pictures = zovi::test::DecodePictures(file);
    ASSERT_FALSE(pictures.empty());
    const auto& p = pictures.back();
    EXPECT_GT(p.At(4, 20)[0], 150) << "blue first: mirrored";
    EXPECT_LT(p.At(4, 20)[2], 100);
    EXPECT_GT(p.At(p.width - 5, 20)[2], 150);
}

}  // namespace
