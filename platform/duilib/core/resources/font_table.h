// Fonts: {face, size in pixels, bold, italic, underline, strikeout}. Lookup of an id:
// the window's own table first (the <Font> elements of its layout), then the
// program-wide table (ids 0..4), then the default font ("微软雅黑" 12 px). The face the
// layouts name falls back through a fontconfig rule built into the program to an
// installed CJK face. Sizes are pixels; Xft.dpi does not change them.
#pragma once
#include <map>
#include <string>

typedef struct _PangoFontDescription PangoFontDescription;
typedef struct _PangoContext PangoContext;

namespace DuiLib {

struct TFontInfo {
    std::wstring face = L"微软雅黑";
    int size = 12;  // pixels
    bool bold = false, italic = false, underline = false, strikeout = false;
};

// A window's fonts by id.
class CFontTable {
public:
    void Add(int id, const TFontInfo& font, bool isDefault);
    // The window's font, else the program-wide one, else the default.
    const TFontInfo& Get(int id) const;
    void Clear() { fonts_.clear(); hasDefault_ = false; }

private:
    std::map<int, TFontInfo> fonts_;
    TFontInfo default_;
    bool hasDefault_ = false;
};

// The program-wide table: 0 = 18, 1 = 16, 2 = 14, 3 = 12, 4 = 14 bold, all "微软雅黑".
const TFontInfo* ProgramFont(int id);
const TFontInfo& DefaultFont();

// A Pango description for the font (absolute pixel size). The caller frees it.
PangoFontDescription* CreateFontDescription(const TFontInfo& font);

// Loads the fontconfig rule once (the first call) and returns the thread's Pango context
// for measuring and drawing, on a font map of its own made after the rule (language
// "zh-cn", grey antialiasing, slight hinting, hint metrics off). Logs "no CJK font
// found" once when no CJK face is installed.
PangoContext* SharedPangoContext();

}  // namespace DuiLib
