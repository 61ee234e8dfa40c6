#include "app/account_startup.h"

#include "engine/history/capture_history.h"
#include "online/account/account_context.h"

void MakeAccountContext() {
    CAccountContextController::GetInstance();
    zovi::engine::CCaptureHistory::SetUserIdSource([] {
        // Never makes the context again during shutdown.
        const CAccountContextController* context = CAccountContextController::PeekInstance();
        return context ? context->SignedInUserId() : uint64_t{0};
    });
}
