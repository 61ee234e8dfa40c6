#include "platform/duilib/controls/progress.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <string>

#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {

CProgressUI::CProgressUI() {
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
    m_dwTextColor = 0xFF333333;
}

void* CProgressUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"Progress") == 0) return this;
    return CLabelUI::GetInterface(name);
}

void CProgressUI::ApplyRange(int min, int max, int value) {
    value = std::clamp(value, min, max);
    if (min == m_nMin && max == m_nMax && value == m_nValue) return;
    m_nMin = min;
    m_nMax = max;
    m_nValue = value;
    Invalidate();
}

void CProgressUI::SetMinValue(int min) { ApplyRange(min, std::max(min, m_nMax), m_nValue); }
void CProgressUI::SetMaxValue(int max) { ApplyRange(std::min(m_nMin, max), max, m_nValue); }
void CProgressUI::SetValue(int value) {
    m_bLayoutValue = false;  // the code's value replaces the layout's
    ApplyRange(m_nMin, m_nMax, value);
}

void CProgressUI::SetForeColor(DWORD color) {
    m_dwForeColor = color;
    Invalidate();
}

double CProgressUI::Fraction(int value) const {
    if (m_nMax <= m_nMin) return 0.0;
    return (static_cast<double>(value) - m_nMin) / (static_cast<double>(m_nMax) - m_nMin);
}

void CProgressUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    const std::wstring n = name;
    int number = 0;
    DWORD color = 0;
    // A layout may name the value before the range: the value it gave is applied again
    // whenever the range changes after it.
    if (n == L"min" && ParseInt(value, &number)) {
        ApplyRange(number, std::max(number, m_nMax), m_bLayoutValue ? m_nLayoutValue : m_nValue);
    } else if (n == L"max" && ParseInt(value, &number)) {
        ApplyRange(std::min(m_nMin, number), number, m_bLayoutValue ? m_nLayoutValue : m_nValue);
    } else if (n == L"value" && ParseInt(value, &number)) {
        m_bLayoutValue = true;
        m_nLayoutValue = number;
        ApplyRange(m_nMin, m_nMax, number);
    }
    else if (n == L"forecolor" && ParseColor(value, &color)) SetForeColor(color);
    else if (n == L"min" || n == L"max" || n == L"value" || n == L"forecolor") LogBadAttribute(name, value);
    else CLabelUI::SetAttribute(name, value);
}

void CProgressUI::PaintForeImage(HDC hDC) {
    const LONG width = m_rcItem.right - m_rcItem.left;
    const LONG filled = static_cast<LONG>(std::lround(width * Fraction(m_nValue)));
    if (filled <= 0) return;
    const RECT fill{m_rcItem.left, m_rcItem.top, m_rcItem.left + filled, m_rcItem.bottom};
    // The image is laid over the whole bar and cut at the value, so it is not squeezed.
    const CPaintClip clip(hDC, fill);
    if (!m_sForeImage.IsEmpty() && DrawImage(hDC, m_sForeImage, IsEnabled() ? 255 : 128)) return;
    // Disabled: the fill at half strength, as the other controls fade.
    const DWORD color = IsEnabled() ? m_dwForeColor : ((m_dwForeColor >> 25) << 24 | (m_dwForeColor & 0x00FFFFFF));
    CRenderEngine::DrawColor(hDC, fill, color);
}

}  // namespace DuiLib
