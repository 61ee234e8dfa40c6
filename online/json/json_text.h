// JSON text: the compact form used for every REST body, analytics event and stored JSON
// text (no white space, object members in ascending byte order of their names, one "\n"
// after the document), and a reader that never throws.
#pragma once
#include <string>
#include <string_view>

#include <json/value.h>

enum class JsonNonAscii {
    kEscaped,  // every non-ASCII character as \uXXXX (surrogate pairs past U+FFFF): the
               // service's wire form, byte for byte what jsoncpp's FastWriter writes
    kRawUtf8,  // non-ASCII characters as their UTF-8 bytes
};

// Texts are taken as UTF-8; an invalid sequence is written as U+FFFD.
std::string WriteCompactJson(const Json::Value& value, JsonNonAscii nonAscii = JsonNonAscii::kEscaped);

// False (and `value` untouched) when `text` is not one JSON value, including a document
// nested past the reader's limit.
bool ParseJsonText(std::string_view text, Json::Value& value);
