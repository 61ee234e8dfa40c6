// WindowImplBase: the window base every library window derives from. It owns the paint
// manager, builds the layout the window names, answers the hit test, moves and sizes the
// window itself, and routes each message:
//   1. HandleCustomMessage (the window's own first look);
//   2. the base's handler for that message (OnCreate, OnClose, OnNcHitTest, OnSize, …);
//   3. the paint manager (painting, input to controls, notifications);
//   4. the platform's default processing.
// A handler that leaves bHandled false lets the next step run. Escape and Enter that no
// control used go to ResponseDefaultKeyEvent (default: Escape closes with IDCANCEL), then
// Enter raises "return"; Tab and Shift+Tab move the focus. Library timers never reach
// OnTimer.
//
// Threading: UI thread only (see CWindowWnd for the destruction safety net).
#pragma once
#include "platform/duilib/core/builder/dialog_builder.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/window/notify_pump.h"
#include "platform/duilib/core/window/window_drag.h"
#include "platform/duilib/core/window/window_wnd.h"

namespace DuiLib {

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
public:
    WindowImplBase();

    // Slots in the windows' order.
    const wchar_t* GetSuperClassName() const override;
    UINT GetClassStyle() const override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;
    // Whether the caption rectangle answers HTCAPTION (true); false keeps the whole
    // client area for the controls.
    virtual bool IsHTCaptionFlag() const;
    ~WindowImplBase() override;
    virtual void InitWindow();
    virtual void OnClick(TNotifyUI& msg);
    virtual CDuiString GetSkinFolder();
    virtual CDuiString GetSkinFile() = 0;
    // Enter or Escape that no control used; nonzero stops the key. Default: Escape
    // closes with IDCANCEL (returns TRUE), Enter returns FALSE.
    virtual LRESULT ResponseDefaultKeyEvent(WPARAM wParam);
    // The built-in skin (a zip archive held as resource 130); kept for the names, the
    // library has that one skin source.
    virtual UINT GetResourceType() const;
    virtual CDuiString GetZIPFileName() const;
    virtual UINT GetResourceID() const;
    virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnNcActivate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnNcCalcSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnNcPaint(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    // The library's hit test (lParam: the point in screen coordinates).
    virtual LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnGetMinMaxInfo(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnMouseWheel(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnMouseHover(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    // SC_CLOSE → Close(IDCANCEL); SC_MAXIMIZE, SC_RESTORE and SC_MINIMIZE are the base's own.
    virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnPaint(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LONG GetStyle();
    // rcNormalPosition in work-area coordinates (the platform's placement calls).
    virtual BOOL SetWindowPlacement(const WINDOWPLACEMENT* placement);
    virtual BOOL GetWindowPlacement(WINDOWPLACEMENT* placement);

    // INotifyUI: the message maps and pages.
    void Notify(TNotifyUI& msg) override;
    // IMessageFilterUI: the window's pre-message filter; it takes nothing by default.
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    // IDialogBuilderCallback: tags the builder does not know; none by default.
    CControlUI* CreateControl(const wchar_t* pstrClass) override;

    CPaintManagerUI& GetPaintManager() { return m_pm; }

    DUI_DECLARE_MESSAGE_MAP()

protected:
    CPaintManagerUI m_pm;

private:
    // Before the steps, for pointer messages: a drag in progress takes them, a press on
    // the caption or an edge starts one, an inert window (HTNOWHERE) drops them. True
    // when the message was used up.
    bool PreparePointerMessage(UINT uMsg, LPARAM lParam);
    // The pointer in root coordinates for moving the window.
    POINT DragPointerOf(LPARAM lParam) const;
    LRESULT OnSetCursor(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    // After the paint manager passed on Enter or Escape.
    bool DefaultKey(WPARAM key);
    void Maximize();
    void Restore();
    // The window at the layout's size (placed by the base when created at CW_USEDEFAULT).
    void ApplyLayoutSize();

    CWindowDrag m_drag;
    LRESULT m_lastHitCode = HTCLIENT;  // of the last WM_SETCURSOR
};

}  // namespace DuiLib
