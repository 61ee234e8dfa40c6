#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "app/idle_delegate.h"
#include "core/deferred/at_exit.h"
#include "core/deferred/on_idle.h"
#include "platform/base/thread.h"
#include "platform/window/message_loop.h"
#include "platform/window/process_ids.h"

namespace {

// Posts from a worker thread, as producers do.
void PostFromWorker(std::function<void()> call) {
    zovi::platform::StartThread([call = std::move(call)] { PostToUiThread(call); }).join();
}

constexpr UINT kCheck = WM_USER + 1;

// Notes each message the loop handles, with whether the deferred call had run by then.
struct Recorder : CMessageFilter {
    BOOL PreTranslateMessage(MSG* msg) override {
        seen.push_back({msg->message, *ran});
        return FALSE;
    }
    std::vector<std::pair<UINT, int>> seen;
    const int* ran = nullptr;
};

// Runs after the delegate in each idle pass and drives the next step of the script.
struct Script : CIdleHandler {
    BOOL OnIdle() override {
        if (step < static_cast<int>(steps.size())) steps[step++]();
        return FALSE;
    }
    std::vector<std::function<void()>> steps;
    int step = 0;
};

TEST(IdleRuleTest, DeferredCallsRunAfterTheNextNonNeutralMessageOnceTheQueueIsEmpty) {
    int ran = 0;
    std::vector<int> order;
    CMessageLoop loop;
    COnIdleHadlerDelegate delegate;
    Recorder recorder;
    recorder.ran = &ran;
    Script script;
    loop.AddMessageFilter(&delegate);
    loop.AddMessageFilter(&recorder);
    loop.AddIdleHandler(&delegate);
    loop.AddIdleHandler(&script);
    UINT_PTR timer = 0;
    script.steps = {
        // First idle pass: a call is queued, then only idle-neutral messages come.
        [&] {
            PostFromWorker([&] { ++ran; });
            PostMessageW(0, WM_MOUSEMOVE, 0, 0);
            PostMessageW(0, WM_NCMOUSEMOVE, 0, 0);
            PostMessageW(0, WM_PAINT, 0, 0);
            PostMessageW(0, WM_SYSTIMER, 0, 0);
            // Something must end the wait that follows: a worker posts a message later.
            zovi::platform::StartThread([tid = GetCurrentThreadId()] {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                PostThreadMessageW(tid, kCheck, 0, 0);
            }).detach();
        },
        // After kCheck: the call ran in this pass. Now a timer tick is the only message.
        [&] {
            EXPECT_EQ(ran, 1);
            PostFromWorker([&] { ++ran; });
            timer = SetTimer(0, 0, 20, nullptr);
        },
        // After the tick: calls run first in, first out, including one posted meanwhile.
        [&] {
            KillTimer(0, timer);
            EXPECT_EQ(ran, 2);
            for (int i = 0; i < 3; ++i) {
                PostFromWorker([&, i] {
                    order.push_back(i);
                    if (i == 0) PostToUiThread([&] { order.push_back(3); });
                });
            }
            PostMessageW(0, WM_USER + 2, 0, 0);
        },
        [&] { PostQuitMessage(0); },
    };
    EXPECT_EQ(loop.Run(), 0);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    // Nothing ran while only neutral messages came; the check and the tick let it run.
    std::vector<std::pair<UINT, int>> expected = {
        {WM_MOUSEMOVE, 0}, {WM_NCMOUSEMOVE, 0}, {WM_PAINT, 0}, {WM_SYSTIMER, 0},
        {kCheck, 0},       {WM_TIMER, 1},       {WM_USER + 2, 2},
    };
    EXPECT_EQ(recorder.seen, expected);
    RunAtExitList();
}

}  // namespace
