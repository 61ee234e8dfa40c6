#include "app/idle_delegate.h"

#include "core/deferred/on_idle.h"
#include "core/options/options_controller.h"

BOOL COnIdleHadlerDelegate::PreTranslateMessage(MSG*) {
    // The DirectUI library's message translation: not built yet, so nothing is handled.
    return FALSE;
}

BOOL COnIdleHadlerDelegate::OnIdle() {
    COnIdleHandler::GetInstance();
    COnIdleHandler::Run();
    COptionsController::GetInstance()->DeliverPendingEvents();
    return FALSE;
}
