// The logger interface every component writes diagnostic lines through, and the
// process-wide logger. Formats are wide printf formats with the system's conversions
// ("%s" is a wide string, "%S" a UTF-8 one; see platform/base/wformat.h).
#pragma once
#include <cstdarg>

enum LogLevel : int {
    LOG_LEVEL_ERROR = 0,
    LOG_LEVEL_WARNING = 1,
    LOG_LEVEL_INFO = 2,
    LOG_LEVEL_VERBOSE = 3,
    LOG_LEVEL_DEBUG = 4,
};

class ILogger {
public:
    virtual ~ILogger() = default;
    virtual void Write(int level, const wchar_t* text) = 0;
    virtual void LogV(int level, const wchar_t* format, va_list args) = 0;
    void Log(int level, const wchar_t* format, ...);
    void Error(const wchar_t* format, ...);
    void Warning(const wchar_t* format, ...);
    void Info(const wchar_t* format, ...);
    void Verbose(const wchar_t* format, ...);
    void Debug(const wchar_t* format, ...);
};

// The process-wide logger. It exists from the first call to the end of the process and
// forwards to the application log while that is open; other lines are dropped.
ILogger& GetGlobalLogger();

// Points the process-wide logger at `target` (null: lines are dropped). The target must
// stay alive until it is replaced; a line being written while it is replaced finishes
// first.
void SetGlobalLogTarget(ILogger* target);
