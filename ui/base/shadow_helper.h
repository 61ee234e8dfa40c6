// DuiLib::CShadowHelper: the drop shadow a window sets up in InitWindow (skin image
// "shadow.png", corners 23, 13, 23, 33, no hole offset). With no compositor, or until
// the shadow window is drawn, nothing is shown (CWndShadow::Create says why, once).
#pragma once
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/window/wnd_shadow.h"

namespace DuiLib {

class CShadowHelper {
public:
    CShadowHelper() = default;
    CShadowHelper(const CShadowHelper&) = delete;
    CShadowHelper& operator=(const CShadowHelper&) = delete;

protected:
    ~CShadowHelper() = default;

    // Initialize, SetImage, Create, in that order; true when a shadow is shown.
    bool CreateShadow(HWND hwnd) {
        CWndShadow::Initialize(CPaintManagerUI::GetInstance());
        m_WndShadow.SetImage(L"shadow.png", RECT{23, 13, 23, 33}, RECT{0, 0, 0, 0});
        return m_WndShadow.Create(hwnd);
    }

    CWndShadow m_WndShadow;
};

}  // namespace DuiLib
