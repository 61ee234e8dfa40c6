// The local online service: the contract's own replies, the session cookie, scripted
// replies and stalls that a test's end always releases.
#include <gtest/gtest.h>
#include <json/json.h>

#include <future>
#include <sstream>

#include "online/tests/rest_test_service.h"
#include "platform/base/utf8.h"
#include "platform/http/http_session.h"
#include "platform/http/xml_http_request.h"

namespace {

using namespace std::chrono_literals;
using zovi::platform::CXmlHttpRequest;
using zovi::testing::CTestRestService;
using zovi::testing::RestAccount;
using zovi::testing::RestReply;

struct Reply {
    int32_t status = 0;
    std::string body;
    Json::Value json;
};

Reply Post(const std::string& url, const std::string& body = "{}\n") {
    Reply reply;
    auto request = CXmlHttpRequest::Create();
    if (!request || request->Open(L"POST", zovi::platform::Utf8ToWide(url)) != S_OK ||
        request->Send(zovi::platform::Utf8ToWide(body)) != S_OK) {
        return reply;
    }
    std::vector<uint8_t> bytes;
    request->GetStatus(reply.status);
    request->GetResponseBody(bytes);
    reply.body.assign(bytes.begin(), bytes.end());
    std::istringstream text(reply.body);
    Json::CharReaderBuilder reader;
    std::string errors;
    Json::parseFromStream(reader, text, &reply.json, &errors);
    return reply;
}

class RestServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Cookies in memory only, and none left from another test.
        zovi::platform::SetHttpCookieFile("");
        RestAccount account;
        account.pwdDigest = "0123456789abcdef0123456789abcdef";
        account.devices = {{"d1", "Desk", 1700000000000, 0}, {"d2", "Laptop", 1700000001000, 0}};
        service_.SetAccount(account);
        ASSERT_TRUE(service_.Start());
    }
    std::string Url(const std::string& call) { return service_.BaseUrl() + "/v1/app/" + call; }

    CTestRestService service_;
};

TEST_F(RestServiceTest, AnswersTheContractAndKnowsWhoIsSignedIn) {
    const std::string login = "{\"account\":\"tester@example.com\",\"pwd\":\"0123456789abcdef0123456789abcdef\"}\n";
    const struct {
        const char* name;
        std::string call;
        std::string body;
        int code;
        const char* dataMember;  // a member "data" must have; "" for no "data"
    } cases[] = {
        {"update before sign-in", "update", "{}\n", 0, "update"},
        {"wechat url", "wechatUrl", "{}\n", 0, "qId"},
        {"auth code", "getAuthCode", "{}\n", 0, ""},
        {"event", "event", "{}\n", 0, ""},
        {"user info signed out", "userInfo", "{}\n", CTestRestService::kNotSignedInCode, ""},
        {"device check signed out", "checkDevice", "{}\n", CTestRestService::kNotSignedInCode, ""},
        {"wrong password", "login", "{\"account\":\"tester@example.com\",\"pwd\":\"x\"}\n",
         CTestRestService::kWrongPasswordCode, ""},
        {"login", "login", login, 0, "createTime"},
        {"user info", "userInfo", "{}\n", 0, "listDevs"},
        {"device check", "checkDevice", "{}\n", 0, ""},
        {"kick one device", "kickDevice", "{\"devIds\":[\"d1\"]}\n", 0, ""},
        {"logout", "logout", "{}\n", 0, ""},
        {"user info after logout", "userInfo", "{}\n", CTestRestService::kNotSignedInCode, ""},
        {"sign-in by scan", "wechatState", "{\"qId\":\"q1\"}\n", 0, "uid"},
        {"user info after scan", "userInfo", "{}\n", 0, "account"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reply reply = Post(Url(c.call), c.body);
        EXPECT_EQ(reply.status, 200);
        ASSERT_TRUE(reply.json.isObject()) << reply.body;
        EXPECT_EQ(reply.json["code"].asInt(), c.code);
        EXPECT_EQ(reply.json["success"].asBool(), c.code == 0);
        EXPECT_TRUE(reply.json["msg"].isString());
        EXPECT_EQ(reply.json.isMember("data"), *c.dataMember != 0);
        if (*c.dataMember != 0) {
            EXPECT_TRUE(reply.json["data"].isMember(c.dataMember));
        }
    }
    // The device list lost the removed device.
    const Json::Value devices = Post(Url("userInfo")).json["data"]["listDevs"];
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0]["id"].asString(), "d2");
    EXPECT_EQ(devices[0]["lastTime"].asInt64(), 1700000001000);

    // Forgotten sessions are signed out; unknown calls and other methods are not found.
    service_.ForgetSessions();
    EXPECT_EQ(Post(Url("userInfo")).json["code"].asInt(), CTestRestService::kNotSignedInCode);
    EXPECT_EQ(Post(Url("nothing")).status, 404);
    EXPECT_EQ(Post(service_.BaseUrl() + "/elsewhere").status, 404);
    EXPECT_EQ(Post(Url("update"), "not json").status, 400);
}

TEST_F(RestServiceTest, ScriptedRepliesComeBeforeTheContract) {
    service_.SetReply("/v1/app/update", RestReply(500, "broken", "text/plain"));
    service_.QueueReply("/v1/app/update", RestReply(200, CTestRestService::Envelope(7, false, "once", "[1]")));
    const Reply queued = Post(Url("update"));
    EXPECT_EQ(queued.body, "{\"code\":7,\"msg\":\"once\",\"success\":false,\"data\":[1]}");
    const Reply fixed = Post(Url("update"));
    EXPECT_EQ(fixed.status, 500);
    EXPECT_EQ(fixed.body, "broken");
    EXPECT_EQ(Post(Url("update")).status, 500);
    service_.ClearReplies();
    EXPECT_TRUE(Post(Url("update")).json["data"]["update"].isNull());
    EXPECT_EQ(service_.RequestsTo("/v1/app/update").size(), 4u);
}

TEST_F(RestServiceTest, StallsHoldUntilReleasedAndNeverOutliveTheService) {
    service_.SetReply("/v1/app/event", RestReply(200, "{}").Stalled());
    auto first = std::async(std::launch::async, [this] { return Post(Url("event")).status; });
    auto second = std::async(std::launch::async, [this] { return Post(Url("event")).status; });
    ASSERT_TRUE(service_.WaitForStalled(2, 30s));
    EXPECT_EQ(service_.MaxInFlight(), 2u);
    service_.ReleaseStalls();
    EXPECT_EQ(first.get(), 200);
    EXPECT_EQ(second.get(), 200);

    // A stall still held when the service ends is released by its end.
    std::future<int32_t> held;
    {
        CTestRestService ending;
        ASSERT_TRUE(ending.Start());
        ending.SetReply("/v1/app/event", RestReply(200, "{}").Stalled());
        const std::string url = ending.BaseUrl() + "/v1/app/event";
        held = std::async(std::launch::async, [url] { return Post(url).status; });
        ASSERT_TRUE(ending.WaitForStalled(1, 30s));
    }
    held.get();
}

TEST(RestServiceTlsTest, ServesHttpsWithItsOwnCa) {
    CTestRestService service(true);
    ASSERT_TRUE(service.Start());
    EXPECT_EQ(service.BaseUrl().rfind("https://127.0.0.1:", 0), 0u);
    zovi::platform::SetHttpCaFileForTesting(service.CaFile());
    const Reply reply = Post(service.BaseUrl() + "/v1/app/update");
    zovi::platform::SetHttpCaFileForTesting("");
    EXPECT_EQ(reply.status, 200);
    EXPECT_TRUE(reply.json["success"].asBool());
    const auto requests = service.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body, "{}\n");
}

}  // namespace
