// A local online service for tests, bound to 127.0.0.1 on a free port, over HTTP or HTTPS
// (a certificate its CA file verifies). It speaks the service's REST contract: every path
// under "/v1/app/" answers POST with the reply envelope {"code","success","msg","data"}.
// Signing in ("login", "wechatState", "newUser") sets the session cookie; "userInfo",
// "checkDevice", "kickDevice" and "logout" without a valid session cookie get the "not
// signed in" envelope (status 200, code kNotSignedInCode, success false). Any path can be
// scripted instead (status, body, type, headers, delay, stall until released, early
// close, chunked). Every request is recorded: method, target, headers in the order sent,
// raw body. Requests are served on the server's own threads; every call here may come
// from any thread.
#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zovi::testing {

struct RestRequest {
    std::string method;
    std::string target;  // path and query as sent
    // In the order sent over plain HTTP; over HTTPS in name order.
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;  // the raw bytes

    // The first header of that name (any case); "" when absent.
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
    // The headers' names in order.
    std::vector<std::string> HeaderNames() const;
};

struct RestReply {
    explicit RestReply(int status_ = 200, std::string body_ = {}, std::string contentType_ = "application/json")
        : status(status_), body(std::move(body_)), contentType(std::move(contentType_)) {}
    RestReply& WithHeader(std::string name, std::string value) {
        headers.emplace_back(std::move(name), std::move(value));
        return *this;
    }
    RestReply& Delayed(std::chrono::milliseconds by) {
        delay = by;
        return *this;
    }
    RestReply& Stalled() {
        stall = true;
        return *this;
    }
    RestReply& ClosedEarly() {
        closeEarly = true;
        return *this;
    }
    RestReply& Chunked() {
        chunked = true;
        return *this;
    }

    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;  // extra reply headers
    std::chrono::milliseconds delay{0};                        // before the reply starts
    bool stall = false;       // held until ReleaseStalls() (or the service stops), then sent
    bool closeEarly = false;  // the full length announced, half the body sent, then closed
    bool chunked = false;     // no Content-Length; the body in two chunks
};

struct RestDevice {
    std::string id;
    std::string name;
    int64_t lastTime = 0;
    int32_t platform = 0;
};

// The one account the service knows.
struct RestAccount {
    int64_t uid = 10001;
    std::string account = "tester@example.com";
    // The expected "pwd"; empty accepts any 32 lower-case hex digits.
    std::string pwdDigest;
    std::string nick = "Tester";
    std::string avatar = "https://avatar.example.com/10001.png";
    int64_t createTime = 1600000000;
    std::vector<RestDevice> devices;
};

class CTestRestService {
public:
    static constexpr int kNotSignedInCode = 401;
    static constexpr int kWrongPasswordCode = 1001;
    static constexpr const char* kSessionCookie = "zovi_session";

    explicit CTestRestService(bool tls = false);
    // Releases every stalled reply, then stops.
    ~CTestRestService();
    CTestRestService(const CTestRestService&) = delete;
    CTestRestService& operator=(const CTestRestService&) = delete;

    bool Start();
    // "http://127.0.0.1:<port>" or "https://127.0.0.1:<port>", no trailing "/".
    std::string BaseUrl() const;
    // The CA file that verifies the HTTPS certificate ("" over HTTP).
    std::string CaFile() const;
    // Points the program's API base (ZOVI_API_BASE) at this service.
    void UseAsApiBase() const;

    // Every later request to `path` (e.g. "/v1/app/update") gets `reply`.
    void SetReply(const std::string& path, RestReply reply);
    // The next request to `path` gets `reply`, before any SetReply one.
    void QueueReply(const std::string& path, RestReply reply);
    // Back to the contract's own replies.
    void ClearReplies();
    // Sends every reply held by a stall now; later stalls hold again.
    void ReleaseStalls();

    void SetAccount(RestAccount account);
    RestAccount Account();
    // Forgets every session: later requests count as not signed in.
    void ForgetSessions();

    std::vector<RestRequest> Requests();
    // The requests to `path` only.
    std::vector<RestRequest> RequestsTo(const std::string& path);
    // Waits until at least `count` requests were received (true) or the time ran out.
    bool WaitForRequests(size_t count, std::chrono::milliseconds timeout);
    // Waits until `count` replies are held by stalls.
    bool WaitForStalled(size_t count, std::chrono::milliseconds timeout);
    // The most requests handled at one time so far.
    size_t MaxInFlight();

    // {"code":<code>,"msg":<msg>,"success":<success>[,"data":<dataJson>]}; an empty
    // dataJson leaves "data" out. dataJson is inserted as written, so any JSON (or not)
    // can be sent.
    static std::string Envelope(int code, bool success, const std::string& msg, const std::string& dataJson);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace zovi::testing
