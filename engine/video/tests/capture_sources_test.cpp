// The monitor and window lists of the source picker, and the capture-source record.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/video/cap_video_gdi.h"
#include "engine/video/capture_source_info.h"
#include "engine/video/capture_sources.h"
#include "engine/video/tests/video_test_support.h"
#include "platform/base/wformat.h"
#include "platform/process/process.h"
#include "platform/screen/testing/x_test_desktop.h"
#include "platform/x11/x11_init.h"

namespace zovi::engine {
namespace {

using platform::testing::CTestWindow;

std::shared_ptr<WindowInfo> Find(const WindowInfoList& list, HWND window) {
    for (const auto& entry : list)
        if (entry->window == window) return entry;
    return nullptr;
}

uint32_t CentreOf(const platform::HBITMAP& thumbnail) { return thumbnail->PixelAt(100, 75); }

TEST(CaptureSources, MonitorsAreNumberedWithTheirModes) {
    platform::testing::FillRoot({0, 0, 1920, 1080}, 0x800000);
    WindowInfoList list;
    EnumCaptureMonitors(list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->title, L"Monitor1 (1920*1080)");
    EXPECT_EQ(list[0]->kind, WindowInfo::kKindMonitor);
    EXPECT_EQ(list[0]->window, 0u);
    EXPECT_FALSE(list[0]->name.empty());
    EXPECT_EQ(std::tie(list[0]->width, list[0]->height), std::make_tuple(1920, 1080));
    ASSERT_NE(list[0]->thumbnail, nullptr);
    EXPECT_EQ(list[0]->thumbnail->Width(), 200);
    EXPECT_EQ(list[0]->thumbnail->Height(), 150);
    EXPECT_EQ(CentreOf(list[0]->thumbnail), 0x800000u);
}

TEST(CaptureSources, TwoMonitorsAreNumberedInOrder) {
    ASSERT_TRUE(platform::testing::SetMonitor("LEFT", {0, 0, 800, 600}, /*takeOutput=*/true));
    ASSERT_TRUE(platform::testing::SetMonitor("RIGHT", {1000, 0, 1920, 700}));
    WindowInfoList list;
    EnumCaptureMonitors(list);
    const CaptureSourceInfo right(L"right");  // names compare ignoring case
    platform::testing::DeleteMonitor("LEFT");
    platform::testing::DeleteMonitor("RIGHT");
    ASSERT_EQ(list.size(), 2u);
    std::vector<std::wstring> names;
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i]->title, platform::FormatWide(L"Monitor%d (%d*%d)", static_cast<int>(i + 1),
                                                       list[i]->width, list[i]->height));
        names.push_back(list[i]->name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"LEFT", L"RIGHT"}));
    EXPECT_EQ(right.init, 1);
    EXPECT_EQ(std::tie(right.left, right.right, right.bottom), std::make_tuple(1000, 1920, 700));
}

TEST(CaptureSources, WindowsOfOtherProgramsAreListedWithThumbnails) {
    auto other = platform::ChildProcess::Start({"/bin/sleep", "60"}, {});
    ASSERT_NE(other, nullptr);
    struct Case {
        const char* title;
        uint32_t colour;
        std::function<void(CTestWindow&)> setup;
        bool listed;
    } cases[] = {
        {"Other program", 0x112233, [&](CTestWindow& w) { w.SetPid(other->Pid()); }, true},
        {"No process id", 0x445566, [](CTestWindow&) {}, true},
        {"Our own", 0x778899, [](CTestWindow& w) { w.SetPid(getpid()); }, false},
        {"Dock", 0xaabbcc, [](CTestWindow& w) { w.SetWindowType("_NET_WM_WINDOW_TYPE_DOCK"); }, false},
        {"Minimised", 0xddeeff, [](CTestWindow& w) { w.SetIconicState(); }, false},
        {"Unmapped", 0x010203, [](CTestWindow& w) { w.Unmap(); }, false},
    };
    std::vector<std::unique_ptr<CTestWindow>> windows;
    int offset = 0;
    for (const Case& c : cases) {
        windows.push_back(CTestWindow::Create({offset, 0, offset + 160, 120}, c.colour));
        offset += 170;
        windows.back()->SetTitle(c.title);
        c.setup(*windows.back());
    }
    WindowInfoList list;
    GetCaptureWindowList(list);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto entry = Find(list, windows[i]->Handle());
        ASSERT_EQ(entry != nullptr, cases[i].listed) << cases[i].title;
        if (!entry) continue;
        EXPECT_EQ(entry->kind, WindowInfo::kKindWindow);
        const std::string title = cases[i].title;  // ASCII
        EXPECT_EQ(entry->title, std::wstring(title.begin(), title.end()));
        EXPECT_TRUE(entry->name.empty());
        EXPECT_EQ(std::tie(entry->width, entry->height), std::make_tuple(160, 120));
        ASSERT_NE(entry->thumbnail, nullptr);
        EXPECT_EQ(CentreOf(entry->thumbnail), cases[i].colour) << cases[i].title;
    }
    // Topmost first: the later of two listed windows comes first.
    const auto first = std::find_if(list.begin(), list.end(), [&](const auto& e) {
        return e->window == windows[0]->Handle() || e->window == windows[1]->Handle();
    });
    ASSERT_NE(first, list.end());
    EXPECT_EQ((*first)->window, windows[1]->Handle());
    other->Kill(9);
    other->Wait(5000);
}

TEST(CaptureSources, AVanishedWindowIsSkippedWithoutError) {
    auto window = CTestWindow::Create({10, 10, 110, 110}, 0xffffff);
    const HWND handle = window->Handle();
    auto connection = platform::CScreenConnection::Open();
    ASSERT_NE(connection, nullptr);
    EXPECT_TRUE(IsCapturableWindow(*connection, handle));
    window->Destroy();
    const unsigned long untrapped = platform::x11::UntrappedErrorCount();
    WindowInfoList list;
    EXPECT_FALSE(IsCapturableWindow(*connection, handle));
    AddCaptureWindow(*connection, handle, list);
    EXPECT_TRUE(list.empty());
    GetCaptureWindowList(list);
    EXPECT_EQ(Find(list, handle), nullptr);
    EXPECT_EQ(platform::x11::UntrappedErrorCount(), untrapped);
}

TEST(CaptureSources, ShellProcessNamesByPrefix) {
    struct Case {
        const char* name;
        bool shell;
    } cases[] = {{"SearchApp.exe", true},   {"timeout", true},     {"Calculator", true},
                 {"gamebar-helper", true},  {"hxoutlook.exe", true}, {"sleep", false},
                 {"firefox-esr", false},    {"tim", false},        {"", false}};
    for (const Case& c : cases) EXPECT_EQ(IsShellProcessName(c.name), c.shell) << c.name;
}

TEST(CaptureSourceRecord, DefaultsAndSingleMonitors) {
    const CaptureSourceInfo all;
    EXPECT_EQ(all.type, CAP_MULT_MONITOR);
    EXPECT_EQ(std::tie(all.left, all.top, all.right, all.bottom), std::make_tuple(0, 0, 1920, 1080));
    EXPECT_TRUE(all.IsCaptureRectValid());
    EXPECT_EQ(all.init, 1);

    WindowInfoList monitors;
    EnumCaptureMonitors(monitors);
    ASSERT_FALSE(monitors.empty());
    std::wstring shouted = monitors[0]->name;
    std::transform(shouted.begin(), shouted.end(), shouted.begin(), ::towupper);
    const CaptureSourceInfo one(shouted);
    EXPECT_EQ(one.type, CAP_SINGLE_MONITOR);
    EXPECT_EQ(one.init, 1);
    EXPECT_EQ(one.rotated, 0);
    EXPECT_EQ(std::tie(one.right, one.bottom), std::make_tuple(1920, 1080));

    const CaptureSourceInfo none(L"no-such-monitor");
    EXPECT_EQ(none.init, 0);
    EXPECT_FALSE(none.IsCaptureRectValid());
    auto source = std::make_shared<CCapVideoMultMonitorGDI>();
    EXPECT_FALSE(source->Init(none, 30, 640, 360, AV_PIX_FMT_YUV420P, true,
                              std::make_shared<testing::CRecordingOutput>()));

    CaptureSourceInfo region;
    struct Case {
        RECT rc;
        bool valid;
    } cases[] = {{{0, 0, 0, 0}, false}, {{10, 10, 10, 50}, false}, {{-100, -50, 20, 30}, true},
                 {{50, 50, 40, 60}, false}};
    for (const Case& c : cases) {
        region.SetRect(c.rc);
        EXPECT_EQ(region.IsCaptureRectValid(), c.valid);
    }
}

TEST(CaptureSourceRecord, TargetRectFollowsTheWindow) {
    auto window = CTestWindow::Create({30, 40, 130, 90}, 0);
    CaptureSourceInfo info;
    info.window = window->Handle();
    RECT rc{};
    ASSERT_TRUE(info.GetTargetWindowRect(&rc));
    EXPECT_EQ(std::tie(rc.left, rc.top, rc.right, rc.bottom), std::make_tuple(30, 40, 130, 90));
    window->Destroy();
    EXPECT_FALSE(info.GetTargetWindowRect(&rc));
}

}  // namespace
}  // namespace zovi::engine
