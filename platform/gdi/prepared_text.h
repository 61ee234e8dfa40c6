// Text made ready for drawing once: the UTF-8 that Pango lays out and whether it holds
// Han characters (shaped with Simplified Chinese glyphs). Text drawn on every frame is
// prepared when it is set, not converted again for each frame.
#pragma once
#include <string>

namespace zovi::platform {

class CPreparedText {
public:
    CPreparedText() = default;
    explicit CPreparedText(const std::wstring& text);

    const std::string& Utf8() const { return utf8_; }
    bool HasHan() const { return hasHan_; }
    bool Empty() const { return utf8_.empty(); }

private:
    std::string utf8_;
    bool hasHan_ = false;
};

}  // namespace zovi::platform
