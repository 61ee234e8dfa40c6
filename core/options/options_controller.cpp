#include "core/options/options_controller.h"

#include <algorithm>
#include <mutex>

IOptionsNotificationListener::~IOptionsNotificationListener() {
    // After the controller is gone (at exit) there is no list to leave.
    if (COptionsController* controller = COptionsController::PeekInstance())
        controller->RemoveListener(this);
}

bool COptionsController::AddListener(IOptionsNotificationListener* listener) {
    std::lock_guard guard(lock_);
    for (const auto& entry : listeners_)
        if (entry.first == listener) return false;
    listeners_.emplace_back(listener, nextSerial_++);
    return true;
}

void COptionsController::RemoveListener(IOptionsNotificationListener* listener) {
    std::lock_guard guard(lock_);
    std::erase_if(listeners_, [listener](const auto& entry) { return entry.first == listener; });
}

void COptionsController::RaiseEvent(const std::wstring& name) {
    std::lock_guard guard(lock_);
    if (delivering_ == std::this_thread::get_id()) return;  // a listener's echo
    pending_.insert(name);
}

void COptionsController::ClearEvents() {
    std::lock_guard guard(lock_);
    pending_.clear();
}

void COptionsController::DeliverPendingEvents() {
    std::set<std::wstring> names;
    std::vector<std::pair<IOptionsNotificationListener*, std::uint64_t>> registered;
    {
        std::lock_guard guard(lock_);
        if (pending_.empty() || delivering_ != std::thread::id()) return;
        names.swap(pending_);
        registered = listeners_;
        delivering_ = std::this_thread::get_id();
    }
    // Listeners run without the lock: they may take other locks, or wait for a thread
    // that raises a name.
    for (const auto& entry : registered) {
        {
            // A listener removed by an earlier one in this pass is not called.
            std::lock_guard guard(lock_);
            if (std::find(listeners_.begin(), listeners_.end(), entry) == listeners_.end()) continue;
        }
        entry.first->OnOptionsEvents(names);
    }
    std::lock_guard guard(lock_);
    delivering_ = std::thread::id();
}

void RaiseOptionsEvent(const std::wstring& name) { COptionsController::GetInstance()->RaiseEvent(name); }
