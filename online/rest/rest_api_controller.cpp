#include "online/rest/rest_api_controller.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/log/logger.h"
#include "online/http/connected_state.h"
#include "online/rest/post_requests.h"
#include "platform/http/http_shutdown.h"

namespace {

// The live request threads. Never destroyed: a thread that outlives the bounded wait at
// exit still ends through it after the singletons are gone.
class CRequestThreadCount {
public:
    void Enter() {
        std::lock_guard lock(mutex_);
        ++live_;
    }
    void Leave() {
        std::lock_guard lock(mutex_);
        if (--live_ == 0) ended_.notify_all();
    }
    bool WaitForNone(std::chrono::milliseconds bound) {
        std::unique_lock lock(mutex_);
        return ended_.wait_for(lock, bound, [this] { return live_ == 0; });
    }
    int32_t Live() {
        std::lock_guard lock(mutex_);
        return live_;
    }

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    int32_t live_ = 0;
};

CRequestThreadCount& ThreadCount() {
    static auto* count = new CRequestThreadCount;
    return *count;
}

void RestRequestThreadProc(std::shared_ptr<CommonPostRequestBase> request) {
    try {
        request->Execute();
        // Once the program is exiting, listeners and the UI queue may be going away.
        if (!zovi::platform::IsHttpShuttingDown()) request->OnResponse();
    } catch (const std::exception& e) {
        GetGlobalLogger().Error(L"RestRequestThreadProc: the request ended with an error: %S\n", e.what());
    }
    request.reset();
    ThreadCount().Leave();
}

}  // namespace

CRestAPIController::~CRestAPIController() { ShutdownRequests(); }

bool CRestAPIController::PostRequest(const std::shared_ptr<CommonPostRequestBase>& request) {
    if (!request || zovi::platform::IsHttpShuttingDown()) return false;
    DWORD flags = 0;
    if (!InternetGetConnectedState(&flags, 0)) return false;
    ThreadCount().Enter();
    try {
        std::thread(RestRequestThreadProc, request).detach();
    } catch (const std::system_error&) {
        ThreadCount().Leave();
        return false;
    }
    return true;
}

bool CRestAPIController::ShutdownRequests(std::chrono::milliseconds bound) {
    zovi::platform::SetHttpShuttingDown(true);
    return WaitForRequestThreads(bound);
}

bool CRestAPIController::WaitForRequestThreads(std::chrono::milliseconds bound) {
    return ThreadCount().WaitForNone(bound);
}

int32_t CRestAPIController::LiveRequestThreads() { return ThreadCount().Live(); }

bool CRestAPIController::Login(const char* account, const char* password, const char* deviceId,
                               const std::string& deviceName, const Listener& listener) {
    return PostRequest(std::make_shared<CPostReqLogin>(account, password, 0, deviceId, deviceName, listener));
}

bool CRestAPIController::GetUserInfo(const Listener& listener) {
    return PostRequest(std::make_shared<CPostReqUserInfo>(listener));
}

bool CRestAPIController::CheckVersion(const Listener& listener) {
    return PostRequest(std::make_shared<CPostReqCheckVersion>(listener));
}

bool CRestAPIController::LogOff(const Listener& listener) {
    return PostRequest(std::make_shared<CPostReqLogOff>(listener));
}

bool CRestAPIController::GetAuthCode(const char* account, int32_t type, const Listener& listener) {
    return PostRequest(std::make_shared<CPostReqGetAuthCode>(account, type, listener));
}

bool CRestAPIController::NewAccount(const char* account, const char* password, const std::string& code,
                                    bool isEmail, const Listener& listener) {
    return PostRequest(std::make_shared<CPostReqNewAccount>(account, password, code, isEmail, listener));
}

bool CRestAPIController::ResetPwd(const char* account, const char* newPassword, const std::string& code,
                                  bool isEmail, const Listener& listener) {
    return PostRequest(std::make_shared<CPostReqResetPwd>(account, newPassword, code, isEmail, listener));
}

bool CRestAPIController::GetWechatLoginState(const char* deviceId, const char* deviceName, const std::string& qId,
                                             const Listener& listener) {
    return PostRequest(std::make_shared<CPostReqWechatLoginState>(deviceId, deviceName, qId, listener));
}
