#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/notify/capture_notify.h"
#include "platform/base/thread.h"

namespace zovi::engine {
namespace {

// Writes one entry per call into a shared journal: "<id>:<slot>(<args>)".
class JournalListener : public ICaptureNotify {
public:
    JournalListener(std::string id, std::vector<std::string>& journal)
        : id_(std::move(id)), journal_(journal) {}
    void OnCaptureTime(int32_t s) override { Note("time(" + std::to_string(s) + ")"); }
    void OnCaptureSize(int64_t b) override { Note("size(" + std::to_string(b) + ")"); }
    void OnCaptureReserved() override { Note("reserved()"); }
    void OnCaptureError(const std::wstring& t) override {
        Note("error(" + std::to_string(t.size()) + ")");
    }
    void OnAudioMuteChanged(bool m) override { Note(std::string("mute(") + (m ? "1" : "0") + ")"); }
    void OnPauseChanged(bool p) override { Note(std::string("pause(") + (p ? "1" : "0") + ")"); }
    void OnSnapshotTaken(const std::string& path, bool ok) override {
        Note("snap(" + path + "," + (ok ? "1" : "0") + ")");
    }

private:
    void Note(const std::string& what) { journal_.push_back(id_ + ":" + what); }
    std::string id_;
    std::vector<std::string>& journal_;
};

TEST(CaptureNotify, EverySlotReachesLiveListenersInOrderAndSkipsDeadOnes) {
    auto delegate = std::make_shared<OvCaptureNotifyDelegate>();
    std::vector<std::string> journal;
    auto a = std::make_shared<JournalListener>("a", journal);
    auto b = std::make_shared<JournalListener>("b", journal);
    auto c = std::make_shared<JournalListener>("c", journal);
    delegate->AddListener(a);
    delegate->AddListener(b);
    delegate->AddListener(c);
    b.reset();  // gone before any call

    ICaptureNotify& notify = *delegate;
    notify.OnCaptureTime(3);
    notify.OnCaptureSize(1LL << 40);
    notify.OnCaptureReserved();
    notify.OnCaptureError(L"");
    notify.OnAudioMuteChanged(true);
    notify.OnPauseChanged(false);
    notify.OnSnapshotTaken("/tmp/录屏.png", true);

    const std::vector<std::string> expected{"a:time(3)",
                                            "c:time(3)",
                                            "a:size(1099511627776)",
                                            "c:size(1099511627776)",
                                            "a:reserved()",
                                            "c:reserved()",
                                            "a:error(0)",
                                            "c:error(0)",
                                            "a:mute(1)",
                                            "c:mute(1)",
                                            "a:pause(0)",
                                            "c:pause(0)",
                                            "a:snap(/tmp/录屏.png,1)",
                                            "c:snap(/tmp/录屏.png,1)"};
    EXPECT_EQ(journal, expected);
    EXPECT_EQ(delegate->ListenerCount(), 3u);  // the dead entry stays
}

TEST(CaptureNotify, AcrossRecordingsOnlyTheLiveToolbarsHear) {
    auto delegate = std::make_shared<OvCaptureNotifyDelegate>();
    std::vector<std::string> journal;
    std::shared_ptr<JournalListener> current;
    for (int recording = 0; recording < 4; ++recording) {
        current = std::make_shared<JournalListener>(std::to_string(recording), journal);
        delegate->AddListener(current);
    }
    delegate->OnCaptureTime(1);
    EXPECT_EQ(delegate->ListenerCount(), 4u);
    EXPECT_EQ(journal, std::vector<std::string>{"3:time(1)"});
}

// A listener that adds another listener from inside a call: no deadlock.
class ReentrantListener : public CaptureNotifyImpl {
public:
    explicit ReentrantListener(OvCaptureNotifyDelegate& delegate) : delegate_(delegate) {}
    void OnPauseChanged(bool) override {
        extra_ = std::make_shared<CaptureNotifyImpl>();
        delegate_.AddListener(extra_);
    }

private:
    OvCaptureNotifyDelegate& delegate_;
    std::shared_ptr<CaptureNotifyImpl> extra_;
};

TEST(CaptureNotify, AListenerMayAddListenersWhileBeingCalled) {
    auto delegate = std::make_shared<OvCaptureNotifyDelegate>();
    auto listener = std::make_shared<ReentrantListener>(*delegate);
    delegate->AddListener(listener);
    delegate->OnPauseChanged(true);
    EXPECT_EQ(delegate->ListenerCount(), 2u);
}

class CountingListener : public CaptureNotifyImpl {
public:
    void OnCaptureTime(int32_t) override { calls.fetch_add(1, std::memory_order_relaxed); }
    std::atomic<int> calls{0};
};

TEST(CaptureNotify, AddingWhileAnotherThreadForwardsIsSafe) {
    auto delegate = std::make_shared<OvCaptureNotifyDelegate>();
    auto first = std::make_shared<CountingListener>();
    delegate->AddListener(first);
    constexpr int kCalls = 10000;
    std::thread forwarder = platform::StartThread([&] {
        for (int i = 0; i < kCalls; ++i) delegate->OnCaptureTime(i);
    });
    std::vector<std::shared_ptr<CountingListener>> added;
    for (int i = 0; i < 200; ++i) {
        added.push_back(std::make_shared<CountingListener>());
        delegate->AddListener(added.back());
        if (i % 3 == 0) added.front().reset();  // some die while being called
    }
    forwarder.join();
    EXPECT_EQ(first->calls.load(), kCalls);
    EXPECT_EQ(delegate->ListenerCount(), 201u);
}

}  // namespace
}  // namespace zovi::engine
