#include "platform/duilib/controls/button.h"

#include <cwchar>
#include <string>

#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {

CButtonUI::CButtonUI() { m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

void* CButtonUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"Button") == 0) return this;
    return CLabelUI::GetInterface(name);
}

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) return false;
    Notify(DUI_MSGTYPE_CLICK);
    return true;
}

void CButtonUI::SetEnabled(bool enable) {
    // A disabled button keeps no hot or pushed look.
    if (!enable) m_uButtonState &= ~(UISTATE_HOT | UISTATE_PUSHED | UISTATE_CAPTURED);
    CLabelUI::SetEnabled(enable);
}

void CButtonUI::SetState(UINT state) {
    if (state == m_uButtonState) return;
    m_uButtonState = state;
    Invalidate();
}

void CButtonUI::SetNormalImage(const wchar_t* image) { m_sNormalImage = image; Invalidate(); }
void CButtonUI::SetHotImage(const wchar_t* image) { m_sHotImage = image; Invalidate(); }
void CButtonUI::SetPushedImage(const wchar_t* image) { m_sPushedImage = image; Invalidate(); }
void CButtonUI::SetDisabledImage(const wchar_t* image) { m_sDisabledImage = image; Invalidate(); }
void CButtonUI::SetHotBkColor(DWORD color) { m_dwHotBkColor = color; Invalidate(); }
void CButtonUI::SetPushedBkColor(DWORD color) { m_dwPushedBkColor = color; Invalidate(); }
void CButtonUI::SetHotTextColor(DWORD color) { m_dwHotTextColor = color; Invalidate(); }
void CButtonUI::SetPushedTextColor(DWORD color) { m_dwPushedTextColor = color; Invalidate(); }

void CButtonUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    const std::wstring n = name;
    DWORD color = 0;
    if (n == L"normalimage") SetNormalImage(value);
    else if (n == L"hotimage") SetHotImage(value);
    else if (n == L"pushedimage") SetPushedImage(value);
    else if (n == L"disabledimage") SetDisabledImage(value);
    else if (n == L"hotbkcolor" && ParseColor(value, &color)) SetHotBkColor(color);
    else if (n == L"pushedbkcolor" && ParseColor(value, &color)) SetPushedBkColor(color);
    else if (n == L"hottextcolor" && ParseColor(value, &color)) SetHotTextColor(color);
    else if (n == L"pushedtextcolor" && ParseColor(value, &color)) SetPushedTextColor(color);
    else if (n == L"hotbkcolor" || n == L"pushedbkcolor" || n == L"hottextcolor" || n == L"pushedtextcolor") {
        LogBadAttribute(name, value);
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

void CButtonUI::DoEvent(TEventUI& event) {
    const bool mouse = event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND;
    if (!IsEnabled() && (mouse || event.Type == UIEVENT_KEYDOWN)) {
        // Hover changes still reach a disabled button: it just keeps its look.
        if (event.Type != UIEVENT_MOUSEENTER && event.Type != UIEVENT_MOUSELEAVE) PassToParent(event);
        return;
    }
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:  // a second press: two fast clicks are two clicks
            if (PtInRect(m_rcItem, event.ptMouse)) SetState(m_uButtonState | UISTATE_PUSHED | UISTATE_CAPTURED);
            return;
        case UIEVENT_MOUSEMOVE:
            if (m_uButtonState & UISTATE_CAPTURED) {
                const UINT pushed = PtInRect(m_rcItem, event.ptMouse) ? UISTATE_PUSHED : 0;
                SetState((m_uButtonState & ~UISTATE_PUSHED) | pushed);
            }
            return;
        case UIEVENT_BUTTONUP:
            if (m_uButtonState & UISTATE_CAPTURED) {
                SetState(m_uButtonState & ~(UISTATE_PUSHED | UISTATE_CAPTURED));
                // Last: the handlers may remove this button from the tree.
                if (PtInRect(m_rcItem, event.ptMouse)) Activate();
            }
            return;
        case UIEVENT_MOUSEENTER:
            SetState(m_uButtonState | UISTATE_HOT);
            return;
        case UIEVENT_MOUSELEAVE:
            SetState(m_uButtonState & ~UISTATE_HOT);
            return;
        case UIEVENT_KEYDOWN:
            if (event.chKey == static_cast<wchar_t>(VK_SPACE)) Activate();
            return;
        default:
            CLabelUI::DoEvent(event);
            return;
    }
}

DWORD CButtonUI::CurrentTextColor() const {
    if (!IsEnabled()) return CLabelUI::CurrentTextColor();
    if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor) return m_dwPushedTextColor;
    if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor) return m_dwHotTextColor;
    return m_dwTextColor;
}

void CButtonUI::PaintBkColor(HDC hDC) {
    if (IsEnabled()) {
        if ((m_uButtonState & UISTATE_PUSHED) && (m_dwPushedBkColor >> 24)) {
            CRenderEngine::DrawColor(hDC, m_rcItem, m_dwPushedBkColor);
            return;
        }
        if ((m_uButtonState & UISTATE_HOT) && (m_dwHotBkColor >> 24)) {
            CRenderEngine::DrawColor(hDC, m_rcItem, m_dwHotBkColor);
            return;
        }
    }
    CLabelUI::PaintBkColor(hDC);
}

void CButtonUI::PaintStatusImage(HDC hDC) { PaintButtonImage(hDC); }

void CButtonUI::PaintButtonImage(HDC hDC) {
    if (!IsEnabled()) {
        if (!m_sDisabledImage.IsEmpty() && DrawImage(hDC, m_sDisabledImage)) return;
        DrawImage(hDC, m_sNormalImage, 128);
        return;
    }
    if ((m_uButtonState & UISTATE_PUSHED) && !m_sPushedImage.IsEmpty() && DrawImage(hDC, m_sPushedImage)) return;
    if ((m_uButtonState & UISTATE_HOT) && !m_sHotImage.IsEmpty() && DrawImage(hDC, m_sHotImage)) return;
    DrawImage(hDC, m_sNormalImage);
}

}  // namespace DuiLib
