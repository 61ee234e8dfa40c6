// The outcome of one REST request: the HTTP status and the reply envelope's members.
// A plain copyable record; listeners get it by reference and copy it before crossing
// threads. Texts are 8-bit (UTF-8 here).
#pragma once
#include <cstdint>
#include <string>

#include <json/value.h>

struct RestResult {
    int32_t status = 0;   // the HTTP status; 0 while none was read
    int32_t code = -1;    // the envelope's "code"
    bool success = false; // the envelope's "success"
    std::string msg;      // the envelope's "msg", or the transport's error text
    Json::Value data;     // the envelope's "data", kept whole (null when absent)
};
