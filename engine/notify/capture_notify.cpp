#include "engine/notify/capture_notify.h"

namespace zovi::engine {

void OvCaptureNotifyDelegate::AddListener(std::weak_ptr<ICaptureNotify> listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    listeners_.push_back(std::move(listener));
}

size_t OvCaptureNotifyDelegate::ListenerCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return listeners_.size();
}

template <typename Call>
void OvCaptureNotifyDelegate::ForEach(Call&& call) {
    std::vector<std::weak_ptr<ICaptureNotify>> listeners;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        listeners = listeners_;
    }
    for (const auto& weak : listeners) {
        if (auto listener = weak.lock()) call(*listener);
    }
}

void OvCaptureNotifyDelegate::OnCaptureTime(int32_t seconds) {
    ForEach([&](ICaptureNotify& l) { l.OnCaptureTime(seconds); });
}
void OvCaptureNotifyDelegate::OnCaptureSize(int64_t bytes) {
    ForEach([&](ICaptureNotify& l) { l.OnCaptureSize(bytes); });
}
void OvCaptureNotifyDelegate::OnCaptureReserved() {
    ForEach([](ICaptureNotify& l) { l.OnCaptureReserved(); });
}
void OvCaptureNotifyDelegate::OnCaptureError(const std::wstring& text) {
    ForEach([&](ICaptureNotify& l) { l.OnCaptureError(text); });
}
void OvCaptureNotifyDelegate::OnAudioMuteChanged(bool muted) {
    ForEach([&](ICaptureNotify& l) { l.OnAudioMuteChanged(muted); });
}
void OvCaptureNotifyDelegate::OnPauseChanged(bool paused) {
    ForEach([&](ICaptureNotify& l) { l.OnPauseChanged(paused); });
}
void OvCaptureNotifyDelegate::OnSnapshotTaken(const std::string& path, bool ok) {
    ForEach([&](ICaptureNotify& l) { l.OnSnapshotTaken(path, ok); });
}

}  // namespace zovi::engine
