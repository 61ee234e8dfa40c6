// CComboUI ("Combo"): a face showing the selected row and a drop-down list of rows.
//
// The rows (ListLabelElement or ListContainerElement) are the combo's children but are
// not laid out or painted in the face; the face shows the selected row's text (a
// container row without text of its own shows the first text found among its children)
// with the button's state images and colours, and a small arrow when it has no face
// image. While the drop-down is open the rows live in the drop-down window's list and
// come back when it closes; every change of the rows closes it first.
//
// Notifications: "itemselect" (sender the combo, wParam the new index, lParam the old
// one) when the user picks another row in the drop-down (click or Enter), when Up or
// Down on the focused closed combo moves the selection, and from SelectItem with its
// trigger flag. Nothing else: not Add, RemoveAll, opening, closing, Escape, a click on
// the current row, the wheel.
//
// Keys while closed and focused: Up/Down move the selection, Alt+Down and F4 open. While
// open the combo consumes Up, Down, Page Up, Page Down, Home, End (they move the hot
// row), Enter (picks it) and Escape (closes, the selection stays). The drop-down also
// closes on a click outside it, when the combo loses focus, is hidden, disabled or
// removed, and when its window is deactivated, moved or destroyed.
#pragma once
#include <memory>
#include <vector>

#include "platform/duilib/controls/container.h"
#include "platform/duilib/controls/list_element.h"

namespace DuiLib {

class CComboDropWindow;

class CComboUI : public CContainerUI, public IListOwnerUI {
public:
    CComboUI();
    ~CComboUI() override;

    const wchar_t* GetClass() const override { return L"ComboUI"; }
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override { return IsEnabled() ? UIFLAG_TABSTOP : 0; }
    bool WantsKey(UINT vk) const override;

    // Rows (also while the drop-down holds them).
    int GetCount() const;
    CControlUI* GetItemAt(int index) const;
    int GetItemIndex(CControlUI* row) const;
    bool Add(CControlUI* row) override;
    bool AddAt(CControlUI* row, int index) override;
    bool Remove(CControlUI* row, bool doNotDestroy = false) override;
    bool RemoveAt(int index, bool doNotDestroy = false) override;
    // Silent; the selection becomes -1.
    void RemoveAll() override;

    // The selected row's index, -1 for none.
    int GetCurSel() const { return m_iCurSel; }
    // Out of range: false. The current index: true and nothing else. Otherwise selects,
    // takes focus when asked, and raises "itemselect" when `trigger`.
    bool SelectItem(int index, bool takeFocus = false, bool trigger = true);

    // The drop-down.
    bool IsDropped() const { return m_drop != nullptr; }
    bool DropDown();
    void CloseDropDown();
    // The drop-down's window (0 while closed) and its hot row (-1 for none).
    HWND GetDropDownWindow() const;
    int GetHotItem() const;
    // Called by the drop-down: the user picked `index` (the drop-down closes first).
    void PickFromDropDown(int index);
    // An open drop-down's key (Up, Down, Page Up/Down, Home, End, Enter, Escape, F4,
    // Alt+Up/Down); true when used.
    bool HandleDropDownKey(UINT vk, bool alt);

    // Look.
    SIZE GetDropBoxSize() const { return m_szDropBox; }
    void SetDropBoxSize(SIZE size) { m_szDropBox = size; }
    const TListItemColors& GetItemColors() const override { return m_itemColors; }
    void SetItemColors(const TListItemColors& colors);
    void SetTextColor(DWORD color);
    void SetFont(int id);
    void SetTextPadding(RECT rc);

    // IListOwnerUI: how the rows paint in the drop-down.
    bool IsItemHot(const CControlUI* row) const override;
    bool IsItemSelected(const CControlUI* row) const override;

    void SetEnabled(bool enable = true) override;
    void SetVisible(bool visible = true) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    CControlUI* FindControlAt(POINT pt) override;
    void DoEvent(TEventUI& event) override;
    bool DoPaint(HDC hDC, const RECT& rcPaint) override;
    void PaintBkColor(HDC hDC) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;
    // Hot or open: the border takes the focus colour (the accent by default).
    void PaintBorder(HDC hDC) override;

    // Whether this combo is still reachable from its window's root (a handler may have
    // removed it), and with `shown` also visible all the way up.
    bool IsInTree(bool shown = false) const;

private:
    // The drop-down's size on screen for the rows now.
    SIZE DropDownSize() const;
    // The text the face shows for the selected row.
    CDuiString FaceText() const;
    void HandleClosedKey(UINT vk, bool alt);
    void PaintArrow(HDC hDC) const;

    std::shared_ptr<CComboDropWindow> m_drop;
    std::vector<CControlUI*> m_openRows;  // the rows while the drop-down holds them
    int m_iCurSel = -1;
    bool m_bHot = false;
    SIZE m_szDropBox{};
    TListItemColors m_itemColors;
    CDuiString m_sNormalImage, m_sHotImage, m_sPushedImage, m_sDisabledImage;
    DWORD m_dwHotBkColor = 0, m_dwPushedBkColor = 0, m_dwHotTextColor = 0, m_dwPushedTextColor = 0;
    DWORD m_dwTextColor = 0xFF333333, m_dwDisabledTextColor = 0;
    int m_iFont = -1;
    RECT m_rcTextPadding{8, 0, 24, 0};
};

}  // namespace DuiLib
