// CWindowWnd: one native window of the platform layer and its window procedure.
//
// Threading: a window object belongs to the UI thread that creates its window; every
// call below is made on that thread. Messages reach HandleMessage until WM_NCDESTROY;
// then the handle is cleared and OnFinalMessage runs last (it may drop the last
// reference to the object: the window procedure touches nothing of it afterwards).
// Every call on a window whose native window is gone is a harmless no-op.
//
// Destroying the object while its native window is open destroys the native window
// without sending it to the object. Should the object die on another thread (owners must
// not let that happen), the native window is cut from the object at once, its
// destruction is posted to the UI thread, and one log line says so.
#pragma once
#include <memory>

#include "platform/duilib/core/window/window_defs.h"
#include "platform/window/window.h"

namespace DuiLib {

namespace window_detail {
struct WindowLink;
}

class CWindowWnd {
public:
    CWindowWnd();
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }  // NOLINT: the windows pass the object as a handle

    // Registers the class (once per process) and creates the window; `parent` is the
    // owner of a pop-up and the X parent of a WS_CHILD window. CW_USEDEFAULT places the
    // window centred on the monitor under the pointer. 0 on failure.
    HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = nullptr);
    HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, const RECT& rc,
                HMENU menu = nullptr);

    // Show maps and raises (and activates with `takeFocus`); hide unmaps.
    void ShowWindow(bool show = true, bool takeFocus = true);
    // Runs the window modally (owner disabled, nested loop) until it is destroyed;
    // returns the code passed to Close, or IDCANCEL when it ended without one.
    UINT ShowModal();
    // Posts WM_CLOSE with `code`.
    void Close(UINT code = IDOK);
    // Over its shown owner (kept inside the owner's work area), else centred on the work
    // area of the nearest monitor.
    void CenterWindow();
    // The program icon of the skin ("icon/<id>-<size>.png" at 16, 32, 48, 64, 128).
    void SetIcon(UINT resourceId);
    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    // Sets the client size (-1 keeps a side).
    void ResizeClient(int cx = -1, int cy = -1);

    // The window object of a native window of this thread, or null.
    static CWindowWnd* FromHandle(HWND hwnd);

protected:
    virtual const wchar_t* GetWindowClassName() const = 0;
    // Superclassing a system class has no meaning here; kept for the names.
    virtual const wchar_t* GetSuperClassName() const;
    virtual UINT GetClassStyle() const;
    // Default processing: the platform's.
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    virtual void OnFinalMessage(HWND hWnd);

public:
    virtual ~CWindowWnd();

protected:
    bool RegisterWindowClass();
    // Destroys the native window without letting its messages reach this object (the
    // object is being destroyed). Called by the destructors; safe to call twice.
    void DetachAndDestroy();
    // The shared state of this object's native window (null before Create).
    window_detail::WindowLink* Link() const { return m_link.get(); }

    HWND m_hWnd = 0;

private:
    static LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    std::shared_ptr<window_detail::WindowLink> m_link;
};

}  // namespace DuiLib

// Whether the window base maximised the window (its own flag; see SC_MAXIMIZE).
BOOL IsZoomed(HWND hwnd);
