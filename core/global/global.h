// The process-wide Global object of the main program: its settings record (COptions,
// loaded when it is made) and its application log. GetGlobal() makes it on first use;
// the program makes it during static construction, so it is ready before main. At
// static destruction it closes the log (footer) and then saves the settings; the object
// itself is never freed, so threads still running at exit read valid settings, and lines
// logged after the close are dropped.
#pragma once
#include <cstdarg>

#include "core/log/app_log.h"
#include "core/log/logger.h"
#include "core/options/options.h"

class CGlobal : public ILogger, public COptions {
public:
    CGlobal();
    // Closes the log, then saves the settings (once).
    void Shutdown();

    void Write(int level, const wchar_t* text) override;
    void LogV(int level, const wchar_t* format, va_list args) override;

    CAppLog& AppLog() { return log_; }

private:
    CAppLog log_;
    bool shutDown_ = false;
};

CGlobal& GetGlobal();
