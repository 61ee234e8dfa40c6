#include "online/analytics/analytics_controller.h"

#include "core/log/logger.h"
#include "platform/http/http_shutdown.h"

CGeneralAnalyticsController::CGeneralAnalyticsController()
    : sender_(&CGeneralAnalyticsController::SenderThreadProc, this) {}

CGeneralAnalyticsController::~CGeneralAnalyticsController() {
    Stop();
    queue_.clear();
}

void CGeneralAnalyticsController::ShutdownSender() {
    if (CGeneralAnalyticsController* controller = PeekInstance()) controller->Stop();
}

void CGeneralAnalyticsController::Stop() {
    if (!sender_.joinable()) return;
    std::unique_lock lock(mutex_);
    stop_ = true;
    wake_.notify_all();
    if (!left_.wait_for(lock, kAnalyticsExitBound, [this] { return senderLeft_; })) {
        // The exchange in progress is given up: the transfer aborts at its next progress
        // check instead of waiting for the transport's time-out.
        zovi::platform::SetHttpShuttingDown(true);
    }
    lock.unlock();
    sender_.join();
}

void CGeneralAnalyticsController::Push(std::shared_ptr<CGAEvent> event) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(event));
    }
    wake_.notify_one();
}

void CGeneralAnalyticsController::SenderThreadProc() {
    GetGlobalLogger().Info(L"GA Enter....");
    // OleInitialize: nothing to start here.
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !queue_.empty() || stop_; });
        if (stop_) break;
        std::shared_ptr<CGAEvent> event = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        event->Send();
        event.reset();
        lock.lock();
    }
    lock.unlock();
    GetGlobalLogger().Info(L"GA Leave....");
    lock.lock();
    senderLeft_ = true;
    left_.notify_all();
}

bool PostGAEvent(const std::string& category, const std::string& action, const std::string& label) {
    std::shared_ptr<CGAEvent> event = MakeGAEvent(category, action, label);
    CGeneralAnalyticsController::GetInstance()->Push(std::move(event));
    return true;
}
