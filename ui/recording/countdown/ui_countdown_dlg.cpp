#include "ui/recording/countdown/ui_countdown_dlg.h"

#include <string>
#include <utility>

namespace DuiLib {

CUICountdownDlg::CUICountdownDlg(std::function<void()> completion) : m_fnCompletion(std::move(completion)) {}

CUICountdownDlg::~CUICountdownDlg() {
    // The window goes first (its timer with it), then the completion.
    DetachAndDestroy();
}

void CUICountdownDlg::InitWindow() {
    CenterWindow();
    ::SetTimer(m_hWnd, kTimerId, kTimerPeriodMs, nullptr);
}

LRESULT CUICountdownDlg::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    if (wParam != kTimerId) {
        bHandled = FALSE;
        return 0;
    }
    bHandled = TRUE;
    if (m_nCount <= 0) return 0;  // a tick already queued when the countdown ended
    --m_nCount;
    if (m_nCount > 0) {
        const std::wstring image = L"Countdown/number" + std::to_wstring(m_nCount) + L".png";
        m_pm.SetLayeredImage(image.c_str());
        m_pm.Invalidate();
        return 0;
    }
    ::KillTimer(m_hWnd, kTimerId);
    ShowWindow(false, false);
    // Runs here, inside the timer: the opener keeps this object until the next countdown.
    if (m_fnCompletion) m_fnCompletion();
    return 0;
}

}  // namespace DuiLib
