// A recording listener that keeps everything the engine reports, for the tests.
#pragma once
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/notify/capture_notify.h"

namespace zovi::test {

class CRecordingListener : public engine::CaptureNotifyImpl {
public:
    void OnCaptureTime(int32_t seconds) override { Add(times, seconds); }
    void OnCaptureSize(int64_t bytes) override { Add(sizes, bytes); }
    void OnCaptureError(const std::wstring&) override { Add(errors, 1); }
    void OnAudioMuteChanged(bool muted) override { Add(mutes, muted); }
    void OnPauseChanged(bool paused) override { Add(pauses, paused); }
    void OnSnapshotTaken(const std::string& path, bool ok) override {
        Add(snapshots, std::make_pair(path, ok));
    }

    template <typename T>
    std::vector<T> Get(const std::vector<T>& list) {
        std::lock_guard lock(mutex_);
        return list;
    }

    std::vector<int32_t> times;
    std::vector<int64_t> sizes;
    std::vector<int> errors;
    std::vector<bool> mutes, pauses;
    std::vector<std::pair<std::string, bool>> snapshots;

private:
    template <typename T, typename V>
    void Add(std::vector<T>& list, V value) {
        std::lock_guard lock(mutex_);
        list.push_back(value);
    }
    std::mutex mutex_;
};

}  // namespace zovi::test
