#include "ui/recording/camera_view/ui_camera_toolbar.h"

#include "core/global/global.h"
#include "core/log/logger.h"
#include "engine/controller/capture_controller.h"
#include "platform/duilib/controls/option.h"

namespace DuiLib {

CUICameraToolBar::CUICameraToolBar(const std::shared_ptr<CUICameraToolBarCallBack>& callback)
    : m_pCallback(callback) {}

void CUICameraToolBar::InitWindow() {
    auto option = [this](const wchar_t* name) {
        CControlUI* control = m_pm.FindControl(name);
        return control ? static_cast<COptionUI*>(control->GetInterface(L"Option")) : nullptr;
    };
    CControlUI* close = m_pm.FindControl(L"close");
    m_pClose = close ? static_cast<CButtonUI*>(close->GetInterface(L"Button")) : nullptr;
    m_pNormal = option(L"normal");
    m_pDouble = option(L"double");
    m_pFull = option(L"full");
    SelectSizeMode(static_cast<int>(GetGlobal().cameraSize));
    RegisterTolkaObject(this);
}

void CUICameraToolBar::SelectSizeMode(int mode) {
    COptionUI* const byMode[] = {m_pNormal, m_pDouble, m_pFull};
    if (mode >= 0 && mode < 3 && byMode[mode]) byMode[mode]->Selected(true, false);
}

void CUICameraToolBar::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_SELECTCHANGED) {
        int mode = 0;
        if (m_pNormal && m_pNormal->IsSelected()) {
            mode = 0;
        } else if (m_pDouble && m_pDouble->IsSelected()) {
            mode = 1;
        } else if (m_pFull && m_pFull->IsSelected()) {
            mode = 2;
        }
        if (const auto callback = m_pCallback.lock()) callback->OnSizeMode(mode);
        return;
    }
    if (msg.sType == DUI_MSGTYPE_CLICK && m_pClose && msg.pSender == m_pClose) {
        bool handled = false;
        if (const auto callback = m_pCallback.lock()) callback->OnToolbarClose(handled);
        if (!handled) Close(1);
        return;
    }
    WindowImplBaseImpl::Notify(msg);
}

LRESULT CUICameraToolBar::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL&) {
    // The view hides the bar when the pointer leaves the picture; a pointer that leaves
    // the bar straight out of the view never crosses the picture again, so the bar hides
    // itself then.
    if (uMsg == WM_MOUSELEAVE) {
        POINT cursor{};
        RECT view{};
        const HWND parent = ::GetParent(m_hWnd);
        if (parent && ::GetCursorPos(&cursor) && ::GetWindowRect(parent, &view) &&
            (cursor.x < view.left || cursor.x >= view.right || cursor.y < view.top || cursor.y >= view.bottom))
            ShowWindow(false, false);
    }
    // Session end reaches top-level windows only; this bar is a child, so this is for a
    // bar that is ever made top-level.
    if (uMsg == WM_QUERYENDSESSION) {
        GetGlobal().Save();
    } else if (uMsg == WM_ENDSESSION && wParam) {
        GetGlobal().Save();
        GetGlobalLogger().Info(L"toolbar system end session stop capture!!!!");
        zovi::engine::CCaptureController::GetInstance()->Stop();
    }
    return 0;
}

}  // namespace DuiLib
