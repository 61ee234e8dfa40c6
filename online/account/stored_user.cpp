// The stored form of the signed-in user ("LastUser").
#include <json/value.h>

#include "online/account/account_context.h"
#include "online/json/json_reads.h"
#include "online/json/json_text.h"
#include "platform/base/utf8.h"

using zovi::platform::Utf8ToWide;
using zovi::platform::WideToUtf8;

namespace {

// A member of another kind reads as absent.
std::wstring TextMember(const Json::Value& root, const char* name) {
    return Utf8ToWide(ReadJsonString(root, name).value_or(std::string()));
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
    info.uid = ReadJsonUInt64(parsed, "uid").value_or(0);
    info.account = TextMember(parsed, "account");
    info.type = ReadJsonUInt32(parsed, "type").value_or(0);
    info.nick = TextMember(parsed, "nick");
    info.avatar = TextMember(parsed, "avatar");
    info.token = TextMember(parsed, "token");
    info.create = ReadJsonInt64(parsed, "create").value_or(0);
    return true;
}
