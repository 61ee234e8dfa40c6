// The crash-report library libZoviCrashrep.so (CMake target ZoviCrashrep): settings and
// information entries kept for the report, the exception filter that writes the minidump
// and the report text, and the package-and-upload step.
#pragma once
#include <cstdint>

#include "platform/crash/exception_record.h"

#define ZOVI_CRASHREP_API extern "C" __attribute__((visibility("default")))

// Information entry ids with a meaning: 10 is the current log file's path (its content is
// copied into the report), 0 the message of a fatal runtime report.
inline constexpr int32_t kCrashInfoLogPath = 10;
inline constexpr int32_t kCrashInfoFatalMessage = 0;

// Removes every information entry.
ZOVI_CRASHREP_API void ZoviCrashRepClearInfo();
// Writes a minidump of the running process without an exception into
// <folder>/Debug/<name> (a new report base name + ".dmp" when name is null or empty; the
// temporary folder when no reports folder is set). Nonzero on success.
ZOVI_CRASHREP_API int32_t ZoviCrashRepCreateDumpFile(const wchar_t* name);
// Appends the calling thread's stack to <folder>/Debug/<name>. 0 for a null or empty
// name or a file that cannot be opened; else 1 when the walk stopped at a frame whose
// return address is its own address, 0 when it ran out of frames.
ZOVI_CRASHREP_API int32_t ZoviCrashRepCreateStackFile(const wchar_t* name);
// Writes the crash files for the fault and, with submission on, packs them and starts
// the program in its uploader mode. Always returns 1 (EXCEPTION_EXECUTE_HANDLER).
ZOVI_CRASHREP_API int32_t ZoviCrashRepExceptionFilter(EXCEPTION_POINTERS* pointers);
// Keeps a copy of the device identifier (null keeps an empty text).
ZOVI_CRASHREP_API void ZoviCrashRepSetDeviceId(const wchar_t* id);
// Sets information entry `id` to a copy of `text`; a null or empty text removes it.
ZOVI_CRASHREP_API void ZoviCrashRepSetInfo(int32_t id, const wchar_t* text);
// Keeps the reports folder when it is non-null and non-empty; always stores the options
// (nonzero: pack and hand each crash to the uploader). Returns `options` unchanged.
ZOVI_CRASHREP_API int32_t ZoviCrashRepSetOptions(const wchar_t* folder, int32_t options);
// Packs the two files into "<dmp minus extension>.zip" and starts the program in its
// uploader mode ("/uploader", "--dmp_file=<zip>"). 1 when the uploader was started.
ZOVI_CRASHREP_API int32_t ZoviCrashRepSubmitReport(const wchar_t* dmp, const wchar_t* txt);
// Keeps a copy of the source revision.
ZOVI_CRASHREP_API void ZoviCrashSvnRevision(const wchar_t* rev);
