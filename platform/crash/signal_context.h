// The AMD64 CONTEXT of a Linux ucontext_t (a signal's interrupted state, or one taken
// with getcontext).
#pragma once
#include "platform/crash/exception_record.h"

namespace zovi::platform {

void ContextFromUcontext(const void* ucontext, CONTEXT* context);

}  // namespace zovi::platform
