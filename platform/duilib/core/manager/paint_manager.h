// CPaintManagerUI: one per window. It owns the control tree and its name map, option
// groups, hover/capture/focus, the invalid region and the double-buffered paint, hit
// testing, notifications (synchronous, re-entrant) with the delayed free of removed
// controls, the library's control timers, tooltips, and the window's images and fonts.
// The same code paints into the window (presented through the platform) or into any
// Cairo image surface (RenderToSurface), so offscreen tests see what the window shows.
// A paint manager may have no root: it then paints nothing and passes every message on.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/duilib/core/manager/ui_defs.h"
#include "platform/duilib/core/resources/font_table.h"
#include "platform/duilib/core/resources/image_cache.h"
#include "platform/gdi/dib_section.h"
#include "platform/window/window_types.h"

typedef struct _cairo_surface cairo_surface_t;

namespace DuiLib {

class CControlUI;

class CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // Binds to the window; Init(0) detaches (the tree stays).
    void Init(HWND hWnd);
    HWND GetPaintWindow() const { return m_hWndPaint; }

    // The tree. AttachDialog takes ownership of the root (the old one goes to the
    // delayed-free list) and marks the layout dirty.
    bool AttachDialog(CControlUI* root);
    CControlUI* GetRoot() const { return m_pRoot; }
    // Called by controls entering/leaving the tree.
    bool InitControls(CControlUI* control, CControlUI* parent = nullptr);
    void ReapObjects(CControlUI* control);  // a control leaves: names, hover, capture, focus, groups
    // Removed controls wait here until the dispatch depth falls below the one at removal.
    void AddDelayedCleanup(CControlUI* control);
    // A control of the tree was renamed.
    void NameChanged();
    // A control was hidden: its tooltip goes.
    void ControlHidden(CControlUI* control);

    // Names: exact, case-sensitive; first in tree order wins.
    CControlUI* FindControl(const wchar_t* name) const;
    // The control under a client point (hidden and mouse-disabled ones skipped).
    CControlUI* FindControl(POINT pt) const;

    // Option groups of this window.
    bool AddOptionGroup(const wchar_t* group, CControlUI* control);
    const std::vector<CControlUI*>* GetOptionGroup(const wchar_t* group) const;
    void RemoveOptionGroup(const wchar_t* group, CControlUI* control);

    // Invalidation and painting.
    void Invalidate();
    void Invalidate(const RECT& rc);
    void NeedUpdate() { m_bUpdateNeeded = true; }
    bool IsUpdateNeeded() const { return m_bUpdateNeeded; }
    // Lays out (when needed) and paints `rc` of the tree into `surface` (its origin is
    // the client origin).
    void RenderToSurface(cairo_surface_t* surface, const RECT& rc);
    // The colour behind the root (<Window bkcolor>, default opaque black).
    void SetClearColor(DWORD argb) { m_dwClearColor = argb; }
    DWORD GetClearColor() const { return m_dwClearColor; }

    // Notifications.
    bool AddNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    void SendNotify(TNotifyUI& msg);
    void SendNotify(CControlUI* control, const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0);
    bool AddPreMessageFilter(IMessageFilterUI* filter);
    bool RemovePreMessageFilter(IMessageFilterUI* filter);
    bool AddTranslateAccelerator(ITranslateAccelerator* translator);
    bool RemoveTranslateAccelerator(ITranslateAccelerator* translator);
    // Pre-translate for the loops: the accelerators of the paint manager owning the
    // focused window (only those). True when consumed.
    static bool TranslateMessage(MSG* msg);

    // Focus and capture.
    CControlUI* GetFocus() const { return m_pFocus; }
    // The old control gets KILLFOCUS, the new one SETFOCUS; null clears the focus.
    void SetFocus(CControlUI* control);
    // Tab and Shift+Tab: the focus moves to the next (or previous) control that can take
    // it, in tree order, wrapping; false when there is none.
    bool SetNextTabControl(bool forward = true);
    // A tab stop of this tree that is enabled and shown (it and every ancestor visible).
    bool CanTakeFocus(const CControlUI* control) const;
    // `control` was hidden or disabled: a focus inside it that can no longer be held goes.
    void ControlUnavailable(CControlUI* control);
    void SetCapture();
    void ReleaseCapture();
    bool IsCaptured() const { return m_bMouseCapture; }
    CControlUI* GetHover() const { return m_pEventHover; }
    // Enter that neither the focused control nor the window's default key handling used:
    // "return" from the focused control, or from the root when nothing has focus. The
    // window base calls it after ResponseDefaultKeyEvent declined the key; false when
    // there is no control to raise it.
    bool HandleReturnKey();
    // The pointer shape for the window (a control's answer to UIEVENT_SETCURSOR).
    void SetCursorShape(const wchar_t* cursor);

    // Window-level attributes (from <Window> or the window's code).
    SIZE GetInitSize() const { return m_szInitWindowSize; }
    void SetInitSize(int cx, int cy) { m_szInitWindowSize = {cx, cy}; }
    RECT& GetSizeBox() { return m_rcSizeBox; }
    void SetSizeBox(const RECT& rc) { m_rcSizeBox = rc; }
    // Caption "l,t,r,b": x in [l, w - r) and y in [t, b) of the client area.
    RECT& GetCaptionRect() { return m_rcCaption; }
    void SetCaptionRect(const RECT& rc) { m_rcCaption = rc; }
    SIZE GetRoundCorner() const { return m_szRoundCorner; }
    void SetRoundCorner(int cx, int cy) { m_szRoundCorner = {cx, cy}; }
    SIZE GetMinInfo() const { return m_szMinWindow; }
    void SetMinInfo(int cx, int cy) { m_szMinWindow = {cx, cy}; }
    // The layered image (countdown): drawn behind the tree into a transparent back buffer
    // that the window shows with its alpha.
    void SetLayeredImage(const wchar_t* image);
    const CDuiString& GetLayeredImage() const { return m_sLayeredImage; }
    bool IsLayered() const { return !m_sLayeredImage.IsEmpty(); }
    // Makes the window what the layered image and the round corners ask for: a layered
    // window the pointer passes through (before its first map), or its round-rectangle
    // region at its current size (none while maximised). The window base calls it after
    // creation and on every size change.
    void ApplyWindowShape();

    // Images added by the window: the pixels are copied; `alpha` false → RGB24.
    // `shared` makes the name visible to every paint manager.
    bool AddImage(const wchar_t* name, const zovi::platform::HBITMAP& bitmap, int width, int height, bool alpha,
                  bool shared = false);
    TImagePtr GetImage(const wchar_t* name) const;  // "#…" names: own, then shared
    void RemoveImage(const wchar_t* name);

    // Fonts of the window's layout.
    CFontTable& Fonts() { return m_fonts; }
    const TFontInfo& GetFont(int id) const { return m_fonts.Get(id); }

    // Library timers for controls (ids mapped onto window timers from 0x7FFF0000 up);
    // they reach the control's DoEvent(UIEVENT_TIMER) and never the window's handlers.
    bool SetTimer(CControlUI* control, UINT timerId, UINT elapse);
    bool KillTimer(CControlUI* control, UINT timerId);
    void KillTimer(CControlUI* control);
    // Whether a WM_TIMER id belongs to the library (controls and tooltips).
    static constexpr UINT_PTR kFirstControlTimer = 0x7FFF0000;
    static bool IsControlTimer(WPARAM id) { return id >= kFirstControlTimer && id < 0x80000000u; }

    // The window's messages. True when handled (lRes holds the result).
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    // The pre-message filters (run by the window before its own handlers).
    bool PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

    // Module and paths (stored; release builds read the skin from the built-in archive).
    static void SetInstance(HINSTANCE instance);
    static HINSTANCE GetInstance();
    static void SetResourcePath(const wchar_t* path);
    static const CDuiString& GetResourcePath();
    static CDuiString GetInstancePath();  // the running program's folder, ending in "/"

    // Debug builds: logs once per window when called off the thread that made it.
    void CheckThread() const;

private:
    // Layout of the tree within the client rectangle, when something asked for it.
    RECT ClientRect() const;
    void LayoutIfNeeded(const RECT& client);
    // Clear, layered image and tree into `surface` within `rc`.
    void PaintInto(cairo_surface_t* surface, const RECT& rc);
    void PaintWindow();
    // Input.
    bool HandleMouse(UINT uMsg, WPARAM wParam, LPARAM lParam);
    bool HandleKey(UINT uMsg, WPARAM wParam, LPARAM lParam);
    bool HandleSetCursor(LPARAM lParam);
    void UpdateHover(POINT pt);
    void SendEvent(CControlUI* control, int type, POINT pt, WPARAM wParam = 0, LPARAM lParam = 0,
                   wchar_t key = 0, WORD keyState = 0);
    // The captured control gets BUTTONUP with the last point, then nothing.
    void CancelCapture();
    // Removed controls whose dispatch depth has been left behind (all: at destruction).
    void ReapDelayed(bool all);
    bool OnLibraryTimer(WPARAM id);
    // Tooltips.
    void ToolTipPointerMoved();
    void ToolTipTimer(WPARAM id);
    void HideToolTip();

    struct Impl;
    std::unique_ptr<Impl> m_impl;

    HWND m_hWndPaint = 0;
    CControlUI* m_pRoot = nullptr;
    CControlUI* m_pFocus = nullptr;
    CControlUI* m_pEventHover = nullptr;
    CControlUI* m_pEventClick = nullptr;
    bool m_bMouseCapture = false;
    bool m_bUpdateNeeded = true;
    DWORD m_dwClearColor = 0xFF000000;
    SIZE m_szInitWindowSize{};
    SIZE m_szMinWindow{};
    SIZE m_szRoundCorner{};
    RECT m_rcSizeBox{};
    RECT m_rcCaption{};
    CDuiString m_sLayeredImage;
    CFontTable m_fonts;
};

}  // namespace DuiLib
