// The ids of the running process and the calling thread (the kernel's pid and tid).
#pragma once
#include "platform/base/wintypes.h"

DWORD GetCurrentProcessId();
DWORD GetCurrentThreadId();
