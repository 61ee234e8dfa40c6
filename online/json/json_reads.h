// Typed, checked reads of members of outside JSON (replies, stored texts). A member that
// is absent, or whose kind cannot be read as asked (a string where a number is read, an
// integer that does not fit, a number where a text is read), reads as absent: the reads
// never throw, whatever the document holds. A value that is not an object has no members.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include <json/value.h>

// The member `name` of `object`, or null when `object` is not an object or lacks it.
const Json::Value* FindJsonMember(const Json::Value& object, const char* name);

// A number that is an integer in range (an integral floating value counts).
std::optional<int32_t> ReadJsonInt32(const Json::Value& object, const char* name);
std::optional<uint32_t> ReadJsonUInt32(const Json::Value& object, const char* name);
std::optional<int64_t> ReadJsonInt64(const Json::Value& object, const char* name);
std::optional<uint64_t> ReadJsonUInt64(const Json::Value& object, const char* name);
// A JSON boolean only.
std::optional<bool> ReadJsonBool(const Json::Value& object, const char* name);
// A JSON string only.
std::optional<std::string> ReadJsonString(const Json::Value& object, const char* name);
