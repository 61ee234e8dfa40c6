// DuiLib::CLineWidthBarUI (tag "LineWidthBar"): an option of the line-width picker drawn
// as a horizontal bar across its width, from "bartop" to "barbottom" (pixels below the
// option's top), in "barcolor" normally and "selectedbarcolor" when selected.
#pragma once
#include "platform/duilib/controls/option.h"

namespace DuiLib {

class CLineWidthBarUI : public COptionUI {
public:
    const wchar_t* GetClass() const override { return L"LineWidthBarUI"; }
    void* GetInterface(const wchar_t* name) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStatusImage(HDC hDC) override;

    // The bar's rectangle for the option's current place.
    RECT BarRect() const;

private:
    int m_barTop = 0, m_barBottom = 0;
    DWORD m_barColor = 0xFFFFFFFF, m_selectedBarColor = 0xFF1296DB;
};

}  // namespace DuiLib
