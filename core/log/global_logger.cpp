#include <mutex>
#include <shared_mutex>

#include "core/log/logger.h"

namespace {

// Forwards to the current target; drops lines when there is none (before the log is
// opened, after it was closed at exit).
class CGlobalLogger : public ILogger {
public:
    void Write(int level, const wchar_t* text) override {
        std::shared_lock lock(lock_);
        if (target_) target_->Write(level, text);
    }
    void LogV(int level, const wchar_t* format, va_list args) override {
        std::shared_lock lock(lock_);
        if (target_) target_->LogV(level, format, args);
    }
    void SetTarget(ILogger* target) {
        std::unique_lock lock(lock_);
        target_ = target;
    }

private:
    std::shared_mutex lock_;
    ILogger* target_ = nullptr;
};

// Never destroyed: code running during static destruction may still log.
CGlobalLogger& Instance() {
    static auto* logger = new CGlobalLogger;
    return *logger;
}

}  // namespace

ILogger& GetGlobalLogger() { return Instance(); }

void SetGlobalLogTarget(ILogger* target) { Instance().SetTarget(target); }
