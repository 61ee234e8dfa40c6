// The level meter painted offscreen: the bar fills the control from the bottom by its
// level in its colour, and none of the option's own background (plain or selected) shows.
#include <gtest/gtest.h>

#include <string>

#include "platform/duilib/core/builder/dialog_builder.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/test/offscreen_render.h"
#include "ui/recording/level_meter/option_ui_ex.h"

namespace {

using DuiLib::test::CountPixelsUnlike;
using DuiLib::test::PixelAt;

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBar = 0xFF2B8CF4;
// The meter: 20 x 100 at 10, 10 of a white 40 x 120 window.
constexpr RECT kMeter{10, 10, 30, 110};

// Makes the meter for the "OptionEx" tag, as the main window does.
class MeterFactory : public DuiLib::IDialogBuilderCallback {
public:
    DuiLib::CControlUI* CreateControl(const wchar_t* tag) override {
        if (std::wstring(tag).rfind(L"OptionEx", 0) != 0) return nullptr;
        meter = new DuiLib::COptionUIEx;
        return meter;
    }
    DuiLib::COptionUIEx* meter = nullptr;
};

struct Meter {
    explicit Meter(const wchar_t* attributes) {
        const std::wstring xml = L"<Window size=\"40,120\"><VerticalLayout bkcolor=\"#FFFFFFFF\" inset=\"10,10,10,10\">"
                                 L"<OptionEx name=\"icon_mic\" width=\"20\" height=\"100\" " +
                                 std::wstring(attributes) + L"/><Control/></VerticalLayout></Window>";
        DuiLib::CDialogBuilder builder;
        manager.AttachDialog(builder.Create(xml.c_str(), nullptr, &factory, &manager));
    }
    DuiLib::test::SurfacePtr Render() { return DuiLib::test::RenderToSurface(manager, 40, 120); }

    DuiLib::CPaintManagerUI manager;
    MeterFactory factory;
};

TEST(LevelMeterTest, StartsAtHalfInTheAccentColour) {
    Meter meter(L"");
    ASSERT_NE(meter.factory.meter, nullptr);
    EXPECT_EQ(meter.factory.meter->GetLevel(), 0.5f);
    EXPECT_EQ(meter.factory.meter->GetLevelColor(), kBar);
}

TEST(LevelMeterTest, FillsFromTheBottomByItsLevelAndPaintsNoOtherBackground) {
    const struct Case {
        const char* what;
        const wchar_t* attributes;
        float level;
        int rows;  // filled rows from the bottom
    } cases[] = {
        {"silence", L"bkcolor=\"#FFFF0000\"", 0.0f, 0},
        {"half", L"bkcolor=\"#FFFF0000\"", 0.5f, 50},
        {"full", L"bkcolor=\"#FFFF0000\"", 1.0f, 100},
        {"a third, truncated", L"bkcolor=\"#FFFF0000\"", 0.333f, 33},
        {"selected, with a selected colour", L"selected=\"true\" selectedbkcolor=\"#FF00FF00\"", 0.25f, 25},
        {"selected and silent", L"selected=\"true\" selectedbkcolor=\"#FF00FF00\"", 0.0f, 0},
        {"above one stays inside the control", L"bkcolor=\"#FFFF0000\"", 1.5f, 100},
        {"below zero paints nothing", L"bkcolor=\"#FFFF0000\"", -0.2f, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Meter meter(c.attributes);
        ASSERT_NE(meter.factory.meter, nullptr);
        meter.factory.meter->SetLevel(c.level);
        auto surface = meter.Render();
        if (c.level == 0.5f) DuiLib::test::SaveArtefact(surface.get(), "level_meter_half");
        const RECT filled{kMeter.left, kMeter.bottom - c.rows, kMeter.right, kMeter.bottom};
        const RECT empty{kMeter.left, kMeter.top, kMeter.right, kMeter.bottom - c.rows};
        EXPECT_EQ(CountPixelsUnlike(surface.get(), filled, kBar), 0);
        EXPECT_EQ(CountPixelsUnlike(surface.get(), empty, kWhite), 0);
        // Nothing outside the control: the whole window but the bar is white.
        EXPECT_EQ(CountPixelsUnlike(surface.get(), RECT{0, 0, 40, 120}, kWhite), 20 * c.rows);
    }
}

TEST(LevelMeterTest, ANewLevelAndColourShowAtTheNextPaint) {
    Meter meter(L"");
    ASSERT_NE(meter.factory.meter, nullptr);
    auto before = meter.Render();
    EXPECT_EQ(PixelAt(before.get(), 20, kMeter.bottom - 50), kBar);
    EXPECT_EQ(PixelAt(before.get(), 20, kMeter.bottom - 51), kWhite);
    meter.factory.meter->SetLevel(0.9f);
    meter.factory.meter->SetLevelColor(0xFF333333);
    auto after = meter.Render();
    EXPECT_EQ(PixelAt(after.get(), 20, kMeter.bottom - 90), 0xFF333333u);
    EXPECT_EQ(PixelAt(after.get(), 20, kMeter.bottom - 91), kWhite);
}

}  // namespace
