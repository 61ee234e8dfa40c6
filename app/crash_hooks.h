// The process-wide crash hooks of the main program.
#pragma once
#include <string>

#include "platform/crash/exception_record.h"

// The unhandled-exception filter: hands the fault to the crash reporter (dump, report
// text, package, uploader), then ends the process with status 255 (0xFFFFFFFF).
LONG CrashExceptionFilter(EXCEPTION_POINTERS* pointers);
// Stores "Fatal CRT parameter error" as crash information entry 0 and breaks into the
// filter. The runtime has no such hook here; the platform's checked calls may use it.
[[noreturn]] void InvalidParameterHandler();
// Stores "Fatal pure function call" as crash information entry 0 and breaks into the
// filter. Reached through the C++ runtime's pure-call entry.
[[noreturn]] void PurecallHandler();

// The crash report's information entries the program fills: 0 with a fatal fault's
// message (the fatal-message sink), 10 with the path of the open log file.
void StoreFatalMessage(const wchar_t* text);
void StoreLogPath(const std::wstring& path);
