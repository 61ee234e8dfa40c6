// The stored form of the signed-in user ("LastUser").
#include <json/value.h>

#include "online/account/account_context.h"
#include "online/json/json_text.h"
#include "platform/base/utf8.h"

namespace {

using zovi::platform::Utf8ToWide;
using zovi::platform::WideToUtf8;

// Typed reads: a member of another kind reads as absent.
std::wstring TextMember(const Json::Value& root, const char* name) {
    const Json::Value& v = root[name];
    return v.isString() ? Utf8ToWide(v.asString()) : std::wstring();
}

}  // namespace

std::string CAccountContextController::AccountInfoToJson(const AccountInfo& info) {
    Json::Value root(Json::objectValue);
    root["uid"] = Json::UInt64(info.uid);
    root["account"] = WideToUtf8(info.account);
    root["type"] = Json::UInt(info.type);
    root["nick"] = WideToUtf8(info.nick);
    root["avatar"] = WideToUtf8(info.avatar);
    root["token"] = WideToUtf8(info.token);
    root["create"] = Json::Int64(info.create);
    return EncodeStoredText(WriteCompactJson(root, JsonNonAscii::kRawUtf8));
}

bool CAccountContextController::AccountInfoFromJson(AccountInfo& info, std::string_view stored) {
    Json::Value parsed;
    if (!ParseJsonText(DecodeStoredText(stored), parsed) || !parsed.isObject()) return false;
    const Json::Value& root = parsed;
    const Json::Value& uid = root["uid"];
    const Json::Value& type = root["type"];
    const Json::Value& create = root["create"];
    info.uid = uid.isUInt64() ? uid.asUInt64() : 0;
    info.account = TextMember(root, "account");
    info.type = type.isUInt() ? type.asUInt() : 0;
    info.nick = TextMember(root, "nick");
    info.avatar = TextMember(root, "avatar");
    info.token = TextMember(root, "token");
    info.create = create.isInt64() ? create.asInt64() : 0;
    return true;
}
