// The compact JSON text form and the typed member reads, against jsoncpp itself.
#include <gtest/gtest.h>

#include <json/json.h>

#include <limits>
#include <string>
#include <vector>

#include "online/json/json_text.h"
#include "online/json/json_reads.h"

namespace {

Json::Value Parse(const std::string& text) {
    Json::Value value;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::istringstream stream(text);
    EXPECT_TRUE(Json::parseFromStream(builder, stream, &value, &errors)) << text;
    return value;
}

// Members come out in byte order of their names whatever the insertion order; the
// escaped form is jsoncpp's FastWriter form byte for byte, the raw form keeps UTF-8.
TEST(CompactJson, SortedCompactWithOneLineFeed) {
    Json::Value value(Json::objectValue);
    value["pwd"] = "x";
    value["deviceName"] = "录屏😀";
    value["account"] = "a";
    value["deviceId"] = "d";
    value["api"] = 1;
    value["list"].append("b");
    value["list"].append(Json::Value(Json::objectValue));
    value["none"] = Json::nullValue;
    value["flag"] = false;
    value["big"] = Json::UInt64(18446744073709551615u);
    value["bad"] = "a\xff";
    EXPECT_EQ(WriteCompactJson(value),
              R"({"account":"a","api":1,"bad":"a\ufffd","big":18446744073709551615,"deviceId":"d",)"
              R"("deviceName":"\u5f55\u5c4f\ud83d\ude00","flag":false,"list":["b",{}],"none":null,"pwd":"x"})"
              "\n");
    EXPECT_EQ(WriteCompactJson(value, JsonNonAscii::kRawUtf8),
              R"({"account":"a","api":1,"bad":"a�","big":18446744073709551615,"deviceId":"d",)"
              R"("deviceName":"录屏😀","flag":false,"list":["b",{}],"none":null,"pwd":"x"})"
              "\n");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Json::FastWriter fastWriter;
    EXPECT_EQ(WriteCompactJson(value), fastWriter.write(value));
#pragma GCC diagnostic pop
    EXPECT_EQ(WriteCompactJson(Json::Value(Json::objectValue)), "{}\n");
}

// Each read over every kind of member: only the kind asked for, in range, is present.
TEST(JsonReads, AMemberOfTheWrongKindReadsAsAbsent) {
    const Json::Value object = Parse(
        R"({"int":7,"neg":-7,"big":4294967296,"huge":18446744073709551615,"real":2.0,"frac":2.5,)"
        R"("text":"7","flag":true,"null":null,"list":[1],"object":{"a":1}})");
    struct Row {
        const char* name;
        std::optional<int32_t> int32;
        std::optional<int64_t> int64;
        std::optional<uint64_t> uint64;
        std::optional<bool> flag;
        std::optional<std::string> text;
    };
    const std::vector<Row> rows = {
        {"int", 7, 7, 7u, {}, {}},
        {"neg", -7, -7, {}, {}, {}},
        {"big", {}, 4294967296, 4294967296u, {}, {}},
        {"huge", {}, {}, std::numeric_limits<uint64_t>::max(), {}, {}},
        {"real", 2, 2, 2u, {}, {}},
        {"frac", {}, {}, {}, {}, {}},
        {"text", {}, {}, {}, {}, "7"},
        {"flag", {}, {}, {}, true, {}},
        {"null", {}, {}, {}, {}, {}},
        {"list", {}, {}, {}, {}, {}},
        {"object", {}, {}, {}, {}, {}},
        {"missing", {}, {}, {}, {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ReadJsonInt32(object, row.name), row.int32);
        EXPECT_EQ(ReadJsonInt64(object, row.name), row.int64);
        EXPECT_EQ(ReadJsonUInt64(object, row.name), row.uint64);
        EXPECT_EQ(ReadJsonBool(object, row.name), row.flag);
        EXPECT_EQ(ReadJsonString(object, row.name), row.text);
    }
    // A value that is not an object has no members.
    for (const char* text : {"[1]", "5", "\"x\"", "null", "true"}) {
        SCOPED_TRACE(text);
        const Json::Value value = Parse(text);
        EXPECT_EQ(FindJsonMember(value, "a"), nullptr);
        EXPECT_EQ(ReadJsonInt32(value, "a"), std::nullopt);
        EXPECT_EQ(ReadJsonString(value, "0"), std::nullopt);
    }
}

}  // namespace
