// The drop-down window of a combo: an override-redirect pop-up that never takes the focus
// (so its owner is never deactivated by it), placed below the combo's face, or above it
// when the monitor's work area has no room below. Its own paint manager shows the
// combo's rows, moved into a scrolling vertical list while it is open and handed back by
// Close. It grabs the pointer: a press outside closes it without a selection change, a
// click on a row picks that row. While open it watches the owner window's messages
// (a pre-message filter on the owner's paint manager): it takes the drop-down keys
// before the focused control, and closes when the owner is deactivated, moved, hidden
// or destroyed, or the combo is no longer shown in it.
//
// Threading: the UI thread of the combo's window only. Lifetime: shared; the combo drops
// its reference on close, the window procedure keeps the object alive while it runs.
#pragma once
#include <memory>
#include <vector>

#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/manager/ui_defs.h"

namespace DuiLib {

class CComboUI;
class CContainerUI;

class CComboDropWindow : public IMessageFilterUI, public std::enable_shared_from_this<CComboDropWindow> {
public:
    // The window class, as FindWindowW and WM_CLASS see it.
    static constexpr const wchar_t* kClassName = L"DuiComboDropWindow";

    explicit CComboDropWindow(CComboUI* combo);
    ~CComboDropWindow() override;
    CComboDropWindow(const CComboDropWindow&) = delete;
    CComboDropWindow& operator=(const CComboDropWindow&) = delete;

    // Shows `rows` next to `anchor` (the face, screen coordinates) at `size`, owned by
    // the window of `owner` (a manager without a window gives an unowned pop-up), with
    // row `hot` highlighted. False when the window could not be made.
    bool Open(CPaintManagerUI* owner, const RECT& anchor, SIZE size, const std::vector<CControlUI*>& rows, int hot);
    // Takes the rows out of the list (for the combo) and destroys the window; later
    // calls return nothing.
    std::vector<CControlUI*> Close();

    HWND GetHWND() const { return m_hWnd; }
    int GetHotIndex() const { return m_hot; }
    // Up, Down, Page Up, Page Down, Home, End.
    void MoveHot(UINT vk);

    // The owner window's messages (pre-message filter).
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

private:
    static LRESULT WindowProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // Pointer messages to the paint manager (the list's scroll bar), keeping the grab.
    void ForwardPointer(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void OnPress(POINT pt, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void OnRelease(POINT pt, WPARAM wParam, LPARAM lParam);
    // The row under a client point, -1 for none.
    int RowAt(POINT pt) const;
    void SetHot(int index);
    // Scrolls the list so the row is shown whole.
    void EnsureVisible(int index);
    // Asks the combo to close this drop-down (it calls Close).
    void CloseFromHere();

    CComboUI* m_combo;
    CPaintManagerUI m_pm;
    CContainerUI* m_list = nullptr;  // the root of m_pm
    CPaintManagerUI* m_owner = nullptr;
    HWND m_hWnd = 0;
    int m_hot = -1, m_pressed = -1;
    bool m_closed = false, m_destroying = false, m_forwarding = false;
};

}  // namespace DuiLib
