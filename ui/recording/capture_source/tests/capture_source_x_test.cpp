// The capture-source picker on Xvfb (no window manager): plain X windows of known titles
// and colours stand for other programs; the picker runs its modal loop on the main thread
// while a driver thread finds it by its class, clicks its tiles and buttons with xdotool
// and reads its state through the UI-thread hook. Pictures of it are kept as artefacts.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/duilib/controls/container.h"
#include "platform/duilib/controls/option.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/control_on_screen.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/screen/screen_connection.h"
#include "platform/screen/screen_grab.h"
#include "platform/screen/testing/x_test_desktop.h"
#include "platform/window/window.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"
#include "ui/recording/capture_source/tests/wm_close.h"
#include "ui/recording/capture_source/ui_capture_source.h"

namespace {

using DuiLib::CUICaptureSource;
using DuiLib::test::WaitUntil;
using DuiLib::test::Xdotool;
using zovi::platform::testing::CTestWindow;

constexpr DWORD kPickerStyle = 0x96C80000;
// Where the thumbnail sits in a tile, and the point of it the tests sample.
constexpr POINT kThumbnailCentre{10 + 85, 10 + 55};

std::string Num(long v) { return std::to_string(v); }

struct TileState {
    UINT_PTR tag = 0;
    std::wstring text, tip;
    bool selected = false;
    RECT client{};  // in the picker's client area
    POINT screenCentre{};
};

// What the picker shows, read on the UI thread.
struct PickerState {
    std::vector<TileState> tiles;
    std::vector<std::wstring> entryTitles;
    std::vector<HWND> entryWindows;
    int listItems = 0;
    bool okEnabled = false;
    bool warnVisible = false;
    std::wstring title, okText, warnText;
};

struct CaptureSourceXTest : testing::Test {
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
        DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
        TolkaSetLang(TolkaLangEnglish);
        hook = std::make_unique<DuiLib::test::CUiThreadHook>();
    }
    void TearDown() override {
        picker.reset();
        windows.clear();
        hook.reset();
    }

    // A plain top-level window of another "program": a dark bar on top, `colour` below.
    HWND AddWindow(const RECT& rect, uint32_t colour, const std::string& title) {
        auto window = CTestWindow::Create(rect, colour);
        if (!window) return 0;
        window->SetTitle(title);
        const int barHeight = (rect.bottom - rect.top) / 5;
        window->Paint([&](int, int y) { return y < barHeight ? 0x333333u : colour; });
        windows.push_back(std::move(window));
        return windows.back()->Handle();
    }

    // Creates the picker, runs `drive` on a driver thread with its window while the modal
    // loop runs here, and returns the modal result. A driver that failed closes what it
    // left open (the loop would wait for ever).
    UINT RunPicker(int mode, const std::function<void(HWND)>& drive) {
        picker = std::make_shared<CUICaptureSource>(mode);
        if (!picker->Create(0, L"", kPickerStyle, 0)) {
            ADD_FAILURE() << "the picker was not created";
            return 0;
        }
        std::thread driver([this, drive] {
            const HWND box = DuiLib::test::WaitForWindowOfClass("CaptureSource");
            if (box) {
                drive(box);
            } else {
                ADD_FAILURE() << "no window of class CaptureSource";
            }
            if (!HasFailure()) return;
            hook->Run([] {
                if (const HWND left = ::FindWindowW(L"CaptureSource", nullptr)) ::PostMessageW(left, WM_CLOSE, 99, 0);
            });
        });
        const UINT result = picker->ShowModal();
        driver.join();
        return result;
    }

    // The state once the tiles are laid out (at once when there are none).
    PickerState ReadLaidOutState() {
        PickerState state;
        EXPECT_TRUE(WaitUntil([&] {
            state = ReadState();
            return state.tiles.empty() || state.tiles.back().client.right > state.tiles.back().client.left;
        }));
        return state;
    }

    PickerState ReadState() {
        return hook
            ->Call([this] {
                PickerState state;
                DuiLib::CPaintManagerUI& pm = picker->GetPaintManager();
                for (const auto& entry : picker->GetEntries()) {
                    state.entryTitles.push_back(entry->title);
                    state.entryWindows.push_back(entry->window);
                }
                if (DuiLib::CControlUI* ok = pm.FindControl(L"btnOK")) {
                    state.okEnabled = ok->IsEnabled();
                    state.okText = ok->GetText().GetData();
                }
                if (DuiLib::CControlUI* warn = pm.FindControl(L"warnText")) {
                    state.warnVisible = warn->IsVisible();
                    state.warnText = warn->GetText().GetData();
                }
                if (DuiLib::CControlUI* title = pm.FindControl(L"title")) state.title = title->GetText().GetData();
                DuiLib::CControlUI* listControl = pm.FindControl(L"list");
                auto* list = listControl ? static_cast<DuiLib::CContainerUI*>(listControl->GetInterface(L"Container"))
                                         : nullptr;
                if (!list) return state;
                state.listItems = list->GetCount();
                for (int r = 0; r < list->GetCount(); ++r) {
                    auto* row = static_cast<DuiLib::CContainerUI*>(list->GetItemAt(r)->GetInterface(L"Container"));
                    for (int i = 0; row && i < row->GetCount(); ++i) {
                        auto* option = static_cast<DuiLib::COptionUI*>(row->GetItemAt(i)->GetInterface(L"Option"));
                        if (!option) continue;
                        TileState tile;
                        tile.tag = option->GetTag();
                        tile.text = option->GetText().GetData();
                        tile.tip = option->GetToolTip().GetData();
                        tile.selected = option->IsSelected();
                        tile.client = option->GetPos();
                        tile.screenCentre = {(tile.client.left + tile.client.right) / 2,
                                             (tile.client.top + tile.client.bottom) / 2};
                        ::ClientToScreen(picker->GetHWND(), &tile.screenCentre);
                        state.tiles.push_back(tile);
                    }
                }
                return state;
            })
            .value_or(PickerState{});
    }

    // The picker's on-screen pixel (0xRRGGBB) at a client point.
    static uint32_t ScreenPixel(HWND box, POINT client) {
        auto connection = zovi::platform::CScreenConnection::Open();
        if (!connection) return 0xFFFFFFFFu;
        auto picture = zovi::platform::GrabWindow(*connection, box);
        if (!picture || client.x >= picture->Width() || client.y >= picture->Height()) return 0xFFFFFFFFu;
        return picture->PixelAt(client.x, client.y) & 0xFFFFFF;
    }
    static POINT ThumbnailCentreOf(const TileState& tile) {
        return {tile.client.left + kThumbnailCentre.x, tile.client.top + kThumbnailCentre.y};
    }
    static void Click(POINT screen) { Xdotool({"mousemove", Num(screen.x), Num(screen.y), "click", "1"}); }
    static std::string SaveArtefact(HWND box, const std::string& name) {
        const std::string dir = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
        std::filesystem::create_directories(dir);
        const std::string path = dir + "/" + name + ".png";
        return DuiLib::test::SaveWindowPng(box, path) ? path : std::string();
    }

    std::unique_ptr<DuiLib::test::CUiThreadHook> hook;
    std::shared_ptr<CUICaptureSource> picker;
    std::vector<std::unique_ptr<CTestWindow>> windows;
};

TEST(CaptureSourceColumns, OneTileCellIs210PixelsAndARowHoldsAtLeastOne) {
    const struct {
        int width, columns;
    } cases[] = {{0, 1}, {209, 1}, {210, 1}, {419, 1}, {420, 2}, {720, 3}, {-5, 1}};
    for (const auto& c : cases) EXPECT_EQ(CUICaptureSource::ColumnsForWidth(c.width), c.columns) << c.width;
}

TEST_F(CaptureSourceXTest, WindowsAreListedAsTilesAndOkReturnsTheSelectedOne) {
    const HWND first = AddWindow({20, 20, 420, 320}, 0x2E8B57, "Zovi picker test A");
    const HWND second = AddWindow({1480, 20, 1880, 320}, 0xC0392B, "测试窗口 B");
    // A title wider than its tile: cut with an ellipsis when drawn (seen in the artefact).
    const std::string longTitle = "A window whose title is far too long to fit in its tile";
    const HWND third = AddWindow({20, 700, 420, 1000}, 0x8E44AD, longTitle);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    ASSERT_NE(third, 0u);
    PickerState before;
    const UINT result = RunPicker(CUICaptureSource::kListWindows, [&](HWND box) {
        before = ReadLaidOutState();
        // One tile per entry, in the entries' order, titled and tipped with the entry's title.
        ASSERT_EQ(before.tiles.size(), before.entryTitles.size());
        for (size_t i = 0; i < before.tiles.size(); ++i) {
            EXPECT_EQ(before.tiles[i].tag, i);
            EXPECT_EQ(before.tiles[i].text, before.entryTitles[i]);
            EXPECT_EQ(before.tiles[i].tip, before.entryTitles[i]);
            EXPECT_FALSE(before.tiles[i].selected);
        }
        EXPECT_EQ(before.title, L"Window");
        EXPECT_EQ(before.okText, L"Confirm");
        EXPECT_TRUE(before.warnVisible);
        EXPECT_EQ(before.warnText, TolkaGetString(19));
        EXPECT_FALSE(before.okEnabled);
        std::string name;
        EXPECT_TRUE(Xdotool({"getwindowname", Num(box)}, &name));
        EXPECT_EQ(name, "Window\n");

        // Both windows are there; the bottom one (A) is not the first entry, so choosing it
        // shows the chosen index is the clicked tile's.
        size_t indexA = before.entryWindows.size(), indexB = before.entryWindows.size();
        for (size_t i = 0; i < before.entryWindows.size(); ++i) {
            if (before.entryWindows[i] == first) indexA = i;
            if (before.entryWindows[i] == second) indexB = i;
        }
        ASSERT_LT(indexA, before.tiles.size());
        ASSERT_LT(indexB, before.tiles.size());
        EXPECT_EQ(before.tiles.size(), 3u);
        EXPECT_EQ(before.entryTitles[indexA], L"Zovi picker test A");
        EXPECT_EQ(before.entryTitles[indexB], L"测试窗口 B");
        ASSERT_GT(indexA, 0u);

        // The thumbnails show the windows' pictures.
        EXPECT_TRUE(WaitUntil([&] {
            return ScreenPixel(box, ThumbnailCentreOf(before.tiles[indexA])) == 0x2E8B57 &&
                   ScreenPixel(box, ThumbnailCentreOf(before.tiles[indexB])) == 0xC0392B;
        }));
        EXPECT_FALSE(SaveArtefact(box, "capture_source_windows").empty());

        Click(before.tiles[indexA].screenCentre);
        ASSERT_TRUE(WaitUntil([&] { return ReadState().okEnabled; }));
        const PickerState picked = ReadState();
        EXPECT_TRUE(picked.tiles[indexA].selected);
        EXPECT_FALSE(picked.tiles[indexB].selected);
        // The selected tile turns to the accent colour.
        EXPECT_TRUE(WaitUntil([&] {
            return ScreenPixel(box, {picked.tiles[indexA].client.left + 3, picked.tiles[indexA].client.bottom - 5}) ==
                   0x2B8CF4;
        }));
        EXPECT_FALSE(SaveArtefact(box, "capture_source_windows_selected").empty());
        const POINT ok = DuiLib::test::ControlCentreOnScreen(*hook, box, L"btnOK");
        ASSERT_GE(ok.x, 0);
        Click(ok);
    });
    EXPECT_EQ(result, CUICaptureSource::kResultOK);
    const auto chosen = picker->GetChosenEntry();
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->window, first);
    EXPECT_EQ(chosen->title, L"Zovi picker test A");
    EXPECT_EQ(picker->GetEntries().size(), before.entryTitles.size());
}

TEST_F(CaptureSourceXTest, WithNoWindowsTheListIsEmptyAndOkDoesNotClose) {
    const UINT result = RunPicker(CUICaptureSource::kListWindows, [&](HWND box) {
        const PickerState state = ReadState();
        EXPECT_TRUE(state.entryTitles.empty());
        EXPECT_EQ(state.listItems, 0);
        EXPECT_FALSE(state.okEnabled);
        ASSERT_TRUE(hook->WaitFor([box] { return ::GetFocus() == box; }));
        const POINT ok = DuiLib::test::ControlCentreOnScreen(*hook, box, L"btnOK");
        ASSERT_GE(ok.x, 0);
        // A click on the disabled OK, then Escape: had OK closed the picker, its result
        // would already be 1.
        Click(ok);
        EXPECT_FALSE(ReadState().okEnabled);
        Xdotool({"key", "Escape"});
    });
    EXPECT_EQ(result, CUICaptureSource::kResultClosed);
    EXPECT_EQ(picker->GetChosenEntry(), nullptr);
}

// Every way out but OK gives 2 and drops the entries, after a tile was selected; the
// closed picker still paints its tiles (their pictures were copied).
TEST_F(CaptureSourceXTest, CloseButtonEscapeAndWindowManagerCloseDropTheEntries) {
    AddWindow({20, 20, 420, 320}, 0x1F77B4, "Zovi picker test C");
    const struct {
        const char* how;
        std::function<void(CaptureSourceXTest&, HWND)> close;
    } cases[] = {
        {"close button",
         [](CaptureSourceXTest& t, HWND box) {
             const POINT close = DuiLib::test::ControlCentreOnScreen(*t.hook, box, L"btnClose");
             ASSERT_GE(close.x, 0);
             Click(close);
         }},
        {"Escape",
         [](CaptureSourceXTest& t, HWND box) {
             ASSERT_TRUE(t.hook->WaitFor([box] { return ::GetFocus() == box; }));
             Xdotool({"key", "Escape"});
         }},
        {"window manager",
         [](CaptureSourceXTest&, HWND box) { EXPECT_TRUE(capture_source_test::SendWindowManagerClose(box)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        TileState tile;
        const UINT result = RunPicker(CUICaptureSource::kListWindows, [&](HWND box) {
            const PickerState state = ReadLaidOutState();
            ASSERT_EQ(state.tiles.size(), 1u);
            tile = state.tiles[0];
            ASSERT_TRUE(WaitUntil([&] { return ScreenPixel(box, ThumbnailCentreOf(tile)) == 0x1F77B4; }));
            Click(tile.screenCentre);
            ASSERT_TRUE(WaitUntil([&] { return ReadState().okEnabled; }));
            c.close(*this, box);
        });
        EXPECT_EQ(result, CUICaptureSource::kResultClosed);
        EXPECT_TRUE(picker->GetEntries().empty());
        EXPECT_EQ(picker->GetChosenEntry(), nullptr);

        // The entries and their thumbnails are gone; the tiles still paint their pictures.
        auto surface = DuiLib::test::RenderToSurface(picker->GetPaintManager(), 720, 540);
        EXPECT_EQ(DuiLib::test::PixelAt(surface.get(), ThumbnailCentreOf(tile).x, ThumbnailCentreOf(tile).y) & 0xFFFFFF,
                  0x1F77B4u);
        if (std::string(c.how) == "Escape") {
            EXPECT_FALSE(DuiLib::test::SaveArtefact(surface.get(), "capture_source_painted_after_close").empty());
        }
    }
}

TEST_F(CaptureSourceXTest, MonitorsAreListedWithoutTheWindowAdvice) {
    TolkaSetLang(TolkaLangChinese);
    zovi::platform::testing::FillRoot({0, 0, 1920, 1080}, 0x5D6D7E);
    AddWindow({100, 100, 900, 600}, 0xE67E22, "Zovi picker test D");
    const UINT result = RunPicker(CUICaptureSource::kListMonitors, [&](HWND box) {
        const PickerState state = ReadLaidOutState();
        EXPECT_FALSE(state.warnVisible);
        EXPECT_EQ(state.title, L"选择桌面");
        EXPECT_EQ(state.okText, L"确认选择");
        ASSERT_EQ(state.tiles.size(), 1u);
        EXPECT_EQ(state.tiles[0].text, L"Monitor1 (1920*1080)");
        EXPECT_FALSE(state.okEnabled);
        // The list starts right below the title bar and the gap, where the advice would be.
        EXPECT_LT(state.tiles[0].client.top, 30 + 10 + 80);
        // The screen's picture: the window (upper left) over the grey root.
        const TileState& tile = state.tiles[0];
        EXPECT_TRUE(WaitUntil([&] {
            return ScreenPixel(box, {tile.client.left + 10 + 40, tile.client.top + 10 + 40}) == 0xE67E22 &&
                   ScreenPixel(box, {tile.client.left + 10 + 160, tile.client.top + 10 + 100}) == 0x5D6D7E;
        }));
        Click(tile.screenCentre);
        ASSERT_TRUE(WaitUntil([&] { return ReadState().okEnabled; }));
        EXPECT_FALSE(SaveArtefact(box, "capture_source_monitors").empty());
        const POINT ok = DuiLib::test::ControlCentreOnScreen(*hook, box, L"btnOK");
        ASSERT_GE(ok.x, 0);
        Click(ok);
    });
    EXPECT_EQ(result, CUICaptureSource::kResultOK);
    const auto chosen = picker->GetChosenEntry();
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->title, L"Monitor1 (1920*1080)");
    EXPECT_EQ(chosen->window, 0u);
}

}  // namespace
