// The capture main window's layout, built as the window builds it (its "OptionEx" tag made
// into the level meter) and filled with the window's texts from the string table in both
// languages: the areas have their heights, no control overlaps another or leaves its
// container, every text fits its control, and the meter shows its bar. The paintings (both
// languages, and the shorter camera-only window) go to the artefacts folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/base/utf8.h"
#include "platform/duilib/controls/combo.h"
#include "platform/duilib/controls/control.h"
#include "platform/duilib/controls/label.h"
#include "platform/duilib/controls/list_element.h"
#include "platform/duilib/core/builder/dialog_builder.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/render/render_engine.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/offscreen_render.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"
#include "ui/recording/level_meter/option_ui_ex.h"

namespace {

using DuiLib::CControlUI;

constexpr int kWidth = 340, kHeight = 560;
constexpr int kSourceAreaHeight = 170;

// The window's control factory: the level meter for "OptionEx…", as the window makes it.
class MeterFactory : public DuiLib::IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const wchar_t* tag) override {
        if (std::wstring(tag).compare(0, 8, L"OptionEx") != 0) return nullptr;
        meter = new DuiLib::COptionUIEx;
        meter->SetLevel(0.5f);
        meter->SetLevelColor(0xFF2B8CF4);
        return meter;
    }
    DuiLib::COptionUIEx* meter = nullptr;
};

// The texts the window binds to string ids.
const struct {
    const wchar_t* control;
    std::uint32_t id;
} kBoundTexts[] = {
    {L"btnStart", 7},     {L"title", 1},         {L"tab_screencam_title", 2}, {L"tab_screen_title", 3},
    {L"tab_cam_title", 4}, {L"source_area_title", 9}, {L"device_title", 10},   {L"desktop_lb_1", 12},
    {L"window_lb_1", 11}, {L"rect_lb_1", 13},     {L"optCapDesktp", 16},
};

std::wstring Formatted(std::uint32_t id, const std::wstring& value) {
    std::wstring text = TolkaGetString(id);
    const size_t at = text.find(L"%s");
    if (at != std::wstring::npos) text.replace(at, 2, value);
    return text;
}

struct Window {
    DuiLib::CPaintManagerUI manager;
    MeterFactory factory;
    CControlUI* root = nullptr;

    Window() {
        DuiLib::CDialogBuilder builder;
        root = builder.Create(L"CaptureConfigure.xml", nullptr, &factory, &manager);
        if (root) manager.AttachDialog(root);
    }
    CControlUI* Find(const wchar_t* name) { return manager.FindControl(name); }
    // The window's texts in the current language, a picked source, and one row in each
    // combo as the window fills them.
    void FillTexts() {
        for (const auto& bound : kBoundTexts) {
            if (CControlUI* control = Find(bound.control)) control->SetText(TolkaGetString(bound.id));
        }
        if (CControlUI* detail = Find(L"desktop_lb_2")) detail->SetText(L"DELL U2720Q (3840x2160)");
        AddRow(L"comCam", L"Integrated Camera: Integrated C");
        AddRow(L"comMic", TolkaGetString(20));
        auto* quality = static_cast<DuiLib::CComboUI*>(Find(L"comHD"));
        if (!quality) return;
        auto* row = new DuiLib::CListContainerElementUI;
        row->SetFixedHeight(30);
        auto* label = new DuiLib::CLabelUI;
        label->SetAttributeList(L"textcolor=\"#FF000000\" font=\"2\" textpadding=\"4,0,0,0\"");
        label->SetText(Formatted(15, L"720P").c_str());
        row->Add(label);
        quality->Add(row);
        quality->SelectItem(0, false, false);
    }
    void AddRow(const wchar_t* combo, const std::wstring& text) {
        auto* box = static_cast<DuiLib::CComboUI*>(Find(combo));
        if (!box) return;
        auto* row = new DuiLib::CListLabelElementUI;
        row->SetText(text.c_str());
        box->Add(row);
        box->SelectItem(0, false, false);
    }
};

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) && std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

std::string NameOf(CControlUI* control) {
    const std::wstring name = control->GetName().str();
    return name.empty() ? std::string("(unnamed ") + zovi::platform::WideToUtf8(control->GetClass()) + ")"
                        : zovi::platform::WideToUtf8(name);
}

// Every visible control lies inside its container and overlaps none of its siblings.
void ExpectTidy(CControlUI* control, std::string* faults) {
    auto* container = static_cast<DuiLib::CContainerUI*>(control->GetInterface(L"Container"));
    if (!container || control->GetInterface(L"Combo")) return;  // a combo's rows live in its drop-down
    std::vector<CControlUI*> shown;
    for (int i = 0; i < container->GetCount(); ++i) {
        CControlUI* child = container->GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (!Inside(child->GetPos(), control->GetPos())) *faults += NameOf(child) + " leaves " + NameOf(control) + "\n";
        for (CControlUI* other : shown) {
            if (Overlap(child->GetPos(), other->GetPos())) *faults += NameOf(child) + " overlaps " + NameOf(other) + "\n";
        }
        shown.push_back(child);
        ExpectTidy(child, faults);
    }
}

// The width and height a control's text needs on one line against what it has.
void ExpectTextFits(DuiLib::CPaintManagerUI& manager, CControlUI* control, std::string* faults) {
    if (!control->IsVisible()) return;
    std::wstring text = control->GetText().str();
    int font = -1;
    RECT padding{};
    if (auto* label = static_cast<DuiLib::CLabelUI*>(control->GetInterface(L"Label"))) {
        font = label->GetFont();
        padding = label->GetTextPadding();
    } else if (auto* combo = static_cast<DuiLib::CComboUI*>(control->GetInterface(L"Combo"))) {
        CControlUI* row = combo->GetItemAt(combo->GetCurSel());
        auto* element = row ? static_cast<DuiLib::CContainerUI*>(row->GetInterface(L"Container")) : nullptr;
        text = element && element->GetCount() ? element->GetItemAt(0)->GetText().str() : row ? row->GetText().str() : L"";
        font = 2;
        padding = RECT{8, 0, 24, 0};  // the layout's textpadding of the combos
    }
    // A picked source's title may be any length: its label cuts it with an ellipsis.
    const std::wstring name = control->GetName().str();
    const bool cutByDesign = name == L"desktop_lb_2" || name == L"window_lb_2" || name == L"rect_lb_2";
    if (!text.empty() && !cutByDesign) {
        const SIZE need = DuiLib::CRenderEngine::MeasureText(&manager, text, font, DuiLib::DT_SINGLELINE, 0);
        const RECT& rc = control->GetPos();
        const int width = rc.right - rc.left - padding.left - padding.right;
        const int height = rc.bottom - rc.top - padding.top - padding.bottom;
        if (need.cx > width || need.cy > height) {
            *faults += NameOf(control) + ": \"" + zovi::platform::WideToUtf8(text) + "\" needs " + std::to_string(need.cx) +
                       "x" + std::to_string(need.cy) + ", has " + std::to_string(width) + "x" + std::to_string(height) + "\n";
        }
    }
    if (control->GetInterface(L"Combo")) return;
    if (auto* container = static_cast<DuiLib::CContainerUI*>(control->GetInterface(L"Container"))) {
        for (int i = 0; i < container->GetCount(); ++i) ExpectTextFits(manager, container->GetItemAt(i), faults);
    }
}

struct CaptureConfigureLayout : testing::Test {
    void SetUp() override {
        unsetenv("ZOVI_SKIN_DIR");
        DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
    }
    void TearDown() override { TolkaSetLang(TolkaLangChinese); }
};

TEST_F(CaptureConfigureLayout, AreasKeepTheirHeightsAndTheMeterIsTheWindowsOwn) {
    Window window;
    ASSERT_NE(window.root, nullptr);
    EXPECT_EQ(window.manager.GetInitSize().cx, kWidth);
    EXPECT_EQ(window.manager.GetInitSize().cy, kHeight);
    auto surface = DuiLib::test::RenderToSurface(window.manager, kWidth, kHeight);
    // The parent of each named control is its area; the areas follow one another from
    // the top border down, and the start bar sits on the bottom border.
    const struct {
        const wchar_t* inside;
        int top, height;
    } areas[] = {{L"title", 1, 40}, {L"screencam", 41, 74}, {L"source_area_title", 115, kSourceAreaHeight},
                 {L"device_title", 285, 198}, {L"btnStart", kHeight - 1 - 48, 48}};
    for (const auto& area : areas) {
        CControlUI* control = window.Find(area.inside);
        ASSERT_NE(control, nullptr) << zovi::platform::WideToUtf8(area.inside);
        CControlUI* parent = control->GetParent();
        if (std::wstring(area.inside) == L"screencam") parent = parent->GetParent();  // a tab's cell
        EXPECT_EQ(parent->GetPos().top, area.top) << zovi::platform::WideToUtf8(area.inside);
        EXPECT_EQ(parent->GetPos().bottom - parent->GetPos().top, area.height) << zovi::platform::WideToUtf8(area.inside);
    }
    EXPECT_EQ(window.Find(L"layoutSrc"), window.Find(L"source_area_title")->GetParent());
    EXPECT_FALSE(window.Find(L"btnAccountOK")->IsVisible());
    for (const wchar_t* tab : {L"screencam", L"screen", L"cam"}) {
        EXPECT_EQ(window.Find(tab)->GetPos().right - window.Find(tab)->GetPos().left, 54);
    }

    // The meter: made by the factory, its bar half way up behind the microphone.
    ASSERT_NE(window.factory.meter, nullptr);
    EXPECT_EQ(window.Find(L"icon_mic"), window.factory.meter);
    const RECT meter = window.factory.meter->GetPos();
    EXPECT_EQ(DuiLib::test::PixelAt(surface.get(), meter.left, meter.bottom - 1), 0xFF2B8CF4u);
    EXPECT_EQ(DuiLib::test::PixelAt(surface.get(), meter.left, meter.top), 0xFFFFFFFFu);
}

TEST_F(CaptureConfigureLayout, InBothLanguagesEveryTextFitsAndNothingOverlaps) {
    const struct {
        TolkaLang lang;
        const char* artefact;
    } languages[] = {{TolkaLangChinese, "capture_configure_zh"}, {TolkaLangEnglish, "capture_configure_en"}};
    for (const auto& language : languages) {
        SCOPED_TRACE(language.artefact);
        TolkaSetLang(language.lang);
        Window window;
        ASSERT_NE(window.root, nullptr);
        window.FillTexts();
        window.Find(L"screen")->SetAttribute(L"selected", L"true");
        window.Find(L"icon_desktop")->SetAttribute(L"selected", L"true");
        window.Find(L"optCapDesktp")->SetAttribute(L"selected", L"true");
        auto surface = DuiLib::test::RenderToSurface(window.manager, kWidth, kHeight);
        EXPECT_FALSE(DuiLib::test::SaveArtefact(surface.get(), language.artefact).empty());
        std::string faults;
        ExpectTidy(window.root, &faults);
        ExpectTextFits(window.manager, window.root, &faults);
        EXPECT_TRUE(faults.empty()) << faults;
    }
}

TEST_F(CaptureConfigureLayout, TheCameraOnlyWindowIsTheSourceAreaShorter) {
    TolkaSetLang(TolkaLangEnglish);
    Window window;
    ASSERT_NE(window.root, nullptr);
    window.FillTexts();
    window.Find(L"cam")->SetAttribute(L"selected", L"true");
    window.Find(L"layoutSrc")->SetVisible(false);
    const int height = kHeight - kSourceAreaHeight;
    auto surface = DuiLib::test::RenderToSurface(window.manager, kWidth, height);
    EXPECT_FALSE(DuiLib::test::SaveArtefact(surface.get(), "capture_configure_cam_only").empty());
    // The devices follow the tabs, and the start bar still sits on the bottom border.
    EXPECT_EQ(window.Find(L"device_title")->GetParent()->GetPos().top, 115);
    EXPECT_EQ(window.Find(L"btnStart")->GetParent()->GetPos().bottom, height - 1);
    std::string faults;
    ExpectTidy(window.root, &faults);
    EXPECT_TRUE(faults.empty()) << faults;
}

}  // namespace
