#include "online/rest/common_post_request_base.h"

#include <cstdio>
#include <memory>

#include "core/global/global.h"
#include "online/http/api_base.h"
#include "online/json/json_text.h"
#include "online/json/json_reads.h"
#include "platform/base/hresult.h"
#include "platform/base/utf8.h"
#include "platform/fs/error_text.h"
#include "platform/http/xml_http_request.h"

using zovi::platform::Utf8ToWide;
using zovi::platform::WideToUtf8;

namespace {

constexpr int32_t kHttpOk = 200;

// The system's text for `hr`, or for the Win32 code it wraps (the HTTP layer's codes
// included), with every line break removed; empty when there is none.
std::wstring ErrorTextOf(HRESULT hr) {
    constexpr DWORD kFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    constexpr DWORD kBufferSize = 1024;
    wchar_t buffer[kBufferSize];
    const auto code = static_cast<DWORD>(hr);
    DWORD length = FormatMessageW(kFlags, nullptr, code, 0, buffer, kBufferSize, nullptr);
    const bool wrapsWin32Code = (code & 0xFFFF0000u) == 0x80070000u;
    if (length == 0 && wrapsWin32Code) {
        length = FormatMessageW(kFlags | FORMAT_MESSAGE_FROM_HMODULE, HttpErrorMessageModule(), code & 0xFFFFu,
                                0, buffer, kBufferSize, nullptr);
    }
    std::wstring text;
    for (DWORD i = 0; i < length; ++i)
        if (buffer[i] != L'\r' && buffer[i] != L'\n') text += buffer[i];
    return text;
}

}  // namespace

CommonPostRequestBase::CommonPostRequestBase(const std::shared_ptr<IRestAPINotification>& listener)
    : listener_(listener) {}

void CommonPostRequestBase::AddCommonFields(Json::Value& body) {
    body["appid"] = 0u;
    body["platform"] = 0u;
    body["channel"] = "";
    body["api"] = 1;
    body["lang"] = WideToUtf8(GetGlobal().lang);
}

void CommonPostRequestBase::SetBodyWithCommonFields(Json::Value members) {
    if (!members.isObject()) members = Json::Value(Json::objectValue);
    AddCommonFields(members);
    body_ = Utf8ToWide(WriteCompactJson(members));
}

void CommonPostRequestBase::SetDefaultHeaders() {
    headers_[L"Content-Type"] = L"application/json";
    headers_[L"Cache-Control"] = L"no-cache";
    headers_[L"If-Modified-Since"] = L"0";
}

void CommonPostRequestBase::GetUrl() { url_ = Utf8ToWide(GetApiBase()) + path_; }

void CommonPostRequestBase::SetError(HRESULT hr) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "错误码: %08X,", static_cast<unsigned>(hr));
    result_.msg = prefix + WideToUtf8(ErrorTextOf(hr));
}

bool CommonPostRequestBase::ParseReply() {
    const std::string text = WideToUtf8(Utf8ToWide(std::string_view(
        reinterpret_cast<const char*>(reply_.data()), reply_.size())));
    Json::Value root;
    if (!ParseJsonText(text, root)) return false;
    // Only an object is an envelope; anything else counts as a reply that is not JSON.
    if (!root.isObject()) return false;
    const Json::Value* data = FindJsonMember(root, "data");
    result_.data = data != nullptr ? *data : Json::Value();
    result_.msg = ReadJsonString(root, "msg").value_or(std::string());
    result_.success = ReadJsonBool(root, "success").value_or(false);
    result_.code = ReadJsonInt32(root, "code").value_or(0);
    return true;
}

bool CommonPostRequestBase::Execute() {
    SetDefaultHeaders();
    GetUrl();
    const std::unique_ptr<zovi::platform::CXmlHttpRequest> http = zovi::platform::CXmlHttpRequest::Create();
    if (!http) {
        SetError(E_FAIL);  // no transfer handle
        return false;
    }
    if (HRESULT hr = http->Open(L"POST", url_); FAILED(hr)) {
        SetError(hr);
        return false;
    }
    for (const auto& [name, value] : headers_) (void)http->SetRequestHeader(name, value);  // a refused header is skipped
    if (HRESULT hr = http->Send(body_); FAILED(hr)) {
        SetError(hr);
        return false;
    }
    int32_t status = 0;
    if (FAILED(http->GetStatus(status))) status = 0;
    result_.status = status;
    if (status != kHttpOk) return false;
    if (FAILED(http->GetResponseBody(reply_))) {
        reply_.clear();
        return false;
    }
    return ParseReply();
}
