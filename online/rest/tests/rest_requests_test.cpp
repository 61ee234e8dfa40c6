// Every request type against the local online service: the exact bytes and headers that
// go out, and what the service's sign-in makes of the password digest.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/global/global.h"
#include "online/analytics/ga_event.h"
#include "online/rest/password_digest.h"
#include "online/rest/post_requests.h"
#include "online/rest/tests/rest_test_support.h"
#include "online/tests/rest_test_service.h"
#include "platform/base/utf8.h"

namespace {

using zovi::testing::CDeliveryLog;
using zovi::testing::CRecordingListener;
using zovi::testing::CTestRestService;
using zovi::testing::RestRequest;

using RequestMaker = std::function<std::shared_ptr<CommonPostRequestBase>(const RestListener&)>;

constexpr const char* kCommon = R"("api":1,"appid":0,"channel":"",)";

class RestRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        zovi::testing::UsePrivateHomeInEnglish();
        ASSERT_TRUE(service_.Start());
        service_.UseAsApiBase();
    }

    // Runs the request as its thread would and returns what the service received.
    RestRequest Send(const RequestMaker& make, const std::string& path) {
        const size_t before = service_.RequestsTo(path).size();
        auto request = make(listener_);
        request->Execute();
        request->OnResponse();
        const std::vector<RestRequest> received = service_.RequestsTo(path);
        EXPECT_EQ(received.size(), before + 1);
        return received.empty() ? RestRequest() : received.back();
    }

    CTestRestService service_;
    std::shared_ptr<CDeliveryLog> log_ = std::make_shared<CDeliveryLog>();
    RestListener listener_ = std::make_shared<CRecordingListener>(log_, CRecordingListener::Mode::kDirect);
};

struct BodyCase {
    const char* name;
    RequestMaker make;
    std::string path;
    std::string body;      // "<pwd>" stands for the digest of `password`
    std::string password;  // the password the body's digest is of
};

// Members sorted by byte order, no white space, non-ASCII text as \uXXXX, one LF.
TEST_F(RestRequestTest, EveryRequestPostsItsExactBodyWithTheThreeHeadersInOrder) {
    const std::string common = kCommon;
    const std::string tail = R"("lang":"en-US","platform":0)";
    const std::vector<BodyCase> cases = {
        {"sign-in",
         [](const RestListener& l) {
             return std::make_shared<CPostReqLogin>("A", "secret", 0, "D", std::string("H"), l);
         },
         "/v1/app/login",
         R"({"account":"A",)" + common + R"("deviceId":"D","deviceName":"H",)" + tail + R"(,"pwd":"<pwd>","t":0})",
         "secret"},
        {"QR sign-in address",
         [](const RestListener& l) { return std::make_shared<CPostReqWechatLoginUrl>("D", l); },
         "/v1/app/wechatUrl", "{" + common + R"("deviceId":"D",)" + tail + "}", ""},
        {"QR sign-in state",
         [](const RestListener& l) {
             return std::make_shared<CPostReqWechatLoginState>("D", "H", std::string("Q"), l);
         },
         "/v1/app/wechatState", "{" + common + R"("deviceId":"D","deviceName":"H",)" + tail + R"(,"qId":"Q"})", ""},
        {"user info", [](const RestListener& l) { return std::make_shared<CPostReqUserInfo>(l); },
         "/v1/app/userInfo", "{" + common + tail + "}", ""},
        {"version check", [](const RestListener& l) { return std::make_shared<CPostReqCheckVersion>(l); },
         "/v1/app/update", "{" + common + tail + "}", ""},
        {"sign-out", [](const RestListener& l) { return std::make_shared<CPostReqLogOff>(l); }, "/v1/app/logout",
         "{" + common + tail + "}", ""},
        {"device check",
         [](const RestListener& l) { return std::make_shared<CPostReqCheckDevice>("D", std::string("H"), l); },
         "/v1/app/checkDevice", "{" + common + R"("devId":"D","devName":"H",)" + tail + "}", ""},
        {"device check, non-ASCII name",
         [](const RestListener& l) {
             return std::make_shared<CPostReqCheckDevice>("D", std::string("Zovi录屏😀"), l);
         },
         "/v1/app/checkDevice",
         "{" + common + R"("devId":"D","devName":"Zovi\u5f55\u5c4f\ud83d\ude00",)" + tail + "}", ""},
        {"device removal, two ids in order",
         [](const RestListener& l) {
             return std::make_shared<CPostReqKickoffDevice>(std::vector<std::string>{"b", "a"}, l);
         },
         "/v1/app/kickDevice", "{" + common + R"("devIds":["b","a"],)" + tail + "}", ""},
        {"device removal, no ids",
         [](const RestListener& l) {
             return std::make_shared<CPostReqKickoffDevice>(std::vector<std::string>{}, l);
         },
         "/v1/app/kickDevice", "{" + common + tail + "}", ""},
        {"code for a new account",
         [](const RestListener& l) {
             return std::make_shared<CPostReqGetAuthCode>("A", kAuthCodeNewAccount, l);
         },
         "/v1/app/getAuthCode", R"({"account":"A",)" + common + tail + R"(,"type":1})", ""},
        {"code for a password reset",
         [](const RestListener& l) {
             return std::make_shared<CPostReqGetAuthCode>("A", kAuthCodeResetPassword, l);
         },
         "/v1/app/getAuthCode", R"({"account":"A",)" + common + tail + R"(,"type":3})", ""},
        {"new account",
         [](const RestListener& l) {
             return std::make_shared<CPostReqNewAccount>("A", "secret", std::string("C"), true, l);
         },
         "/v1/app/newUser",
         R"({"account":"A",)" + common + R"("code":"C","isEmail":true,)" + tail + R"(,"pwd":"<pwd>"})", "secret"},
        {"password reset",
         [](const RestListener& l) {
             return std::make_shared<CPostReqResetPwd>("A", "newer", std::string("C"), false, l);
         },
         "/v1/app/resetPwd",
         R"({"account":"A",)" + common + R"("code":"C","isEmail":false,)" + tail + R"(,"pwd":"<pwd>"})", "newer"},
        {"analytics event",
         [](const RestListener&) {
             return std::make_shared<CPostReqGAEvent>(L"{\"a\":\"click\",\"v\":\"1.1.5\"}\n");
         },
         "/v1/app/event", R"({"a":"click","v":"1.1.5"})", ""},
    };
    for (const BodyCase& row : cases) {
        SCOPED_TRACE(row.name);
        std::string expected = row.body;
        if (const size_t at = expected.find("<pwd>"); at != std::string::npos)
            expected.replace(at, 5, HashPassword(row.password));
        expected += "\n";
        const RestRequest received = Send(row.make, row.path);
        EXPECT_EQ(received.method, "POST");
        EXPECT_EQ(received.target, row.path);
        EXPECT_EQ(received.body, expected);
        std::vector<std::string> ours;
        for (const std::string& name : received.HeaderNames())
            if (name == "Cache-Control" || name == "Content-Type" || name == "If-Modified-Since") ours.push_back(name);
        EXPECT_EQ(ours, (std::vector<std::string>{"Cache-Control", "Content-Type", "If-Modified-Since"}));
        EXPECT_EQ(received.Header("Cache-Control"), "no-cache");
        EXPECT_EQ(received.Header("Content-Type"), "application/json");
        EXPECT_EQ(received.Header("If-Modified-Since"), "0");
    }
}

// "lang" is the interface language of the options, whichever it is.
TEST_F(RestRequestTest, TheLanguageMemberFollowsTheOptions) {
    for (const wchar_t* lang : {L"zh-CN", L"en-US"}) {
        GetGlobal().lang = lang;
        const std::wstring expected =
            LR"({"api":1,"appid":0,"channel":"","lang":")" + std::wstring(lang) + LR"(","platform":0})" L"\n";
        EXPECT_EQ(CPostReqLogOff(listener_).GetBody(), expected);
    }
}

// The digest is 32 lower-case hex digits, the same for one password in every request
// that carries it, and a different one for another password.
TEST(PasswordDigest, IsStableLowerCaseHexAndDependsOnThePassword) {
    const std::string digest = HashPassword("secret");
    EXPECT_THAT(digest, ::testing::MatchesRegex("[0-9a-f]{32}"));
    EXPECT_EQ(HashPassword("secret"), digest);
    EXPECT_NE(HashPassword("secret2"), digest);
    EXPECT_NE(HashPassword(""), digest);
    // Not the bare MD5 of the password: the salt takes part.
    EXPECT_NE(digest, "5ebe2294ecd0e0f08eab7690d2a6ee69");
}

// The service checks the digest as it knows it: the right password signs in (and the
// user comes back with the account sent), a wrong one is refused with the service's text.
TEST_F(RestRequestTest, TheServiceAcceptsTheDigestOfTheRightPasswordOnly) {
    zovi::testing::RestAccount account = service_.Account();
    account.pwdDigest = HashPassword("right password");
    service_.SetAccount(account);
    for (const auto& [password, accepted] :
         std::vector<std::pair<const char*, bool>>{{"right password", true}, {"wrong password", false}}) {
        SCOPED_TRACE(password);
        auto listener = std::make_shared<CRecordingListener>(log_, CRecordingListener::Mode::kDirect);
        CPostReqLogin request(account.account.c_str(), password, 0, "D", "H", listener);
        EXPECT_TRUE(request.Execute());
        EXPECT_TRUE(request.OnResponse());
        const auto deliveries = log_->All();
        ASSERT_FALSE(deliveries.empty());
        const auto& got = deliveries.back();
        EXPECT_EQ(got.operation, "OnLogin");
        EXPECT_EQ(got.result.success, accepted);
        if (accepted) {
            EXPECT_EQ(got.user.uid, account.uid);
            EXPECT_EQ(got.user.account, account.account);
            EXPECT_EQ(got.user.nick, account.nick);
            EXPECT_EQ(got.user.createTime, account.createTime);
        } else {
            EXPECT_EQ(got.result.code, CTestRestService::kWrongPasswordCode);
            EXPECT_FALSE(got.result.msg.empty());
            EXPECT_EQ(got.user.uid, 0);
            EXPECT_TRUE(got.user.account.empty());
        }
    }
}

}  // namespace
