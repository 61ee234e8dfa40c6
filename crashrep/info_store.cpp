#include "crashrep/info_store.h"

#include <new>

#include "crashrep/report_text.h"
#include "platform/base/utf8_core.h"
#include "platform/crash/safe_file.h"
#include "platform/crash/safe_process.h"

namespace zovi::crashrep {

namespace {

constexpr int32_t kLogPathId = 10;
constexpr size_t kCopyChunk = 1023;

// Copies the log file between its two marker lines.
void CopyLog(CReportText& report, const std::wstring& path) {
    char pathUtf8[4096];
    platform::WideToUtf8Into(path.c_str(), pathUtf8, sizeof pathUtf8, platform::Utf8Form::Lossless);
    int fd = platform::SafeOpenToRead(pathUtf8);
    if (fd < 0) return;
    report.Add("\n--- Copied \"").AddWide(path.c_str()).Add("\"\n").Flush();
    char chunk[kCopyChunk];
    for (std::ptrdiff_t got; (got = platform::SafeRead(fd, chunk, sizeof chunk)) > 0;) {
        report.Add(chunk, static_cast<size_t>(got));
    }
    platform::SafeClose(fd);
    report.Add("\n--- End of \"").AddWide(path.c_str()).Add("\"\n").Flush();
}

}  // namespace

CCrashInfoStore::CCrashInfoStore() : lock_(new (std::nothrow) std::recursive_mutex()) {}

void CCrashInfoStore::Set(int32_t id, const wchar_t* text) {
    if (!lock_) return;
    std::lock_guard hold(*lock_);
    Remove(id);
    try {
        entries_.emplace(id, std::wstring(text ? text : L""));
    } catch (const std::bad_alloc&) {
        // The id stays without an entry.
    }
}

void CCrashInfoStore::Remove(int32_t id) {
    if (!lock_) return;
    std::lock_guard hold(*lock_);
    entries_.erase(id);
}

void CCrashInfoStore::Clear() {
    if (!lock_) return;
    std::lock_guard hold(*lock_);
    entries_.clear();
}

std::map<int32_t, std::wstring> CCrashInfoStore::Entries() {
    if (!lock_) return {};
    std::lock_guard hold(*lock_);
    return entries_;
}

void CCrashInfoStore::Write(CReportText& report) {
    if (!lock_) return;
    // A bounded wait: the thread that holds the lock may be the one stopped for ever.
    bool locked = false;
    for (int attempt = 0; attempt < 100 && !(locked = lock_->try_lock()); ++attempt) {
        platform::SafePause(10);
    }
    if (!locked) return;
    if (!entries_.empty()) {
        report.Add("\nDeveloper Info:\n");
        for (const auto& [id, text] : entries_) {
            report.Add(" ").AddSigned(id).Add(" ").AddWide(text.c_str()).Add("\n").Flush();
            if (id == kLogPathId && !text.empty()) CopyLog(report, text);
        }
    }
    lock_->unlock();
}

CCrashInfoStore& InfoStore() {
    static CCrashInfoStore* store = new CCrashInfoStore();
    return *store;
}

}  // namespace zovi::crashrep
