// The library's log lines. By default they go to stderr as UTF-8; the program may hand
// them to its own log instead. LogOnce keeps repeated faults (a missing image drawn on
// every paint, a bad attribute on every window) to one line per key per process.
#pragma once
#include <string>

namespace DuiLib {

inline constexpr int kLogError = 0;
inline constexpr int kLogInfo = 1;

using LogSink = void (*)(int level, const wchar_t* text);

// Null restores the stderr sink. Safe to call from any thread.
void SetLogSink(LogSink sink);

void LogError(const std::wstring& text);
void LogInfo(const std::wstring& text);
// An error line, written only the first time `key` is seen in this process.
void LogOnce(const std::wstring& key, const std::wstring& text);
// Forgets the keys LogOnce has seen (tests).
void ResetLogOnce();

}  // namespace DuiLib
