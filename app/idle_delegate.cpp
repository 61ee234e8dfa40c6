#include "app/idle_delegate.h"

#include "core/deferred/on_idle.h"
#include "core/options/options_controller.h"
#include "platform/duilib/core/manager/paint_manager.h"

BOOL COnIdleHadlerDelegate::PreTranslateMessage(MSG* msg) {
    // The DirectUI library's accelerators for the window that has the focus.
    return DuiLib::CPaintManagerUI::TranslateMessage(msg) ? TRUE : FALSE;
}

BOOL COnIdleHadlerDelegate::OnIdle() {
    COnIdleHandler::GetInstance();
    COnIdleHandler::Run();
    COptionsController::GetInstance()->DeliverPendingEvents();
    return FALSE;
}
