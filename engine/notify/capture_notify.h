// What a recording reports to its listeners, and the multicaster that passes each call
// on to any number of weakly held listeners.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zovi::engine {

class ICaptureNotify {
public:
    virtual ~ICaptureNotify() = default;
    virtual void OnCaptureTime(int32_t seconds) = 0;  // elapsed whole seconds
    virtual void OnCaptureSize(int64_t bytes) = 0;    // bytes handed to the muxer
    virtual void OnCaptureReserved() = 0;             // never raised by the engine
    virtual void OnCaptureError(const std::wstring& text) = 0;
    virtual void OnAudioMuteChanged(bool muted) = 0;
    virtual void OnPauseChanged(bool paused) = 0;
    virtual void OnSnapshotTaken(const std::string& path, bool ok) = 0;  // UTF-8 path
};

// Empty bodies, so a listener overrides only what it needs.
class CaptureNotifyImpl : public ICaptureNotify {
public:
    void OnCaptureTime(int32_t) override {}
    void OnCaptureSize(int64_t) override {}
    void OnCaptureReserved() override {}
    void OnCaptureError(const std::wstring&) override {}
    void OnAudioMuteChanged(bool) override {}
    void OnPauseChanged(bool) override {}
    void OnSnapshotTaken(const std::string&, bool) override {}
};

// Calls every live listener, in the order added, synchronously on the caller's thread.
// Listeners are never removed; a dead one is skipped. Thread-safe: adding while calls
// are forwarded is fine, and no listener runs under the list's lock.
class OvCaptureNotifyDelegate : public std::enable_shared_from_this<OvCaptureNotifyDelegate>,
                                public CaptureNotifyImpl {
public:
    void AddListener(std::weak_ptr<ICaptureNotify> listener);
    size_t ListenerCount() const;  // every entry ever added, live or not

    void OnCaptureTime(int32_t seconds) override;
    void OnCaptureSize(int64_t bytes) override;
    void OnCaptureReserved() override;
    void OnCaptureError(const std::wstring& text) override;
    void OnAudioMuteChanged(bool muted) override;
    void OnPauseChanged(bool paused) override;
    void OnSnapshotTaken(const std::string& path, bool ok) override;

private:
    template <typename Call>
    void ForEach(Call&& call);

    mutable std::mutex mutex_;
    std::vector<std::weak_ptr<ICaptureNotify>> listeners_;
};

}  // namespace zovi::engine
