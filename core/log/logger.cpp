#include "core/log/logger.h"

#define ZOVI_LOG_FORWARD(level)        \
    va_list args;                      \
    va_start(args, format);            \
    LogV((level), format, args);       \
    va_end(args)

void ILogger::Log(int level, const wchar_t* format, ...) { ZOVI_LOG_FORWARD(level); }
void ILogger::Error(const wchar_t* format, ...) { ZOVI_LOG_FORWARD(LOG_LEVEL_ERROR); }
void ILogger::Warning(const wchar_t* format, ...) { ZOVI_LOG_FORWARD(LOG_LEVEL_WARNING); }
void ILogger::Info(const wchar_t* format, ...) { ZOVI_LOG_FORWARD(LOG_LEVEL_INFO); }
void ILogger::Verbose(const wchar_t* format, ...) { ZOVI_LOG_FORWARD(LOG_LEVEL_VERBOSE); }
void ILogger::Debug(const wchar_t* format, ...) { ZOVI_LOG_FORWARD(LOG_LEVEL_DEBUG); }

#undef ZOVI_LOG_FORWARD
