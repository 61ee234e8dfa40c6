// CCrashInfoStore: the information entries the program sets for its crash reports, an
// ordered map from id to text under a re-entrant lock.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace zovi::crashrep {

class CReportText;

class CCrashInfoStore {
public:
    CCrashInfoStore();

    // Sets the id's text (a copy), replacing an older one; a failed allocation leaves the
    // id without an entry.
    void Set(int32_t id, const wchar_t* text);
    void Remove(int32_t id);
    void Clear();
    // Writes "Developer Info" (when there are entries) into the report; entry 10's file is
    // copied between markers. During a crash the lock is waited for at most about a second
    // (the section is left out when another thread keeps it).
    void Write(CReportText& report);

    // The entries as they stand (for tests and callers that show them).
    std::map<int32_t, std::wstring> Entries();

private:
    // Null when the lock could not be made: every operation then does nothing.
    std::recursive_mutex* lock_;
    std::map<int32_t, std::wstring> entries_;
};

// The one store (made at load, never freed).
CCrashInfoStore& InfoStore();

}  // namespace zovi::crashrep
