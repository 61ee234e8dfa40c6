// Removal of old day files of the log.
#pragma once
#include <cstdint>
#include <string>

// Deletes the files "AppLog_*.txt" in `folder` whose last write (whole seconds, UTC) is
// strictly earlier than `nowUnixSeconds` minus 14 days. Failures to delete are ignored
// (another copy of the program may delete the same file).
void DeleteExpiredLogFiles(const std::wstring& folder, std::int64_t nowUnixSeconds);
