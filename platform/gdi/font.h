// A font for drawing text: a Pango font description (face, pixel height, italic). Faces
// that are not installed fall back through fontconfig to an installed face that has the
// glyphs (a CJK face for Chinese text).
#pragma once
#include <memory>
#include <string>

typedef struct _PangoFontDescription PangoFontDescription;

namespace zovi::platform {

class CFont {
public:
    // `heightPx` is the em height in pixels. Null on failure.
    static std::shared_ptr<CFont> Create(const std::wstring& face, int heightPx, bool italic);
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    PangoFontDescription* Description() const { return description_; }

private:
    explicit CFont(PangoFontDescription* description) : description_(description) {}
    PangoFontDescription* description_;
};

using HFONT = std::shared_ptr<CFont>;

}  // namespace zovi::platform
