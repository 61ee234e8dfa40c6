// One analytics event: a flat map of 8-bit texts (UTF-8 here) that is sent as one JSON
// object to "/v1/app/event". Build completes it with the standard members (run id, user,
// version, type, channel, device, system); the poster adds "c", "a" and "l".
//
// Threads: built completely on the posting thread, then only read; Send runs on the
// analytics sender thread.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "online/rest/common_post_request_base.h"

class CGAEvent {
public:
    virtual ~CGAEvent() = default;

    // Sets the seven standard members: "s", "u", "v", "t", "cc", "d", "sv", in that order.
    virtual void Build();
    // Adds `key` = `value`; false, and nothing changed, when `key` is empty or present.
    virtual bool SetField(const std::string& key, const std::string& value);
    // out = the event's compact JSON text; true when it is not empty.
    virtual bool Serialize(std::string& out) const;
    // Appends "k=v&k=v" in key order, skipping empty values; values are URL-escaped as
    // one segment, keys as they are.
    virtual bool ToQueryString(std::string& out) const;
    virtual bool IsBlocking(int) const { return false; }
    // Posts the event and waits for the exchange; the reply is not looked at. False only
    // when the event has no text.
    virtual bool Send();
    virtual int32_t GetType() const { return 0; }

    const std::map<std::string, std::string>& Fields() const { return fields_; }

private:
    std::map<std::string, std::string> fields_;
};

// The event request: the body is the event's JSON alone, without the common members.
class CPostReqGAEvent final : public CommonPostRequestBase {
public:
    explicit CPostReqGAEvent(std::wstring body);
    bool OnResponse() override { return true; }
};

// A built event with "c" = category, "a" = action, "l" = label.
std::shared_ptr<CGAEvent> MakeGAEvent(const std::string& category, const std::string& action,
                                      const std::string& label);

// The program version every event carries.
inline constexpr const char* kAnalyticsVersion = "1.1.5";
// The request path of the events.
inline constexpr const wchar_t* kAnalyticsEventPath = L"/v1/app/event";
