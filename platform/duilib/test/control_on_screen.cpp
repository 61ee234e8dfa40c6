#include "platform/duilib/test/control_on_screen.h"

#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/window/window_impl_base.h"

namespace DuiLib::test {

POINT ControlCentreOnScreen(CUiThreadHook& hook, HWND window, const wchar_t* name) {
    return hook.Call([window, name] {
                   auto* base = dynamic_cast<WindowImplBase*>(CWindowWnd::FromHandle(window));
                   CControlUI* control = base ? base->GetPaintManager().FindControl(name) : nullptr;
                   if (!control) return POINT{-1, -1};
                   const RECT pos = control->GetPos();
                   POINT pt{(pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2};
                   ::ClientToScreen(window, &pt);
                   return pt;
               })
        .value_or(POINT{-1, -1});
}

}  // namespace DuiLib::test
