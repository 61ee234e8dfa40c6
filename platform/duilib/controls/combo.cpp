#include "platform/duilib/controls/combo.h"

#include <algorithm>
#include <cwchar>
#include <string>

#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/render/render_engine.h"
#include "platform/duilib/core/string/dui_log.h"
#include "platform/duilib/window/combo_drop_window.h"
#include "platform/window/window.h"

namespace DuiLib {
namespace {

constexpr int kDefaultRowHeight = 24;  // rows without a height of their own
constexpr int kVisibleRows = 8;        // the drop-down's height without `dropboxsize`
constexpr int kArrowArea = 20;         // the arrow's place at the right of the face
constexpr DWORD kArrowColor = 0xFF333333;

int RowHeight(CControlUI* row) {
    const int fixed = row->GetFixedHeight();
    return fixed > 0 ? fixed : kDefaultRowHeight;
}

// The first non-empty text in a subtree (a container row's labels).
CDuiString FirstText(CControlUI* control) {
    if (!control) return CDuiString();
    if (!control->GetText().IsEmpty()) return control->GetText();
    if (auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"))) {
        for (int i = 0; i < container->GetCount(); ++i) {
            CDuiString text = FirstText(container->GetItemAt(i));
            if (!text.IsEmpty()) return text;
        }
    }
    return CDuiString();
}

}  // namespace

CComboUI::CComboUI() {
    m_dwBackColor = 0xFFFFFFFF;
    m_dwBorderColor = 0xFFA7A6AA;
    m_dwFocusBorderColor = 0xFF2B8CF4;
    m_rcBorderSize = RECT{1, 1, 1, 1};
    m_itemColors.hotBk = 0xFFF0F0F0;
    m_itemColors.selectedBk = 0xFF2B8CF4;
    m_itemColors.selectedText = 0xFFFFFFFF;
}

CComboUI::~CComboUI() {
    // The rows come back from the drop-down so the container frees them with the rest.
    CloseDropDown();
}

void* CComboUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"Combo") == 0) return this;
    return CContainerUI::GetInterface(name);
}

bool CComboUI::WantsKey(UINT vk) const { return IsDropped() && (vk == VK_RETURN || vk == VK_ESCAPE); }

int CComboUI::GetCount() const {
    return IsDropped() ? static_cast<int>(m_openRows.size()) : CContainerUI::GetCount();
}

CControlUI* CComboUI::GetItemAt(int index) const {
    if (!IsDropped()) return CContainerUI::GetItemAt(index);
    if (index < 0 || index >= GetCount()) return nullptr;
    return m_openRows[static_cast<size_t>(index)];
}

int CComboUI::GetItemIndex(CControlUI* row) const {
    if (!IsDropped()) return CContainerUI::GetItemIndex(row);
    auto it = std::find(m_openRows.begin(), m_openRows.end(), row);
    return it == m_openRows.end() ? -1 : static_cast<int>(it - m_openRows.begin());
}

bool CComboUI::Add(CControlUI* row) {
    CloseDropDown();
    return AddAt(row, CContainerUI::GetCount());
}

bool CComboUI::AddAt(CControlUI* row, int index) {
    CloseDropDown();
    if (!CContainerUI::AddAt(row, index)) return false;
    if (IListItemUI* item = AsListItem(row)) item->SetOwner(this);
    if (m_iCurSel >= index) ++m_iCurSel;  // the same row stays selected
    Invalidate();
    return true;
}

bool CComboUI::Remove(CControlUI* row, bool doNotDestroy) {
    CloseDropDown();
    const int index = CContainerUI::GetItemIndex(row);
    return index >= 0 && RemoveAt(index, doNotDestroy);
}

bool CComboUI::RemoveAt(int index, bool doNotDestroy) {
    CloseDropDown();
    CControlUI* row = CContainerUI::GetItemAt(index);
    if (!row) return false;
    if (IListItemUI* item = AsListItem(row)) item->SetOwner(nullptr);
    if (!CContainerUI::RemoveAt(index, doNotDestroy)) return false;
    if (m_iCurSel == index) m_iCurSel = -1;
    else if (m_iCurSel > index) --m_iCurSel;
    Invalidate();
    return true;
}

void CComboUI::RemoveAll() {
    CloseDropDown();
    for (CControlUI* row : m_items) {
        if (IListItemUI* item = AsListItem(row)) item->SetOwner(nullptr);
    }
    CContainerUI::RemoveAll();
    m_iCurSel = -1;
    Invalidate();
}

bool CComboUI::SelectItem(int index, bool takeFocus, bool trigger) {
    if (index < 0 || index >= GetCount()) return false;
    if (takeFocus) SetFocus();
    if (index == m_iCurSel) return true;
    const int old = m_iCurSel;
    if (CControlUI* row = GetItemAt(old)) row->Invalidate();
    m_iCurSel = index;
    if (CControlUI* row = GetItemAt(index)) row->Invalidate();
    Invalidate();
    // Last: the handlers may refill or remove this combo.
    if (trigger) Notify(DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(index), static_cast<LPARAM>(old));
    return true;
}

HWND CComboUI::GetDropDownWindow() const { return m_drop ? m_drop->GetHWND() : 0; }

int CComboUI::GetHotItem() const { return m_drop ? m_drop->GetHotIndex() : -1; }

SIZE CComboUI::DropDownSize() const {
    int content = 2, capped = 2;  // the one-pixel frame above and below
    int shown = 0;
    for (CControlUI* row : m_items) {
        if (!row->IsVisible()) continue;
        content += RowHeight(row);
        if (shown++ < kVisibleRows) capped += RowHeight(row);
    }
    const int height = m_szDropBox.cy > 0 ? std::min(content, m_szDropBox.cy) : capped;
    const int width = m_szDropBox.cx > 0 ? m_szDropBox.cx : GetWidth();
    return SIZE{std::max(width, 1), std::max(height, 1)};
}

bool CComboUI::DropDown() {
    if (IsDropped() || !m_pManager || !IsVisible() || !IsEnabled() || CContainerUI::GetCount() == 0) return false;
    // Where the face is on screen (a manager without a window: client = screen).
    RECT anchor = m_rcItem;
    if (HWND owner = m_pManager->GetPaintWindow()) {
        POINT topLeft{anchor.left, anchor.top}, bottomRight{anchor.right, anchor.bottom};
        ::ClientToScreen(owner, &topLeft);
        ::ClientToScreen(owner, &bottomRight);
        anchor = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    }
    const SIZE size = DropDownSize();
    // The rows move into the drop-down's list while it is open.
    const std::vector<CControlUI*> rows = m_items;
    while (CContainerUI::GetCount() > 0) CContainerUI::RemoveAt(0, true);
    auto drop = std::make_shared<CComboDropWindow>(this);
    m_drop = drop;
    m_openRows = rows;
    if (!drop->Open(m_pManager, anchor, size, rows, m_iCurSel)) {
        LogOnce(L"combo:dropdown", L"the drop-down window of a combo could not be made");
        CloseDropDown();
        return false;
    }
    Invalidate();
    return true;
}

void CComboUI::CloseDropDown() {
    if (!m_drop) return;
    const std::shared_ptr<CComboDropWindow> drop = std::move(m_drop);  // IsDropped() is false from here
    m_openRows.clear();
    for (CControlUI* row : drop->Close()) CContainerUI::AddAt(row, CContainerUI::GetCount());
    Invalidate();
}

void CComboUI::PickFromDropDown(int index) {
    CloseDropDown();
    if (IsInTree()) SelectItem(index, false, true);
}

bool CComboUI::HandleDropDownKey(UINT vk, bool alt) {
    if (!m_drop) return false;
    switch (vk) {
        case VK_UP:
        case VK_DOWN:
            if (alt) {
                CloseDropDown();
                return true;
            }
            m_drop->MoveHot(vk);
            return true;
        case VK_PRIOR:
        case VK_NEXT:
        case VK_HOME:
        case VK_END:
            m_drop->MoveHot(vk);
            return true;
        case VK_RETURN: {
            const int hot = m_drop->GetHotIndex();
            if (hot >= 0) {
                PickFromDropDown(hot);
            } else {
                CloseDropDown();
            }
            return true;
        }
        case VK_ESCAPE:
        case VK_F4:
            CloseDropDown();
            return true;
        default:
            return false;
    }
}

void CComboUI::HandleClosedKey(UINT vk, bool alt) {
    if (vk == VK_F4 || (alt && (vk == VK_DOWN || vk == VK_UP))) {
        DropDown();
        return;
    }
    if (alt || (vk != VK_UP && vk != VK_DOWN) || GetCount() == 0) return;
    const int next = vk == VK_UP ? std::max(m_iCurSel - 1, 0) : std::min(m_iCurSel + 1, GetCount() - 1);
    SelectItem(next, false, true);
}

bool CComboUI::IsInTree(bool shown) const {
    if (!m_pManager || (shown && !IsVisible())) return false;
    const CControlUI* child = this;
    for (CControlUI* parent = m_pParent; parent; parent = parent->GetParent()) {
        auto* container = static_cast<CContainerUI*>(parent->GetInterface(L"Container"));
        if (!container || container->GetItemIndex(const_cast<CControlUI*>(child)) < 0) return false;
        if (shown && !parent->IsVisible()) return false;
        child = parent;
    }
    return child == m_pManager->GetRoot();
}

void CComboUI::SetItemColors(const TListItemColors& colors) {
    m_itemColors = colors;
    Invalidate();
}

void CComboUI::SetTextColor(DWORD color) {
    m_dwTextColor = color;
    Invalidate();
}

void CComboUI::SetFont(int id) {
    m_iFont = id;
    Invalidate();
}

void CComboUI::SetTextPadding(RECT rc) {
    m_rcTextPadding = rc;
    Invalidate();
}

bool CComboUI::IsItemHot(const CControlUI* row) const {
    return m_drop && m_drop->GetHotIndex() >= 0 && GetItemIndex(const_cast<CControlUI*>(row)) == m_drop->GetHotIndex();
}

bool CComboUI::IsItemSelected(const CControlUI* row) const {
    return m_iCurSel >= 0 && GetItemIndex(const_cast<CControlUI*>(row)) == m_iCurSel;
}

void CComboUI::SetEnabled(bool enable) {
    if (!enable) {
        CloseDropDown();
        m_bHot = false;
    }
    CContainerUI::SetEnabled(enable);
}

void CComboUI::SetVisible(bool visible) {
    if (!visible) CloseDropDown();
    CContainerUI::SetVisible(visible);
}

void CComboUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    if (manager != m_pManager) CloseDropDown();
    CContainerUI::SetManager(manager, parent, init);
}

void CComboUI::SetPos(RECT rc, bool needInvalidate) {
    // The rows are laid out by the drop-down, not in the face.
    CControlUI::SetPos(rc, needInvalidate);
}

void CComboUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    const std::wstring n = name;
    DWORD color = 0;
    RECT rc{};
    SIZE size{};
    int number = 0;
    if (n == L"normalimage") m_sNormalImage = value;
    else if (n == L"hotimage") m_sHotImage = value;
    else if (n == L"pushedimage") m_sPushedImage = value;
    else if (n == L"disabledimage") m_sDisabledImage = value;
    else if (n == L"hotbkcolor" && ParseColor(value, &color)) m_dwHotBkColor = color;
    else if (n == L"pushedbkcolor" && ParseColor(value, &color)) m_dwPushedBkColor = color;
    else if (n == L"hottextcolor" && ParseColor(value, &color)) m_dwHotTextColor = color;
    else if (n == L"pushedtextcolor" && ParseColor(value, &color)) m_dwPushedTextColor = color;
    else if (n == L"textcolor" && ParseColor(value, &color)) m_dwTextColor = color;
    else if (n == L"disabledtextcolor" && ParseColor(value, &color)) m_dwDisabledTextColor = color;
    else if (n == L"itemhotbkcolor" && ParseColor(value, &color)) m_itemColors.hotBk = color;
    else if (n == L"itemselectedbkcolor" && ParseColor(value, &color)) m_itemColors.selectedBk = color;
    else if (n == L"itemtextcolor" && ParseColor(value, &color)) m_itemColors.text = color;
    else if (n == L"itemselectedtextcolor" && ParseColor(value, &color)) m_itemColors.selectedText = color;
    else if (n == L"textpadding" && ParseRect(value, &rc)) m_rcTextPadding = rc;
    else if (n == L"font" && ParseInt(value, &number)) m_iFont = number;
    else if (n == L"dropboxsize" && ParseSize(value, &size) && size.cx >= 0 && size.cy >= 0) m_szDropBox = size;
    else if (n == L"hotbkcolor" || n == L"pushedbkcolor" || n == L"hottextcolor" || n == L"pushedtextcolor" ||
             n == L"textcolor" || n == L"disabledtextcolor" || n.starts_with(L"item") || n == L"textpadding" ||
             n == L"font" || n == L"dropboxsize") {
        LogBadAttribute(name, value);
        return;
    } else {
        CContainerUI::SetAttribute(name, value);
        return;
    }
    Invalidate();
}

CControlUI* CComboUI::FindControlAt(POINT pt) { return CControlUI::FindControlAt(pt); }

void CComboUI::DoEvent(TEventUI& event) {
    const bool mouse = event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND;
    if (!IsEnabled() && (mouse || event.Type == UIEVENT_KEYDOWN || event.Type == UIEVENT_SYSKEY)) {
        if (mouse && event.Type != UIEVENT_MOUSEENTER && event.Type != UIEVENT_MOUSELEAVE) PassToParent(event);
        return;
    }
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            if (!PtInRect(m_rcItem, event.ptMouse)) return;
            if (IsDropped()) {
                CloseDropDown();
            } else {
                DropDown();
            }
            return;
        case UIEVENT_BUTTONUP:
        case UIEVENT_MOUSEMOVE:
            return;
        case UIEVENT_MOUSEENTER:
            m_bHot = true;
            Invalidate();
            return;
        case UIEVENT_MOUSELEAVE:
            m_bHot = false;
            Invalidate();
            return;
        case UIEVENT_SCROLLWHEEL:
            PassToParent(event);  // the wheel never changes the selection
            return;
        case UIEVENT_KEYDOWN:
        case UIEVENT_SYSKEY: {
            const auto vk = static_cast<UINT>(event.chKey);
            const bool alt = event.Type == UIEVENT_SYSKEY || (event.wKeyState & 0x20) != 0;
            if (!HandleDropDownKey(vk, alt)) HandleClosedKey(vk, alt);
            return;
        }
        case UIEVENT_KILLFOCUS:
            CloseDropDown();
            Invalidate();
            return;
        default:
            CContainerUI::DoEvent(event);
            return;
    }
}

bool CComboUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    // The face only; the rows paint in the drop-down.
    return CControlUI::DoPaint(hDC, rcPaint);
}

void CComboUI::PaintBkColor(HDC hDC) {
    if (IsEnabled()) {
        if (IsDropped() && (m_dwPushedBkColor >> 24)) {
            CRenderEngine::DrawColor(hDC, m_rcItem, m_dwPushedBkColor);
            return;
        }
        if (m_bHot && (m_dwHotBkColor >> 24)) {
            CRenderEngine::DrawColor(hDC, m_rcItem, m_dwHotBkColor);
            return;
        }
    }
    CContainerUI::PaintBkColor(hDC);
}

void CComboUI::PaintStatusImage(HDC hDC) {
    if (!IsEnabled()) {
        if (!m_sDisabledImage.IsEmpty() && DrawImage(hDC, m_sDisabledImage)) return;
        if (!m_sNormalImage.IsEmpty()) {
            DrawImage(hDC, m_sNormalImage, 128);
            return;
        }
    } else {
        if (IsDropped() && !m_sPushedImage.IsEmpty() && DrawImage(hDC, m_sPushedImage)) return;
        if (m_bHot && !m_sHotImage.IsEmpty() && DrawImage(hDC, m_sHotImage)) return;
        if (!m_sNormalImage.IsEmpty() && DrawImage(hDC, m_sNormalImage)) return;
    }
    PaintArrow(hDC);
}

void CComboUI::PaintArrow(HDC hDC) const {
    // A small chevron pointing down, centred in the arrow's place at the right.
    const int cx = m_rcItem.right - kArrowArea / 2 - 1;
    const int cy = (m_rcItem.top + m_rcItem.bottom) / 2;
    DWORD color = kArrowColor;
    if (!IsEnabled()) color = ((color >> 24) / 2) << 24 | (color & 0x00FFFFFF);
    CRenderEngine::DrawLine(hDC, RECT{cx - 4, cy - 2, cx, cy + 2}, 1, color);
    CRenderEngine::DrawLine(hDC, RECT{cx, cy + 2, cx + 4, cy - 2}, 1, color);
}

void CComboUI::PaintBorder(HDC hDC) {
    const bool accent = IsEnabled() && (m_bHot || IsDropped()) && (m_dwFocusBorderColor >> 24);
    if (!accent) {
        CContainerUI::PaintBorder(hDC);
        return;
    }
    const DWORD normal = m_dwBorderColor;
    m_dwBorderColor = m_dwFocusBorderColor;
    CContainerUI::PaintBorder(hDC);
    m_dwBorderColor = normal;
}

CDuiString CComboUI::FaceText() const { return FirstText(GetItemAt(m_iCurSel)); }

void CComboUI::PaintText(HDC hDC) {
    const CDuiString text = FaceText();
    if (text.IsEmpty()) return;
    const RECT rc{m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
                  m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    DWORD color = m_dwTextColor;
    if (!IsEnabled()) {
        color = m_dwDisabledTextColor ? m_dwDisabledTextColor : (((color >> 24) / 2) << 24 | (color & 0x00FFFFFF));
    } else if (IsDropped() && m_dwPushedTextColor) {
        color = m_dwPushedTextColor;
    } else if (m_bHot && m_dwHotTextColor) {
        color = m_dwHotTextColor;
    }
    CRenderEngine::DrawText(hDC, m_pManager, rc, text.str(), color, m_iFont,
                            DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
}

}  // namespace DuiLib
