#include "ui/recording/wb_toolbar/line_width_bar.h"

#include <cwchar>

#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {

void* CLineWidthBarUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"LineWidthBar") == 0) return this;
    return COptionUI::GetInterface(name);
}

void CLineWidthBarUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    int number = 0;
    DWORD color = 0;
    if (std::wcscmp(name, L"bartop") == 0 && ParseInt(value, &number)) {
        m_barTop = number;
    } else if (std::wcscmp(name, L"barbottom") == 0 && ParseInt(value, &number)) {
        m_barBottom = number;
    } else if (std::wcscmp(name, L"barcolor") == 0 && ParseColor(value, &color)) {
        m_barColor = color;
    } else if (std::wcscmp(name, L"selectedbarcolor") == 0 && ParseColor(value, &color)) {
        m_selectedBarColor = color;
    } else {
        COptionUI::SetAttribute(name, value);
    }
}

RECT CLineWidthBarUI::BarRect() const {
    return RECT{m_rcItem.left, m_rcItem.top + m_barTop, m_rcItem.right, m_rcItem.top + m_barBottom};
}

void CLineWidthBarUI::PaintStatusImage(HDC hDC) {
    CRenderEngine::DrawColor(hDC, BarRect(), IsSelected() ? m_selectedBarColor : m_barColor);
}

}  // namespace DuiLib
