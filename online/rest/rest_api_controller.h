// CRestAPIController: how windows and delegates send REST requests. Each operation makes
// its request, tests that the machine is online and runs the request on a thread of its
// own; the outcome reaches the listener through IRestAPINotification on that thread.
// Every operation returns false when the machine is offline or the program is exiting
// (nothing is sent, no thread starts, the listener is never called) and true once the
// request's thread runs.
//
// Threads: operations are called on any thread (the UI thread in the program). Request
// threads are detached; the live ones are counted outside the singleton, and at exit
// ShutdownRequests stops their delivery and waits for them with a bound, so no request
// thread touches a singleton the at-exit list has destroyed.
#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "core/deferred/singleton.h"
#include "online/rest/common_post_request_base.h"
#include "online/rest/rest_api_notification.h"

class CRestAPIController final : public CSingletonT<CRestAPIController> {
public:
    using Listener = std::shared_ptr<IRestAPINotification>;

    bool Login(const char* account, const char* password, const char* deviceId, const std::string& deviceName,
               const Listener& listener);
    bool GetUserInfo(const Listener& listener);
    bool CheckVersion(const Listener& listener);
    bool LogOff(const Listener& listener);
    bool GetAuthCode(const char* account, int32_t type, const Listener& listener);
    bool NewAccount(const char* account, const char* password, const std::string& code, bool isEmail,
                    const Listener& listener);
    bool ResetPwd(const char* account, const char* newPassword, const std::string& code, bool isEmail,
                  const Listener& listener);
    bool GetWechatLoginState(const char* deviceId, const char* deviceName, const std::string& qId,
                             const Listener& listener);
    // Runs a request its maker built; the thread holds its own reference.
    bool PostRequest(const std::shared_ptr<CommonPostRequestBase>& request);

    // The program's exit, before the singletons go: sets the transport's shutting-down
    // flag (transfers abort, threads deliver nothing more) and waits up to `bound` for
    // the live request threads. True when none is left.
    static bool ShutdownRequests(std::chrono::milliseconds bound = std::chrono::seconds(2));
    // Waits up to `bound` until no request thread is left (true) or the time ran out.
    static bool WaitForRequestThreads(std::chrono::milliseconds bound);
    // Request threads started and not yet ended.
    static int32_t LiveRequestThreads();

private:
    friend class CSingletonT<CRestAPIController>;
    CRestAPIController() = default;
    ~CRestAPIController();
};
