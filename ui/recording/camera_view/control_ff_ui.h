// DuiLib::CControlFFUI: the camera view's picture control (layout class "ControlFF…").
// It draws nothing itself: its events (except the cursor query) and its painting go to
// the view through IUICustomControlEventCB.
#pragma once
#include "platform/duilib/controls/button.h"

namespace DuiLib {

class IUICustomControlEventCB {
public:
    virtual ~IUICustomControlEventCB() = default;
    virtual void OnControlEvent(TEventUI& event) { (void)event; }
    virtual void OnControlPaint(HDC hDC, const RECT& rcPaint) { (void)hDC, (void)rcPaint; }
};

class CControlFFUI : public CButtonUI {
public:
    // The target is not owned; it outlives the control (the view owns the window).
    explicit CControlFFUI(IUICustomControlEventCB* target) : m_pTarget(target) {}

    void DoEvent(TEventUI& event) override;
    bool DoPaint(HDC hDC, const RECT& rcPaint) override;

private:
    IUICustomControlEventCB* m_pTarget;
};

}  // namespace DuiLib
