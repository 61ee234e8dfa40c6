#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/deferred/at_exit.h"
#include "core/options/options_controller.h"
#include "core/deferred/on_idle.h"
#include "platform/window/message_loop.h"
#include "platform/window/process_ids.h"

namespace {

using Names = std::set<std::wstring>;

// Records each delivery; runs an optional action inside it.
class RecordingListener : public IOptionsNotificationListener {
public:
    ~RecordingListener() override = default;
    void OnOptionsEvents(const Names& names) override {
        calls.push_back(names);
        threads.push_back(std::this_thread::get_id());
        if (action) action();
    }
    std::vector<Names> calls;
    std::vector<std::thread::id> threads;
    std::function<void()> action;
};

COptionsController& Controller() { return *COptionsController::GetInstance(); }

// The delivery step of the UI thread's idle pass.
void IdlePass() { Controller().DeliverPendingEvents(); }

class OptionsEventsTest : public ::testing::Test {
protected:
    void TearDown() override {
        Controller().ClearEvents();
        RunAtExitList();  // a fresh controller for the next test
    }
};

TEST_F(OptionsEventsTest, PendingNamesArriveOnceAsOneSortedSet) {
    struct Case {
        std::vector<std::wstring> raised;
        std::vector<Names> calls;
    } cases[] = {
        {{kEventCameraClose, kEventCameraClose}, {{kEventCameraClose}}},
        {{kEventAccountLogout, kEventAccountLogin}, {{kEventAccountLogin, kEventAccountLogout}}},
        {{}, {}},
        {{kEventMustNeedLogin, kEventCameraOpened, kEventAccountNeedFlush, kEventCameraClose},
         {{kEventAccountNeedFlush, kEventCameraClose, kEventCameraOpened, kEventMustNeedLogin}}},
    };
    for (const auto& c : cases) {
        RecordingListener first, second;
        ASSERT_TRUE(Controller().AddListener(&first));
        ASSERT_TRUE(Controller().AddListener(&second));
        EXPECT_FALSE(Controller().AddListener(&first)) << "a listener registers once";
        for (const auto& name : c.raised) RaiseOptionsEvent(name);
        IdlePass();
        IdlePass();  // nothing is left for a second pass
        EXPECT_EQ(first.calls, c.calls);
        EXPECT_EQ(second.calls, c.calls);
        // Sorted order is the set's iteration order.
        if (!first.calls.empty()) {
            EXPECT_EQ(*first.calls[0].begin(), *c.calls[0].begin());
        }
    }
}

TEST_F(OptionsEventsTest, NamesRaisedOnWorkersArriveOnTheUiThreadInTheNextPass) {
    RecordingListener listener;
    Controller().AddListener(&listener);
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i)
        workers.emplace_back([i] {
            for (int n = 0; n < 50; ++n)
                RaiseOptionsEvent(i % 2 == 0 ? kEventAccountLogin : kEventCameraOpened);
        });
    for (auto& worker : workers) worker.join();
    EXPECT_TRUE(listener.calls.empty()) << "nothing arrives before the idle pass";
    IdlePass();
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(listener.calls[0], (Names{kEventAccountLogin, kEventCameraOpened}));
    EXPECT_EQ(listener.threads[0], std::this_thread::get_id());
}

TEST_F(OptionsEventsTest, RaisingWhileTheUiThreadDeliversNeverLosesAWorkersName) {
    RecordingListener listener;
    Controller().AddListener(&listener);
    std::atomic<bool> stop{false};
    std::atomic<int> raised{0};
    std::thread worker([&] {
        for (int n = 0; n < 8 || !stop; ++n) {
            RaiseOptionsEvent(L"Worker" + std::to_wstring(n % 8));
            ++raised;
        }
    });
    for (int pass = 0; pass < 200 || raised < 100; ++pass) IdlePass();
    stop = true;
    worker.join();
    IdlePass();
    Names seen;
    for (const auto& call : listener.calls) seen.insert(call.begin(), call.end());
    EXPECT_EQ(seen.size(), 8u);
}

TEST_F(OptionsEventsTest, NamesRaisedDuringDeliveryAreDropped) {
    RecordingListener echo;
    echo.action = [] { RaiseOptionsEvent(kEventCameraClose); };
    RecordingListener other;
    Controller().AddListener(&echo);
    Controller().AddListener(&other);
    RaiseOptionsEvent(kEventCameraOpened);
    IdlePass();
    IdlePass();
    EXPECT_EQ(echo.calls, (std::vector<Names>{{kEventCameraOpened}}));
    EXPECT_EQ(other.calls, (std::vector<Names>{{kEventCameraOpened}})) << "the echo reaches nobody";
}

TEST_F(OptionsEventsTest, ListenersMadeOrDestroyedDuringDeliveryAreSafe) {
    auto victim = std::make_unique<RecordingListener>();
    std::unique_ptr<RecordingListener> late;
    RecordingListener killer;
    killer.action = [&] {
        if (victim) victim.reset();  // destroyed before its turn
        if (!late) {
            late = std::make_unique<RecordingListener>();
            EXPECT_TRUE(Controller().AddListener(late.get()));
        }
    };
    Controller().AddListener(&killer);
    Controller().AddListener(victim.get());
    RaiseOptionsEvent(kEventAccountLogout);
    IdlePass();
    ASSERT_NE(late, nullptr);
    EXPECT_TRUE(late->calls.empty()) << "added during the pass: not called in it";
    RaiseOptionsEvent(kEventAccountLogin);
    IdlePass();
    EXPECT_EQ(late->calls, (std::vector<Names>{{kEventAccountLogin}}));
    EXPECT_EQ(killer.calls.size(), 2u);
}

TEST_F(OptionsEventsTest, ADestroyedListenerLeavesTheList) {
    RecordingListener stays;
    Controller().AddListener(&stays);
    {
        RecordingListener gone;
        Controller().AddListener(&gone);
    }
    RaiseOptionsEvent(kEventCameraOpened);
    IdlePass();  // under ASan, a call to the destroyed listener would be reported
    EXPECT_EQ(stays.calls.size(), 1u);
    RunAtExitList();
    { RecordingListener afterExit; }  // no controller to leave: nothing happens
    EXPECT_EQ(COptionsController::PeekInstance(), nullptr);
}

// The UI thread's idle pass: the deferred calls, then the named events.
class IdlePassHandler : public CIdleHandler {
public:
    BOOL OnIdle() override {
        COnIdleHandler::Run();
        Controller().DeliverPendingEvents();
        return FALSE;
    }
};

TEST_F(OptionsEventsTest, AMessageLoopDeliversWorkerEventsInItsIdlePass) {
    RecordingListener listener;
    std::vector<std::wstring> order;
    listener.action = [&] { PostQuitMessage(0); };
    Controller().AddListener(&listener);
    CMessageLoop loop;
    IdlePassHandler idle;
    loop.AddIdleHandler(&idle);
    const DWORD uiThread = GetCurrentThreadId();
    const UINT_PTR safety = SetTimer(0, 0, 30000, nullptr);  // a thread timer: the loop never hangs
    std::thread worker([&] {
        PostToUiThread([&] { order.push_back(L"deferred call"); });
        RaiseOptionsEvent(kEventCameraClose);
        RaiseOptionsEvent(kEventAccountLogin);
        RaiseOptionsEvent(kEventCameraClose);
        PostThreadMessageW(uiThread, WM_USER, 0, 0);
    });
    worker.join();
    loop.Run();
    KillTimer(0, safety);
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(listener.calls[0], (Names{kEventAccountLogin, kEventCameraClose}));
    EXPECT_EQ(listener.threads[0], std::this_thread::get_id());
    EXPECT_EQ(order, std::vector<std::wstring>{L"deferred call"}) << "deferred calls run first in the pass";
}

}  // namespace
