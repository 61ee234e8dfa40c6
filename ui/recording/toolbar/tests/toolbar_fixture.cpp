#include "ui/recording/toolbar/tests/toolbar_fixture.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/deferred/on_idle.h"
#include "core/global/global.h"
#include "engine/output/capture_ffm_output.h"
#include "online/analytics/analytics_controller.h"
#include "platform/base/utf8.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/control_on_screen.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/window/message_loop.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"

namespace toolbar_test {

namespace fs = std::filesystem;
using zovi::engine::CCaptureController;

// The bar's buttons start the analytics sender; as in the program, it is ended before
// the process's libraries clean up at exit.
class AnalyticsSenderEnd : public ::testing::Environment {
public:
    void TearDown() override { CGeneralAnalyticsController::ShutdownSender(); }
};
[[maybe_unused]] const ::testing::Environment* const kAnalyticsSenderEnd =
    ::testing::AddGlobalTestEnvironment(new AnalyticsSenderEnd);

std::string ArtefactPath(const std::string& name) {
    const std::string artefacts = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
    fs::create_directories(artefacts);
    return artefacts + "/" + name;
}

std::shared_ptr<zovi::engine::ICaptureNotify> CWindowsStandIn::CreateToolBar(uint32_t mask,
                                                                            zovi::engine::IToolBarCmd* commands) {
    auto bar = DuiLib::CUICaptureToolBar::Open(mask, commands);
    toolBar = bar;
    return bar;
}

void CWindowsStandIn::SelectToolBarCamera(bool selected) {
    if (const auto bar = toolBar.lock()) bar->SelectCamera(selected);
}

void CCommandCounter::Stop() {
    ++stops;
    if (std::this_thread::get_id() != uiThread) ++stopsOffTheUiThread;
}

// The program's loop: the library's key handling first, then dispatch; when nothing
// waits, the idle pass.
class ToolBarXTest::CLoop : public CMessageLoop, public CMessageFilter {
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
                if (msg.message == WM_QUIT) continue;
                if (PreTranslateMessage(&msg)) continue;
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
                continue;
            }
            COnIdleHandler::Run();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
};

ToolBarXTest::ToolBarXTest() : settings(GetGlobal()) {}
ToolBarXTest::~ToolBarXTest() = default;

void ToolBarXTest::SetUp() {
    if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
    DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
    GetGlobal().lang = L"en-US";
    TolkaSetLang(TolkaLangEnglish);
    zovi::engine::CCaptureFFmOutput::SetProgramDirForTesting(ZOVI_BIN_DIR);
    folder = fs::temp_directory_path() / ("zovi-toolbar-" + std::to_string(getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    settings.saveVideoPath = zovi::platform::DecodeUtf8Lossless(folder.string()) + L"/";
    settings.saveSnapshotPath = zovi::platform::DecodeUtf8Lossless((folder / "Snapshot").string()) + L"/";
    settings.x264Fps = 30;
    settings.hardwareEncoder = 0;
    settings.overlayTextOn = 0;
    settings.toolbarMask = 0;
    CCaptureController* controller = CCaptureController::GetInstance();
    controller->SetSettingsSource([this] { return settings; });
    windows = std::make_shared<CWindowsStandIn>();
    controller->SetWindows(windows);
    COnIdleHandler::GetInstance();
    loop_ = std::make_unique<CLoop>();
    hook = std::make_unique<DuiLib::test::CUiThreadHook>();
}

void ToolBarXTest::TearDown() {
    if (!loop_) return;
    CCaptureController* controller = CCaptureController::GetInstance();
    if (controller->GetState() != zovi::engine::kCaptureIdle) controller->Stop();
    if (const auto bar = windows->toolBar.lock(); bar && ::IsWindow(bar->GetHWND())) ::DestroyWindow(bar->GetHWND());
    LoopUntil([] { return false; }, 0.2);
    controller->SetWindows({});
    controller->SetSettingsSource(nullptr);
    hook.reset();
    loop_.reset();
    fs::remove_all(folder);
}

void ToolBarXTest::Drive(const std::function<void()>& driver) {
    std::atomic<bool> done{false};
    std::thread thread([&] {
        driver();
        done = true;
    });
    LoopUntil([&] { return done.load(); }, 600);
    thread.join();
}

bool ToolBarXTest::LoopUntil(const std::function<bool()>& condition, double seconds) {
    return loop_->RunUntil(condition, seconds);
}

std::shared_ptr<DuiLib::CUICaptureToolBar> ToolBarXTest::ControllerBar() const {
    return std::dynamic_pointer_cast<DuiLib::CUICaptureToolBar>(CCaptureController::GetInstance()->ToolBar());
}

DuiLib::CControlUI* ToolBarXTest::Find(DuiLib::CUICaptureToolBar& bar, const wchar_t* name) {
    return bar.GetPaintManager().FindControl(name);
}

DuiLib::COptionUI* ToolBarXTest::Option(DuiLib::CUICaptureToolBar& bar, const wchar_t* name) {
    DuiLib::CControlUI* control = Find(bar, name);
    return control ? static_cast<DuiLib::COptionUI*>(control->GetInterface(L"Option")) : nullptr;
}

bool ToolBarXTest::WaitUi(const std::function<bool()>& condition, double seconds) {
    return hook->WaitFor(condition, std::chrono::milliseconds(static_cast<int>(seconds * 1000)));
}

bool ToolBarXTest::WaitViewable(HWND hwnd) {
    return DuiLib::test::WaitUntil([hwnd] {
        std::string state;
        return DuiLib::test::RunTool({"xwininfo", "-id", std::to_string(hwnd)}, &state) &&
               state.find("IsViewable") != std::string::npos;
    });
}

void ToolBarXTest::Click(HWND bar, const wchar_t* name) {
    const POINT at = DuiLib::test::ControlCentreOnScreen(*hook, bar, name);
    ASSERT_GE(at.x, 0) << zovi::platform::EncodeUtf8Lossless(name);
    DuiLib::test::Xdotool({"mousemove", std::to_string(at.x), std::to_string(at.y), "click", "1"});
    // Away again, so the pictures show no hot button.
    DuiLib::test::Xdotool({"mousemove", "5", "5"});
}

void ToolBarXTest::KeepPicture(HWND bar, const std::string& name) {
    EXPECT_TRUE(DuiLib::test::SaveWindowPng(bar, ArtefactPath(name + ".png"))) << name;
}

std::vector<std::shared_ptr<zovi::engine::CaptureHistoryItem>> ToolBarXTest::HistoryHere() const {
    zovi::engine::CCaptureHistory* history = zovi::engine::CCaptureHistory::GetInstance();
    std::vector<uint32_t> keys;
    std::vector<std::shared_ptr<zovi::engine::CaptureHistoryItem>> items, here;
    if (history->GetKeys(keys)) history->LoadAll(keys, items);
    for (auto& item : items)
        if (item->path.rfind(folder.string(), 0) == 0) here.push_back(item);
    return here;
}

}  // namespace toolbar_test
