// DuiLib::CColorSelButton (layout type "ColorButton"): the whiteboard toolbar's colour
// button. Its status image is its colour: a white 2-pixel circle inscribed in the
// button with a disc of the colour inside it, inset by 5 pixels.
#pragma once
#include <cstdint>

#include "platform/duilib/controls/button.h"

namespace DuiLib {

class CColorSelButton : public CButtonUI {
public:
    static constexpr int kInset = 5;
    static constexpr uint32_t kRingColor = 0xFFFFFFFF;
    static constexpr double kRingWidth = 2.0;

    // The colour starts as the option "wb_color".
    CColorSelButton();

    const wchar_t* GetClass() const override { return L"ColorSelButton"; }
    void* GetInterface(const wchar_t* name) override;
    void PaintStatusImage(HDC hDC) override;

    uint32_t GetColor() const { return m_color; }  // ARGB
    void SetColor(uint32_t argb) { m_color = argb; }

private:
    int m_inset = kInset;
    uint32_t m_color;
};

}  // namespace DuiLib
