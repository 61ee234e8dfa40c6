// CControlUI: identity, state, geometry, attributes, invalidation, events.
#include "platform/duilib/controls/control.h"

#include <cwchar>

#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/string/dui_log.h"

namespace DuiLib {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    // A control freed while its paint manager lives leaves every list that may point at it.
    if (m_pManager) m_pManager->ReapObjects(this);
}

void CControlUI::SetName(const wchar_t* name) {
    m_sName = name;
    if (m_pManager) m_pManager->NameChanged();
}

void* CControlUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"Control") == 0) return this;
    return nullptr;
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    m_pManager = manager;
    m_pParent = parent;
    if (init && manager) manager->InitControls(this, parent);
}

void CControlUI::SetText(const wchar_t* text) {
    if (m_sText == text) return;
    m_sText = text;
    Invalidate();
}

void CControlUI::SetToolTip(const wchar_t* text) { m_sToolTip = text; }

void CControlUI::SetVisible(bool visible) {
    if (m_bVisible == visible) return;
    m_bVisible = visible;
    if (!visible && m_pManager) m_pManager->ControlHidden(this);
    NeedParentUpdate();
}

void CControlUI::SetEnabled(bool enable) {
    if (m_bEnabled == enable) return;
    m_bEnabled = enable;
    if (!enable && m_pManager) m_pManager->ControlUnavailable(this);
    Invalidate();
}

void CControlUI::SetMouseEnabled(bool enable) { m_bMouseEnabled = enable; }

void CControlUI::SetFocus() {
    if (m_pManager) m_pManager->SetFocus(this);
}

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

void CControlUI::SetPos(RECT rc, bool needInvalidate) {
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    if (needInvalidate && !(rc == m_rcItem)) Invalidate();  // where it was
    m_rcItem = rc;
    m_bUpdateNeeded = false;
    if (needInvalidate) Invalidate();  // where it is
}

void CControlUI::SetPadding(RECT rc) {
    m_rcPadding = rc;
    NeedParentUpdate();
}

void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0) return;
    m_cxyFixed.cx = cx;
    NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0) return;
    m_cxyFixed.cy = cy;
    NeedParentUpdate();
}

void CControlUI::SetMinWidth(int cx) {
    if (cx < 0) return;
    m_cxyMin.cx = cx;
    NeedParentUpdate();
}

void CControlUI::SetMaxWidth(int cx) {
    if (cx < 0) return;
    m_cxyMax.cx = cx;
    NeedParentUpdate();
}

void CControlUI::SetMinHeight(int cy) {
    if (cy < 0) return;
    m_cxyMin.cy = cy;
    NeedParentUpdate();
}

void CControlUI::SetMaxHeight(int cy) {
    if (cy < 0) return;
    m_cxyMax.cy = cy;
    NeedParentUpdate();
}

SIZE CControlUI::EstimateSize(SIZE /*available*/) { return m_cxyFixed; }

void CControlUI::SetBkColor(DWORD color) {
    m_dwBackColor = color;
    Invalidate();
}

void CControlUI::SetBkImage(const wchar_t* image) {
    m_sBkImage = image;
    Invalidate();
}

void CControlUI::SetForeImage(const wchar_t* image) {
    m_sForeImage = image;
    Invalidate();
}

void CControlUI::SetBorderColor(DWORD color) {
    m_dwBorderColor = color;
    Invalidate();
}

void CControlUI::SetFocusBorderColor(DWORD color) {
    m_dwFocusBorderColor = color;
    Invalidate();
}

void CControlUI::SetBorderSize(int size) { SetBorderSize(RECT{size, size, size, size}); }

void CControlUI::SetBorderSize(RECT widths) {
    m_rcBorderSize = widths;
    Invalidate();
}

void CControlUI::SetBorderRound(SIZE radius) {
    m_cxyBorderRound = radius;
    Invalidate();
}

void CControlUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    const std::wstring n = name;
    int number = 0;
    bool flag = false;
    DWORD color = 0;
    RECT rc{};
    SIZE size{};
    if (n == L"name") SetName(value);
    else if (n == L"text") SetText(value);
    else if (n == L"tooltip") SetToolTip(value);
    else if (n == L"userdata") SetUserData(value);
    else if (n == L"bkimage") SetBkImage(value);
    else if (n == L"foreimage") SetForeImage(value);
    else if (n == L"visible" && ParseBool(value, &flag)) SetVisible(flag);
    else if (n == L"enabled" && ParseBool(value, &flag)) SetEnabled(flag);
    else if (n == L"mouse" && ParseBool(value, &flag)) SetMouseEnabled(flag);
    else if (n == L"width" && ParseInt(value, &number) && number >= 0) SetFixedWidth(number);
    else if (n == L"height" && ParseInt(value, &number) && number >= 0) SetFixedHeight(number);
    else if (n == L"minwidth" && ParseInt(value, &number) && number >= 0) SetMinWidth(number);
    else if (n == L"maxwidth" && ParseInt(value, &number) && number >= 0) SetMaxWidth(number);
    else if (n == L"minheight" && ParseInt(value, &number) && number >= 0) SetMinHeight(number);
    else if (n == L"maxheight" && ParseInt(value, &number) && number >= 0) SetMaxHeight(number);
    else if (n == L"padding" && ParseRect(value, &rc)) SetPadding(rc);
    else if (n == L"bkcolor" && ParseColor(value, &color)) SetBkColor(color);
    else if (n == L"bordercolor" && ParseColor(value, &color)) SetBorderColor(color);
    else if (n == L"focusbordercolor" && ParseColor(value, &color)) SetFocusBorderColor(color);
    else if (n == L"bordersize" && ParseRect(value, &rc, true)) SetBorderSize(rc);
    else if (n == L"borderround" && ParseSize(value, &size, true)) SetBorderRound(size);
    else if (n == L"tag" && ParseInt(value, &number)) SetTag(static_cast<UINT_PTR>(static_cast<LONG_PTR>(number)));
    else LogBadAttribute(name, value);
}

void CControlUI::SetAttributeList(const wchar_t* list) {
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    const bool whole = ParseAttributeList(list, &pairs);
    for (const auto& [name, value] : pairs) SetAttribute(name.c_str(), value.c_str());
    if (!whole) {
        const std::wstring text = list ? list : L"";
        LogOnce(L"attrlist:" + text, std::wstring(GetClass()) + L": attribute list not understood: " + text);
    }
}

void CControlUI::LogBadAttribute(const wchar_t* name, const wchar_t* value) {
    const std::wstring key = std::wstring(GetClass()) + L"." + (name ? name : L"");
    LogOnce(L"attr:" + key, L"attribute ignored: " + key + L"=\"" + (value ? value : L"") + L"\"");
}

void CControlUI::Invalidate() {
    if (!m_pManager || !m_bVisible) return;
    m_pManager->CheckThread();
    // Only the part the visible ancestors show.
    RECT rc = m_rcItem;
    for (CControlUI* parent = m_pParent; parent; parent = parent->m_pParent) {
        if (!parent->IsVisible() || !IntersectRect(&rc, rc, parent->GetPos())) return;
    }
    if (!IsRectEmpty(rc)) m_pManager->Invalidate(rc);
}

void CControlUI::NeedUpdate() {
    if (!m_bVisible) return;
    m_bUpdateNeeded = true;
    Invalidate();
    if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
    if (m_pParent) {
        m_pParent->NeedUpdate();
        m_pParent->Invalidate();
    } else {
        NeedUpdate();
    }
    if (m_pManager) m_pManager->NeedUpdate();
}

CControlUI* CControlUI::FindControlAt(POINT pt) {
    if (!m_bVisible || !m_bMouseEnabled || !PtInRect(m_rcItem, pt)) return nullptr;
    return this;
}

void CControlUI::PassToParent(TEventUI& event) {
    if (m_pParent) m_pParent->DoEvent(event);
}

void CControlUI::Notify(const wchar_t* type, WPARAM wParam, LPARAM lParam) {
    if (m_pManager) m_pManager->SendNotify(this, type, wParam, lParam);
}

void CControlUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_SETCURSOR:
            if (m_pManager) m_pManager->SetCursorShape(IDC_ARROW);
            return;
        case UIEVENT_SETFOCUS:
        case UIEVENT_KILLFOCUS:
            Invalidate();
            return;
        default:
            break;
    }
    if (event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND) PassToParent(event);
}

}  // namespace DuiLib
