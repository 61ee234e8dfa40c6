#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/options/options.h"
#include "core/options/placement_store.h"
#include "core/options/tests/settings_store_fixture.h"
#include "core/util/screen_scale.h"
#include "platform/screen/testing/x_test_desktop.h"

namespace fs = std::filesystem;

namespace {

// Runs with a fresh store and a screen at a chosen scale.
class PlacementStoreTest : public SettingsStoreTest {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display";
        SettingsStoreTest::SetUp();
    }
    void TearDown() override {
        if (folder_.empty()) return;
        SetScale(100);
        SettingsStoreTest::TearDown();
    }
    static void SetScale(int percent) {
        zovi::platform::testing::SetRootResources(
            percent == 100 ? std::string() : "Xft.dpi:\t" + std::to_string(percent * 96 / 100) + "\n");
        zovi::platform::testing::Sync();
        ResetScreenScaleForTesting();
        ASSERT_EQ(GetScreenDpiScalePercent(), percent);
    }
    static RECT StoredRect(const wchar_t* subkey, const wchar_t* name, bool* found) {
        WindowPlacementEntry entry;
        *found = ReadRegWindowPlacement(entry.data, name, subkey);
        return ReadPlacementFields(entry).rcNormalPosition;
    }
    static void SetRect(WindowPlacementEntry& entry, const RECT& rect) {
        PlacementFields fields{44, 2, 3, POINT{5, 6}, POINT{7, 8}, rect};
        WritePlacementFields(entry, fields);
        entry.valid = true;
    }

};

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(PlacementStoreTest, FirstRunHasNothingToRescale) {
    SetScale(150);
    COptions options;
    for (const auto& entry : options.placements) EXPECT_FALSE(entry.valid);
}

TEST_F(PlacementStoreTest, SavedAt150RestartsAt100AndForgetsTheScale) {
    SetScale(150);
    {
        COptions options;
        SetRect(options.placements[1], RECT{150, 150, 750, 600});
    }
    bool found = false;
    EXPECT_TRUE(Same(StoredRect(L"x100\\WindowPlacement", L"CaptureRectSelectorWindow", &found),
                     RECT{100, 100, 500, 400}));
    EXPECT_TRUE(found);
    DWORD last = 0;
    EXPECT_TRUE(ReadRegDword(last, L"LastScaleFactor", nullptr, false));
    EXPECT_EQ(last, 150u);

    SetScale(100);
    {
        COptions options;
        ASSERT_TRUE(options.placements[1].valid);
        const PlacementFields fields = ReadPlacementFields(options.placements[1]);
        EXPECT_TRUE(Same(fields.rcNormalPosition, RECT{100, 100, 500, 400}));
        EXPECT_EQ(fields.showCmd, 1u);
        EXPECT_EQ(fields.flags, 0u);
        EXPECT_EQ(fields.ptMinPosition.x, -1);
        EXPECT_EQ(fields.ptMaxPosition.y, -1);
    }
    EXPECT_FALSE(ReadRegDword(last, L"LastScaleFactor", nullptr, false));
    StoredRect(L"x100\\WindowPlacement", L"CaptureRectSelectorWindow", &found);
    EXPECT_FALSE(found) << "the x100 copies are gone";
    EXPECT_TRUE(Same(StoredRect(L"WindowPlacement", L"CaptureRectSelectorWindow", &found), RECT{100, 100, 500, 400}));
}

TEST_F(PlacementStoreTest, WithoutTheNormalisedCopyBothStepsRound) {
    SetScale(150);
    {
        COptions options;
        SetRect(options.placements[3], RECT{151, 149, 749, 601});
    }
    DeleteRegTree(L"x100");
    SetScale(125);
    COptions options;
    // 151 * (100/150) = 100.67 -> 101, then * 1.25 = 126.25 -> 126; 149 -> 99 -> 124 (123.75).
    EXPECT_TRUE(Same(ReadPlacementFields(options.placements[3]).rcNormalPosition, RECT{126, 124, 624, 501}))
        << ReadPlacementFields(options.placements[3]).rcNormalPosition.left;
}

TEST_F(PlacementStoreTest, AnExitWithoutADisplayKeepsTheMeasuredScale) {
    SetScale(150);
    auto options = std::make_unique<COptions>();
    SetRect(options->placements[0], RECT{300, 300, 900, 750});
    const std::string display = std::getenv("DISPLAY");
    setenv("DISPLAY", ":9999", 1);  // the display is gone by the time of the exit save
    options.reset();
    setenv("DISPLAY", display.c_str(), 1);
    DWORD last = 0;
    EXPECT_TRUE(ReadRegDword(last, L"LastScaleFactor", nullptr, false));
    EXPECT_EQ(last, 150u);
    bool found = false;
    EXPECT_TRUE(Same(StoredRect(L"x100\\WindowPlacement", L"CaptureConfigWindow", &found), RECT{200, 200, 600, 500}));
    EXPECT_TRUE(found);
}

}  // namespace
