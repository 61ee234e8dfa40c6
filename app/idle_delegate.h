// The message loop's filter and idle handler: the idle pass runs the UI thread's
// deferred calls.
#pragma once
#include "platform/window/message_loop.h"

class COnIdleHadlerDelegate : public CMessageFilter, public CIdleHandler {
public:
    BOOL PreTranslateMessage(MSG* msg) override;
    // Runs the deferred calls posted to the UI thread. Returns 0.
    BOOL OnIdle() override;
};
