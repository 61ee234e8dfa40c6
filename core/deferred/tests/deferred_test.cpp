#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/deferred/at_exit.h"
#include "core/deferred/on_idle.h"
#include "core/deferred/singleton.h"
#include "platform/base/thread.h"

namespace {

std::vector<std::string>& Trace() {
    static std::vector<std::string> trace;
    return trace;
}

template <char Name>
class CTraced : public CSingletonT<CTraced<Name>> {
public:
    CTraced() { Trace().push_back(std::string("make ") + Name); }
    ~CTraced() { Trace().push_back(std::string("drop ") + Name); }
};

// Its destructor reaches a singleton that was destroyed before it.
class CLateUser : public CSingletonT<CLateUser> {
public:
    CLateUser() { Trace().push_back("make L"); }
    ~CLateUser() {
        Trace().push_back("drop L");
        CTraced<'A'>::GetInstance();
    }
};

class DeferredTest : public ::testing::Test {
protected:
    void SetUp() override {
        RunAtExitList();
        Trace().clear();
    }
    void TearDown() override { RunAtExitList(); }
};

TEST_F(DeferredTest, AtExitDestroysInCreationOrder) {
    CTraced<'A'>::GetInstance();
    CTraced<'B'>::GetInstance();
    CTraced<'C'>::GetInstance();
    CTraced<'B'>::GetInstance();  // an existing instance is not made again
    RunAtExitList();
    EXPECT_EQ(Trace(), (std::vector<std::string>{"make A", "make B", "make C", "drop A", "drop B",
                                                  "drop C"}));
    EXPECT_EQ(CTraced<'A'>::PeekInstance(), nullptr);
}

TEST_F(DeferredTest, SingletonRemadeDuringShutdownIsDestroyedInTheSamePass) {
    CTraced<'A'>::GetInstance();
    CLateUser::GetInstance();
    RunAtExitList();
    EXPECT_EQ(Trace(), (std::vector<std::string>{"make A", "make L", "drop A", "drop L", "make A",
                                                  "drop A"}));
    EXPECT_EQ(CTraced<'A'>::PeekInstance(), nullptr);
}

TEST_F(DeferredTest, ConcurrentGettersMakeOneInstance) {
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    std::vector<CTraced<'Z'>*> seen(8);
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.push_back(zovi::platform::StartThread([&, i] {
            while (!go) std::this_thread::yield();
            seen[i] = CTraced<'Z'>::GetInstance();
        }));
    }
    go = true;
    for (auto& t : threads) t.join();
    for (auto* p : seen) EXPECT_EQ(p, seen[0]);
    EXPECT_EQ(Trace(), std::vector<std::string>{"make Z"});
}

TEST_F(DeferredTest, PostedCallsRunInOrderIncludingOnesPostedDuringThePass) {
    std::vector<int> order;
    auto post = [](std::function<void()> f) { PostToUiThread(std::move(f)); };
    post([&] {
        order.push_back(1);
        post([&] { order.push_back(4); });
    });
    post([&] { order.push_back(2); });
    post([&] { order.push_back(3); });
    COnIdleHandler::GetInstance()->Run();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
    order.clear();
    COnIdleHandler::GetInstance()->Run();  // an empty queue does nothing
    EXPECT_TRUE(order.empty());
}

TEST_F(DeferredTest, CallsFromThreadsRunInPostingOrder) {
    std::vector<int> order;
    for (int i = 0; i < 3; ++i) {
        // Each thread posts only after the one before it has posted.
        zovi::platform::StartThread([&order, i] { PostToUiThread([&order, i] { order.push_back(i); }); })
            .join();
    }
    COnIdleHandler::GetInstance()->Run();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST_F(DeferredTest, ReferencesKeepACallAliveAndReleaseFreesIt) {
    auto sentinel = std::make_shared<int>(0);
    auto* kept = new COnIdleLambda(kGenericLambdaProcedure, [sentinel] { ++*sentinel; });
    kept->AddRef();  // the producer keeps it
    COnIdleHandler::GetInstance()->Post(kept);
    PostToUiThread([sentinel] { ++*sentinel; });
    EXPECT_EQ(sentinel.use_count(), 3);
    COnIdleHandler::GetInstance()->Run();
    EXPECT_EQ(*sentinel, 2);
    EXPECT_EQ(sentinel.use_count(), 2);  // the unkept call is gone
    EXPECT_EQ(kept->GetName(), L"GenericLambdaProcedure");
    kept->Release();
    EXPECT_EQ(sentinel.use_count(), 1);
}

TEST_F(DeferredTest, QueuedCallsAreReleasedUnrunAtShutdownAndLatePostsAreDropped) {
    auto sentinel = std::make_shared<int>(0);
    PostToUiThread([sentinel] { ++*sentinel; });
    COnIdleHandler* handler = COnIdleHandler::GetInstance();
    RunAtExitList();
    EXPECT_EQ(*sentinel, 0);
    EXPECT_EQ(sentinel.use_count(), 1);
    // A worker that still holds the old pointer posts into the closed queue.
    handler->Post(new COnIdleLambda(kGenericLambdaProcedure, [sentinel] { ++*sentinel; }));
    EXPECT_EQ(sentinel.use_count(), 1);
}

TEST_F(DeferredTest, EmptyCallableThrowsBadFunctionCall) {
    COnIdleLambda call(kGenericLambdaProcedure, nullptr);
    EXPECT_THROW(call.Execute(), std::bad_function_call);
}

TEST_F(DeferredTest, WorkersPostingThroughShutdownNeverTouchFreedMemory) {
    COnIdleHandler::GetInstance();
    std::atomic<bool> stop{false};
    std::atomic<int> ran{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i) {
        workers.push_back(zovi::platform::StartThread([&] {
            while (!stop) {
                if (COnIdleHandler* handler = COnIdleHandler::PeekInstance()) {
                    handler->Post(new COnIdleLambda(kGenericLambdaProcedure, [&] { ++ran; }));
                }
            }
        }));
    }
    for (int round = 0; round < 50; ++round) {
        COnIdleHandler::GetInstance()->Run();
        RunAtExitList();
    }
    stop = true;
    for (auto& t : workers) t.join();
    RunAtExitList();
    SUCCEED() << ran.load() << " calls ran";
}

}  // namespace
