#include "online/rest/tests/rest_test_support.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/deferred/on_idle.h"
#include "core/global/global.h"

namespace zovi::testing {

namespace {

std::string& PrivateHome() {
    static std::string folder;
    return folder;
}

}  // namespace

void UsePrivateHomeInEnglish() {
    static const bool once = [] {
        std::string folder = "/tmp/zovi-rest-home-XXXXXX";
        if (const char* temp = getenv("TMPDIR"); temp != nullptr && *temp == '/')
            folder = std::string(temp) + "/zovi-rest-home-XXXXXX";
        if (mkdtemp(folder.data()) == nullptr) return false;
        PrivateHome() = folder;
        setenv("HOME", folder.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (folder + "/.config").c_str(), 1);
        // Registered before the settings record exists, so it runs after the record's
        // save at exit.
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(PrivateHome(), ignored);
        });
        return true;
    }();
    (void)once;
    GetGlobal().lang = L"en-US";
}

void CDeliveryLog::Add(RestDelivery delivery) {
    {
        std::lock_guard lock(mutex_);
        delivery.thread = std::this_thread::get_id();
        deliveries_.push_back(std::move(delivery));
    }
    added_.notify_all();
}

std::vector<RestDelivery> CDeliveryLog::All() {
    std::lock_guard lock(mutex_);
    return deliveries_;
}

bool CDeliveryLog::WaitFor(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return added_.wait_for(lock, timeout, [&] { return deliveries_.size() >= count; });
}

void CRecordingListener::Deliver(RestDelivery delivery) {
    if (mode_ == Mode::kDirect) {
        log_->Add(std::move(delivery));
        return;
    }
    PostToUiThread([log = log_, delivery = std::move(delivery)] { log->Add(delivery); });
}

namespace {

RestDelivery Of(const char* operation, const RestResult& result) {
    RestDelivery delivery;
    delivery.operation = operation;
    delivery.result = result;
    return delivery;
}

}  // namespace

void CRecordingListener::OnLogin(const UserInfo& user, const RestResult& result) {
    RestDelivery delivery = Of("OnLogin", result);
    delivery.user = user;
    Deliver(std::move(delivery));
}

void CRecordingListener::OnUserInfo(const UserInfo& user, const std::vector<DeviceInfo>& devices,
                                    const RestResult& result) {
    RestDelivery delivery = Of("OnUserInfo", result);
    delivery.user = user;
    delivery.devices = devices;
    Deliver(std::move(delivery));
}

void CRecordingListener::OnCheckVersion(const UpdateInfo& update, const RestResult& result) {
    RestDelivery delivery = Of("OnCheckVersion", result);
    delivery.update = update;
    Deliver(std::move(delivery));
}

void CRecordingListener::OnCheckDevice(const RestResult& result) { Deliver(Of("OnCheckDevice", result)); }
void CRecordingListener::OnKickoffDevice(const RestResult& result) { Deliver(Of("OnKickoffDevice", result)); }
void CRecordingListener::OnLogOff(const RestResult& result) { Deliver(Of("OnLogOff", result)); }
void CRecordingListener::OnGetAuthCode(const RestResult& result) { Deliver(Of("OnGetAuthCode", result)); }
void CRecordingListener::OnNewAccount(const RestResult& result) { Deliver(Of("OnNewAccount", result)); }
void CRecordingListener::OnResetPwd(const RestResult& result) { Deliver(Of("OnResetPwd", result)); }

void CRecordingListener::OnWechatLoginUrl(const WechatLoginUrlInfo& info, const RestResult& result) {
    RestDelivery delivery = Of("OnWechatLoginUrl", result);
    delivery.wechatUrl = info;
    Deliver(std::move(delivery));
}

void CRecordingListener::OnWechatLoginState(const WechatUserInfo& user, const RestResult& result) {
    RestDelivery delivery = Of("OnWechatLoginState", result);
    delivery.wechatUser = user;
    Deliver(std::move(delivery));
}

bool RunUiLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        COnIdleHandler::Run();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        // The queue has no wake-up of its own; look again shortly, as the loop's next
        // message would.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace zovi::testing
