#include "online/tests/rest_test_service.h"

#include <json/json.h>
#include <stdlib.h>
#include <strings.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>

#include "online/tests/header_order_relay.h"
#include "platform/http/tests/test_http_server.h"

namespace zovi::testing {

namespace {

constexpr char kPathPrefix[] = "/v1/app/";
constexpr int kSessionMaxAgeSeconds = 30 * 24 * 3600;

std::string CompactJson(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, value);
}

bool IsLowerHexDigest(const std::string& text) {
    return text.size() == 32 &&
           std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// The value of cookie `name` in a Cookie header ("a=1; b=2").
std::string CookieValue(const std::string& header, const std::string& name) {
    size_t start = 0;
    while (start < header.size()) {
        size_t end = header.find(';', start);
        if (end == std::string::npos) end = header.size();
        std::string item = header.substr(start, end - start);
        item.erase(0, item.find_first_not_of(' '));
        if (item.rfind(name + "=", 0) == 0) return item.substr(name.size() + 1);
        start = end + 1;
    }
    return {};
}

RestReply JsonReply(const std::string& body) { return RestReply(200, body); }

}  // namespace

std::string RestRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    }
    return {};
}

bool RestRequest::HasHeader(const std::string& name) const {
    return std::any_of(headers.begin(), headers.end(),
                       [&name](const auto& header) { return strcasecmp(header.first.c_str(), name.c_str()) == 0; });
}

std::vector<std::string> RestRequest::HeaderNames() const {
    std::vector<std::string> names;
    for (const auto& header : headers) names.push_back(header.first);
    return names;
}

struct CTestRestService::Impl {
    explicit Impl(bool useTls) : tls(useTls), server(useTls) {}

    void Serve(const httplib::Request& request, httplib::Response& response);
    RestRequest Record(const httplib::Request& request);
    RestReply ContractReply(const RestRequest& request);
    RestReply SignIn(const Json::Value& data);
    bool HasSession(const RestRequest& request);
    void Send(const RestReply& reply, httplib::Response& response);

    bool tls;
    std::mutex lock;
    std::condition_variable changed;
    bool stopping = false;
    uint64_t releases = 0;  // ReleaseStalls calls so far
    size_t stalled = 0;
    size_t inFlight = 0;
    size_t maxInFlight = 0;
    std::vector<RestRequest> requests;
    std::map<std::string, RestReply> fixedReplies;
    std::map<std::string, std::deque<RestReply>> queuedReplies;
    RestAccount account;
    std::set<std::string> sessions;
    uint64_t nextSession = 1;
    uint64_t nextQrId = 1;

    // Last, so they go first: the handlers use everything above, and the relay.
    std::unique_ptr<CHeaderOrderRelay> relay;  // plain HTTP only
    CTestHttpServer server;
};

RestRequest CTestRestService::Impl::Record(const httplib::Request& request) {
    RestRequest recorded;
    recorded.method = request.method;
    recorded.target = request.target;
    recorded.body = request.body;
    std::optional<HeaderLines> ordered = relay ? relay->TakeHeaders(request.remote_port) : std::nullopt;
    if (ordered) {
        recorded.headers = std::move(*ordered);
    } else {
        for (const auto& header : request.headers) {
            if (header.first != "REMOTE_ADDR" && header.first != "REMOTE_PORT" && header.first != "LOCAL_ADDR" &&
                header.first != "LOCAL_PORT") {
                recorded.headers.push_back(header);
            }
        }
    }
    return recorded;
}

bool CTestRestService::Impl::HasSession(const RestRequest& request) {
    const std::string token = CookieValue(request.Header("Cookie"), kSessionCookie);
    return !token.empty() && sessions.count(token) != 0;
}

RestReply CTestRestService::Impl::SignIn(const Json::Value& data) {
    const std::string token = "s" + std::to_string(nextSession++) + "x" + std::to_string(account.uid);
    sessions.insert(token);
    RestReply reply = JsonReply(Envelope(0, true, "ok", data.isNull() ? std::string() : CompactJson(data)));
    reply.headers.emplace_back("Set-Cookie", std::string(kSessionCookie) + "=" + token + "; Path=/; Max-Age=" +
                                                 std::to_string(kSessionMaxAgeSeconds) + "; HttpOnly");
    return reply;
}

// The contract's own answer; called with the lock held.
RestReply CTestRestService::Impl::ContractReply(const RestRequest& request) {
    const std::string path = request.target.substr(0, request.target.find('?'));
    if (request.method != "POST" || path.rfind(kPathPrefix, 0) != 0) {
        return RestReply(404, "not found", "text/plain");
    }
    const std::string name = path.substr(sizeof(kPathPrefix) - 1);
    Json::Value body;
    Json::CharReaderBuilder reader;
    std::string errors;
    std::istringstream text(request.body);
    if (!Json::parseFromStream(reader, text, &body, &errors) || !body.isObject()) {
        RestReply bad = JsonReply(Envelope(400, false, "bad request", ""));
        bad.status = 400;
        return bad;
    }
    auto text_of = [&body](const char* key) { return body[key].isString() ? body[key].asString() : std::string(); };

    Json::Value user(Json::objectValue);
    user["uid"] = Json::Int64(account.uid);
    user["nick"] = account.nick;
    user["avatar"] = account.avatar;
    if (name == "login") {
        const std::string pwd = text_of("pwd");
        const bool good = text_of("account") == account.account &&
                          (account.pwdDigest.empty() ? IsLowerHexDigest(pwd) : pwd == account.pwdDigest);
        if (!good) return JsonReply(Envelope(kWrongPasswordCode, false, "wrong account or password", ""));
        user["createTime"] = Json::Int64(account.createTime);
        return SignIn(user);
    }
    if (name == "wechatState") return SignIn(user);
    if (name == "newUser") return SignIn(Json::Value());
    if (name == "wechatUrl") {
        Json::Value data(Json::objectValue);
        const std::string qId = "q" + std::to_string(nextQrId++);
        data["qId"] = qId;
        data["url"] = "https://qr.example.com/" + qId;
        return JsonReply(Envelope(0, true, "ok", CompactJson(data)));
    }
    if (name == "update") return JsonReply(Envelope(0, true, "ok", "{\"update\":null}"));
    if (name == "getAuthCode" || name == "resetPwd" || name == "event") return JsonReply(Envelope(0, true, "ok", ""));
    if (name == "userInfo" || name == "checkDevice" || name == "kickDevice" || name == "logout") {
        if (!HasSession(request)) return JsonReply(Envelope(kNotSignedInCode, false, "not signed in", ""));
        if (name == "userInfo") {
            user["createTime"] = Json::Int64(account.createTime);
            user["account"] = account.account;
            Json::Value devices(Json::arrayValue);
            for (const RestDevice& device : account.devices) {
                Json::Value item(Json::objectValue);
                item["id"] = device.id;
                item["name"] = device.name;
                item["lastTime"] = Json::Int64(device.lastTime);
                item["platform"] = device.platform;
                devices.append(item);
            }
            user["listDevs"] = devices;
            return JsonReply(Envelope(0, true, "ok", CompactJson(user)));
        }
        if (name == "kickDevice" && body["devIds"].isArray()) {
            for (const Json::Value& id : body["devIds"]) {
                if (!id.isString()) continue;
                std::erase_if(account.devices, [&id](const RestDevice& device) { return device.id == id.asString(); });
            }
        }
        if (name == "logout") {
            sessions.erase(CookieValue(request.Header("Cookie"), kSessionCookie));
            RestReply reply = JsonReply(Envelope(0, true, "ok", ""));
            reply.headers.emplace_back("Set-Cookie", std::string(kSessionCookie) + "=; Path=/; Max-Age=0");
            return reply;
        }
        return JsonReply(Envelope(0, true, "ok", ""));
    }
    RestReply notFound = JsonReply(Envelope(404, false, "no such call", ""));
    notFound.status = 404;
    return notFound;
}

void CTestRestService::Impl::Serve(const httplib::Request& request, httplib::Response& response) {
    RestRequest recorded = Record(request);
    const std::string path = recorded.target.substr(0, recorded.target.find('?'));
    RestReply reply;
    {
        std::unique_lock guard(lock);
        requests.push_back(recorded);
        maxInFlight = std::max(maxInFlight, ++inFlight);
        changed.notify_all();
        auto queued = queuedReplies.find(path);
        auto fixed = fixedReplies.find(path);
        if (queued != queuedReplies.end() && !queued->second.empty()) {
            reply = queued->second.front();
            queued->second.pop_front();
        } else if (fixed != fixedReplies.end()) {
            reply = fixed->second;
        } else {
            reply = ContractReply(recorded);
        }
        if (reply.delay.count() > 0) changed.wait_for(guard, reply.delay, [this] { return stopping; });
        if (reply.stall) {
            const uint64_t held = releases;
            ++stalled;
            changed.notify_all();
            changed.wait(guard, [this, held] { return stopping || releases != held; });
            --stalled;
        }
        --inFlight;
    }
    Send(reply, response);
}

void CTestRestService::Impl::Send(const RestReply& reply, httplib::Response& response) {
    response.status = reply.status;
    for (const auto& [name, value] : reply.headers) response.set_header(name, value);
    // One request per connection, so the relay can tell each request's head.
    response.set_header("Connection", "close");
    const std::string body = reply.body;
    if (reply.closeEarly) {
        response.set_content_provider(body.size(), reply.contentType,
                                      [body](size_t offset, size_t, httplib::DataSink& sink) {
                                          const size_t half = body.size() / 2;
                                          if (offset >= half) return false;  // closes the connection
                                          sink.write(body.data() + offset, half - offset);
                                          return true;
                                      });
    } else if (reply.chunked) {
        response.set_chunked_content_provider(reply.contentType, [body](size_t offset, httplib::DataSink& sink) {
            const size_t half = body.size() / 2;
            if (offset == 0 && half > 0) {
                sink.write(body.data(), half);
            } else if (offset < body.size()) {
                sink.write(body.data() + offset, body.size() - offset);
            } else {
                sink.done();
            }
            return true;
        });
    } else {
        response.set_content(body, reply.contentType);
    }
}

CTestRestService::CTestRestService(bool tls) : impl_(std::make_unique<Impl>(tls)) {
    impl_->server.Handle(".*", [impl = impl_.get()](const httplib::Request& request, httplib::Response& response) {
        impl->Serve(request, response);
    });
}

CTestRestService::~CTestRestService() {
    {
        std::lock_guard guard(impl_->lock);
        impl_->stopping = true;
        impl_->changed.notify_all();
    }
}

bool CTestRestService::Start() {
    if (!impl_->server.Start()) return false;
    if (impl_->tls) return true;
    impl_->relay = std::make_unique<CHeaderOrderRelay>(impl_->server.Port());
    return impl_->relay->Start();
}

std::string CTestRestService::BaseUrl() const {
    if (impl_->tls || !impl_->relay) return impl_->server.BaseUrl();
    return "http://127.0.0.1:" + std::to_string(impl_->relay->Port());
}

std::string CTestRestService::CaFile() const { return impl_->tls ? impl_->server.CaFile() : std::string(); }

void CTestRestService::UseAsApiBase() const { setenv("ZOVI_API_BASE", BaseUrl().c_str(), 1); }

void CTestRestService::SetReply(const std::string& path, RestReply reply) {
    std::lock_guard guard(impl_->lock);
    impl_->fixedReplies[path] = std::move(reply);
}

void CTestRestService::QueueReply(const std::string& path, RestReply reply) {
    std::lock_guard guard(impl_->lock);
    impl_->queuedReplies[path].push_back(std::move(reply));
}

void CTestRestService::ClearReplies() {
    std::lock_guard guard(impl_->lock);
    impl_->fixedReplies.clear();
    impl_->queuedReplies.clear();
}

void CTestRestService::ReleaseStalls() {
    std::lock_guard guard(impl_->lock);
    ++impl_->releases;
    impl_->changed.notify_all();
}

void CTestRestService::SetAccount(RestAccount account) {
    std::lock_guard guard(impl_->lock);
    impl_->account = std::move(account);
}

RestAccount CTestRestService::Account() {
    std::lock_guard guard(impl_->lock);
    return impl_->account;
}

void CTestRestService::ForgetSessions() {
    std::lock_guard guard(impl_->lock);
    impl_->sessions.clear();
}

std::vector<RestRequest> CTestRestService::Requests() {
    std::lock_guard guard(impl_->lock);
    return impl_->requests;
}

std::vector<RestRequest> CTestRestService::RequestsTo(const std::string& path) {
    std::vector<RestRequest> matching;
    for (RestRequest& request : Requests()) {
        if (request.target.substr(0, request.target.find('?')) == path) matching.push_back(std::move(request));
    }
    return matching;
}

bool CTestRestService::WaitForRequests(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock guard(impl_->lock);
    return impl_->changed.wait_for(guard, timeout, [this, count] { return impl_->requests.size() >= count; });
}

bool CTestRestService::WaitForStalled(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock guard(impl_->lock);
    return impl_->changed.wait_for(guard, timeout, [this, count] { return impl_->stalled >= count; });
}

size_t CTestRestService::MaxInFlight() {
    std::lock_guard guard(impl_->lock);
    return impl_->maxInFlight;
}

std::string CTestRestService::Envelope(int code, bool success, const std::string& msg, const std::string& dataJson) {
    std::string text = "{\"code\":" + std::to_string(code) + ",\"msg\":" + Json::valueToQuotedString(msg.c_str()) +
                       ",\"success\":" + (success ? "true" : "false");
    if (!dataJson.empty()) text += ",\"data\":" + dataJson;
    return text + "}";
}

}  // namespace zovi::testing
