#include "online/json/json_text.h"

#include <memory>

#include <json/reader.h>
#include <json/writer.h>

#include "platform/base/utf8.h"

namespace {

std::string ValidUtf8(const std::string& text) {
    return zovi::platform::WideToUtf8(zovi::platform::Utf8ToWide(text));
}

// A copy whose texts and member names are valid UTF-8 (the raw writer copies bytes as
// they are, so an invalid sequence would make the document invalid).
Json::Value WithValidUtf8(const Json::Value& value) {
    switch (value.type()) {
        case Json::stringValue: return Json::Value(ValidUtf8(value.asString()));
        case Json::arrayValue: {
            Json::Value copy(Json::arrayValue);
            for (const Json::Value& element : value) copy.append(WithValidUtf8(element));
            return copy;
        }
        case Json::objectValue: {
            Json::Value copy(Json::objectValue);
            for (auto member = value.begin(); member != value.end(); ++member)
                copy[ValidUtf8(member.name())] = WithValidUtf8(*member);
            return copy;
        }
        default: return value;
    }
}

}  // namespace

std::string WriteCompactJson(const Json::Value& value, JsonNonAscii nonAscii) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = nonAscii == JsonNonAscii::kRawUtf8;
    std::string text = nonAscii == JsonNonAscii::kRawUtf8 ? Json::writeString(builder, WithValidUtf8(value))
                                                          : Json::writeString(builder, value);
    text += '\n';
    return text;
}

bool ParseJsonText(std::string_view text, Json::Value& value) {
    Json::Value parsed;
    try {
        Json::CharReaderBuilder builder;
        const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        if (!reader->parse(text.data(), text.data() + text.size(), &parsed, nullptr)) return false;
    } catch (const std::exception&) {  // nesting past the reader's limit
        return false;
    }
    value = std::move(parsed);
    return true;
}
