#include "ui/recording/camera_view/control_ff_ui.h"

namespace DuiLib {

void CControlFFUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_SETCURSOR) return;
    if (m_pTarget) m_pTarget->OnControlEvent(event);
    CButtonUI::DoEvent(event);
}

bool CControlFFUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    if (m_pTarget) m_pTarget->OnControlPaint(hDC, rcPaint);
    return true;
}

}  // namespace DuiLib
