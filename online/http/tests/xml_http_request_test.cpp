// The REST transport (the XMLHTTP object, the shared session and its cookie file, the
// shutting-down flag, the connectivity probe) against the local online service.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <thread>

#include "online/http/connected_state.h"
#include "online/http/http_session_start.h"
#include "online/tests/rest_test_service.h"
#include "platform/base/utf8.h"
#include "platform/http/http_session.h"
#include "platform/http/http_shutdown.h"
#include "platform/http/tests/test_http_server.h"
#include "platform/http/xml_http_request.h"

namespace {

using namespace std::chrono_literals;
using zovi::platform::CXmlHttpRequest;
using zovi::testing::CTestRestService;
using zovi::testing::RestReply;
using Headers = std::vector<std::pair<std::wstring, std::wstring>>;

constexpr DWORD kDefaultTimeoutMs = 60000;

struct Exchange {
    HRESULT result = E_FAIL;
    int32_t status = 0;
    std::string body;
};

Exchange Send(const std::string& method, const std::string& url, const Headers& headers = {},
              const std::wstring& body = L"") {
    Exchange exchange;
    auto request = CXmlHttpRequest::Create();
    if (!request) return exchange;
    EXPECT_EQ(request->Open(zovi::platform::Utf8ToWide(method), zovi::platform::Utf8ToWide(url)), S_OK);
    for (const auto& [name, value] : headers) EXPECT_EQ(request->SetRequestHeader(name, value), S_OK);
    exchange.result = request->Send(body);
    if (SUCCEEDED(exchange.result)) {
        EXPECT_EQ(request->GetStatus(exchange.status), S_OK);
        std::vector<uint8_t> bytes;
        EXPECT_EQ(request->GetResponseBody(bytes), S_OK);
        exchange.body.assign(bytes.begin(), bytes.end());
    }
    return exchange;
}

// A port nothing listens on.
int ClosedPort() {
    int port = 0;
    close(zovi::testing::ListenOnLoopback(1, port));
    return port;
}

class XmlHttpRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/zovi-transport-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        folder_ = folder;
        cookieFile_ = folder_ + "/cookies.txt";
        zovi::platform::SetHttpCookieFile(cookieFile_);
        ASSERT_TRUE(service_.Start());
        base_ = service_.BaseUrl();
    }
    void TearDown() override {
        zovi::platform::SetHttpShuttingDown(false);
        zovi::platform::SetHttpTimeoutsForTesting(kDefaultTimeoutMs, kDefaultTimeoutMs);
        zovi::platform::SetHttpCaFileForTesting("");
        zovi::platform::SetHttpCookieFile("");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::string Login() {
        return Send("POST", base_ + "/v1/app/login", {{L"Content-Type", L"application/json"}},
                    L"{\"account\":\"tester@example.com\",\"pwd\":\"0123456789abcdef0123456789abcdef\"}\n")
            .body;
    }
    bool SignedIn() {
        const Exchange reply = Send("POST", base_ + "/v1/app/userInfo", {}, L"{}\n");
        return reply.status == 200 && reply.body.find("\"success\":true") != std::string::npos;
    }

    std::string folder_;
    std::string cookieFile_;
    CTestRestService service_;
    std::string base_;
};

TEST_F(XmlHttpRequestTest, GivesStatusAndBodyOfEveryReplyForm) {
    const std::string binary("\x00\xff\x80{\"a\":1}", 10);
    const struct {
        const char* name;
        RestReply reply;
        int32_t status;
        std::string body;
    } cases[] = {
        {"json", RestReply(200, "{\"code\":0}"), 200, "{\"code\":0}"},
        {"not found", RestReply(404, "missing", "text/plain"), 404, "missing"},
        {"server error", RestReply(500, "", "text/plain"), 500, ""},
        {"created", RestReply(201, "made"), 201, "made"},
        {"bytes kept as sent", RestReply(200, binary, "application/octet-stream"), 200, binary},
        {"chunked", RestReply(200, "first half, second half").Chunked(), 200, "first half, second half"},
        {"late", RestReply(200, "late").Delayed(200ms), 200, "late"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service_.QueueReply("/v1/app/update", c.reply);
        const Exchange reply = Send("POST", base_ + "/v1/app/update", {}, L"{}\n");
        EXPECT_EQ(reply.result, S_OK);
        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(reply.body, c.body);
    }
}

TEST_F(XmlHttpRequestTest, SendsMethodHeadersInTheGivenOrderAndAUtf8Body) {
    const Headers headers = {{L"If-Modified-Since", L"0"},
                             {L"Content-Type", L"application/json"},
                             {L"Cache-Control", L"no-cache"},
                             {L"X-Empty", L""}};
    const std::wstring body = L"{\"nick\":\"Zovi录屏 é\"}\n";
    ASSERT_EQ(Send("POST", base_ + "/v1/app/event", headers, body).status, 200);
    const auto requests = service_.RequestsTo("/v1/app/event");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, "{\"nick\":\"Zovi\xE5\xBD\x95\xE5\xB1\x8F \xC3\xA9\"}\n");
    EXPECT_EQ(requests[0].Header("Content-Length"), std::to_string(requests[0].body.size()));
    EXPECT_FALSE(requests[0].HasHeader("Expect"));
    std::vector<std::string> ours;
    for (const std::string& name : requests[0].HeaderNames()) {
        if (name == "If-Modified-Since" || name == "Content-Type" || name == "Cache-Control" || name == "X-Empty") {
            ours.push_back(name);
        }
    }
    EXPECT_EQ(ours, (std::vector<std::string>{"If-Modified-Since", "Content-Type", "Cache-Control", "X-Empty"}));
    EXPECT_EQ(requests[0].Header("X-Empty"), "");

    // Other methods, and a GET without a body.
    ASSERT_EQ(Send("PUT", base_ + "/v1/app/put", {}, L"x").status, 404);
    ASSERT_EQ(Send("GET", base_ + "/v1/app/get").status, 404);
    const auto all = service_.Requests();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[1].method, "PUT");
    EXPECT_EQ(all[1].body, "x");
    EXPECT_EQ(all[2].method, "GET");
    EXPECT_EQ(all[2].body, "");
}

TEST_F(XmlHttpRequestTest, FollowsRedirectsUpToTen) {
    service_.QueueReply("/v1/app/old", RestReply(302).WithHeader("Location", "/v1/app/update"));
    const Exchange followed = Send("POST", base_ + "/v1/app/old", {}, L"{}\n");
    EXPECT_EQ(followed.result, S_OK);
    EXPECT_EQ(followed.status, 404);  // the redirect is followed with GET, like a browser
    EXPECT_EQ(service_.RequestsTo("/v1/app/update").size(), 1u);

    service_.SetReply("/v1/app/loop", RestReply(307).WithHeader("Location", "/v1/app/loop"));
    EXPECT_EQ(Send("POST", base_ + "/v1/app/loop", {}, L"{}\n").result, E_FAIL);
    // The first request and ten redirects.
    EXPECT_EQ(service_.RequestsTo("/v1/app/loop").size(), 11u);
}

TEST_F(XmlHttpRequestTest, MapsTransportFailures) {
    CTestRestService tls(true);
    ASSERT_TRUE(tls.Start());
    service_.SetReply("/v1/app/cut", RestReply(200, std::string(4000, 'x')).ClosedEarly());
    const struct {
        const char* name;
        std::string url;
        std::string caFile;
        HRESULT result;
    } cases[] = {
        {"refused", "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/v1/app/update", "",
         zovi::platform::kHttpErrorCannotConnect},
        {"unresolvable", "http://no-such-host.invalid/v1/app/update", "", zovi::platform::kHttpErrorNameNotResolved},
        {"cut short", base_ + "/v1/app/cut", "", zovi::platform::kHttpErrorConnectionAborted},
        {"untrusted certificate", tls.BaseUrl() + "/v1/app/update", "", zovi::platform::kHttpErrorInvalidCa},
        {"trusted certificate", tls.BaseUrl() + "/v1/app/update", tls.CaFile(), S_OK},
        {"TLS to a plain server", "https" + base_.substr(4) + "/v1/app/update", tls.CaFile(),
         zovi::platform::kHttpErrorSecureChannel},
        {"not a URL", "nothing://at all", "", E_FAIL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        zovi::platform::SetHttpCaFileForTesting(c.caFile);
        const Exchange reply = Send("POST", c.url, {}, L"{}\n");
        EXPECT_EQ(reply.result, c.result);
        if (c.result == S_OK) {
            EXPECT_NE(reply.body.find("\"update\":null"), std::string::npos);
        }
    }
    // Nothing was read: no status, no body.
    auto request = CXmlHttpRequest::Create();
    ASSERT_TRUE(request);
    int32_t status = 0;
    std::vector<uint8_t> body;
    EXPECT_EQ(request->Send(L""), E_UNEXPECTED);
    EXPECT_EQ(request->SetRequestHeader(L"A", L"b"), E_UNEXPECTED);
    EXPECT_EQ(request->Open(L"", L"http://127.0.0.1/"), E_INVALIDARG);
    ASSERT_EQ(request->Open(L"POST", zovi::platform::Utf8ToWide(base_ + "/v1/app/cut")), S_OK);
    EXPECT_EQ(request->SetRequestHeader(L"Bad:Name", L"b"), E_INVALIDARG);
    EXPECT_EQ(request->SetRequestHeader(L"Name", L"two\r\nlines"), E_INVALIDARG);
    EXPECT_EQ(request->Send(L""), zovi::platform::kHttpErrorConnectionAborted);
    EXPECT_EQ(request->GetStatus(status), E_UNEXPECTED);
    EXPECT_EQ(request->GetResponseBody(body), E_UNEXPECTED);
}

TEST_F(XmlHttpRequestTest, AStalledReplyEndsByTheStallTimeOut) {
    zovi::platform::SetHttpTimeoutsForTesting(kDefaultTimeoutMs, 500);
    service_.SetReply("/v1/app/update", RestReply(200, "{}").Stalled());
    EXPECT_EQ(Send("POST", base_ + "/v1/app/update", {}, L"{}\n").result, zovi::platform::kHttpErrorTimeout);
    service_.ReleaseStalls();
}

TEST_F(XmlHttpRequestTest, ShuttingDownAbortsAStalledTransferAndRefusesNewOnes) {
    service_.SetReply("/v1/app/update", RestReply(200, "{}").Stalled());
    // With the default time-outs a transfer that is not aborted would end as a time-out.
    auto pending = std::async(std::launch::async, [this] { return Send("POST", base_ + "/v1/app/update", {}, L"{}\n"); });
    ASSERT_TRUE(service_.WaitForStalled(1, 30s));
    zovi::platform::SetHttpShuttingDown(true);
    EXPECT_EQ(pending.get().result, E_FAIL);
    EXPECT_EQ(Send("POST", base_ + "/v1/app/event", {}, L"{}\n").result, E_FAIL);
    EXPECT_TRUE(service_.RequestsTo("/v1/app/event").empty());
    service_.ReleaseStalls();
    zovi::platform::SetHttpShuttingDown(false);
    EXPECT_EQ(Send("POST", base_ + "/v1/app/event", {}, L"{}\n").status, 200);
}

TEST_F(XmlHttpRequestTest, KeepsTheSessionCookieAcrossRequestsAndRestarts) {
    EXPECT_FALSE(SignedIn());
    EXPECT_NE(Login().find("\"success\":true"), std::string::npos);
    EXPECT_TRUE(SignedIn());
    const auto afterLogin = service_.RequestsTo("/v1/app/userInfo");
    ASSERT_EQ(afterLogin.size(), 2u);
    EXPECT_EQ(afterLogin[0].Header("Cookie"), "");
    EXPECT_NE(afterLogin[1].Header("Cookie").find(CTestRestService::kSessionCookie), std::string::npos);

    // The cookie file belongs to the user alone.
    struct stat facts {};
    ASSERT_EQ(stat(cookieFile_.c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 0777, 0600u);

    // A restart reads the cookie back from the file; an object made before it moves over
    // to the new session.
    auto madeBefore = CXmlHttpRequest::Create();
    ASSERT_TRUE(madeBefore);
    ASSERT_EQ(madeBefore->Open(L"POST", zovi::platform::Utf8ToWide(base_ + "/v1/app/event")), S_OK);
    ASSERT_EQ(madeBefore->Send(L"{}\n"), S_OK);
    zovi::platform::ReloadHttpSessionForTesting();
    EXPECT_TRUE(SignedIn());
    ASSERT_EQ(madeBefore->Open(L"POST", zovi::platform::Utf8ToWide(base_ + "/v1/app/userInfo")), S_OK);
    ASSERT_EQ(madeBefore->Send(L"{}\n"), S_OK);
    std::vector<uint8_t> info;
    ASSERT_EQ(madeBefore->GetResponseBody(info), S_OK);
    EXPECT_NE(std::string(info.begin(), info.end()).find("\"success\":true"), std::string::npos);

    // Without the file a restart forgets it.
    zovi::platform::SetHttpCookieFile("");
    zovi::platform::ReloadHttpSessionForTesting();
    EXPECT_FALSE(SignedIn());

    // Signing out drops the cookie from the file too.
    zovi::platform::SetHttpCookieFile(cookieFile_);
    EXPECT_TRUE(SignedIn());
    EXPECT_EQ(Send("POST", base_ + "/v1/app/logout", {}, L"{}\n").status, 200);
    zovi::platform::ReloadHttpSessionForTesting();
    EXPECT_EQ(service_.RequestsTo("/v1/app/logout").size(), 1u);
    Send("POST", base_ + "/v1/app/event", {}, L"{}\n");
    EXPECT_FALSE(service_.Requests().back().HasHeader("Cookie"));
}

TEST_F(XmlHttpRequestTest, TheProgramKeepsItsCookiesInTheDataFolder) {
    const std::string home = folder_ + "/home";
    const std::string config = folder_ + "/config";
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(config);
    const char* savedHome = getenv("HOME");
    const std::string previousHome = savedHome != nullptr ? savedHome : "";
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    StartHttpSession();
    const std::string expected = home + "/Zovi录屏/cookies.txt";
    EXPECT_EQ(zovi::platform::GetHttpCookieFile(), expected);
    Login();
    struct stat facts {};
    EXPECT_EQ(stat(expected.c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 0777, 0600u);
    setenv("HOME", previousHome.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(XmlHttpRequestTest, ConnectedStateProbesTheApiBase) {
    const char* saved = getenv("ZOVI_API_BASE");
    const std::string previous = saved != nullptr ? saved : "";
    const struct {
        const char* name;
        std::string base;
        DWORD reserved;
        BOOL connected;
    } cases[] = {
        {"service up", base_, 0, TRUE},
        {"refused", "http://127.0.0.1:" + std::to_string(ClosedPort()), 0, FALSE},
        {"unresolvable", "http://no-such-host.invalid", 0, FALSE},
        {"reserved not 0", base_, 1, FALSE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setenv("ZOVI_API_BASE", c.base.c_str(), 1);
        DWORD flags = 0xFFFF;
        EXPECT_EQ(InternetGetConnectedState(&flags, c.reserved), c.connected);
        EXPECT_EQ(flags, c.connected ? INTERNET_CONNECTION_LAN : 0u);
    }
    // A server that answers with an error is still reachable.
    service_.SetReply("/", RestReply(500, "down", "text/plain"));
    setenv("ZOVI_API_BASE", base_.c_str(), 1);
    EXPECT_EQ(InternetGetConnectedState(nullptr, 0), TRUE);
    EXPECT_EQ(service_.Requests().back().method, "HEAD");
    if (saved != nullptr) {
        setenv("ZOVI_API_BASE", previous.c_str(), 1);
    } else {
        unsetenv("ZOVI_API_BASE");
    }
}

TEST_F(XmlHttpRequestTest, ManyThreadsShareTheSession) {
    Login();
    constexpr int kThreads = 6;
    constexpr int kEach = 5;
    std::vector<std::future<int>> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.push_back(std::async(std::launch::async, [this] {
            int signedIn = 0;
            for (int i = 0; i < kEach; ++i) signedIn += SignedIn() ? 1 : 0;
            return signedIn;
        }));
    }
    for (auto& worker : workers) EXPECT_EQ(worker.get(), kEach);
    EXPECT_EQ(service_.RequestsTo("/v1/app/userInfo").size(), size_t(kThreads * kEach));
}

}  // namespace
