// The skin lint through the library itself: every layout of the built-in archive is
// built by the library's builder into a paint manager with no window (unknown tags
// refused) and painted offscreen; any log line (an unknown attribute, a bad value, an
// unknown element, a missing image or layout) fails the layout. The paintings, with
// sample texts where the windows' code sets them, go to the artefacts folder.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "platform/base/utf8.h"
#include "platform/duilib/controls/label.h"
#include "platform/duilib/controls/option.h"
#include "platform/duilib/core/render/render_engine.h"
#include "platform/duilib/core/builder/dialog_builder.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/core/string/dui_log.h"
#include "skin/skin_archive_data.h"

namespace zovi::skin::testing {
namespace {

namespace fs = std::filesystem;

std::mutex gLogMutex;
std::vector<std::wstring> gLogLines;

void CaptureLine(int /*level*/, const wchar_t* text) {
    std::lock_guard<std::mutex> lock(gLogMutex);
    gLogLines.push_back(text);
}

// Refuses every tag the library does not know, remembering it; the windows' own controls
// are built as their library base (the level meter "OptionEx" is an option, the
// whiteboard toolbar's "ColorButton" a button).
class RefusingCallback : public DuiLib::IDialogBuilderCallback {
public:
    DuiLib::CControlUI* CreateControl(const wchar_t* tag) override {
        if (std::wstring(tag) == L"OptionEx") return new DuiLib::COptionUI;
        if (std::wstring(tag) == L"ColorButton") return new DuiLib::CButtonUI;
        refused.push_back(tag);
        return nullptr;
    }
    std::vector<std::wstring> refused;
};

// Texts the windows' code puts into named controls (wrapped where the code makes a label
// wrap), so the artefacts show real content.
struct SampleText {
    std::wstring text;
    bool wraps = false;
};

const std::map<std::wstring, std::map<std::wstring, SampleText>>& SampleTexts() {
    static const std::map<std::wstring, std::map<std::wstring, SampleText>> texts = {
        {L"msgbox.xml",
         {{L"title", {L"Zovi录屏"}},
          {L"text", {L"录制已停止，视频已保存到“我的视频”文件夹。Recording stopped; the video was saved.", true}},
          {L"btnOK", {L"确定"}},
          {L"btnCancel", {L"取消"}}}},
        {L"CaptureConfigure.xml",
         {{L"title", {L"Zovi录屏"}},
          {L"tab_screencam_title", {L"屏幕+摄像头"}},
          {L"tab_screen_title", {L"仅屏幕"}},
          {L"tab_cam_title", {L"仅摄像头"}},
          {L"source_area_title", {L"录制区域"}},
          {L"desktop_lb_1", {L"选择桌面"}},
          {L"window_lb_1", {L"选择窗口"}},
          {L"rect_lb_1", {L"选择区域"}},
          {L"device_title", {L"设备及参数"}},
          {L"optCapDesktp", {L"录制电脑声音"}},
          {L"btnStart", {L"开始录制"}}}},
    };
    return texts;
}

class SkinBuild : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("ZOVI_SKIN_DIR");  // the built-in archive, not a development folder
        DuiLib::SetSkinArchive(kSkinZip, kSkinZipSize);
        DuiLib::SetLogSink(&CaptureLine);
    }
    void TearDown() override { DuiLib::SetLogSink(nullptr); }

    static std::vector<std::wstring> TakeLines() {
        std::lock_guard<std::mutex> lock(gLogMutex);
        std::vector<std::wstring> lines;
        lines.swap(gLogLines);
        return lines;
    }
};

// The window border the root control draws, when it has a one-pixel one.
bool RootBorderColor(const std::wstring& layout, DWORD* color) {
    std::vector<unsigned char> bytes;
    pugi::xml_document doc;
    if (!DuiLib::ReadSkinFile(layout, &bytes) || !doc.load_buffer(bytes.data(), bytes.size())) return false;
    for (const pugi::xml_node& child : doc.document_element().children()) {
        if (child.type() != pugi::node_element || std::string(child.name()) == "Font") continue;
        return std::string(child.attribute("bordersize").value()) == "1" &&
               DuiLib::ParseColor(platform::Utf8ToWide(child.attribute("bordercolor").value()).c_str(), color);
    }
    return false;
}

unsigned PixelAt(cairo_surface_t* surface, int x, int y) {
    const auto* row = reinterpret_cast<const unsigned*>(cairo_image_surface_get_data(surface) +
                                                        static_cast<size_t>(y) * cairo_image_surface_get_stride(surface));
    return row[x];
}

void SaveArtefact(cairo_surface_t* surface, const std::wstring& layout) {
    const fs::path dir = fs::path(ZOVI_TEST_BIN_DIR) / "artefacts" / "skin";
    fs::create_directories(dir);
    std::string name = "layout_" + platform::WideToUtf8(layout);
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    EXPECT_EQ(cairo_surface_write_to_png(surface, (dir / (name + ".png")).c_str()), CAIRO_STATUS_SUCCESS);
}

TEST_F(SkinBuild, EveryLayoutBuildsAndPaintsWithoutALogLine) {
    std::vector<std::wstring> layouts;
    for (const std::wstring& path : DuiLib::ListSkinFiles()) {
        if (path.size() > 4 && path.compare(path.size() - 4, 4, L".xml") == 0) layouts.push_back(path);
    }
    ASSERT_FALSE(layouts.empty());
    for (const std::wstring& layout : layouts) {
        SCOPED_TRACE(platform::WideToUtf8(layout));
        DuiLib::ResetLogOnce();  // each layout reports its own faults
        TakeLines();
        DuiLib::CPaintManagerUI manager;
        RefusingCallback callback;
        DuiLib::CDialogBuilder builder;
        DuiLib::CControlUI* root = builder.Create(layout.c_str(), nullptr, &callback, &manager);
        ASSERT_NE(root, nullptr);
        ASSERT_TRUE(manager.AttachDialog(root));
        auto texts = SampleTexts().find(layout);
        if (texts != SampleTexts().end()) {
            for (const auto& [name, sample] : texts->second) {
                DuiLib::CControlUI* control = manager.FindControl(name.c_str());
                ASSERT_NE(control, nullptr) << platform::WideToUtf8(name);
                auto* label = static_cast<DuiLib::CLabelUI*>(control->GetInterface(L"Label"));
                if (sample.wraps && label) label->SetTextStyle(DuiLib::DT_LEFT | DuiLib::DT_TOP | DuiLib::DT_WORDBREAK);
                control->SetText(sample.text.c_str());
            }
        }
        const SIZE size = manager.GetInitSize();
        ASSERT_GT(size.cx, 0);
        ASSERT_GT(size.cy, 0);
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.cx, size.cy);
        manager.RenderToSurface(surface, RECT{0, 0, size.cx, size.cy});
        cairo_surface_flush(surface);
        SaveArtefact(surface, layout);
        // A bordered root keeps its border visible on every side (no bar paints over it).
        if (DWORD border = 0; RootBorderColor(layout, &border)) {
            const int midX = size.cx / 2, midY = size.cy / 2;
            EXPECT_EQ(PixelAt(surface, 0, midY), border) << "left";
            EXPECT_EQ(PixelAt(surface, size.cx - 1, midY), border) << "right";
            EXPECT_EQ(PixelAt(surface, midX, 0), border) << "top";
            EXPECT_EQ(PixelAt(surface, midX, size.cy - 1), border) << "bottom";
        }
        cairo_surface_destroy(surface);

        for (const std::wstring& tag : callback.refused) ADD_FAILURE() << "unknown tag <" << platform::WideToUtf8(tag) << ">";
        for (const std::wstring& line : TakeLines()) ADD_FAILURE() << platform::WideToUtf8(line);
    }
}

// The check above sees faults: a layout with an unknown attribute, a bad colour, an
// unknown tag and a missing image fails it line by line.
TEST_F(SkinBuild, FaultsInALayoutReachTheLog) {
    DuiLib::ResetLogOnce();
    TakeLines();
    DuiLib::CPaintManagerUI manager;
    RefusingCallback callback;
    DuiLib::CDialogBuilder builder;
    DuiLib::CControlUI* root = builder.Create(
        L"<Window size=\"40,40\"><VerticalLayout bkcolour=\"#FFFFFFFF\">"
        L"<Button width=\"20\" textcolor=\"#GG000000\" normalimage=\"capture_config/Btn_close.png\"/>"
        L"<Slidr/></VerticalLayout></Window>",
        nullptr, &callback, &manager);
    ASSERT_NE(root, nullptr);
    ASSERT_TRUE(manager.AttachDialog(root));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 40, 40);
    manager.RenderToSurface(surface, RECT{0, 0, 40, 40});
    cairo_surface_destroy(surface);

    ASSERT_EQ(callback.refused, std::vector<std::wstring>{L"Slidr"});
    const std::vector<std::wstring> lines = TakeLines();
    for (const wchar_t* part : {L"bkcolour", L"#GG000000", L"Slidr", L"capture_config/Btn_close.png"}) {
        bool found = false;
        for (const std::wstring& line : lines) found |= line.find(part) != std::wstring::npos;
        EXPECT_TRUE(found) << "no log line names " << platform::WideToUtf8(part);
    }
}

}  // namespace
}  // namespace zovi::skin::testing
