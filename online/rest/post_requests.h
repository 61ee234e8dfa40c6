// The requests of the online service's REST API, one class each: its path, its own body
// members (the common members are added to every body but the analytics event's) and
// what its OnResponse reads from the reply's "data" and which listener operation it
// calls. Text arguments are 8-bit (UTF-8 here). Every OnResponse returns true and calls
// its operation when the listener still exists, with an empty record after a failure,
// a reply whose "success" is false or whose "data" is null or not an object.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "online/rest/common_post_request_base.h"

using RestListener = std::shared_ptr<IRestAPINotification>;

// "/v1/app/login": "account", "pwd" (the password's digest), "t", "deviceId",
// "deviceName". OnLogin with the user; its account is the text sent.
class CPostReqLogin final : public CommonPostRequestBase {
public:
    CPostReqLogin(const char* account, const char* password, int32_t t, const char* deviceId,
                  const std::string& deviceName, const RestListener& listener);
    bool OnResponse() override;

private:
    std::string account_;
};

// "/v1/app/wechatUrl": "deviceId". OnWechatLoginUrl with "url" and "qId".
class CPostReqWechatLoginUrl final : public CommonPostRequestBase {
public:
    CPostReqWechatLoginUrl(const char* deviceId, const RestListener& listener);
    bool OnResponse() override;
};

// "/v1/app/wechatState": "deviceId", "deviceName", "qId". OnWechatLoginState.
class CPostReqWechatLoginState final : public CommonPostRequestBase {
public:
    CPostReqWechatLoginState(const char* deviceId, const char* deviceName, const std::string& qId,
                             const RestListener& listener);
    bool OnResponse() override;
};

// "/v1/app/userInfo": common members only. OnUserInfo with the user and the devices of
// "listDevs" in its order (elements that are not objects are skipped).
class CPostReqUserInfo final : public CommonPostRequestBase {
public:
    explicit CPostReqUserInfo(const RestListener& listener);
    bool OnResponse() override;
};

// "/v1/app/update": common members only. OnCheckVersion with the object "update".
class CPostReqCheckVersion final : public CommonPostRequestBase {
public:
    explicit CPostReqCheckVersion(const RestListener& listener);
    bool OnResponse() override;
};

// "/v1/app/checkDevice": "devId", "devName". OnCheckDevice.
class CPostReqCheckDevice final : public CommonPostRequestBase {
public:
    CPostReqCheckDevice(const char* devId, const std::string& devName, const RestListener& listener);
    bool OnResponse() override;
};

// "/v1/app/kickDevice": "devIds" in the order given, absent when the list is empty.
// OnKickoffDevice.
class CPostReqKickoffDevice final : public CommonPostRequestBase {
public:
    CPostReqKickoffDevice(const std::vector<std::string>& devIds, const RestListener& listener);
    bool OnResponse() override;
};

// "/v1/app/logout": common members only. OnLogOff.
class CPostReqLogOff final : public CommonPostRequestBase {
public:
    explicit CPostReqLogOff(const RestListener& listener);
    bool OnResponse() override;
};

// The "type" of a verification-code request.
inline constexpr int32_t kAuthCodeNewAccount = 1;
inline constexpr int32_t kAuthCodeResetPassword = 3;

// "/v1/app/getAuthCode": "account", "type". OnGetAuthCode.
class CPostReqGetAuthCode final : public CommonPostRequestBase {
public:
    CPostReqGetAuthCode(const char* account, int32_t type, const RestListener& listener);
    bool OnResponse() override;

private:
    std::string account_;
};

// "/v1/app/newUser": "account", "pwd" (digest), "code", "isEmail". OnNewAccount.
class CPostReqNewAccount final : public CommonPostRequestBase {
public:
    CPostReqNewAccount(const char* account, const char* password, const std::string& code, bool isEmail,
                       const RestListener& listener);
    bool OnResponse() override;

private:
    std::string account_;
};

// "/v1/app/resetPwd": "account", "pwd" (digest of the new password), "code", "isEmail".
// OnResetPwd.
class CPostReqResetPwd final : public CommonPostRequestBase {
public:
    CPostReqResetPwd(const char* account, const char* newPassword, const std::string& code, bool isEmail,
                     const RestListener& listener);
    bool OnResponse() override;

private:
    std::string account_;
};
