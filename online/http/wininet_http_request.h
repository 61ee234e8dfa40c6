// CWinINetHttpRequest: one HTTP request over the WinINet calls, for uploads of files as
// multipart forms and downloads with progress. Held through make-shared; one thread uses
// an object, for one request.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/stream/buffer.h"
#include "platform/base/wintypes.h"
#include "platform/http/wininet.h"

// Told of download progress: the reply's Content-Length, then the bytes so far.
class IWinINetReadProgress {
public:
    virtual ~IWinINetReadProgress() = default;
    virtual void OnReadProgress(DWORD total, DWORD soFar) = 0;
};

// Receives the reply in chunks; a chunk is valid only during the call.
class IWinINetReadProgressDelegate {
public:
    virtual ~IWinINetReadProgressDelegate() = default;
    virtual void OnReadData(const BYTE* data, DWORD length) = 0;
};

// One part of a form; every text is 8-bit and sent byte for byte.
struct MultipartFormPart {
    std::string name;
    std::string value;
    bool isFile = false;
    std::string contentType;
    std::string fileName;
    std::string data;
};

class CWinINetHttpRequest {
public:
    explicit CWinINetHttpRequest(const wchar_t* agent,
                                 const std::shared_ptr<IWinINetReadProgress>& progress = nullptr);
    ~CWinINetHttpRequest();
    CWinINetHttpRequest(const CWinINetHttpRequest&) = delete;
    CWinINetHttpRequest& operator=(const CWinINetHttpRequest&) = delete;

    bool Open(const wchar_t* url, const wchar_t* verb, const std::map<std::wstring, std::wstring>& headers);
    bool SendMultipart(const std::vector<MultipartFormPart>& parts);
    bool ReceiveToMemory(zovi::core::CBuffer& buffer);
    bool ReceiveWithProgress(const std::shared_ptr<IWinINetReadProgressDelegate>& sink);
    bool QueryStatusCode(DWORD& status);
    bool QueryContentLength(DWORD& length);
    void SetError(const std::wstring& text, DWORD code);

    const std::wstring& GetErrorText() const { return m_errorText; }
    DWORD GetErrorCode() const { return m_errorCode; }
    // For callers that send the request themselves (HttpSendRequestW) before receiving.
    HINTERNET GetRequestHandle() const { return m_request; }

    // The form body for the parts with the boundary (without the request's headers).
    static std::string BuildMultipartBody(const std::vector<MultipartFormPart>& parts, const std::string& boundary);
    // 16 characters from "1234567890abcdefghijklmnopqrstuvwxyz--".
    static std::string MakeBoundary();

private:
    bool Receive(zovi::core::CBuffer* buffer, IWinINetReadProgressDelegate* sink);

    HINTERNET m_internet = nullptr;
    HINTERNET m_connection = nullptr;
    HINTERNET m_request = nullptr;
    std::wstring m_agent;
    std::wstring m_errorText;
    DWORD m_errorCode = 0;
    std::wstring m_verb;
    std::weak_ptr<IWinINetReadProgress> m_progress;
};
