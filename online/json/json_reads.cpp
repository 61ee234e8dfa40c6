#include "online/json/json_reads.h"

const Json::Value* FindJsonMember(const Json::Value& object, const char* name) {
    if (!object.isObject()) return nullptr;
    return object.find(name, name + std::char_traits<char>::length(name));
}

std::optional<int32_t> ReadJsonInt32(const Json::Value& object, const char* name) {
    const Json::Value* member = FindJsonMember(object, name);
    if (member == nullptr || !member->isInt()) return std::nullopt;
    return member->asInt();
}

std::optional<uint32_t> ReadJsonUInt32(const Json::Value& object, const char* name) {
    const Json::Value* member = FindJsonMember(object, name);
    if (member == nullptr || !member->isUInt()) return std::nullopt;
    return member->asUInt();
}

std::optional<int64_t> ReadJsonInt64(const Json::Value& object, const char* name) {
    const Json::Value* member = FindJsonMember(object, name);
    if (member == nullptr || !member->isInt64()) return std::nullopt;
    return member->asInt64();
}

std::optional<uint64_t> ReadJsonUInt64(const Json::Value& object, const char* name) {
    const Json::Value* member = FindJsonMember(object, name);
    if (member == nullptr || !member->isUInt64()) return std::nullopt;
    return member->asUInt64();
}

std::optional<bool> ReadJsonBool(const Json::Value& object, const char* name) {
    const Json::Value* member = FindJsonMember(object, name);
    if (member == nullptr || !member->isBool()) return std::nullopt;
    return member->asBool();
}

std::optional<std::string> ReadJsonString(const Json::Value& object, const char* name) {
    const Json::Value* member = FindJsonMember(object, name);
    if (member == nullptr || !member->isString()) return std::nullopt;
    return member->asString();
}
