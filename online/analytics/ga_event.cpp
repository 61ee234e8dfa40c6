#include "online/analytics/ga_event.h"

#include <json/value.h>

#include "core/global/global.h"
#include "core/url/url.h"
#include "online/account/account_context.h"
#include "online/analytics/os_description.h"
#include "online/json/json_text.h"
#include "platform/base/utf8.h"

using zovi::platform::Utf8ToWide;
using zovi::platform::WideToUtf8;

void CGAEvent::Build() {
    CAccountContextController* context = CAccountContextController::GetInstance();
    SetField("s", context->runId);
    SetField("u", std::to_string(context->SignedInUserId()));
    SetField("v", kAnalyticsVersion);
    SetField("t", std::to_string(GetType()));
    SetField("cc", WideToUtf8(GetGlobal().channel));
    SetField("d", WideToUtf8(CAccountContextController::GetDeviceId()));
    SetField("sv", WideToUtf8(GetWindowsVersionString().description));
}

bool CGAEvent::SetField(const std::string& key, const std::string& value) {
    if (key.empty()) return false;
    return fields_.emplace(key, value).second;
}

bool CGAEvent::Serialize(std::string& out) const {
    Json::Value object(Json::objectValue);
    for (const auto& [key, value] : fields_) object[key] = value;
    out = WriteCompactJson(object);
    return !out.empty();
}

bool CGAEvent::ToQueryString(std::string& out) const {
    bool first = true;
    for (const auto& [key, value] : fields_) {
        if (value.empty()) continue;
        if (!first) out += '&';
        first = false;
        out += key + "=" + WideToUtf8(UrlEscape(Utf8ToWide(value), 1));
    }
    return true;
}

bool CGAEvent::Send() {
    std::string text;
    if (!Serialize(text)) return false;
    CPostReqGAEvent request(Utf8ToWide(text));
    // The exchange is all: its result and the reply are not looked at.
    request.Execute();
    return true;
}

CPostReqGAEvent::CPostReqGAEvent(std::wstring body) {
    SetPath(kAnalyticsEventPath);
    SetBody(std::move(body));
}

std::shared_ptr<CGAEvent> MakeGAEvent(const std::string& category, const std::string& action,
                                      const std::string& label) {
    auto event = std::make_shared<CGAEvent>();
    event->Build();
    event->SetField("c", category);
    event->SetField("a", action);
    event->SetField("l", label);
    return event;
}
