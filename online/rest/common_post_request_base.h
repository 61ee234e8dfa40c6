// CommonPostRequestBase: one REST request of the online service. A derived class sets
// the path below the API base and the JSON body in its constructor; Execute posts the
// body to "<API base><path>" and reads the reply envelope into the result; the derived
// OnResponse turns "data" into a record and tells the listener.
//
// Threads: built on the requester's thread, then handed whole to the one thread that
// runs Execute and OnResponse (a request thread of CRestAPIController, or the analytics
// sender). No locks; the listener reference is locked only inside OnResponse.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <json/value.h>

#include "online/rest/rest_api_notification.h"
#include "online/rest/rest_result.h"
#include "platform/base/wintypes.h"

class CommonPostRequestBase {
public:
    // Keeps the listener weakly (none for requests that tell nobody).
    explicit CommonPostRequestBase(const std::shared_ptr<IRestAPINotification>& listener = nullptr);

    // The whole exchange, called once: true only when a reply with status 200 came and
    // its body is a JSON object. Blocks until the reply is in or the transport failed.
    bool Execute();
    // Tells the listener of the result (when it still exists); called once after
    // Execute, whatever Execute returned.
    virtual bool OnResponse() = 0;

    const std::wstring& GetPath() const { return path_; }
    const std::wstring& GetBody() const { return body_; }
    const RestResult& GetResult() const { return result_; }

    // The five members every body but the analytics event's carries.
    static void AddCommonFields(Json::Value& body);

protected:
    // Never deleted through the base: owned as its concrete class (each one final).
    ~CommonPostRequestBase() = default;

    void SetPath(std::wstring path) { path_ = std::move(path); }
    void SetBody(std::wstring body) { body_ = std::move(body); }
    // Body = own members + the common members, in compact form.
    void SetBodyWithCommonFields(Json::Value members);
    // The listener when it still exists, else null.
    std::shared_ptr<IRestAPINotification> LockListener() const { return listener_.lock(); }
    // True when the reply's "data" may be read: the envelope said success and "data"
    // is an object (any other kind gives empty records).
    bool HasData() const { return result_.success && result_.data.isObject(); }

    // The steps of Execute.
    void SetDefaultHeaders();
    void GetUrl();
    void SetError(HRESULT hr);
    bool ParseReply();

private:
    std::wstring path_;
    std::wstring body_;
    std::vector<uint8_t> reply_;
    RestResult result_;
    std::weak_ptr<IRestAPINotification> listener_;
    std::wstring url_;
    std::map<std::wstring, std::wstring> headers_;
};
