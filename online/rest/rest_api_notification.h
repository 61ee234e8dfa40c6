// IRestAPINotification: how a requester learns a REST request's outcome. Every operation
// has an empty default, so an implementer overrides only what it needs.
//
// Threads: the operations run on the request's own thread. An implementer that is a
// window touches no UI object there; it copies what it needs into a deferred call
// (PostToUiThread) and updates itself on the UI thread. Arguments are valid only during
// the call. Requests hold their listener weakly: one that no longer exists gets no call.
#pragma once
#include <vector>

#include "online/rest/rest_records.h"
#include "online/rest/rest_result.h"

class IRestAPINotification {
public:
    virtual ~IRestAPINotification() = default;

    virtual void OnLogin(const UserInfo&, const RestResult&) {}
    virtual void OnUserInfo(const UserInfo&, const std::vector<DeviceInfo>&, const RestResult&) {}
    virtual void OnCheckVersion(const UpdateInfo&, const RestResult&) {}
    virtual void OnCheckDevice(const RestResult&) {}
    virtual void OnKickoffDevice(const RestResult&) {}
    virtual void OnLogOff(const RestResult&) {}
    virtual void OnGetAuthCode(const RestResult&) {}
    virtual void OnNewAccount(const RestResult&) {}
    virtual void OnResetPwd(const RestResult&) {}
    virtual void OnWechatLoginUrl(const WechatLoginUrlInfo&, const RestResult&) {}
    virtual void OnWechatLoginState(const WechatUserInfo&, const RestResult&) {}
};
