#include "app/crash_hooks.h"

#include "crashrep/zovi_crashrep.h"
#include "platform/crash/exception_filter.h"

LONG CrashExceptionFilter(EXCEPTION_POINTERS* pointers) {
    ZoviCrashRepExceptionFilter(pointers);
    zovi::platform::TerminateCurrentProcess(0xFFFFFFFFu);
}

void InvalidParameterHandler() {
    ZoviCrashRepSetInfo(kCrashInfoFatalMessage, L"Fatal CRT parameter error");
    DebugBreak();
    zovi::platform::TerminateCurrentProcess(0xFFFFFFFFu);  // no filter installed
}

void PurecallHandler() {
    ZoviCrashRepSetInfo(kCrashInfoFatalMessage, L"Fatal pure function call");
    DebugBreak();
    zovi::platform::TerminateCurrentProcess(0xFFFFFFFFu);
}

void StoreFatalMessage(const wchar_t* text) { ZoviCrashRepSetInfo(kCrashInfoFatalMessage, text); }

void StoreLogPath(const std::wstring& path) {
    if (!path.empty()) ZoviCrashRepSetInfo(kCrashInfoLogPath, path.c_str());
}
