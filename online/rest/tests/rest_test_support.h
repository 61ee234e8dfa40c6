// What the REST tests share: a private home for the settings (made before the settings
// record), a listener that records every operation it gets, and a UI-thread loop that
// runs the deferred-call queue the way a window's message loop does.
#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "online/rest/rest_api_notification.h"

namespace zovi::testing {

// Points HOME and XDG_CONFIG_HOME at a new private folder (once per process) and sets the
// interface language to "en-US".
void UsePrivateHomeInEnglish();

// One listener operation as received.
struct RestDelivery {
    std::string operation;  // "OnLogin", "OnUserInfo", ...
    RestResult result;
    UserInfo user;
    std::vector<DeviceInfo> devices;
    UpdateInfo update;
    WechatLoginUrlInfo wechatUrl;
    WechatUserInfo wechatUser;
    std::thread::id thread;  // where it was recorded
};

// Where deliveries are kept; any thread adds, the test reads.
class CDeliveryLog {
public:
    void Add(RestDelivery delivery);
    std::vector<RestDelivery> All();
    // Waits until `count` deliveries are in (true) or the time ran out.
    bool WaitFor(size_t count, std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable added_;
    std::vector<RestDelivery> deliveries_;
};

// Records every operation. Direct: on the calling thread. Deferred: as a window does, a
// copy goes through the deferred-call queue and is recorded when the UI thread runs it.
class CRecordingListener : public IRestAPINotification {
public:
    enum class Mode { kDirect, kDeferred };
    CRecordingListener(std::shared_ptr<CDeliveryLog> log, Mode mode) : log_(std::move(log)), mode_(mode) {}

    void OnLogin(const UserInfo& user, const RestResult& result) override;
    void OnUserInfo(const UserInfo& user, const std::vector<DeviceInfo>& devices, const RestResult& result) override;
    void OnCheckVersion(const UpdateInfo& update, const RestResult& result) override;
    void OnCheckDevice(const RestResult& result) override;
    void OnKickoffDevice(const RestResult& result) override;
    void OnLogOff(const RestResult& result) override;
    void OnGetAuthCode(const RestResult& result) override;
    void OnNewAccount(const RestResult& result) override;
    void OnResetPwd(const RestResult& result) override;
    void OnWechatLoginUrl(const WechatLoginUrlInfo& info, const RestResult& result) override;
    void OnWechatLoginState(const WechatUserInfo& user, const RestResult& result) override;

private:
    void Deliver(RestDelivery delivery);

    std::shared_ptr<CDeliveryLog> log_;
    Mode mode_;
};

// The test thread as the UI thread: runs the deferred-call queue until `done` holds
// (true) or the time ran out (false).
bool RunUiLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

}  // namespace zovi::testing
