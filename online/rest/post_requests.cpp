#include "online/rest/post_requests.h"

#include "online/json/json_reads.h"
#include "online/rest/password_digest.h"

namespace {

std::string TextOf(const Json::Value& object, const char* name) {
    return ReadJsonString(object, name).value_or(std::string());
}

UserInfo ReadUser(const Json::Value& data) {
    UserInfo user;
    user.uid = ReadJsonInt64(data, "uid").value_or(0);
    user.nick = TextOf(data, "nick");
    user.avatar = TextOf(data, "avatar");
    user.createTime = ReadJsonInt64(data, "createTime").value_or(0);
    return user;
}

std::vector<DeviceInfo> ReadDevices(const Json::Value& data) {
    std::vector<DeviceInfo> devices;
    const Json::Value* list = FindJsonMember(data, "listDevs");
    if (list == nullptr || !list->isArray()) return devices;
    for (const Json::Value& element : *list) {
        if (!element.isObject()) continue;  // no device there
        DeviceInfo device;
        device.id = TextOf(element, "id");
        device.name = TextOf(element, "name");
        device.lastTime = ReadJsonInt64(element, "lastTime").value_or(0);
        device.platform = ReadJsonInt32(element, "platform").value_or(0);
        devices.push_back(std::move(device));
    }
    return devices;
}

UpdateInfo ReadUpdate(const Json::Value& data) {
    UpdateInfo update;
    const Json::Value* object = FindJsonMember(data, "update");
    if (object == nullptr) return update;
    update.low_usable_version = ReadJsonUInt64(*object, "low_usable_version").value_or(0);
    update.last_version = ReadJsonUInt64(*object, "last_version").value_or(0);
    update.last_version_text = TextOf(*object, "last_version_text");
    update.app_url = TextOf(*object, "app_url");
    update.update_info = TextOf(*object, "update_info");
    return update;
}

Json::Value Members() { return Json::Value(Json::objectValue); }

// A text argument; a null pointer is the empty text.
std::string Arg(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

CPostReqLogin::CPostReqLogin(const char* account, const char* password, int32_t t, const char* deviceId,
                             const std::string& deviceName, const RestListener& listener)
    : CommonPostRequestBase(listener), account_(Arg(account)) {
    SetPath(L"/v1/app/login");
    Json::Value body = Members();
    body["account"] = Arg(account);
    body["pwd"] = HashPassword(Arg(password));
    body["t"] = t;
    body["deviceId"] = Arg(deviceId);
    body["deviceName"] = deviceName;
    SetBodyWithCommonFields(std::move(body));
}

bool CPostReqLogin::OnResponse() {
    UserInfo user;
    if (HasData()) {
        user = ReadUser(GetResult().data);
        user.account = account_;
    }
    if (auto listener = LockListener()) listener->OnLogin(user, GetResult());
    return true;
}

CPostReqWechatLoginUrl::CPostReqWechatLoginUrl(const char* deviceId, const RestListener& listener)
    : CommonPostRequestBase(listener) {
    SetPath(L"/v1/app/wechatUrl");
    Json::Value body = Members();
    body["deviceId"] = Arg(deviceId);
    SetBodyWithCommonFields(std::move(body));
}

bool CPostReqWechatLoginUrl::OnResponse() {
    WechatLoginUrlInfo info;
    if (HasData()) {
        info.url = TextOf(GetResult().data, "url");
        info.qId = TextOf(GetResult().data, "qId");
    }
    if (auto listener = LockListener()) listener->OnWechatLoginUrl(info, GetResult());
    return true;
}

CPostReqWechatLoginState::CPostReqWechatLoginState(const char* deviceId, const char* deviceName,
                                                   const std::string& qId, const RestListener& listener)
    : CommonPostRequestBase(listener) {
    SetPath(L"/v1/app/wechatState");
    Json::Value body = Members();
    body["deviceId"] = Arg(deviceId);
    body["deviceName"] = Arg(deviceName);
    body["qId"] = qId;
    SetBodyWithCommonFields(std::move(body));
}

bool CPostReqWechatLoginState::OnResponse() {
    WechatUserInfo user;
    if (HasData()) {
        user.uid = ReadJsonInt32(GetResult().data, "uid").value_or(0);
        user.nick = TextOf(GetResult().data, "nick");
        user.avatar = TextOf(GetResult().data, "avatar");
    }
    if (auto listener = LockListener()) listener->OnWechatLoginState(user, GetResult());
    return true;
}

CPostReqUserInfo::CPostReqUserInfo(const RestListener& listener) : CommonPostRequestBase(listener) {
    SetPath(L"/v1/app/userInfo");
    SetBodyWithCommonFields(Members());
}

bool CPostReqUserInfo::OnResponse() {
    UserInfo user;
    std::vector<DeviceInfo> devices;
    if (HasData()) {
        user = ReadUser(GetResult().data);
        user.account = TextOf(GetResult().data, "account");
        devices = ReadDevices(GetResult().data);
    }
    if (auto listener = LockListener()) listener->OnUserInfo(user, devices, GetResult());
    return true;
}

CPostReqCheckVersion::CPostReqCheckVersion(const RestListener& listener) : CommonPostRequestBase(listener) {
    SetPath(L"/v1/app/update");
    SetBodyWithCommonFields(Members());
}

bool CPostReqCheckVersion::OnResponse() {
    UpdateInfo update;
    if (HasData()) update = ReadUpdate(GetResult().data);
    if (auto listener = LockListener()) listener->OnCheckVersion(update, GetResult());
    return true;
}

CPostReqCheckDevice::CPostReqCheckDevice(const char* devId, const std::string& devName,
                                         const RestListener& listener)
    : CommonPostRequestBase(listener) {
    SetPath(L"/v1/app/checkDevice");
    Json::Value body = Members();
    body["devId"] = Arg(devId);
    body["devName"] = devName;
    SetBodyWithCommonFields(std::move(body));
}

bool CPostReqCheckDevice::OnResponse() {
    if (auto listener = LockListener()) listener->OnCheckDevice(GetResult());
    return true;
}

CPostReqKickoffDevice::CPostReqKickoffDevice(const std::vector<std::string>& devIds,
                                             const RestListener& listener)
    : CommonPostRequestBase(listener) {
    SetPath(L"/v1/app/kickDevice");
    Json::Value body = Members();
    for (const std::string& id : devIds) body["devIds"].append(id);
    SetBodyWithCommonFields(std::move(body));
}

bool CPostReqKickoffDevice::OnResponse() {
    if (auto listener = LockListener()) listener->OnKickoffDevice(GetResult());
    return true;
}

CPostReqLogOff::CPostReqLogOff(const RestListener& listener) : CommonPostRequestBase(listener) {
    SetPath(L"/v1/app/logout");
    SetBodyWithCommonFields(Members());
}

bool CPostReqLogOff::OnResponse() {
    if (auto listener = LockListener()) listener->OnLogOff(GetResult());
    return true;
}

CPostReqGetAuthCode::CPostReqGetAuthCode(const char* account, int32_t type, const RestListener& listener)
    : CommonPostRequestBase(listener), account_(Arg(account)) {
    SetPath(L"/v1/app/getAuthCode");
    Json::Value body = Members();
    body["account"] = Arg(account);
    body["type"] = type;
    SetBodyWithCommonFields(std::move(body));
}

bool CPostReqGetAuthCode::OnResponse() {
    if (auto listener = LockListener()) listener->OnGetAuthCode(GetResult());
    return true;
}

namespace {

// The body of a new account and of a password reset.
Json::Value AccountChangeMembers(const char* account, const char* password, const std::string& code,
                                 bool isEmail) {
    Json::Value body = Members();
    body["account"] = Arg(account);
    body["pwd"] = HashPassword(Arg(password));
    body["code"] = code;
    body["isEmail"] = isEmail;
    return body;
}

}  // namespace

CPostReqNewAccount::CPostReqNewAccount(const char* account, const char* password, const std::string& code,
                                       bool isEmail, const RestListener& listener)
    : CommonPostRequestBase(listener), account_(Arg(account)) {
    SetPath(L"/v1/app/newUser");
    SetBodyWithCommonFields(AccountChangeMembers(account, password, code, isEmail));
}

bool CPostReqNewAccount::OnResponse() {
    if (auto listener = LockListener()) listener->OnNewAccount(GetResult());
    return true;
}

CPostReqResetPwd::CPostReqResetPwd(const char* account, const char* newPassword, const std::string& code,
                                   bool isEmail, const RestListener& listener)
    : CommonPostRequestBase(listener), account_(Arg(account)) {
    SetPath(L"/v1/app/resetPwd");
    SetBodyWithCommonFields(AccountChangeMembers(account, newPassword, code, isEmail));
}

bool CPostReqResetPwd::OnResponse() {
    if (auto listener = LockListener()) listener->OnResetPwd(GetResult());
    return true;
}
