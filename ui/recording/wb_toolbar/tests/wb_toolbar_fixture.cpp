#include "ui/recording/wb_toolbar/tests/wb_toolbar_fixture.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "core/global/global.h"
#include "online/analytics/analytics_controller.h"
#include "platform/base/utf8.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/control_on_screen.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/window/message_loop.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"
#include "ui/recording/wb_toolbar/wb_accelerators.h"

namespace wb_toolbar_test {

namespace fs = std::filesystem;

// Every action posts an analytics event; as in the program, the sender ends before the
// process's libraries clean up at exit.
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

DuiLib::CDuiString CBoardStandIn::GetSkinFile() {
    return L"<Window size=\"800,600\"><VerticalLayout bkcolor=\"#FFE4E6EA\"/></Window>";
}

void CBoardStandIn::InitWindow() {
    // As the whiteboard does: the toolbar, a visible pop-up tool window owned by the board.
    toolbar = std::make_shared<DuiLib::CUIWBToolBar>(m_hWnd, weak_from_this());
    if (toolbar->Create(m_hWnd, L"", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW)) toolbar->ShowWindow(true, true);
}

LRESULT CBoardStandIn::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    if (uMsg != WM_COMMAND || !DuiLib::IsWBCommand(LOWORD(wParam))) return 0;
    bHandled = TRUE;
    const int id = LOWORD(wParam);
    commands.push_back(id);
    const std::shared_ptr<DuiLib::CUIWBToolBar> bar = toolbar;
    if (!bar) return 0;
    switch (id) {
        case DuiLib::kWBCommandExit:
            bar->OnExit();
            break;
        case DuiLib::kWBCommandColor:
            bar->OnColorSelect();
            break;
        case DuiLib::kWBCommandLineWidth:
            bar->OnLineWidth();
            break;
        case DuiLib::kWBCommandRevoke:
            bar->OnRevoke();
            break;
        case DuiLib::kWBCommandClear:
            bar->OnClear();
            break;
        default:
            bar->SelectPaintMode(id - DuiLib::kWBCommandFirstMode + 1);
            break;
    }
    return 0;
}

void CBoardStandIn::SetPaintMode(int32_t mode) { calls.push_back("mode:" + std::to_string(mode)); }

void CBoardStandIn::SetColor(uint32_t argb) {
    char text[32];
    std::snprintf(text, sizeof text, "color:%08x", argb);
    calls.push_back(text);
}

void CBoardStandIn::SetLineWidth(float width) {
    char text[32];
    std::snprintf(text, sizeof text, "width:%g", static_cast<double>(width));
    calls.push_back(text);
}

void CBoardStandIn::Exit() {
    calls.push_back("exit");
    Close(1);
}

// The program's loop: the library's key handling first, then dispatch.
class WBToolBarXTest::CLoop : public CMessageLoop, public CMessageFilter {
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
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
};

WBToolBarXTest::WBToolBarXTest() = default;
WBToolBarXTest::~WBToolBarXTest() = default;

void WBToolBarXTest::SetUp() {
    if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
    DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
    GetGlobal().lang = L"en-US";
    TolkaSetLang(TolkaLangEnglish);
    savedColor_ = GetGlobal().whiteboardColor;
    savedLineSize_ = GetGlobal().whiteboardLineSize;
    GetGlobal().whiteboardColor = 0xFFFF0000;
    GetGlobal().whiteboardLineSize = 0;
    loop_ = std::make_unique<CLoop>();
    hook = std::make_unique<DuiLib::test::CUiThreadHook>();
    DuiLib::test::Xdotool({"mousemove", "5", "5"});
}

void WBToolBarXTest::TearDown() {
    if (!loop_) return;
    if (board && ::IsWindow(board->GetHWND())) ::DestroyWindow(board->GetHWND());
    LoopUntil([] { return false; }, 0.2);
    board.reset();
    hook.reset();
    loop_.reset();
    GetGlobal().whiteboardColor = savedColor_;
    GetGlobal().whiteboardLineSize = savedLineSize_;
}

bool WBToolBarXTest::OpenBoard(const RECT& area) {
    board = std::make_shared<CBoardStandIn>();
    if (!board->Create(0, L"", WS_POPUP | WS_VISIBLE, 0, area)) return false;
    board->ShowWindow(true, false);
    return board->toolbar && ::IsWindow(board->toolbar->GetHWND());
}

void WBToolBarXTest::Drive(const std::function<void()>& driver) {
    std::atomic<bool> done{false};
    std::thread thread([&] {
        driver();
        done = true;
    });
    LoopUntil([&] { return done.load(); }, 600);
    thread.join();
}

bool WBToolBarXTest::LoopUntil(const std::function<bool()>& condition, double seconds) {
    return loop_->RunUntil(condition, seconds);
}

bool WBToolBarXTest::WaitUi(const std::function<bool()>& condition, double seconds) {
    return hook->WaitFor(condition, std::chrono::milliseconds(static_cast<int>(seconds * 1000)));
}

std::vector<std::string> WBToolBarXTest::WaitCalls(size_t count) {
    WaitUi([this, count] { return board->calls.size() >= count; });
    return Ui([this] { return board->calls; });
}

void WBToolBarXTest::ForgetCalls() {
    Ui([this] {
        board->calls.clear();
        board->commands.clear();
        return 0;
    });
}

void WBToolBarXTest::Click(HWND window, const wchar_t* name) {
    const POINT at = DuiLib::test::ControlCentreOnScreen(*hook, window, name);
    ASSERT_GE(at.x, 0) << zovi::platform::EncodeUtf8Lossless(name);
    DuiLib::test::Xdotool({"mousemove", std::to_string(at.x), std::to_string(at.y), "click", "1"});
    DuiLib::test::Xdotool({"mousemove", "5", "5"});
}

bool WBToolBarXTest::IsSelected(HWND window, const wchar_t* name) {
    return Ui([window, name] {
        auto* base = dynamic_cast<DuiLib::WindowImplBase*>(DuiLib::CWindowWnd::FromHandle(window));
        DuiLib::CControlUI* control = base ? base->GetPaintManager().FindControl(name) : nullptr;
        auto* option = control ? static_cast<DuiLib::COptionUI*>(control->GetInterface(L"Option")) : nullptr;
        return option && option->IsSelected();
    });
}

bool WBToolBarXTest::WaitFocus(HWND window) {
    return WaitUi([window] { return ::GetFocus() == window; });
}

void WBToolBarXTest::KeepPicture(HWND window, const std::string& name) {
    EXPECT_TRUE(DuiLib::test::SaveWindowPng(window, ArtefactPath(name + ".png"))) << name;
}

}  // namespace wb_toolbar_test
