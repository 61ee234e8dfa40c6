// The controller's request threads: several at once, a listener that goes away while its
// request runs, the offline case, and the program's exit while a reply stalls.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/deferred/on_idle.h"
#include "online/rest/post_requests.h"
#include "online/rest/rest_api_controller.h"
#include "online/rest/tests/rest_test_support.h"
#include "online/tests/rest_test_service.h"
#include "platform/http/http_shutdown.h"

namespace {

using namespace std::chrono_literals;
using zovi::testing::CDeliveryLog;
using zovi::testing::CRecordingListener;
using zovi::testing::CTestRestService;
using zovi::testing::RestReply;

// Tells whether it was ever called, through a flag that outlives it.
class CFlagListener : public IRestAPINotification {
public:
    explicit CFlagListener(std::shared_ptr<std::atomic<int>> calls) : calls_(std::move(calls)) {}
    void OnUserInfo(const UserInfo&, const std::vector<DeviceInfo>&, const RestResult&) override { ++*calls_; }
    void OnLogin(const UserInfo&, const RestResult&) override { ++*calls_; }

private:
    std::shared_ptr<std::atomic<int>> calls_;
};

class RestControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        zovi::testing::UsePrivateHomeInEnglish();
        ASSERT_TRUE(service_.Start());
        service_.UseAsApiBase();
    }
    void TearDown() override {
        service_.ReleaseStalls();
        EXPECT_TRUE(CRestAPIController::WaitForRequestThreads(30s));
        zovi::platform::SetHttpShuttingDown(false);
    }

    static RestReply Stalled() {
        RestReply reply;
        reply.body = CTestRestService::Envelope(0, true, "late", R"({"uid":9})");
        reply.stall = true;
        return reply;
    }

    CRestAPIController& Controller() { return *CRestAPIController::GetInstance(); }

    CTestRestService service_;
    std::shared_ptr<CDeliveryLog> log_ = std::make_shared<CDeliveryLog>();
};

// Requests made back to back run at once; each listener operation is called once, on
// the UI thread, whatever order the replies come in.
TEST_F(RestControllerTest, RequestsRunAtOnceAndEachResultReachesTheUiThread) {
    auto listener = std::make_shared<CRecordingListener>(log_, CRecordingListener::Mode::kDeferred);
    ASSERT_TRUE(Controller().Login("tester@example.com", "pw", "D", "H", listener));
    ASSERT_TRUE(Controller().GetUserInfo(listener));
    ASSERT_TRUE(Controller().CheckVersion(listener));
    ASSERT_TRUE(Controller().GetAuthCode("a@b.c", kAuthCodeNewAccount, listener));
    ASSERT_TRUE(Controller().NewAccount("a@b.c", "pw", "C", true, listener));
    ASSERT_TRUE(Controller().ResetPwd("a@b.c", "pw", "C", false, listener));
    ASSERT_TRUE(Controller().GetWechatLoginState("D", "H", "Q", listener));
    ASSERT_TRUE(Controller().PostRequest(std::make_shared<CPostReqWechatLoginUrl>("D", listener)));
    ASSERT_TRUE(Controller().PostRequest(std::make_shared<CPostReqCheckDevice>("D", std::string("H"), listener)));
    ASSERT_TRUE(Controller().PostRequest(
        std::make_shared<CPostReqKickoffDevice>(std::vector<std::string>{"x"}, listener)));
    ASSERT_TRUE(Controller().LogOff(listener));
    const std::vector<std::string> expected = {"OnLogin",          "OnUserInfo",       "OnCheckVersion",
                                               "OnGetAuthCode",    "OnNewAccount",     "OnResetPwd",
                                               "OnWechatLoginState", "OnWechatLoginUrl", "OnCheckDevice",
                                               "OnKickoffDevice",  "OnLogOff"};
    ASSERT_TRUE(zovi::testing::RunUiLoopUntil([&] { return log_->All().size() >= expected.size(); }, 60s));
    std::multiset<std::string> got;
    for (const auto& delivery : log_->All()) {
        got.insert(delivery.operation);
        EXPECT_EQ(delivery.thread, std::this_thread::get_id());
        EXPECT_EQ(delivery.result.status, 200);
    }
    EXPECT_EQ(got, std::multiset<std::string>(expected.begin(), expected.end()));
    EXPECT_TRUE(CRestAPIController::WaitForRequestThreads(30s));
    EXPECT_EQ(CRestAPIController::LiveRequestThreads(), 0);
}

// A listener destroyed while its request runs gets nothing; the request is still sent,
// its reply read, and its thread ends.
TEST_F(RestControllerTest, AListenerGoneMeanwhileGetsNothing) {
    service_.SetReply("/v1/app/userInfo", Stalled());
    auto calls = std::make_shared<std::atomic<int>>(0);
    auto listener = std::make_shared<CFlagListener>(calls);
    ASSERT_TRUE(Controller().GetUserInfo(listener));
    ASSERT_TRUE(service_.WaitForStalled(1, 30s));
    listener.reset();
    service_.ReleaseStalls();
    EXPECT_TRUE(CRestAPIController::WaitForRequestThreads(30s));
    EXPECT_EQ(*calls, 0);
    EXPECT_EQ(service_.RequestsTo("/v1/app/userInfo").size(), 1u);

    // The same listener kept alive is called.
    auto kept = std::make_shared<CFlagListener>(calls);
    ASSERT_TRUE(Controller().GetUserInfo(kept));
    ASSERT_TRUE(service_.WaitForStalled(1, 30s));
    service_.ReleaseStalls();
    EXPECT_TRUE(CRestAPIController::WaitForRequestThreads(30s));
    EXPECT_EQ(*calls, 1);
}

// Offline: nothing is sent, no thread starts, the listener is never called.
TEST_F(RestControllerTest, OfflineSendsNothingAndStartsNoThread) {
    std::string closedBase;
    {
        CTestRestService gone;
        ASSERT_TRUE(gone.Start());
        closedBase = gone.BaseUrl();
    }
    auto calls = std::make_shared<std::atomic<int>>(0);
    auto listener = std::make_shared<CFlagListener>(calls);
    for (const std::string& base : {closedBase, std::string("http://unreachable.invalid")}) {
        SCOPED_TRACE(base);
        setenv("ZOVI_API_BASE", base.c_str(), 1);
        EXPECT_FALSE(Controller().Login("a", "b", "D", "H", listener));
        EXPECT_FALSE(Controller().GetUserInfo(listener));
        EXPECT_EQ(CRestAPIController::LiveRequestThreads(), 0);
    }
    COnIdleHandler::Run();
    EXPECT_EQ(*calls, 0);
    EXPECT_TRUE(service_.Requests().empty());
}

// The program's exit while replies stall: the wait ends well within its bound (the
// transfers abort), no listener is called, no thread is left, and no request starts after.
TEST_F(RestControllerTest, ExitDuringStalledRequestsReturnsWithinTheBound) {
    service_.SetReply("/v1/app/userInfo", Stalled());
    service_.SetReply("/v1/app/login", Stalled());
    auto calls = std::make_shared<std::atomic<int>>(0);
    auto listener = std::make_shared<CFlagListener>(calls);
    ASSERT_TRUE(Controller().GetUserInfo(listener));
    ASSERT_TRUE(Controller().Login("a", "b", "D", "H", listener));
    ASSERT_TRUE(service_.WaitForStalled(2, 30s));
    EXPECT_TRUE(CRestAPIController::ShutdownRequests());
    EXPECT_EQ(CRestAPIController::LiveRequestThreads(), 0);
    EXPECT_EQ(*calls, 0);
    EXPECT_FALSE(Controller().GetUserInfo(listener));
    EXPECT_EQ(CRestAPIController::LiveRequestThreads(), 0);
}

}  // namespace
