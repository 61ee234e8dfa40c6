// CControlUI: the base of every control. A control has a rectangle in client
// coordinates, fixed or flexible sizes, an outer margin, colours, images, a border and
// text; it paints itself in fixed steps and receives events from its paint manager.
// A change made by code raises no notification (only Activate, Selected(x, true) and a
// combo's SelectItem with its trigger flag do, in their own classes).
#pragma once
#include <cstdint>

#include "platform/duilib/core/manager/ui_defs.h"
#include "platform/duilib/core/string/dui_string.h"
#include "platform/window/window_types.h"

namespace DuiLib {

class CPaintManagerUI;

class CControlUI {
    friend class CPaintManagerUI;  // keeps the focus flag and the tree pointers in step

public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    // Identity.
    virtual CDuiString GetName() const { return m_sName; }
    virtual void SetName(const wchar_t* name);
    virtual const wchar_t* GetClass() const { return L"ControlUI"; }
    // This control as the named interface ("Control", "Label", "Button", "Option",
    // "Container", …), or null.
    virtual void* GetInterface(const wchar_t* name);
    virtual UINT GetControlFlags() const { return 0; }
    // Whether this control, while focused, uses Enter, Escape or Tab itself (then the
    // window's default handling of that key does not run).
    virtual bool WantsKey(UINT /*vk*/) const { return false; }

    // Tree.
    virtual CPaintManagerUI* GetManager() const { return m_pManager; }
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
    virtual CControlUI* GetParent() const { return m_pParent; }

    // Text and tooltip.
    virtual CDuiString GetText() const { return m_sText; }
    virtual void SetText(const wchar_t* text);
    virtual CDuiString GetToolTip() const { return m_sToolTip; }
    virtual void SetToolTip(const wchar_t* text);

    // State.
    virtual bool IsVisible() const { return m_bVisible; }
    virtual void SetVisible(bool visible = true);
    virtual bool IsEnabled() const { return m_bEnabled; }
    virtual void SetEnabled(bool enable = true);
    virtual bool IsMouseEnabled() const { return m_bMouseEnabled; }
    virtual void SetMouseEnabled(bool enable = true);
    virtual bool IsFocused() const { return m_bFocused; }
    virtual void SetFocus();
    // The programmatic click: false (and nothing) when hidden or disabled.
    virtual bool Activate();

    // User values.
    virtual UINT_PTR GetTag() const { return m_pTag; }
    virtual void SetTag(UINT_PTR tag) { m_pTag = tag; }
    virtual CDuiString GetUserData() const { return m_sUserData; }
    virtual void SetUserData(const wchar_t* text) { m_sUserData = text; }

    // Geometry.
    virtual const RECT& GetPos() const { return m_rcItem; }
    virtual void SetPos(RECT rc, bool needInvalidate = true);
    virtual int GetWidth() const { return m_rcItem.right - m_rcItem.left; }
    virtual int GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }
    virtual RECT GetPadding() const { return m_rcPadding; }
    virtual void SetPadding(RECT rc);
    virtual int GetFixedWidth() const { return m_cxyFixed.cx; }
    virtual void SetFixedWidth(int cx);
    virtual int GetFixedHeight() const { return m_cxyFixed.cy; }
    virtual void SetFixedHeight(int cy);
    virtual int GetMinWidth() const { return m_cxyMin.cx; }
    virtual void SetMinWidth(int cx);
    virtual int GetMaxWidth() const { return m_cxyMax.cx; }
    virtual void SetMaxWidth(int cx);
    virtual int GetMinHeight() const { return m_cxyMin.cy; }
    virtual void SetMinHeight(int cy);
    virtual int GetMaxHeight() const { return m_cxyMax.cy; }
    virtual void SetMaxHeight(int cy);
    // The fixed size (0 where flexible); `available` is the space offered.
    virtual SIZE EstimateSize(SIZE available);

    // Look.
    DWORD GetBkColor() const { return m_dwBackColor; }
    void SetBkColor(DWORD color);
    const CDuiString& GetBkImage() const { return m_sBkImage; }
    void SetBkImage(const wchar_t* image);
    const CDuiString& GetForeImage() const { return m_sForeImage; }
    void SetForeImage(const wchar_t* image);
    DWORD GetBorderColor() const { return m_dwBorderColor; }
    void SetBorderColor(DWORD color);
    DWORD GetFocusBorderColor() const { return m_dwFocusBorderColor; }
    void SetFocusBorderColor(DWORD color);
    void SetBorderSize(int size);
    void SetBorderSize(RECT widths);
    RECT GetBorderSize() const { return m_rcBorderSize; }
    void SetBorderRound(SIZE radius);
    SIZE GetBorderRound() const { return m_cxyBorderRound; }

    // Attributes: the XML names and values; unknown names and bad values log once per
    // (class, attribute) and are ignored.
    virtual void SetAttribute(const wchar_t* name, const wchar_t* value);
    // `name="value"` pairs, applied in order through SetAttribute.
    void SetAttributeList(const wchar_t* list);

    // Invalidation and layout.
    virtual void Invalidate();
    bool IsUpdateNeeded() const { return m_bUpdateNeeded; }
    virtual void NeedUpdate();
    virtual void NeedParentUpdate();

    // Hit testing: the deepest visible, mouse-enabled control containing `pt` (hidden
    // controls and their children are skipped; a mouse-disabled container's children are
    // still tested).
    virtual CControlUI* FindControlAt(POINT pt);

    // Events and painting.
    virtual void DoEvent(TEventUI& event);
    // Paints the steps below in order, clipped to rcPaint; returns true when painted.
    virtual bool DoPaint(HDC hDC, const RECT& rcPaint);
    virtual void PaintBkColor(HDC hDC);
    virtual void PaintBkImage(HDC hDC);
    virtual void PaintStatusImage(HDC hDC);
    virtual void PaintForeImage(HDC hDC);
    virtual void PaintText(HDC hDC);
    virtual void PaintBorder(HDC hDC);

protected:
    // Draws an image reference in this control's rectangle; false when nothing drawn.
    bool DrawImage(HDC hDC, const wchar_t* imageRef, BYTE opacity = 255);
    // One log line per (class, attribute) per process.
    void LogBadAttribute(const wchar_t* name, const wchar_t* value);
    // Sends `event` to the parent (mouse events a control does not use go up).
    void PassToParent(TEventUI& event);
    // The controls' own notifications, raised through the paint manager (none without one).
    void Notify(const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0);

    CPaintManagerUI* m_pManager = nullptr;
    CControlUI* m_pParent = nullptr;
    CDuiString m_sName, m_sText, m_sToolTip, m_sUserData;
    CDuiString m_sBkImage, m_sForeImage;
    UINT_PTR m_pTag = 0;
    bool m_bVisible = true, m_bEnabled = true, m_bMouseEnabled = true, m_bFocused = false;
    bool m_bUpdateNeeded = true;
    RECT m_rcItem{}, m_rcPaint{}, m_rcPadding{};
    SIZE m_cxyFixed{}, m_cxyMin{}, m_cxyMax{9999999, 9999999};
    DWORD m_dwBackColor = 0, m_dwBorderColor = 0, m_dwFocusBorderColor = 0;
    RECT m_rcBorderSize{};
    SIZE m_cxyBorderRound{};
};

}  // namespace DuiLib
