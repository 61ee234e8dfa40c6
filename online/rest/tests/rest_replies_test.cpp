// What listeners get for every kind of reply, good and hostile, run as the request thread
// runs it and through the controller's own threads: the result of each outcome, typed
// reads of "data", no crash and no thread left behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "online/rest/post_requests.h"
#include "online/rest/rest_api_controller.h"
#include "online/rest/tests/rest_test_support.h"
#include "online/tests/rest_test_service.h"
#include "platform/http/http_session.h"

namespace {

using namespace std::chrono_literals;
using zovi::testing::CDeliveryLog;
using zovi::testing::CRecordingListener;
using zovi::testing::CTestRestService;
using zovi::testing::RestDelivery;
using zovi::testing::RestReply;

enum class Kind { kLogin, kWechatState, kUserInfo, kCheckVersion, kLogOff };

struct KindInfo {
    const char* path;
    const char* operation;
};

KindInfo InfoOf(Kind kind) {
    switch (kind) {
        case Kind::kLogin: return {"/v1/app/login", "OnLogin"};
        case Kind::kWechatState: return {"/v1/app/wechatState", "OnWechatLoginState"};
        case Kind::kUserInfo: return {"/v1/app/userInfo", "OnUserInfo"};
        case Kind::kCheckVersion: return {"/v1/app/update", "OnCheckVersion"};
        case Kind::kLogOff: return {"/v1/app/logout", "OnLogOff"};
    }
    return {};
}

std::shared_ptr<CommonPostRequestBase> Make(Kind kind, const RestListener& listener) {
    switch (kind) {
        case Kind::kLogin: return std::make_shared<CPostReqLogin>("A", "secret", 0, "D", std::string("H"), listener);
        case Kind::kWechatState:
            return std::make_shared<CPostReqWechatLoginState>("D", "H", std::string("Q"), listener);
        case Kind::kUserInfo: return std::make_shared<CPostReqUserInfo>(listener);
        case Kind::kCheckVersion: return std::make_shared<CPostReqCheckVersion>(listener);
        case Kind::kLogOff: return std::make_shared<CPostReqLogOff>(listener);
    }
    return nullptr;
}

RestReply Reply(int status, std::string body) {
    RestReply reply;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

// A good envelope around `data`.
RestReply Data(const std::string& data) { return Reply(200, CTestRestService::Envelope(0, true, "ok", data)); }

struct ReplyCase {
    const char* name;
    Kind kind;
    RestReply reply;
    bool executed;  // what Execute returns
    int32_t status;
    int32_t code;
    bool success;
    std::string msg;  // a regular expression for the whole text
    Json::ValueType data;
    // Checks the record; none: the record is empty.
    std::function<void(const RestDelivery&)> record;
};

void ExpectEmptyRecords(const RestDelivery& got) {
    EXPECT_EQ(got.user.uid, 0);
    EXPECT_EQ(got.user.account, "");
    EXPECT_EQ(got.user.nick, "");
    EXPECT_EQ(got.user.avatar, "");
    EXPECT_EQ(got.user.createTime, 0);
    EXPECT_TRUE(got.devices.empty());
    EXPECT_EQ(got.update.low_usable_version, 0u);
    EXPECT_EQ(got.update.last_version, 0u);
    EXPECT_EQ(got.update.last_version_text, "");
    EXPECT_EQ(got.update.app_url, "");
    EXPECT_EQ(got.update.update_info, "");
    EXPECT_EQ(got.wechatUser.uid, 0);
    EXPECT_EQ(got.wechatUser.nick, "");
}

std::vector<ReplyCase> Cases() {
    const std::string notJson = "";  // msg of a reply that is no envelope
    const std::string timedOut = "错误码: 80072EE2,.*";
    std::string deep(100000, '[');
    RestReply stalled = Reply(200, CTestRestService::Envelope(0, true, "late", ""));
    stalled.stall = true;
    RestReply cut = Reply(200, CTestRestService::Envelope(0, true, "cut short", R"({"nick":"N"})"));
    cut.closeEarly = true;
    RestReply chunked = Data(R"({"uid":7,"nick":"N"})");
    chunked.chunked = true;
    return {
        {"status 404", Kind::kUserInfo, Reply(404, "{}"), false, 404, -1, false, "", Json::nullValue, nullptr},
        {"status 500", Kind::kLogOff, Reply(500, CTestRestService::Envelope(0, true, "ok", "")), false, 500, -1,
         false, "", Json::nullValue, nullptr},
        {"status 201 with an envelope", Kind::kUserInfo, Reply(201, CTestRestService::Envelope(0, true, "ok", "{}")),
         false, 201, -1, false, "", Json::nullValue, nullptr},
        {"not JSON", Kind::kUserInfo, Reply(200, "not json"), false, 200, -1, false, notJson, Json::nullValue, nullptr},
        {"empty body", Kind::kLogin, Reply(200, ""), false, 200, -1, false, notJson, Json::nullValue, nullptr},
        {"root a number", Kind::kUserInfo, Reply(200, "123"), false, 200, -1, false, notJson, Json::nullValue,
         nullptr},
        {"root an array", Kind::kUserInfo, Reply(200, "[]"), false, 200, -1, false, notJson, Json::nullValue, nullptr},
        {"root a string", Kind::kCheckVersion, Reply(200, R"("x")"), false, 200, -1, false, notJson, Json::nullValue,
         nullptr},
        {"nesting past any limit", Kind::kUserInfo, Reply(200, deep), false, 200, -1, false, notJson, Json::nullValue,
         nullptr},
        {"envelope without data", Kind::kUserInfo, Reply(200, R"({"code":0,"success":true,"msg":"ok"})"), true, 200,
         0, true, "ok", Json::nullValue, nullptr},
        {"empty envelope", Kind::kLogOff, Reply(200, "{}"), true, 200, 0, false, "", Json::nullValue, nullptr},
        {"code as text", Kind::kLogOff, Reply(200, R"({"code":"7","success":false,"msg":"m"})"), true, 200, 0, false,
         "m", Json::nullValue, nullptr},
        {"code past 32 bits", Kind::kLogOff, Reply(200, R"({"code":4294967296,"success":false,"msg":"m"})"), true,
         200, 0, false, "m", Json::nullValue, nullptr},
        {"msg an object", Kind::kLogOff, Reply(200, R"({"code":3,"success":false,"msg":{}})"), true, 200, 3, false,
         "", Json::nullValue, nullptr},
        {"success as text", Kind::kUserInfo, Reply(200, R"({"code":0,"success":"yes","msg":"","data":{"uid":1}})"),
         true, 200, 0, false, "", Json::objectValue, nullptr},
        {"refused sign-in", Kind::kLogin,
         Reply(200, CTestRestService::Envelope(1001, false, "密码错误", R"({"uid":5,"nick":"N"})")), true, 200, 1001,
         false, "密码错误", Json::objectValue, nullptr},
        {"invalid UTF-8 in msg", Kind::kLogOff, Reply(200, "{\"code\":0,\"success\":true,\"msg\":\"a\xff\"}"), true,
         200, 0, true, "a\xEF\xBF\xBD", Json::nullValue, nullptr},
        {"data a string", Kind::kUserInfo, Data(R"("text")"), true, 200, 0, true, "ok", Json::stringValue, nullptr},
        {"data an array", Kind::kLogin, Data(R"([{"uid":5}])"), true, 200, 0, true, "ok", Json::arrayValue, nullptr},
        {"data a number", Kind::kCheckVersion, Data("5"), true, 200, 0, true, "ok", Json::intValue, nullptr},
        {"data a boolean", Kind::kWechatState, Data("true"), true, 200, 0, true, "ok", Json::booleanValue, nullptr},
        {"data null", Kind::kUserInfo, Data("null"), true, 200, 0, true, "ok", Json::nullValue, nullptr},
        {"full user info", Kind::kUserInfo,
         Data(R"({"uid":42,"account":"a@b.c","nick":"Nick","avatar":"http://x/a.png","createTime":1600000000123,)"
              R"("listDevs":[{"id":"d1","name":"PC","lastTime":1700000000000,"platform":1},)"
              R"({"id":"d2","name":"Mac","lastTime":5,"platform":2}]})"),
         true, 200, 0, true, "ok", Json::objectValue,
         [](const RestDelivery& got) {
             EXPECT_EQ(got.user.uid, 42);
             EXPECT_EQ(got.user.account, "a@b.c");
             EXPECT_EQ(got.user.nick, "Nick");
             EXPECT_EQ(got.user.avatar, "http://x/a.png");
             EXPECT_EQ(got.user.createTime, 1600000000123);
             ASSERT_EQ(got.devices.size(), 2u);
             EXPECT_EQ(got.devices[0].id, "d1");
             EXPECT_EQ(got.devices[0].name, "PC");
             EXPECT_EQ(got.devices[0].lastTime, 1700000000000);
             EXPECT_EQ(got.devices[0].platform, 1);
             EXPECT_EQ(got.devices[1].id, "d2");
         }},
        {"uid as text", Kind::kUserInfo, Data(R"({"uid":"42","nick":"N","createTime":"5","account":7})"), true, 200,
         0, true, "ok", Json::objectValue,
         [](const RestDelivery& got) {
             EXPECT_EQ(got.user.uid, 0);
             EXPECT_EQ(got.user.nick, "N");
             EXPECT_EQ(got.user.createTime, 0);
             EXPECT_EQ(got.user.account, "");
         }},
        {"sign-in uid past 2^31 kept in 64 bits", Kind::kLogin, Data(R"({"uid":3000000000,"nick":"N"})"), true, 200,
         0, true, "ok", Json::objectValue,
         [](const RestDelivery& got) {
             EXPECT_EQ(got.user.uid, 3000000000);
             EXPECT_EQ(got.user.account, "A");  // the account sent
             EXPECT_EQ(got.user.nick, "N");
         }},
        {"sign-in uid past 64 bits", Kind::kLogin, Data(R"({"uid":18446744073709551615,"nick":"N"})"), true, 200, 0,
         true, "ok", Json::objectValue,
         [](const RestDelivery& got) {
             EXPECT_EQ(got.user.uid, 0);
             EXPECT_EQ(got.user.nick, "N");
         }},
        {"QR sign-in uid past 2^31 is absent", Kind::kWechatState,
         Data(R"({"uid":3000000000,"nick":"N","avatar":"V"})"), true, 200, 0, true, "ok", Json::objectValue,
         [](const RestDelivery& got) {
             EXPECT_EQ(got.wechatUser.uid, 0);
             EXPECT_EQ(got.wechatUser.nick, "N");
             EXPECT_EQ(got.wechatUser.avatar, "V");
         }},
        {"QR sign-in uid in range", Kind::kWechatState, Data(R"({"uid":2147483647})"), true, 200, 0, true, "ok",
         Json::objectValue, [](const RestDelivery& got) { EXPECT_EQ(got.wechatUser.uid, 2147483647); }},
        {"device list elements that are not objects", Kind::kUserInfo,
         Data(R"({"uid":1,"listDevs":[1,"x",null,[],{"id":5,"name":"n","lastTime":"7","platform":1.5},)"
              R"({"id":"ok","name":"N","lastTime":9,"platform":3}]})"),
         true, 200, 0, true, "ok", Json::objectValue,
         [](const RestDelivery& got) {
             EXPECT_EQ(got.user.uid, 1);
             ASSERT_EQ(got.devices.size(), 2u);
             EXPECT_EQ(got.devices[0].id, "");  // wrong kinds read as absent
             EXPECT_EQ(got.devices[0].name, "n");
             EXPECT_EQ(got.devices[0].lastTime, 0);
             EXPECT_EQ(got.devices[0].platform, 0);
             EXPECT_EQ(got.devices[1].id, "ok");
             EXPECT_EQ(got.devices[1].platform, 3);
         }},
        {"device list not an array", Kind::kUserInfo, Data(R"({"uid":1,"nick":"N","listDevs":{}})"), true, 200, 0,
         true, "ok", Json::objectValue,
         [](const RestDelivery& got) {
             EXPECT_EQ(got.user.nick, "N");
             EXPECT_TRUE(got.devices.empty());
         }},
        {"no update", Kind::kCheckVersion, Data(R"({"update":null})"), true, 200, 0, true, "ok", Json::objectValue,
         nullptr},
        {"update a number", Kind::kCheckVersion, Data(R"({"update":5})"), true, 200, 0, true, "ok", Json::objectValue,
         nullptr},
        {"full update", Kind::kCheckVersion,
         Data(R"({"update":{"low_usable_version":1001000,"last_version":18446744073709551615,)"
              R"("last_version_text":"1.2.0","app_url":"https://x/setup.exe","update_info":"新功能"}})"),
         true, 200, 0, true, "ok", Json::objectValue,
         [](const RestDelivery& got) {
             EXPECT_EQ(got.update.low_usable_version, 1001000u);
             EXPECT_EQ(got.update.last_version, 18446744073709551615u);
             EXPECT_EQ(got.update.last_version_text, "1.2.0");
             EXPECT_EQ(got.update.app_url, "https://x/setup.exe");
             EXPECT_EQ(got.update.update_info, "新功能");
         }},
        {"negative versions", Kind::kCheckVersion,
         Data(R"({"update":{"low_usable_version":-1,"last_version":-5,"last_version_text":"x"}})"), true, 200, 0,
         true, "ok", Json::objectValue,
         [](const RestDelivery& got) {
             EXPECT_EQ(got.update.low_usable_version, 0u);
             EXPECT_EQ(got.update.last_version, 0u);
             EXPECT_EQ(got.update.last_version_text, "x");
         }},
        {"chunked reply", Kind::kWechatState, chunked, true, 200, 0, true, "ok", Json::objectValue,
         [](const RestDelivery& got) {
             EXPECT_EQ(got.wechatUser.uid, 7);
             EXPECT_EQ(got.wechatUser.nick, "N");
         }},
        {"reply cut short", Kind::kUserInfo, cut, false, 0, -1, false, "错误码: 80072EFE,.*", Json::nullValue,
         nullptr},
        {"stalled reply", Kind::kUserInfo, stalled, false, 0, -1, false, timedOut, Json::nullValue, nullptr},
    };
}

void ExpectDelivery(const ReplyCase& row, const RestDelivery& got) {
    EXPECT_EQ(got.operation, InfoOf(row.kind).operation);
    EXPECT_EQ(got.result.status, row.status);
    EXPECT_EQ(got.result.code, row.code);
    EXPECT_EQ(got.result.success, row.success);
    EXPECT_THAT(got.result.msg, ::testing::MatchesRegex(row.msg));
    EXPECT_EQ(got.result.data.type(), row.data);
    if (row.record) {
        row.record(got);
    } else {
        ExpectEmptyRecords(got);
    }
}

class RestReplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        zovi::testing::UsePrivateHomeInEnglish();
        // A stalled reply ends by the transport's stall time-out; shortened for the test.
        zovi::platform::SetHttpTimeoutsForTesting(10000, 1500);
        ASSERT_TRUE(service_.Start());
        service_.UseAsApiBase();
    }
    void TearDown() override { zovi::platform::SetHttpTimeoutsForTesting(60000, 60000); }

    CTestRestService service_;
    std::shared_ptr<CDeliveryLog> log_ = std::make_shared<CDeliveryLog>();
    RestListener listener_ = std::make_shared<CRecordingListener>(log_, CRecordingListener::Mode::kDirect);
};

// As the request thread runs a request: Execute, then OnResponse.
TEST_F(RestReplyTest, EveryReplyGivesItsResultAndRecord) {
    for (const ReplyCase& row : Cases()) {
        SCOPED_TRACE(row.name);
        service_.ClearReplies();
        service_.SetReply(InfoOf(row.kind).path, row.reply);
        const size_t before = log_->All().size();
        auto request = Make(row.kind, listener_);
        EXPECT_EQ(request->Execute(), row.executed);
        EXPECT_TRUE(request->OnResponse());
        const auto deliveries = log_->All();
        ASSERT_EQ(deliveries.size(), before + 1);
        ExpectDelivery(row, deliveries.back());
    }
}

// The same replies through the controller: each result reaches the listener on the UI
// thread through the deferred-call queue, and every request thread ends.
TEST_F(RestReplyTest, EveryReplyReachesTheUiThreadThroughTheController) {
    auto listener = std::make_shared<CRecordingListener>(log_, CRecordingListener::Mode::kDeferred);
    for (const ReplyCase& row : Cases()) {
        SCOPED_TRACE(row.name);
        service_.ClearReplies();
        service_.SetReply(InfoOf(row.kind).path, row.reply);
        const size_t before = log_->All().size();
        ASSERT_TRUE(CRestAPIController::GetInstance()->PostRequest(Make(row.kind, listener)));
        ASSERT_TRUE(zovi::testing::RunUiLoopUntil([&] { return log_->All().size() > before; }, 30s));
        const RestDelivery got = log_->All().back();
        EXPECT_EQ(got.thread, std::this_thread::get_id());
        ExpectDelivery(row, got);
        EXPECT_TRUE(CRestAPIController::WaitForRequestThreads(30s));
    }
}

// A host nobody listens on: the transport's failure text, status 0.
TEST_F(RestReplyTest, AnUnreachableHostGivesTheTransportErrorText) {
    std::string closedBase;
    {
        CTestRestService gone;
        ASSERT_TRUE(gone.Start());
        closedBase = gone.BaseUrl();
    }
    setenv("ZOVI_API_BASE", closedBase.c_str(), 1);
    CPostReqUserInfo request(listener_);
    EXPECT_FALSE(request.Execute());
    EXPECT_EQ(request.GetResult().status, 0);
    EXPECT_EQ(request.GetResult().code, -1);
    EXPECT_FALSE(request.GetResult().success);
    EXPECT_EQ(request.GetResult().msg, "错误码: 80072EFD,A connection with the server could not be established.");
    EXPECT_TRUE(request.GetResult().data.isNull());
    EXPECT_TRUE(request.OnResponse());
    ASSERT_EQ(log_->All().size(), 1u);
    EXPECT_EQ(log_->All()[0].result.msg, request.GetResult().msg);
}

}  // namespace
