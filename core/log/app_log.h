// The application log: formats lines (CLogFmt), serialises the writers of every running
// copy of the program through the "ZovikLoggingMutex" mutex, appends each line to the
// day's file "AppLog_YYYY-MM-DD.txt" in the log folder, and hands it to listeners.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/log/log_file.h"
#include "core/log/log_format.h"
#include "core/log/logger.h"
#include "platform/fs/handle.h"

// Receives every line the log writes (with its prefix).
class ILogListener {
public:
    virtual void OnLogLine(const wchar_t* text) = 0;

protected:
    virtual ~ILogListener() = default;
};

class CAppLog : public ILogger, public CLogFmt {
public:
    explicit CAppLog(std::uint32_t flags = kAppLogFlags, int maxLevel = LOG_LEVEL_INFO);
    ~CAppLog() override;
    CAppLog(const CAppLog&) = delete;
    CAppLog& operator=(const CAppLog&) = delete;

    void Write(int level, const wchar_t* text) override;
    void LogV(int level, const wchar_t* format, va_list args) override;

    // Opens today's file in `folder` (made when missing) after deleting log files older
    // than 14 days there, and writes the header. False when the file cannot be opened;
    // lines then still reach the listeners.
    bool Open(const std::wstring& folder);
    // Writes the footer and closes the file. Returns true.
    bool Close();

    void SetMaxLevel(int level) { maxLevel_ = level; }
    int MaxLevel() const { return maxLevel_; }
    std::wstring GetPath() { return file_.GetPath(); }
    // Called with the file's path each time a file was opened (the crash reporter's
    // information entry 10).
    void SetOpenedHook(std::function<void(const std::wstring&)> hook) { openedHook_ = std::move(hook); }

    void AddListener(ILogListener* listener);
    void RemoveListener(ILogListener* listener);

private:
    // Takes the logging mutex for at most 500 ms; true when it was acquired.
    bool LockMutex();
    void UnlockMutex(bool acquired);

    CLogFile file_;
    std::uint32_t progressDone_ = 0, progressTotal_ = 0;  // never changed
    HANDLE mutex_ = nullptr;
    std::atomic<int> maxLevel_;
    std::vector<ILogListener*> listeners_;
    std::recursive_mutex listenersLock_;
    std::function<void(const std::wstring&)> openedHook_;
};
