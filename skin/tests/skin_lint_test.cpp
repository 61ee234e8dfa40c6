// The skin lint over the built-in archive: every layout is UTF-8 XML with a <Window> root,
// every image it names is in the archive under exactly that case (and its `source` cut
// lies inside the image), every <Include> names a layout, and every control the windows'
// code looks up exists once with the type the code expects.
#include <gtest/gtest.h>

#include <map>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "skin/tests/skin_zip.h"

namespace zovi::skin::testing {
namespace {

const char* const kImageAttributes[] = {
    "bkimage",       "foreimage",        "normalimage", "hotimage",      "pushedimage",
    "disabledimage", "selectedimage",    "selectedhotimage", "thumbimage", "thumbhotimage",
    "thumbpushedimage", "layeredimage",
};

bool IsLayout(const std::string& name) { return name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0; }

bool IsValidUtf8(const std::vector<unsigned char>& bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char c = bytes[i];
        const int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || (extra == 1 && c < 0xC2) || i + extra >= bytes.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            if ((bytes[i + k] >> 6) != 2) return false;
        }
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

bool ParseRect(const std::string& text, int rect[4]) {
    std::istringstream in(text);
    char comma = 0;
    if (!(in >> rect[0])) return false;
    for (int i = 1; i < 4; ++i) {
        if (!(in >> comma >> rect[i]) || comma != ',') return false;
    }
    return (in >> std::ws).eof();
}

// An image reference: a plain path or key='value' pairs (file, source, dest, corner).
struct ImageRef {
    std::string file;
    std::map<std::string, std::string> keys;
    std::string error;
};

ImageRef ParseImageRef(const std::string& text) {
    ImageRef ref;
    const size_t first = text.find_first_not_of(" \t");
    const size_t eq = text.find('=');
    if (first == std::string::npos || eq == std::string::npos || text.find('\'') == std::string::npos) {
        ref.file = text;
        return ref;
    }
    for (size_t at = first; at < text.size();) {
        const size_t equals = text.find('=', at);
        const size_t open = equals == std::string::npos ? equals : text.find('\'', equals);
        const size_t close = open == std::string::npos ? open : text.find('\'', open + 1);
        if (close == std::string::npos || open != equals + 1) {
            ref.error = "malformed image reference \"" + text + "\"";
            return ref;
        }
        const std::string key = text.substr(at, equals - at);
        const std::string value = text.substr(open + 1, close - open - 1);
        if (key != "file" && key != "source" && key != "dest" && key != "corner") {
            ref.error = "unknown image key \"" + key + "\"";
            return ref;
        }
        int rect[4];
        if (key != "file" && !ParseRect(value, rect)) {
            ref.error = key + " is not l,t,r,b: \"" + value + "\"";
            return ref;
        }
        (key == "file" ? ref.file : ref.keys[key]) = value;
        at = text.find_first_not_of(" \t", close + 1);
    }
    if (ref.file.empty()) ref.error = "no file in \"" + text + "\"";
    return ref;
}

class SkinLint : public ::testing::Test {
protected:
    void SetUp() override {
        for (const ZipEntry& entry : BuiltInEntries()) {
            if (!IsLayout(entry.name)) continue;
            pugi::xml_document& doc = layouts_[entry.name];
            const pugi::xml_parse_result result = doc.load_buffer(entry.bytes.data(), entry.bytes.size(),
                                                                  pugi::parse_default, pugi::encoding_utf8);
            if (!result) Fail(entry.name, std::string("does not parse: ") + result.description());
            if (!IsValidUtf8(entry.bytes)) Fail(entry.name, "is not UTF-8");
        }
    }

    void Fail(const std::string& layout, const std::string& what) { failures_ += layout + ": " + what + "\n"; }

    void CheckImage(const std::string& layout, const pugi::xml_attribute& attribute) {
        const ImageRef ref = ParseImageRef(attribute.value());
        const std::string where = std::string(attribute.name()) + "=\"" + attribute.value() + "\": ";
        if (!ref.error.empty()) return Fail(layout, where + ref.error);
        if (ref.file.rfind('#', 0) == 0) return;  // added by the window's code at run time
        std::string path = ref.file;
        for (char& c : path) {
            if (c == '\\') c = '/';
        }
        const ZipEntry* entry = FindEntry(BuiltInEntries(), path);
        if (!entry) return Fail(layout, where + "no image \"" + path + "\" in the skin");
        cairo_surface_t* image = DecodePng(entry->bytes);
        if (!image) return Fail(layout, where + "\"" + path + "\" is not a PNG");
        const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
        cairo_surface_destroy(image);
        int r[4];
        if (ref.keys.count("source") && ParseRect(ref.keys.at("source"), r) &&
            !(0 <= r[0] && r[0] < r[2] && r[2] <= w && 0 <= r[1] && r[1] < r[3] && r[3] <= h)) {
            Fail(layout, where + "source lies outside the " + std::to_string(w) + "x" + std::to_string(h) + " image");
        }
    }

    std::map<std::string, pugi::xml_document> layouts_;
    std::string failures_;
};

TEST_F(SkinLint, EveryLayoutParsesWithAWindowRoot) {
    ASSERT_FALSE(layouts_.empty());
    for (const auto& [name, doc] : layouts_) {
        const pugi::xml_node root = doc.document_element();
        if (std::string(root.name()) != "Window") {
            Fail(name, "root is <" + std::string(root.name()) + ">, not <Window>");
            continue;
        }
        bool hasControl = false;
        for (const pugi::xml_node& child : root.children()) {
            hasControl |= child.type() == pugi::node_element && std::string(child.name()) != "Font";
        }
        if (!hasControl) Fail(name, "<Window> holds no control");
    }
    EXPECT_TRUE(failures_.empty()) << failures_;
}

TEST_F(SkinLint, EveryImageAndIncludeResolvesCaseSensitively) {
    for (const auto& [name, doc] : layouts_) {
        for (const pugi::xpath_node& found : doc.select_nodes("//*")) {
            const pugi::xml_node node = found.node();
            for (const char* attributeName : kImageAttributes) {
                if (const pugi::xml_attribute attribute = node.attribute(attributeName)) CheckImage(name, attribute);
            }
            if (std::string(node.name()) == "Include") {
                const std::string source = node.attribute("source").value();
                if (!layouts_.count(source)) Fail(name, "<Include source=\"" + source + "\"> names no layout");
            }
        }
    }
    EXPECT_TRUE(failures_.empty()) << failures_;
}

// The lint itself: a near miss in case, a missing file, an unknown key and a cut past the
// image's edge are all reported.
TEST_F(SkinLint, ReportsWhatTheLayoutsMustNotHold) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(
        "<Button normalimage=\"Checkbox.png\" hotimage=\"file='checkbox.png' source='96,0,128,16'\""
        " pushedimage=\"file='checkbox.png' fade='1'\" disabledimage=\"toolbar/none.png\""
        " bkimage=\"file='capture_config\\btn_close.png' source='48,0,72,24'\" selectedimage=\"#00000001.bmp\"/>"));
    for (const pugi::xml_attribute& attribute : doc.document_element().attributes()) CheckImage("t", attribute);
    const std::string expected =
        "t: normalimage=\"Checkbox.png\": no image \"Checkbox.png\" in the skin\n"
        "t: hotimage=\"file='checkbox.png' source='96,0,128,16'\": source lies outside the 112x16 image\n"
        "t: pushedimage=\"file='checkbox.png' fade='1'\": unknown image key \"fade\"\n"
        "t: disabledimage=\"toolbar/none.png\": no image \"toolbar/none.png\" in the skin\n";
    EXPECT_EQ(failures_, expected);
}

TEST_F(SkinLint, ControlsTheWindowsLookUpExistWithTheirTypes) {
    const struct {
        const char* layout;
        std::vector<std::pair<const char*, const char*>> controls;  // name, tag
    } windows[] = {
        {"msgbox.xml",
         {{"title", "Label"}, {"btnClose", "Button"}, {"text", "RichEdit"}, {"btnCancel", "Button"}, {"btnOK", "Button"}}},
        {"ColorDialog.xml",
         {{"palette", "HorizontalLayout"}, {"custom", "HorizontalLayout"}, {"editR", "Edit"}, {"editG", "Edit"},
          {"editB", "Edit"}, {"preview", "Control"}, {"btnAddCustom", "Button"}, {"btnOK", "Button"},
          {"btnCancel", "Button"}, {"btnClose", "Button"}}},
        {"FolderDialog.xml",
         {{"path", "Edit"}, {"list", "VerticalLayout"}, {"places", "VerticalLayout"}, {"message", "Label"},
          {"btnUp", "Button"}, {"btnNewFolder", "Button"}, {"btnOK", "Button"}, {"btnCancel", "Button"},
          {"btnClose", "Button"}}},
        {"CaptureSource.xml",
         {{"title", "Label"}, {"btnClose", "Button"}, {"warnText", "RichEdit"}, {"list", "VerticalLayout"},
          {"btnOK", "Button"}}},
        {"Countdown.xml", {}},
        {"CameraToolBar.xml",
         {{"normal", "Option"}, {"double", "Option"}, {"full", "Option"}, {"close", "Button"}}},
        {"CaptureToolBar.xml",
         {{"layout", "HorizontalLayout"}, {"pause", "Option"}, {"stop", "Button"}, {"restart", "Button"},
          {"photo", "Button"}, {"cam_open", "Option"}, {"mic_open", "Option"}, {"board_open", "Option"},
          {"time", "Label"}, {"size", "Label"}}},
        {"CaptureConfigure.xml",
         {{"title", "Label"}, {"btnHistory", "Button"}, {"btnSet", "Button"}, {"btnAccount", "Button"},
          {"btnAccountOK", "Button"}, {"btnClose", "Button"}, {"screencam", "Option"}, {"screen", "Option"},
          {"cam", "Option"}, {"tab_screencam_title", "Label"}, {"tab_screen_title", "Label"},
          {"tab_cam_title", "Label"}, {"layoutSrc", "VerticalLayout"}, {"source_area_title", "Label"},
          {"icon_desktop", "Option"}, {"desktop_lb_1", "Button"}, {"desktop_lb_2", "Button"},
          {"selDesktop", "Button"}, {"icon_window", "Option"}, {"window_lb_1", "Button"},
          {"window_lb_2", "Button"}, {"selWindow", "Button"}, {"icon_Rect", "Option"}, {"rect_lb_1", "Button"},
          {"rect_lb_2", "Button"}, {"selRect", "Button"}, {"device_title", "Label"}, {"icon_cam", "Option"},
          {"comCam", "Combo"}, {"icon_mic", "OptionEx"}, {"comMic", "Combo"}, {"optCapDesktp", "CheckBox"},
          {"icon_hd", "Option"}, {"comHD", "Combo"}, {"btnStart", "Button"}}},
        {"CaptureRectSelector.xml",
         {{"lbSize", "Label"}, {"optSel", "Option"}, {"opt43", "Option"}, {"opt169", "Option"}, {"opt34", "Option"},
          {"opt916", "Option"}}},
        {"WBToolBar.xml",
         {{"exit", "Button"}, {"point", "Option"}, {"path", "Option"}, {"line", "Option"}, {"arrow", "Option"},
          {"rect", "Option"}, {"ellipse", "Option"}, {"colorSelect", "ColorButton"}, {"linewidth", "Button"},
          {"revoke", "Button"}, {"clear", "Button"}}},
    };
    for (const auto& window : windows) {
        auto layout = layouts_.find(window.layout);
        if (layout == layouts_.end()) {
            Fail(window.layout, "missing");
            continue;
        }
        for (const auto& [controlName, tag] : window.controls) {
            const std::string query = std::string("//*[@name='") + controlName + "']";
            const pugi::xpath_node_set found = layout->second.select_nodes(query.c_str());
            if (found.size() != 1) {
                Fail(window.layout, "\"" + std::string(controlName) + "\" found " + std::to_string(found.size()) +
                                        " times");
            } else if (std::string(found.first().node().name()) != tag) {
                Fail(window.layout, "\"" + std::string(controlName) + "\" is <" + found.first().node().name() +
                                        ">, expected <" + tag + ">");
            }
        }
    }
    EXPECT_TRUE(failures_.empty()) << failures_;
}

}  // namespace
}  // namespace zovi::skin::testing
