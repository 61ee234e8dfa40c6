#include "ui/recording/capture_main/tests/capture_main_fixture.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/deferred/on_idle.h"
#include "core/global/global.h"
#include "core/options/options_controller.h"
#include "engine/output/capture_ffm_output.h"
#include "online/analytics/analytics_controller.h"
#include "platform/base/utf8.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/control_on_screen.h"
#include "platform/duilib/test/x_test_tools.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"

namespace capture_main_test {

namespace fs = std::filesystem;
using zovi::engine::CCaptureController;

// The window's clicks start the analytics sender; as in the program, it is ended before
// the process's libraries (OpenSSL among them) clean up at exit.
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

void CWindowsStandIn::ShowMainWindow(bool show) {
    mainWindowShown.push_back(show);
    const auto window = window_.lock();
    if (!window) return;
    window->ShowWindow(show, show);
    if (show && window->GetRectSelector()) window->GetRectSelector()->ShowSizeControls(true);
}

std::shared_ptr<zovi::engine::IDecVideoOutput> CWindowsStandIn::CreateCameraView() {
    cameraViewOpen = true;
    return std::make_shared<zovi::engine::IDecVideoOutput>();
}

// The program's loop as the capture mode runs it: the library's key handling first, then
// dispatch; when nothing waits, the idle pass.
class CaptureMainXTest::CLoop : public CMessageLoop, public CMessageFilter {
public:
    CLoop() {
        AddMessageFilter(this);
        zovi::platform::AddMessageLoop(this);
    }
    ~CLoop() override { zovi::platform::RemoveMessageLoop(); }
    BOOL PreTranslateMessage(MSG* msg) override { return DuiLib::CPaintManagerUI::TranslateMessage(msg) ? TRUE : FALSE; }

    bool RunUntil(const std::function<bool()>& condition, double seconds) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        MSG msg{};
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            if (::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) continue;  // the main window's end; the test goes on
                if (PreTranslateMessage(&msg)) continue;
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
                continue;
            }
            COnIdleHandler::Run();
            COptionsController::GetInstance()->DeliverPendingEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // nothing waits
        }
        return true;
    }
};

CaptureMainXTest::CaptureMainXTest() : settings(GetGlobal()) {}
CaptureMainXTest::~CaptureMainXTest() = default;

void CaptureMainXTest::SetUp() {
    if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
    DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
    GetGlobal().lang = L"en-US";
    TolkaSetLang(TolkaLangEnglish);
    zovi::engine::CCaptureFFmOutput::SetProgramDirForTesting(ZOVI_BIN_DIR);
    folder = fs::temp_directory_path() /
             ("zovi-capture-main-" + std::to_string(getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    settings.saveVideoPath = zovi::platform::DecodeUtf8Lossless(folder.string()) + L"/";
    settings.saveSnapshotPath = zovi::platform::DecodeUtf8Lossless((folder / "Snapshot").string()) + L"/";
    settings.x264Fps = 30;
    settings.hardwareEncoder = 0;
    settings.overlayTextOn = 0;
    CCaptureController* controller = CCaptureController::GetInstance();
    controller->SetSettingsSource([this] { return settings; });
    controller->SetCameraInputForTesting("lavfi", "testsrc=size=640x360:rate=15");
    COptions& options = GetGlobal();
    options.captureCountdown = 0;
    options.captureEntrance = 0;
    options.captureDesktopAudio = 1;
    options.closeToTray = 1;
    SetCamera(false);
    COptionsController::GetInstance()->ClearEvents();
    COnIdleHandler::GetInstance();  // the UI thread's queue of deferred calls opens
    loop_ = std::make_unique<CLoop>();
    hook = std::make_unique<DuiLib::test::CUiThreadHook>();
}

void CaptureMainXTest::TearDown() {
    if (!loop_) return;
    CCaptureController* controller = CCaptureController::GetInstance();
    if (controller->GetState() != zovi::engine::kCaptureIdle) controller->Stop();
    CloseWindow();
    controller->SetWindows({});
    controller->SetSettingsSource(nullptr);
    DuiLib::CUICaptureConfigure::SetCameraListForTesting(nullptr);
    COptionsController::GetInstance()->ClearEvents();
    hook.reset();
    loop_.reset();
    fs::remove_all(folder);
}

void CaptureMainXTest::CloseWindow() {
    CCaptureController* controller = CCaptureController::GetInstance();
    controller->StopAudioDeviceTest();
    if (window) {
        if (DuiLib::COptionUI* cam = Option(L"cam"); cam && cam->IsSelected() && Option(L"screen"))
            Option(L"screen")->Selected(true, true);
        if (::IsWindow(Hwnd())) ::DestroyWindow(Hwnd());
        LoopUntil([] { return false; }, 0.2);
        window.reset();
    }
    controller->CameraClose();
    COptionsController::GetInstance()->ClearEvents();
}

void CaptureMainXTest::SetCamera(bool present) {
    if (present) {
        DuiLib::CUICaptureConfigure::SetCameraListForTesting([](std::vector<zovi::engine::DeviceEntry>* list) {
            list->push_back({L"Test Camera", L"Test Camera"});
        });
    } else {
        DuiLib::CUICaptureConfigure::SetCameraListForTesting(
            [](std::vector<zovi::engine::DeviceEntry>*) {});
    }
}

void CaptureMainXTest::OpenWindow() {
    window = std::make_shared<DuiLib::CUICaptureConfigure>();
    windows = std::make_shared<CWindowsStandIn>(window);
    CCaptureController::GetInstance()->SetWindows(windows);
    ASSERT_NE(window->Create(0, L"", DuiLib::UI_WNDSTYLE_DIALOG, 0), 0u);
    window->ShowWindow(true, true);
    ASSERT_TRUE(LoopUntil([this] {
        return Combo(L"comHD") && Combo(L"comHD")->GetCount() == 5 && ::IsWindowVisible(Hwnd());
    }));
}

void CaptureMainXTest::Drive(const std::function<void()>& driver) {
    std::atomic<bool> done{false};
    std::thread thread([&] {
        driver();
        // A driver that failed may leave a modal window open, in whose loop the UI thread
        // would wait for ever.
        if (HasFailure()) {
            hook->Run([] {
                for (const wchar_t* modal : {L"UIMsgBox", L"CaptureSource"})
                    while (const HWND left = ::FindWindowW(modal, nullptr)) ::DestroyWindow(left);
            });
        }
        done = true;
    });
    LoopUntil([&] { return done.load(); }, 600);
    thread.join();
}

bool CaptureMainXTest::LoopUntil(const std::function<bool()>& condition, double seconds) {
    return loop_->RunUntil(condition, seconds);
}

DuiLib::CControlUI* CaptureMainXTest::Find(const wchar_t* name) const {
    return window ? window->GetPaintManager().FindControl(name) : nullptr;
}

DuiLib::COptionUI* CaptureMainXTest::Option(const wchar_t* name) const {
    DuiLib::CControlUI* control = Find(name);
    return control ? static_cast<DuiLib::COptionUI*>(control->GetInterface(L"Option")) : nullptr;
}

DuiLib::CComboUI* CaptureMainXTest::Combo(const wchar_t* name) const {
    DuiLib::CControlUI* control = Find(name);
    return control ? static_cast<DuiLib::CComboUI*>(control->GetInterface(L"Combo")) : nullptr;
}

std::vector<std::wstring> CaptureMainXTest::RowTexts(const wchar_t* name) const {
    std::vector<std::wstring> texts;
    DuiLib::CComboUI* combo = Combo(name);
    if (!combo) return texts;
    for (int i = 0; i < combo->GetCount(); ++i) {
        DuiLib::CControlUI* row = combo->GetItemAt(i);
        auto* container = static_cast<DuiLib::CContainerUI*>(row->GetInterface(L"Container"));
        DuiLib::CControlUI* label = container && container->GetCount() > 0 ? container->GetItemAt(0) : row;
        texts.push_back(label->GetText().str());
    }
    return texts;
}

int CaptureMainXTest::CurSel(const wchar_t* name) const {
    DuiLib::CComboUI* combo = Combo(name);
    return combo ? combo->GetCurSel() : -2;
}

std::wstring CaptureMainXTest::SelectedTab() const {
    std::wstring tabs;
    for (const wchar_t* name : {L"screencam", L"screen", L"cam"})
        if (Option(name) && Option(name)->IsSelected()) tabs += (tabs.empty() ? L"" : L"+") + std::wstring(name);
    return tabs;
}

void CaptureMainXTest::PickRow(const wchar_t* name, int index) {
    if (DuiLib::CComboUI* combo = Combo(name)) combo->PickFromDropDown(index);
}

void CaptureMainXTest::ClickControl(const wchar_t* name) { ClickControlOf(Hwnd(), name); }

void CaptureMainXTest::ClickControlOf(HWND hwnd, const wchar_t* name) {
    const POINT at = DuiLib::test::ControlCentreOnScreen(*hook, hwnd, name);
    ASSERT_GE(at.x, 0) << zovi::platform::EncodeUtf8Lossless(name);
    DuiLib::test::Xdotool({"mousemove", std::to_string(at.x), std::to_string(at.y), "click", "1"});
}

bool CaptureMainXTest::WaitUi(const std::function<bool()>& condition, double seconds) {
    return hook->WaitFor(condition, std::chrono::milliseconds(static_cast<int>(seconds * 1000)));
}

void CaptureMainXTest::PickRowWithKeys(const wchar_t* name, int index) {
    ClickControl(name);
    const HWND drop = DuiLib::test::WaitForWindowOfClass("DuiComboDropWindow");
    ASSERT_NE(drop, 0u);
    ASSERT_TRUE(WaitViewable(drop));
    std::vector<std::string> keys{"key", "Home"};
    for (int i = 0; i < index; ++i) keys.push_back("Down");
    keys.push_back("Return");
    DuiLib::test::Xdotool(keys);
    ASSERT_TRUE(WaitUi([&] { return CurSel(name) == index && !Combo(name)->IsDropped(); }));
}

bool CaptureMainXTest::WaitViewable(HWND hwnd) {
    return DuiLib::test::WaitUntil([hwnd] {
        std::string state;
        return DuiLib::test::RunTool({"xwininfo", "-id", std::to_string(hwnd)}, &state) &&
               state.find("IsViewable") != std::string::npos;
    });
}

std::wstring CaptureMainXTest::AnswerMessageBox() {
    const HWND box = DuiLib::test::WaitForWindowOfClass("UIMsgBox");
    if (!box) return L"";
    const std::wstring text = Ui([box] {
        auto* base = dynamic_cast<DuiLib::WindowImplBase*>(DuiLib::CWindowWnd::FromHandle(box));
        DuiLib::CControlUI* control = base ? base->GetPaintManager().FindControl(L"text") : nullptr;
        return control ? control->GetText().str() : std::wstring();
    });
    // Clicked once it is on screen.
    WaitViewable(box);
    ClickControlOf(box, L"btnOK");
    WaitUi([box] { return !::IsWindow(box); });
    return text;
}

}  // namespace capture_main_test
