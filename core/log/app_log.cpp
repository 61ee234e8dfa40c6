#include "core/log/app_log.h"

#include <algorithm>
#include <ctime>

#include "core/log/log_retention.h"
#include "platform/base/wformat.h"
#include "platform/fs/win_file.h"
#include "platform/window/named_mutex.h"
#include "platform/window/process_ids.h"

namespace {

constexpr DWORD kMutexWaitMs = 500;

// Makes `folder` and its missing parents.
void MakeFolders(const std::wstring& folder) {
    for (size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos == folder.size() || folder[pos] == L'/' || folder[pos] == L'\\') {
            CreateDirectoryW(folder.substr(0, pos).c_str(), nullptr);
        }
    }
}

}  // namespace

CAppLog::CAppLog(std::uint32_t flags, int maxLevel) : CLogFmt(flags), maxLevel_(maxLevel) {}

CAppLog::~CAppLog() {
    if (file_.IsOpen()) Close();
    if (mutex_) CloseHandle(mutex_);
}

bool CAppLog::LockMutex() { return mutex_ && WaitForSingleObject(mutex_, kMutexWaitMs) == WAIT_OBJECT_0; }

void CAppLog::UnlockMutex(bool acquired) {
    if (acquired) ReleaseMutex(mutex_);
}

bool CAppLog::Open(const std::wstring& folderIn) {
    if (mutex_) CloseHandle(mutex_);
    mutex_ = CreateMutexW(nullptr, FALSE, L"ZovikLoggingMutex");
    if (file_.IsOpen()) Close();

    std::wstring folder = folderIn;
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'/';
    MakeFolders(folder);
    DeleteExpiredLogFiles(folder, static_cast<std::int64_t>(std::time(nullptr)));

    const LogTime now = CurrentLogTime();
    if (!file_.Open(folder + LogFileName(now))) return false;

    bool acquired = LockMutex();
    file_.WriteF(L"%s", LogHeaderText(GetCurrentProcessId(), now, maxLevel_).c_str());
    UnlockMutex(acquired);
    if (openedHook_) openedHook_(file_.GetPath());
    return true;
}

bool CAppLog::Close() {
    bool acquired = LockMutex();
    if (file_.IsOpen()) file_.WriteF(L"%s", LogFooterText(GetCurrentProcessId(), CurrentLogTime()).c_str());
    UnlockMutex(acquired);
    if (mutex_) {
        CloseHandle(mutex_);
        mutex_ = nullptr;
    }
    file_.Close();
    return true;
}

void CAppLog::LogV(int level, const wchar_t* format, va_list args) {
    const int maxLevel = maxLevel_;
    if (level > maxLevel || !format || !*format) return;  // before any formatting
    std::wstring line = Prefix(CurrentLogTime(), level, maxLevel, GetCurrentProcessId(),
                               GetCurrentThreadId(), progressDone_, progressTotal_);
    std::wstring message = zovi::platform::FormatWideV(format, args);
    if (message.empty()) return;  // could not be formatted
    line += message;
    Write(level, line.c_str());
}

void CAppLog::Write(int level, const wchar_t* text) {
    if (level > maxLevel_ || !text || !*text) return;
    bool acquired = LockMutex();
    file_.Write(text);  // written even when the wait timed out
    UnlockMutex(acquired);
    std::lock_guard lock(listenersLock_);
    for (ILogListener* listener : listeners_) listener->OnLogLine(text);
}

void CAppLog::AddListener(ILogListener* listener) {
    std::lock_guard lock(listenersLock_);
    listeners_.push_back(listener);
}

void CAppLog::RemoveListener(ILogListener* listener) {
    std::lock_guard lock(listenersLock_);
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}
