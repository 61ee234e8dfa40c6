// The XMLHTTP request object over libcurl: one synchronous request per object. Open, add
// headers (sent in the order given), Send (the body goes out as UTF-8), then read the
// status and the reply bytes. Redirects are followed (at most 10), TLS is verified, and
// connects and stalled transfers time out; the shared session keeps cookies, DNS answers
// and TLS sessions for every thread.
//
// Threads: an object belongs to the thread that uses it (Send blocks that thread); any
// number of objects may run at once on different threads.
//
// Transport failures come back as the HRESULTs of the WinINet codes:
//   name not resolved 0x80072EE7, cannot connect 0x80072EFD, timed out 0x80072EE2,
//   certificate not trusted 0x80072F0D, TLS handshake failed 0x80072F7D,
//   connection closed without (a full) reply 0x80072EFE; anything else E_FAIL.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/hresult.h"
#include "platform/http/internet_errors.h"

namespace zovi::platform {

inline constexpr HRESULT kHttpErrorNameNotResolved = HRESULT_FROM_WIN32(ERROR_INTERNET_NAME_NOT_RESOLVED);
inline constexpr HRESULT kHttpErrorCannotConnect = HRESULT_FROM_WIN32(ERROR_INTERNET_CANNOT_CONNECT);
inline constexpr HRESULT kHttpErrorTimeout = HRESULT_FROM_WIN32(ERROR_INTERNET_TIMEOUT);
inline constexpr HRESULT kHttpErrorInvalidCa = HRESULT_FROM_WIN32(ERROR_INTERNET_INVALID_CA);
inline constexpr HRESULT kHttpErrorSecureChannel = HRESULT_FROM_WIN32(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
inline constexpr HRESULT kHttpErrorConnectionAborted = HRESULT_FROM_WIN32(ERROR_INTERNET_CONNECTION_ABORTED);

class CXmlHttpRequest {
public:
    // Null only when no transfer handle can be made.
    static std::unique_ptr<CXmlHttpRequest> Create();
    ~CXmlHttpRequest();
    CXmlHttpRequest(const CXmlHttpRequest&) = delete;
    CXmlHttpRequest& operator=(const CXmlHttpRequest&) = delete;

    // Synchronous only. E_INVALIDARG for an empty method or URL; opening again forgets
    // the headers and the reply of the previous use.
    HRESULT Open(const std::wstring& method, const std::wstring& url);
    // E_UNEXPECTED before Open; E_INVALIDARG for an empty name or a line break.
    HRESULT SetRequestHeader(const std::wstring& name, const std::wstring& value);
    // Blocks until the whole reply is in or the transfer failed. S_OK for any HTTP
    // status. An empty body sends none (a POST then has Content-Length 0).
    HRESULT Send(const std::wstring& body);
    // E_UNEXPECTED when no reply came in.
    HRESULT GetStatus(int32_t& status) const;
    HRESULT GetResponseBody(std::vector<uint8_t>& body) const;

private:
    struct Impl;
    explicit CXmlHttpRequest(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace zovi::platform
