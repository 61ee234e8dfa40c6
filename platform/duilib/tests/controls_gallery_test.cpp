// The gallery: every control type in every state it has (normal, hot, pushed, selected,
// disabled, focused), drawn with the built-in skin into one picture,
// controls_gallery.png in the test binary folder, for people to look at. A row is a
// label, the control's inline XML (the control is named "c") and how to bring it into
// each state; a state a control does not have is left out (its cell stays grey). Each
// state a row has must look different from its normal cell, and no image or attribute
// the rows name may be missing.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "platform/duilib/controls/combo.h"
#include "platform/duilib/controls/option.h"
#include "platform/duilib/controls/slider.h"
#include "platform/duilib/controls/tab_layout.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/tests/controls_test_support.h"
#include "skin/skin_archive_data.h"

namespace DuiLib::test {
namespace {

using StateSetup = std::function<void(CPaintManagerUI&, CControlUI*)>;

// Where the pointer goes for hot and pushed: the slider's thumb, else the centre.
POINT PointerPoint(CControlUI* c) {
    if (auto* slider = static_cast<CSliderUI*>(c->GetInterface(L"Slider"))) return CentreOf(slider->GetThumbRect());
    return CentreOf(c->GetPos());
}

void Normal(CPaintManagerUI&, CControlUI*) {}
void Hover(CPaintManagerUI& pm, CControlUI* c) { MouseMove(pm, PointerPoint(c)); }
void Press(CPaintManagerUI& pm, CControlUI* c) {
    MouseMove(pm, PointerPoint(c));
    LButtonDown(pm, PointerPoint(c));  // held: the cell shows the pressed look
}
void Disable(CPaintManagerUI&, CControlUI* c) { c->SetEnabled(false); }
void Focus(CPaintManagerUI&, CControlUI* c) { c->SetFocus(); }
void SelectOption(CPaintManagerUI&, CControlUI* c) {
    static_cast<COptionUI*>(c->GetInterface(L"Option"))->Selected(true, false);
}
void SecondPage(CPaintManagerUI&, CControlUI* c) {
    static_cast<CTabLayoutUI*>(c->GetInterface(L"TabLayout"))->SelectItem(1);
}
void FirstRow(CPaintManagerUI&, CControlUI* c) {
    static_cast<CComboUI*>(c->GetInterface(L"Combo"))->SelectItem(0, false, false);
}
// The pointer over a scrolling control's vertical bar.
void HoverScrollBar(CPaintManagerUI& pm, CControlUI* c) {
    const RECT rc = c->GetPos();
    MouseMove(pm, POINT{rc.right - 3, rc.top + 4});
}

// The states in column order; an empty setup: the control has no such state.
struct States {
    StateSetup normal = Normal;
    StateSetup hot = Hover;
    StateSetup pushed = Press;
    StateSetup selected = nullptr;
    StateSetup disabled = Disable;
    StateSetup focused = Focus;

    std::array<const StateSetup*, 6> InOrder() const {
        return {&normal, &hot, &pushed, &selected, &disabled, &focused};
    }
};
constexpr const char* kStateNames[] = {"normal", "hot", "pushed", "selected", "disabled", "focused"};

struct GalleryRow {
    const char* label;
    const wchar_t* xml;  // one control named "c", sized by its own attributes
    States states;
    StateSetup prepare = nullptr;  // run silently before every state (a combo's selection)
};

const std::vector<GalleryRow>& Rows() {
    static const std::vector<GalleryRow> rows = {
        {"Control", LR"(<Control name="c" height="28" bkcolor="#FFF0F0F0" bordersize="1" bordercolor="#FFA7A6AA"
            borderround="4,4"/>)",
         {.hot = {}, .pushed = {}, .disabled = {}, .focused = {}}},
        {"Label", LR"(<Label name="c" height="28" text="标签 Label" textcolor="#FF333333" font="2"/>)",
         {.hot = {}, .pushed = {}, .focused = {}}},
        {"Button", LR"(<Button name="c" height="30" text="开始 Start" font="2" textcolor="#FFFFFFFF" bkcolor="#FF2B8CF4"
            hotbkcolor="#FF277EDC" pushedbkcolor="#FF2371C6" borderround="4,4" bordersize="1" bordercolor="#FF2B8CF4"
            focusbordercolor="#FF333333"/>)",
         {}},
        {"Button (secondary)", LR"(<Button name="c" height="30" text="取消 Cancel" font="2" textcolor="#FF333333"
            bkcolor="#FFFFFFFF" hotbkcolor="#FFF5F9FE" pushedbkcolor="#FFEAF3FE" hottextcolor="#FF2B8CF4"
            pushedtextcolor="#FF2B8CF4" borderround="4,4" bordersize="1" bordercolor="#FFA7A6AA" focusbordercolor="#FF2B8CF4"/>)",
         {}},
        {"Option", LR"(<Option name="c" group="g" height="24" text="选项 Option" font="3" textcolor="#FF333333" align="left"
            textpadding="22,0,0,0" bordersize="1" borderround="3,3" focusbordercolor="#FF2B8CF4"
            normalimage="file='option.png' source='0,0,16,16' dest='2,4,18,20'"
            hotimage="file='option.png' source='16,0,32,16' dest='2,4,18,20'"
            pushedimage="file='option.png' source='16,0,32,16' dest='2,4,18,20'" pushedtextcolor="#FF2B8CF4"
            disabledimage="file='option.png' source='32,0,48,16' dest='2,4,18,20'"
            selectedimage="file='option.png' source='80,0,96,16' dest='2,4,18,20'"
            selectedhotimage="file='option.png' source='96,0,112,16' dest='2,4,18,20'"/>)",
         {.selected = SelectOption}},
        {"CheckBox", LR"(<CheckBox name="c" height="24" text="勾选 Check" font="3" textcolor="#FF333333" align="left"
            textpadding="22,0,0,0" bordersize="1" borderround="3,3" focusbordercolor="#FF2B8CF4"
            normalimage="file='checkbox.png' source='0,0,16,16' dest='2,4,18,20'"
            hotimage="file='checkbox.png' source='16,0,32,16' dest='2,4,18,20'"
            pushedimage="file='checkbox.png' source='16,0,32,16' dest='2,4,18,20'" pushedtextcolor="#FF2B8CF4"
            disabledimage="file='checkbox.png' source='32,0,48,16' dest='2,4,18,20'"
            selectedimage="file='checkbox.png' source='80,0,96,16' dest='2,4,18,20'"
            selectedhotimage="file='checkbox.png' source='96,0,112,16' dest='2,4,18,20'"/>)",
         {.selected = SelectOption}},
        {"Edit", LR"(<Edit name="c" height="28" text="录制 Record" font="3" textcolor="#FF333333" bkcolor="#FFFFFFFF"
            textpadding="6,0,6,0" bordersize="1" bordercolor="#FFA7A6AA" focusbordercolor="#FF2B8CF4"/>)",
         {.hot = {}}},
        {"Edit (tip)", LR"(<Edit name="c" height="28" tipvalue="请输入 Type here" tipvaluecolor="#FF999999" font="3"
            textcolor="#FF333333" bkcolor="#FFFFFFFF" textpadding="6,0,6,0" bordersize="0,0,0,1" bordercolor="#FFA7A6AA"
            focusbordercolor="#FF2B8CF4"/>)",
         {.hot = {}, .disabled = {}}},  // an empty disabled edit shows its tip as usual
        {"Combo", LR"(<Combo name="c" height="28" font="3" textcolor="#FF333333" textpadding="8,0,24,0" bordersize="1"
            borderround="4,4" focusbordercolor="#FF2B8CF4"
            normalimage="file='combo.png' source='0,0,40,24' corner='4,4,24,4'"
            hotimage="file='combo.png' source='40,0,80,24' corner='4,4,24,4'"
            pushedimage="file='combo.png' source='80,0,120,24' corner='4,4,24,4'"
            disabledimage="file='combo.png' source='120,0,160,24' corner='4,4,24,4'">
            <ListLabelElement text="1920×1080" height="24"/><ListLabelElement text="1280×720" height="24"/></Combo>)",
         {.pushed = {}}, FirstRow},
        {"Combo (drawn)", LR"(<Combo name="c" height="28" font="3" textcolor="#FF333333" textpadding="8,0,24,0"
            bkcolor="#FFFFFFFF" bordersize="1" bordercolor="#FFA7A6AA" borderround="4,4" focusbordercolor="#FF2B8CF4">
            <ListLabelElement text="麦克风 Microphone" height="24"/></Combo>)",
         {.hot = {}, .pushed = {}}, FirstRow},  // without face images only the text and arrow are drawn
        {"RichEdit", LR"(<RichEdit name="c" height="36" vscrollbar="true" font="3" textcolor="#FF333333" bkcolor="#FFFFFFFF"
            text="发现新版本，是否更新？ A new version is ready. Update now? The text wraps and scrolls."/>)",
         {.hot = HoverScrollBar, .pushed = {}, .disabled = {}, .focused = {}}},
        {"List", LR"(<List name="c" height="36" bkcolor="#FFFFFFFF">
            <ListContainerElement height="20"><Label text="第一行 Row 1" font="3" textcolor="#FF333333"/>
            </ListContainerElement>
            <ListContainerElement height="20" bkcolor="#FFF0F0F0"><Label text="第二行 Row 2" font="3" textcolor="#FF333333"/>
            </ListContainerElement>
            <ListContainerElement height="20"><Label text="第三行 Row 3" font="3" textcolor="#FF333333"/>
            </ListContainerElement></List>)",
         {.hot = HoverScrollBar, .pushed = {}, .disabled = {}, .focused = {}}},
        {"Slider", LR"(<Slider name="c" height="24" min="0" max="100" value="40"/>)", {}},
        {"Slider (skin)", LR"(<Slider name="c" height="24" min="0" max="100" value="40" thumbsize="16,16"
            thumbimage="file='slider_thumb.png' source='0,0,16,16'"
            thumbhotimage="file='slider_thumb.png' source='16,0,32,16'"
            thumbpushedimage="file='slider_thumb.png' source='32,0,48,16'"/>)",
         {}},
        {"Progress", LR"(<Progress name="c" height="18" min="0" max="100" value="60" bkcolor="#FFE6E6E6" borderround="4,4"
            text="60%" font="3" textcolor="#FF333333"/>)",
         {.hot = {}, .pushed = {}, .focused = {}}},
        {"HorizontalLayout", LR"(<HorizontalLayout name="c" height="30" childpadding="4" inset="4,4,4,4"
            bkcolor="#FFF0F0F0"><Control bkcolor="#FF2B8CF4"/><Control bkcolor="#FFA7A6AA"/>
            <Control bkcolor="#FF212327"/></HorizontalLayout>)",
         {.hot = {}, .pushed = {}, .disabled = {}, .focused = {}}},
        {"VerticalLayout (scroll)", LR"(<VerticalLayout name="c" height="36" vscrollbar="true" childpadding="2"
            bkcolor="#FFF0F0F0"><Control height="14" bkcolor="#FF2B8CF4"/><Control height="14" bkcolor="#FFA7A6AA"/>
            <Control height="14" bkcolor="#FF212327"/></VerticalLayout>)",
         {.hot = HoverScrollBar, .pushed = {}, .disabled = {}, .focused = {}}},
        {"HorizontalLayout (scroll)", LR"(<HorizontalLayout name="c" height="36" hscrollbar="true" childpadding="2"
            bkcolor="#FFF0F0F0">
            <Control width="90" bkcolor="#FF2B8CF4"/><Control width="90" bkcolor="#FFA7A6AA"/></HorizontalLayout>)",
         {.hot = {}, .pushed = {}, .disabled = {}, .focused = {}}},
        {"TabLayout", LR"(<TabLayout name="c" height="30" bordersize="1" bordercolor="#FFA7A6AA">
            <Label text="第一页 Page 1" font="3" textcolor="#FF333333" align="center"/>
            <Label text="第二页 Page 2" font="3" textcolor="#FF2B8CF4" align="center"/></TabLayout>)",
         {.hot = {}, .pushed = {}, .selected = SecondPage, .disabled = {}, .focused = {}}},
    };
    return rows;
}

constexpr int kLabelWidth = 150, kHeaderHeight = 28, kCellWidth = 170, kCellHeight = 52;
constexpr uint32_t kWhite = 0xFFFFFFFF;

std::wstring Wide(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

// A cell's window: white, the control inside an 8-pixel margin.
std::wstring CellLayout(const wchar_t* control) {
    return std::wstring(LR"(<Window bkcolor="#FFFFFFFF"><VerticalLayout inset="8,8,8,8"><Control/>)") + control +
           LR"(<Control/></VerticalLayout></Window>)";
}

// A text cell of the header or the label column, drawn by the library itself.
SurfacePtr TextCell(const std::string& text, int width, int height) {
    const std::wstring xml = LR"(<Window bkcolor="#FFF0F0F0"><Label text=")" + Wide(text.c_str()) +
                             LR"(" font="3" textcolor="#FF333333" textpadding="8,0,4,0"/></Window>)";
    auto pm = BuildManager(xml.c_str(), width, height);
    return RenderToSurface(*pm, width, height);
}

void Blit(cairo_t* cr, cairo_surface_t* cell, int x, int y) {
    cairo_set_source_surface(cr, cell, x, y);
    cairo_paint(cr);
}

// Pixels in which two equally sized RGB24 cells differ.
int Difference(cairo_surface_t* a, cairo_surface_t* b) {
    int count = 0;
    for (int y = 0; y < kCellHeight; ++y) {
        for (int x = 0; x < kCellWidth; ++x) count += PixelAt(a, x, y) != PixelAt(b, x, y) ? 1 : 0;
    }
    return count;
}

class ControlsGalleryTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The real skin the program carries, not the tests' fixture folder.
        unsetenv("ZOVI_SKIN_DIR");
        SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
    }
};

TEST_F(ControlsGalleryTest, EveryControlInEveryState) {
    CLogCapture log;
    const auto& rows = Rows();
    const int width = kLabelWidth + kCellWidth * 6;
    const int height = kHeaderHeight + kCellHeight * static_cast<int>(rows.size());
    SurfacePtr gallery(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    cairo_t* cr = cairo_create(gallery.get());
    cairo_set_source_rgb(cr, 0xE0 / 255.0, 0xE0 / 255.0, 0xE0 / 255.0);
    cairo_paint(cr);
    for (int col = 0; col < 6; ++col) {
        const SurfacePtr name = TextCell(kStateNames[col], kCellWidth - 1, kHeaderHeight - 1);
        Blit(cr, name.get(), kLabelWidth + col * kCellWidth, 0);
    }
    for (size_t row = 0; row < rows.size(); ++row) {
        const GalleryRow& r = rows[row];
        SCOPED_TRACE(r.label);
        const int top = kHeaderHeight + static_cast<int>(row) * kCellHeight;
        Blit(cr, TextCell(r.label, kLabelWidth - 1, kCellHeight - 1).get(), 0, top);
        const std::wstring xml = CellLayout(r.xml);
        SurfacePtr normal;
        const auto states = r.states.InOrder();
        for (int col = 0; col < 6; ++col) {
            const StateSetup& setup = *states[static_cast<size_t>(col)];
            if (!setup) continue;  // no such state: the grey grid shows
            SCOPED_TRACE(kStateNames[col]);
            auto pm = BuildManager(xml.c_str(), kCellWidth - 1, kCellHeight - 1);
            CControlUI* control = pm->FindControl(L"c");
            ASSERT_NE(control, nullptr);
            if (r.prepare) r.prepare(*pm, control);
            setup(*pm, control);
            SurfacePtr cell = RenderToSurface(*pm, kCellWidth, kCellHeight);
            EXPECT_GT(CountPixelsUnlike(cell.get(), RECT{0, 0, kCellWidth - 1, kCellHeight - 1}, kWhite), 0);
            if (col == 0) {
                normal.reset(cairo_surface_reference(cell.get()));
            } else if (normal) {
                EXPECT_GT(Difference(cell.get(), normal.get()), 0) << "looks like the normal state";
            }
            cairo_save(cr);
            cairo_rectangle(cr, kLabelWidth + col * kCellWidth, top, kCellWidth - 1, kCellHeight - 1);
            cairo_clip(cr);
            Blit(cr, cell.get(), kLabelWidth + col * kCellWidth, top);
            cairo_restore(cr);
        }
    }
    cairo_destroy(cr);
    const std::string path = std::string(ZOVI_TEST_BIN_DIR) + "/controls_gallery.png";
    EXPECT_EQ(cairo_surface_write_to_png(gallery.get(), path.c_str()), CAIRO_STATUS_SUCCESS) << path;
    EXPECT_EQ(log.lines, std::vector<std::wstring>{});  // no missing image, no unknown attribute
}

// A PNG of the built-in skin, decoded (null when missing).
SurfacePtr SkinPng(const wchar_t* name) {
    std::vector<unsigned char> bytes;
    if (!ReadSkinFile(name, &bytes)) return nullptr;
    struct Reader {
        const std::vector<unsigned char>* bytes;
        size_t at = 0;
    } reader{&bytes};
    auto read = [](void* closure, unsigned char* data, unsigned int length) {
        auto* r = static_cast<Reader*>(closure);
        if (r->bytes->size() - r->at < length) return CAIRO_STATUS_READ_ERROR;
        std::copy_n(r->bytes->data() + r->at, length, data);
        r->at += length;
        return CAIRO_STATUS_SUCCESS;
    };
    SurfacePtr surface(cairo_image_surface_create_from_png_stream(read, &reader));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    return surface;
}

TEST_F(ControlsGalleryTest, SkinSpritesHaveTheirCells) {
    struct Sprite {
        const wchar_t* name;
        int width, height, cell;
        std::vector<int> cells;  // x of each drawn cell; the rest is transparent
    };
    const Sprite sprites[] = {
        {L"option.png", 112, 16, 16, {0, 16, 32, 48, 80, 96}},
        {L"checkbox.png", 112, 16, 16, {0, 16, 32, 48, 80, 96}},
        {L"combo.png", 160, 24, 40, {0, 40, 80, 120}},
        {L"slider_thumb.png", 48, 16, 16, {0, 16, 32}},
    };
    for (const Sprite& sprite : sprites) {
        SCOPED_TRACE(std::string(sprite.name, sprite.name + std::wcslen(sprite.name)));
        SurfacePtr png = SkinPng(sprite.name);
        ASSERT_NE(png, nullptr);
        EXPECT_EQ(cairo_image_surface_get_width(png.get()), sprite.width);
        EXPECT_EQ(cairo_image_surface_get_height(png.get()), sprite.height);
        for (int x = 0; x < sprite.width; x += sprite.cell) {
            const bool drawn = std::find(sprite.cells.begin(), sprite.cells.end(), x) != sprite.cells.end();
            const uint32_t centre = PixelAt(png.get(), x + sprite.cell / 2, sprite.height / 2);
            EXPECT_EQ(centre >> 24, drawn ? 0xFFu : 0u) << "cell at x " << x;
        }
    }
    // The selected option: an accent ring around a white dot.
    SurfacePtr option = SkinPng(L"option.png");
    ASSERT_NE(option, nullptr);
    EXPECT_EQ(PixelAt(option.get(), 80 + 8, 8), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(option.get(), 80 + 8, 2), 0xFF2B8CF4u);
    EXPECT_EQ(PixelAt(option.get(), 8, 8), 0xFFFFFFFFu);  // not selected: white inside
}

}  // namespace
}  // namespace DuiLib::test
