// The analytics sender against the local service: events posted from several threads go
// out one at a time with the event's members alone; a stalled service never holds the
// poster; failed exchanges lose only their event; the controller's end waits for the
// exchange in progress, but a stalled one no longer than its bound.
#include <gtest/gtest.h>

#include <json/reader.h>
#include <json/value.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/deferred/at_exit.h"
#include "online/account/account_context.h"
#include "online/analytics/analytics_controller.h"
#include "online/tests/rest_test_service.h"
#include "platform/http/http_session.h"
#include "platform/http/http_shutdown.h"

namespace {

using namespace std::chrono_literals;
using zovi::testing::CTestRestService;
using zovi::testing::RestReply;
using zovi::testing::RestRequest;

constexpr const char* kEventPath = "/v1/app/event";

Json::Value ParseObject(const std::string& text) {
    Json::Value root;
    Json::Reader reader;
    if (!reader.parse(text, root) || !root.isObject()) return Json::Value();
    return root;
}

// The labels of the recorded events, in arrival order.
std::vector<std::string> Labels(const std::vector<RestRequest>& requests) {
    std::vector<std::string> labels;
    for (const RestRequest& request : requests) labels.push_back(ParseObject(request.body)["l"].asString());
    return labels;
}

class AnalyticsSenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        zovi::platform::InitHttpLibrary();
        zovi::platform::SetHttpShuttingDown(false);
        ASSERT_TRUE(service_.Start());
        service_.UseAsApiBase();
    }
    void TearDown() override {
        EndController();
        zovi::platform::SetHttpShuttingDown(false);
    }

    // The program's end for the singletons: the controller is destroyed (and with it the
    // sender); the next post makes a new one.
    static void EndController() { RunAtExitList(); }

    static RestReply Reply() {
        RestReply reply;
        reply.body = CTestRestService::Envelope(0, true, "ok", "");
        return reply;
    }
    static RestReply Stalled() {
        RestReply reply = Reply();
        reply.stall = true;
        return reply;
    }

    CTestRestService service_;
};

// Four threads post at once: every event arrives, one exchange at a time, each thread's
// events in the order posted, each body exactly the built event's JSON text.
TEST_F(AnalyticsSenderTest, EventsFromSeveralThreadsArriveOneAtATimeWithTheEventMembers) {
    RestReply slow = Reply();
    slow.delay = 20ms;  // a window in which a second exchange would show
    service_.SetReply(kEventPath, slow);
    constexpr int kThreads = 4, kEach = 5;
    std::atomic<int> ready{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([t, &ready] {
            ++ready;
            while (ready < kThreads) std::this_thread::yield();
            for (int i = 0; i < kEach; ++i) {
                EXPECT_TRUE(PostGAEvent("thread" + std::to_string(t), "click", std::to_string(i)));
            }
        });
    }
    for (std::thread& poster : posters) poster.join();
    ASSERT_TRUE(service_.WaitForRequests(kThreads * kEach, 60s));

    const std::vector<RestRequest> requests = service_.Requests();
    ASSERT_EQ(requests.size(), size_t(kThreads * kEach));
    EXPECT_EQ(service_.MaxInFlight(), 1u);
    const std::string runId = CAccountContextController::GetInstance()->runId;
    const std::set<std::string> members = {"a", "c", "cc", "d", "l", "s", "sv", "t", "u", "v"};
    std::vector<int> next(kThreads, 0);
    for (const RestRequest& request : requests) {
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.target, kEventPath);
        EXPECT_EQ(request.Header("Content-Type"), "application/json");
        EXPECT_EQ(request.Header("Cache-Control"), "no-cache");
        EXPECT_EQ(request.Header("If-Modified-Since"), "0");
        const Json::Value event = ParseObject(request.body);
        ASSERT_TRUE(event.isObject()) << request.body;
        std::set<std::string> names;
        for (const std::string& name : event.getMemberNames()) {
            names.insert(name);
            EXPECT_TRUE(event[name].isString()) << name;
        }
        EXPECT_EQ(names, members) << request.body;  // no common members
        EXPECT_EQ(event["s"].asString(), runId);
        EXPECT_EQ(event["a"].asString(), "click");
        // The text as the event makes it, byte for byte.
        std::string expected;
        ASSERT_TRUE(MakeGAEvent(event["c"].asString(), "click", event["l"].asString())->Serialize(expected));
        EXPECT_EQ(request.body, expected);
        const int thread = std::stoi(event["c"].asString().substr(6));
        ASSERT_TRUE(thread >= 0 && thread < kThreads);
        EXPECT_EQ(event["l"].asString(), std::to_string(next[thread]++)) << "thread " << thread;
    }
}

// While the service holds the first event, posting goes on at once; once the service
// answers again, the held-back events follow in the order posted.
TEST_F(AnalyticsSenderTest, StalledServiceNeverHoldsThePoster) {
    service_.SetReply(kEventPath, Stalled());
    ASSERT_TRUE(PostGAEvent("toolbar", "click", "0"));
    ASSERT_TRUE(service_.WaitForStalled(1, 30s));
    for (int i = 1; i < 10; ++i) EXPECT_TRUE(PostGAEvent("toolbar", "click", std::to_string(i)));
    // Every post returned while the first exchange was still held.
    EXPECT_TRUE(service_.WaitForStalled(1, 0ms));
    EXPECT_EQ(service_.Requests().size(), 1u);

    service_.SetReply(kEventPath, Reply());
    service_.ReleaseStalls();
    ASSERT_TRUE(service_.WaitForRequests(10, 60s));
    const std::vector<std::string> inOrder = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    EXPECT_EQ(Labels(service_.Requests()), inOrder);
    EXPECT_EQ(service_.MaxInFlight(), 1u);
}

// A failed exchange loses its event and nothing else: the next one is still sent.
TEST_F(AnalyticsSenderTest, FailedExchangesLoseOnlyTheirEvent) {
    RestReply closed = Reply();
    closed.closeEarly = true;
    RestReply error = Reply();
    error.status = 500;
    RestReply notJson = Reply();
    notJson.body = "not json";
    RestReply notFound = Reply();
    notFound.status = 404;
    for (const RestReply& reply : {closed, error, notJson, notFound}) service_.QueueReply(kEventPath, reply);
    service_.SetReply(kEventPath, Reply());
    const std::vector<std::string> labels = {"closed", "error", "notJson", "notFound", "fine"};
    for (const std::string& label : labels) EXPECT_TRUE(PostGAEvent("setting", "click", label));
    ASSERT_TRUE(service_.WaitForRequests(labels.size(), 60s));
    EXPECT_EQ(Labels(service_.Requests()), labels);
}

// The two ends of the sender: the program's exit step before the transport's flag, and
// the controller's destruction by the at-exit list.
class AnalyticsSenderEndTest : public AnalyticsSenderTest, public ::testing::WithParamInterface<bool> {
protected:
    void End() {
        if (GetParam()) {
            CGeneralAnalyticsController::ShutdownSender();
            // Posting after it still returns at once; the event is never sent.
            EXPECT_TRUE(PostGAEvent("tray", "click", "late"));
        }
        EndController();
    }
};

INSTANTIATE_TEST_SUITE_P(Ends, AnalyticsSenderEndTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& end) {
                             return end.param ? std::string("ShutdownSender") : std::string("AtExitList");
                         });

// An end with an exchange in progress: a reply that comes is waited for (the transfer is
// not aborted) and the events still queued are dropped unsent.
TEST_P(AnalyticsSenderEndTest, EndWaitsForTheExchangeInProgressAndDropsTheQueue) {
    RestReply late = Reply();
    late.delay = 100ms;
    service_.SetReply(kEventPath, late);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(PostGAEvent("toolbar", "click", std::to_string(i)));
    ASSERT_TRUE(service_.WaitForRequests(1, 30s));
    End();
    EXPECT_FALSE(zovi::platform::IsHttpShuttingDown());
    EXPECT_EQ(Labels(service_.Requests()), std::vector<std::string>{"0"});
}

// An end while the service stalls: the exchange is given up after the bound through the
// transport's shutting-down flag, long before the transport's own time-out.
TEST_P(AnalyticsSenderEndTest, EndWhileTheServiceStallsReturnsAfterTheBound) {
    service_.SetReply(kEventPath, Stalled());
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(PostGAEvent("toolbar", "click", std::to_string(i)));
    ASSERT_TRUE(service_.WaitForStalled(1, 30s));
    const auto start = std::chrono::steady_clock::now();
    End();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, kAnalyticsExitBound - 50ms);  // the exchange had its time
    EXPECT_LT(took, 30s);                         // the transport's time-out is 60 s
    EXPECT_TRUE(zovi::platform::IsHttpShuttingDown());
    EXPECT_EQ(Labels(service_.Requests()), std::vector<std::string>{"0"});
}

}  // namespace
