#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "online/http/api_base.h"
#include "online/http/wininet_http_request.h"
#include "platform/http/http_shutdown.h"
#include "platform/http/tests/test_http_server.h"

namespace {

using zovi::core::CBuffer;
using zovi::testing::CTestHttpServer;

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string Pattern(size_t n) {
    std::string data(n, '\0');
    for (size_t i = 0; i < n; ++i) data[i] = char((i * 131 + i / 7) & 0xFF);
    return data;
}

struct RecordingProgress : IWinINetReadProgress {
    std::vector<std::pair<DWORD, DWORD>> calls;
    void OnReadProgress(DWORD total, DWORD soFar) override { calls.emplace_back(total, soFar); }
};

struct RecordingSink : IWinINetReadProgressDelegate {
    std::string bytes;
    std::vector<DWORD> chunks;
    void OnReadData(const BYTE* data, DWORD length) override {
        bytes.append(reinterpret_cast<const char*>(data), length);
        chunks.push_back(length);
    }
};

// Opens a request and sends it without a body, as the download does.
bool OpenAndSend(CWinINetHttpRequest& request, const std::string& url, const wchar_t* verb = L"GET") {
    return request.Open(Wide(url).c_str(), verb, {}) &&
           HttpSendRequestW(request.GetRequestHandle(), nullptr, 0, nullptr, 0) != FALSE;
}

class HttpRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string big = Pattern(1200000);
        server_.Handle("/big", [big](const httplib::Request&, httplib::Response& response) {
            response.set_content(big, "application/octet-stream");
        });
        server_.Handle("/cut", [big](const httplib::Request&, httplib::Response& response) {
            response.set_content_provider(big.size(), "application/octet-stream",
                                          [big](size_t offset, size_t, httplib::DataSink& sink) {
                                              if (offset >= 700000) return false;  // close early
                                              sink.write(big.data() + offset, 700000 - offset);
                                              return true;
                                          });
        });
        server_.Handle(R"(/status/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
            response.status = std::stoi(request.matches[1]);
            if (response.status != 204) response.set_content("body", "text/plain");
        });
        server_.Handle("/chunked", [](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
                if (offset == 0) {
                    sink.write("chunk", 5);
                } else {
                    sink.done();
                }
                return true;
            });
        });
        server_.Handle("/empty", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("", "text/plain");
        });
        server_.Handle("/redirect", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/status/200");
        });
        server_.Handle("/stall", [](const httplib::Request&, httplib::Response& response) {
            response.set_content_provider(10, "text/plain", [](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset == 0) {
                    sink.write("01234", 5);
                } else {
                    std::this_thread::sleep_for(std::chrono::seconds(4));
                    sink.write("56789", 5);
                }
                return true;
            });
        });
        server_.Handle("/echo.*", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("ok", "text/plain");
        });
        ASSERT_TRUE(server_.Start());
    }

    CTestHttpServer server_;
};

TEST_F(HttpRequestTest, ReadsALargeReplyInChunksWithProgress) {
    const std::vector<std::pair<DWORD, DWORD>> expectedProgress = {
        {1200000, 524288}, {1200000, 1048576}, {1200000, 1200000}};
    {
        auto progress = std::make_shared<RecordingProgress>();
        auto request = std::make_shared<CWinINetHttpRequest>(L"default", progress);
        ASSERT_TRUE(OpenAndSend(*request, server_.BaseUrl() + "/big"));
        CBuffer buffer;
        ASSERT_TRUE(request->ReceiveToMemory(buffer));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size()), Pattern(1200000));
        EXPECT_EQ(progress->calls, expectedProgress);
    }
    {
        auto progress = std::make_shared<RecordingProgress>();
        auto sink = std::make_shared<RecordingSink>();
        auto request = std::make_shared<CWinINetHttpRequest>(L"default", progress);
        ASSERT_TRUE(OpenAndSend(*request, server_.BaseUrl() + "/big"));
        ASSERT_TRUE(request->ReceiveWithProgress(sink));
        EXPECT_EQ(sink->chunks, (std::vector<DWORD>{524288, 524288, 151424}));
        EXPECT_EQ(sink->bytes, Pattern(1200000));
        EXPECT_EQ(progress->calls, expectedProgress);
    }
    // A progress target that is gone is not called; no sink is an error.
    auto request = std::make_shared<CWinINetHttpRequest>(L"default", std::make_shared<RecordingProgress>());
    ASSERT_TRUE(OpenAndSend(*request, server_.BaseUrl() + "/big"));
    EXPECT_FALSE(request->ReceiveWithProgress(nullptr));
}

TEST_F(HttpRequestTest, AReplyCutShortFailsWithReadingData) {
    auto sink = std::make_shared<RecordingSink>();
    CWinINetHttpRequest request(L"default");
    ASSERT_TRUE(OpenAndSend(request, server_.BaseUrl() + "/cut"));
    EXPECT_FALSE(request.ReceiveWithProgress(sink));
    EXPECT_EQ(request.GetErrorText(), L"reading data");
    EXPECT_EQ(request.GetErrorCode(), ERROR_INTERNET_CONNECTION_ABORTED);
    // What arrived before the cut was delivered.
    EXPECT_EQ(sink->bytes, Pattern(1200000).substr(0, sink->bytes.size()));
    EXPECT_GE(sink->bytes.size(), 524288u);
}

TEST_F(HttpRequestTest, AcceptsOnlySuccessStatusesAndNeedsAContentLength) {
    const struct {
        std::string path;
        const wchar_t* verb;
        bool ok;
        const wchar_t* error;
        DWORD code;
    } cases[] = {
        {"/status/200", L"GET", true, L"", 0},
        {"/status/299", L"GET", true, L"", 0},
        {"/status/300", L"GET", false, L"checking status code", 1},
        {"/status/404", L"GET", false, L"checking status code", 1},
        {"/status/500", L"GET", false, L"checking status code", 1},
        {"/status/500", L"DELETE", false, L"checking status code", 1},
        {"/status/204", L"DELETE", true, L"retrieving content length", ERROR_SUCCESS},
        {"/status/204", L"GET", false, L"retrieving content length", ERROR_SUCCESS},
        {"/chunked", L"GET", false, L"retrieving content length", ERROR_HTTP_HEADER_NOT_FOUND},
        {"/empty", L"GET", false, L"retrieving content length", ERROR_SUCCESS},
        {"/redirect", L"GET", true, L"", 0},
    };
    for (const auto& c : cases) {
        CWinINetHttpRequest request(L"default");
        ASSERT_TRUE(OpenAndSend(request, server_.BaseUrl() + c.path, c.verb)) << c.path;
        CBuffer buffer;
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(request.ReceiveToMemory(buffer), c.ok) << c.path;
        EXPECT_EQ(request.GetErrorText(), c.error) << c.path;
        if (c.code != ERROR_SUCCESS) {
            EXPECT_EQ(request.GetErrorCode(), c.code) << c.path;
        }
        if (c.ok && c.path != "/status/204") {
            EXPECT_EQ(buffer.Size(), 4u) << c.path;
        }
    }
}

TEST_F(HttpRequestTest, SendsTheMultipartFormByteForByte) {
    std::vector<MultipartFormPart> parts(3);
    parts[0].name = "version";
    parts[0].value = "1.1.5";
    parts[1].isFile = true;
    parts[1].fileName = "20261210-120000.zip";
    parts[1].contentType = "application/octet-stream";
    parts[1].data = std::string("PK\x03\x04\0\r\n--\xff", 10);
    parts[2].name = "platform";
    parts[2].value = "win";

    zovi::testing::CRawRecordingServer raw;
    ASSERT_TRUE(raw.Start());
    CWinINetHttpRequest request(L"default");
    ASSERT_TRUE(request.Open(Wide(raw.BaseUrl() + "/echo/v1/app/dumpfileinfo").c_str(), L"PUT", {}));
    ASSERT_TRUE(request.SendMultipart(parts));
    CBuffer reply;
    EXPECT_TRUE(request.ReceiveToMemory(reply));

    const auto requests = raw.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& sent = requests[0];
    EXPECT_EQ(sent.method, "PUT");
    EXPECT_EQ(sent.target, "/echo/v1/app/dumpfileinfo");
    EXPECT_EQ(sent.Header("User-Agent"), "default");
    EXPECT_EQ(sent.Header("Content-Length"), std::to_string(sent.body.size()));
    const std::string contentType = sent.Header("Content-Type");
    const std::string prefix = "multipart/form-data; boundary=";
    ASSERT_EQ(contentType.rfind(prefix, 0), 0u) << contentType;
    const std::string boundary = contentType.substr(prefix.size());
    ASSERT_EQ(boundary.size(), 16u);
    EXPECT_EQ(boundary.find_first_not_of("1234567890abcdefghijklmnopqrstuvwxyz-"), std::string::npos);
    const std::string expected =
        "--" + boundary + "\r\n" +
        "Content-Disposition: form-data; name=\"version\"\r\n\r\n1.1.5\r\n" +
        "--" + boundary + "\r\n" +
        "Content-Disposition: form-data; name=\"file\"; filename=\"20261210-120000.zip\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n" + std::string("PK\x03\x04\0\r\n--\xff", 10) + "\r\n" +
        "--" + boundary + "\r\n" +
        "Content-Disposition: form-data; name=\"platform\"\r\n\r\nwin\r\n" +
        "--" + boundary + "--\r\n";
    EXPECT_EQ(sent.body, expected);
}

TEST_F(HttpRequestTest, AnEmptyFormSendsNothing) {
    CWinINetHttpRequest request(L"default");
    ASSERT_TRUE(request.Open(Wide(server_.BaseUrl() + "/echo").c_str(), L"PUT", {}));
    EXPECT_FALSE(request.SendMultipart({}));
    CWinINetHttpRequest unopened(L"default");
    EXPECT_FALSE(unopened.SendMultipart({MultipartFormPart{}}));
    EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(HttpRequestTest, KeepsTheQueryAndEscapesAndAddsHeaders) {
    CWinINetHttpRequest request(L"default");
    ASSERT_TRUE(request.Open(Wide(server_.BaseUrl() + "/echo/a%20b?sig=x%2By&exp=1#frag").c_str(), L"GET",
                             {{L"X-Zovi-Token", L"t0k"}}));
    ASSERT_TRUE(HttpSendRequestW(request.GetRequestHandle(), nullptr, 0, nullptr, 0));
    CBuffer reply;
    EXPECT_TRUE(request.ReceiveToMemory(reply));
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/echo/a%20b?sig=x%2By&exp=1");
    EXPECT_EQ(requests[0].Header("X-Zovi-Token"), "t0k");
    EXPECT_EQ(requests[0].Header("Accept-Encoding"), "");
}

TEST_F(HttpRequestTest, ReportsWhereOpeningAndSendingFail) {
    CWinINetHttpRequest badUrl(L"default");
    EXPECT_FALSE(badUrl.Open(L"not a url", L"GET", {}));
    EXPECT_EQ(badUrl.GetErrorText(), L"cracking url");

    // Only http and https are spoken.
    for (const wchar_t* url : {L"ftp://127.0.0.1/x", L"file:///etc/passwd"}) {
        CWinINetHttpRequest otherScheme(L"default");
        EXPECT_FALSE(otherScheme.Open(url, L"GET", {})) << url;
        EXPECT_EQ(otherScheme.GetErrorText(), L"cracking url");
    }

    // Nothing listens on the port of a server that was stopped.
    int port;
    {
        CTestHttpServer gone;
        ASSERT_TRUE(gone.Start());
        port = gone.Port();
    }
    CWinINetHttpRequest refused(L"default");
    ASSERT_TRUE(refused.Open(Wide("http://127.0.0.1:" + std::to_string(port) + "/").c_str(), L"GET", {}));
    EXPECT_FALSE(HttpSendRequestW(refused.GetRequestHandle(), nullptr, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_CANNOT_CONNECT);
    CBuffer reply;
    EXPECT_FALSE(refused.ReceiveToMemory(reply));
    EXPECT_EQ(refused.GetErrorText(), L"retrieving status code");
}

TEST_F(HttpRequestTest, AStalledReplyTimesOut) {
    zovi::platform::SetHttpTimeoutsForTesting(10000, 1000);
    CWinINetHttpRequest request(L"default");
    ASSERT_TRUE(OpenAndSend(request, server_.BaseUrl() + "/stall"));
    CBuffer reply;
    EXPECT_FALSE(request.ReceiveToMemory(reply));
    EXPECT_EQ(request.GetErrorText(), L"reading data");
    EXPECT_EQ(request.GetErrorCode(), ERROR_INTERNET_TIMEOUT);
    zovi::platform::SetHttpTimeoutsForTesting(30000, 60000);
}

TEST_F(HttpRequestTest, ShuttingDownAbortsATransferInProgress) {
    CWinINetHttpRequest request(L"default");
    ASSERT_TRUE(OpenAndSend(request, server_.BaseUrl() + "/stall"));
    // Left alone, the reply would complete after the server's pause.
    zovi::platform::SetHttpShuttingDown(true);
    CBuffer reply;
    EXPECT_FALSE(request.ReceiveToMemory(reply));
    EXPECT_EQ(request.GetErrorText(), L"reading data");
    EXPECT_EQ(request.GetErrorCode(), ERROR_INTERNET_CONNECTION_ABORTED);
    zovi::platform::SetHttpShuttingDown(false);
}

TEST(HttpsTest, TlsFollowsTheSchemeAndVerifiesTheServer) {
    CTestHttpServer tlsServer(true), plainServer(false);
    for (auto* server : {&tlsServer, &plainServer}) {
        server->Handle("/hello", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("hello", "text/plain");
        });
        ASSERT_TRUE(server->Start());
    }
    const std::string tlsPort = std::to_string(tlsServer.Port());
    const std::string plainPort = std::to_string(plainServer.Port());
    const struct {
        std::string url;
        bool withCa;
        bool ok;
    } cases[] = {
        {"https://127.0.0.1:" + tlsPort + "/hello", true, true},
        {"https://localhost:" + tlsPort + "/hello", true, true},
        {"https://127.0.0.1:" + tlsPort + "/hello", false, false},  // an unknown certificate authority
        {"http://127.0.0.1:" + tlsPort + "/hello", true, false},    // clear text to a TLS port
        {"https://127.0.0.1:" + plainPort + "/hello", true, false}, // TLS to a clear-text port
        {"http://127.0.0.1:" + plainPort + "/hello", false, true},
    };
    for (const auto& c : cases) {
        zovi::platform::SetHttpCaFileForTesting(c.withCa ? tlsServer.CaFile() : "/nonexistent/ca.pem");
        CWinINetHttpRequest request(L"default");
        CBuffer reply;
        const bool ok = OpenAndSend(request, c.url) && request.ReceiveToMemory(reply);
        EXPECT_EQ(ok, c.ok) << c.url << " ca=" << c.withCa;
        if (c.ok) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply.Data()), reply.Size()), "hello");
        }
    }
    zovi::platform::SetHttpCaFileForTesting("");
}

TEST(ApiBaseTest, TheEnvironmentReplacesTheProgramsValue) {
    ::unsetenv("ZOVI_API_BASE");
    const std::string builtIn = GetApiBase();
    EXPECT_EQ(builtIn.rfind("https://", 0), 0u);
    ::setenv("ZOVI_API_BASE", "http://127.0.0.1:8080/", 1);
    EXPECT_EQ(GetApiBase(), "http://127.0.0.1:8080");
    ::setenv("ZOVI_API_BASE", "", 1);
    EXPECT_EQ(GetApiBase(), builtIn);
    ::unsetenv("ZOVI_API_BASE");
}

}  // namespace
