#include "platform/http/wininet.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/base/utf8.h"
#include "platform/http/curl_transfer.h"
#include "platform/http/http_session.h"

namespace {

using zovi::platform::WideToUtf8;

// Reply bytes buffered before the transfer is paused until the reader catches up.
constexpr size_t kPauseThreshold = 1024 * 1024;

struct CInternetHandle {
    enum Kind { kSession, kConnection, kRequest };
    explicit CInternetHandle(Kind k) : kind(k) {}
    virtual ~CInternetHandle() = default;
    Kind kind;
};

struct CSessionHandle : CInternetHandle {
    CSessionHandle() : CInternetHandle(kSession) {}
    std::string agent;
};

struct CConnectionHandle : CInternetHandle {
    CConnectionHandle() : CInternetHandle(kConnection) {}
    std::string agent;
    std::string host;
    INTERNET_PORT port = 0;
};

struct CRequestHandle : CInternetHandle {
    CRequestHandle() : CInternetHandle(kRequest) {}
    ~CRequestHandle() override {
        if (multi != nullptr && easy != nullptr) curl_multi_remove_handle(multi, easy);
        if (easy != nullptr && sent) zovi::platform::SaveHttpCookies(easy);
        if (easy != nullptr) curl_easy_cleanup(easy);
        if (multi != nullptr) curl_multi_cleanup(multi);
        curl_slist_free_all(headers);
    }

    std::string agent;
    std::string url;
    std::string verb;
    curl_slist* headers = nullptr;
    std::shared_ptr<zovi::platform::CHttpShare> share;  // kept while the handle may use it
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    std::string body;

    bool sent = false;
    bool done = false;
    CURLcode result = CURLE_OK;
    bool headersComplete = false;
    bool sawLocation = false;
    std::string received;  // reply bytes not yet read
    size_t readOffset = 0;

    size_t Buffered() const { return received.size() - readOffset; }

    // The progress hook's record; `paused` while the reader has to catch up.
    zovi::platform::CTransferWatch watch;
};

template <class T>
T* HandleAs(HINTERNET handle, CInternetHandle::Kind kind) {
    auto* base = static_cast<CInternetHandle*>(handle);
    if (base == nullptr || base->kind != kind) {
        SetLastError(base == nullptr ? ERROR_INVALID_HANDLE : ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return nullptr;
    }
    return static_cast<T*>(base);
}

DWORD WinInetErrorFromCurl(CURLcode code) {
    switch (code) {
    case CURLE_OK: return ERROR_SUCCESS;
    case CURLE_UNSUPPORTED_PROTOCOL: return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_URL_MALFORMAT: return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST: return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE: return ERROR_INTERNET_SECURE_FAILURE;
    case CURLE_WEIRD_SERVER_REPLY: return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR: return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING: return ERROR_INTERNET_CONNECTION_ABORTED;
    default: return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

size_t OnReplyHeader(char* data, size_t size, size_t count, void* user) {
    auto* request = static_cast<CRequestHandle*>(user);
    const size_t n = size * count;
    std::string_view line(data, n);
    if (line.size() >= 9 && strncasecmp(line.data(), "location:", 9) == 0) request->sawLocation = true;
    if (line == "\r\n" || line == "\n") {
        // The end of one header block: final unless it is informational or a redirect
        // that will be followed.
        long status = 0;
        curl_easy_getinfo(request->easy, CURLINFO_RESPONSE_CODE, &status);
        const bool informational = status >= 100 && status < 200;
        const bool followed = request->verb == "GET" && status >= 300 && status < 400 && request->sawLocation;
        if (!informational && !followed) request->headersComplete = true;
        request->sawLocation = false;
    }
    return n;
}

size_t OnReplyData(char* data, size_t size, size_t count, void* user) {
    auto* request = static_cast<CRequestHandle*>(user);
    if (request->Buffered() >= kPauseThreshold) {
        request->watch.paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    request->headersComplete = true;
    request->received.append(data, size * count);
    return size * count;
}

// Drives the transfer until `ready` holds or it ended.
template <class Ready>
void Drive(CRequestHandle* request, Ready ready) {
    while (!request->done && !ready()) {
        if (request->watch.paused && request->Buffered() < kPauseThreshold) {
            request->watch.paused = false;
            curl_easy_pause(request->easy, CURLPAUSE_CONT);
            continue;
        }
        int running = 0;
        if (curl_multi_perform(request->multi, &running) != CURLM_OK) {
            request->done = true;
            request->result = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(request->multi, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                request->done = true;
                request->result = zovi::platform::TransferResult(request->watch, message->data.result);
            }
        }
        if (request->done || ready()) break;
        if (request->watch.paused) break;  // the reader has to take bytes first
        curl_multi_poll(request->multi, nullptr, 0, 100, nullptr);
    }
}

bool SetUpTransfer(CRequestHandle* request, const void* optional, DWORD optionalLength) {
    CURL* easy = request->easy;
    bool ok = true;
    auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
    request->share = zovi::platform::AcquireHttpShare();
    set(zovi::platform::ApplyTransferOptions(easy, *request->share, request->watch) ? CURLE_OK
                                                                                     : CURLE_FAILED_INIT);
    set(curl_easy_setopt(easy, CURLOPT_URL, request->url.c_str()));
    set(curl_easy_setopt(easy, CURLOPT_USERAGENT, request->agent.c_str()));
    set(curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1)));
    set(curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnReplyHeader));
    set(curl_easy_setopt(easy, CURLOPT_HEADERDATA, request));
    set(curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnReplyData));
    set(curl_easy_setopt(easy, CURLOPT_WRITEDATA, request));
    if (request->verb == "GET") {
        set(curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L));
        set(curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L));
    }
    if (optional != nullptr && optionalLength > 0) {
        request->body.assign(static_cast<const char*>(optional), optionalLength);
        set(curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request->body.size())));
        set(curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request->body.data()));
        // No "Expect: 100-continue" round trip.
        request->headers = curl_slist_append(request->headers, "Expect:");
    }
    if (request->verb == "HEAD") {
        set(curl_easy_setopt(easy, CURLOPT_NOBODY, 1L));
    } else if (request->verb != "GET" || (optional != nullptr && optionalLength > 0)) {
        set(curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request->verb.c_str()));
    }
    set(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, request->headers));
    return ok;
}

}  // namespace

HINTERNET InternetOpenW(const wchar_t* agent, DWORD accessType, const wchar_t* proxy, const wchar_t* proxyBypass,
                        DWORD) {
    // Only the preconfigured access type is offered; libcurl reads the proxy environment.
    if (accessType != INTERNET_OPEN_TYPE_PRECONFIG || proxy != nullptr || proxyBypass != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    zovi::platform::InitHttpLibrary();
    auto* session = new CSessionHandle();
    session->agent = agent != nullptr ? WideToUtf8(agent) : std::string();
    return session;
}

HINTERNET InternetConnectW(HINTERNET internet, const wchar_t* serverName, INTERNET_PORT port,
                           const wchar_t* userName, const wchar_t* password, DWORD service, DWORD,
                           ULONG_PTR) {
    auto* session = HandleAs<CSessionHandle>(internet, CInternetHandle::kSession);
    if (session == nullptr) return nullptr;
    if (serverName == nullptr || *serverName == 0 || service != INTERNET_SERVICE_HTTP || userName != nullptr ||
        password != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* connection = new CConnectionHandle();
    connection->agent = session->agent;
    connection->host = WideToUtf8(serverName);
    connection->port = port;
    return connection;
}

HINTERNET HttpOpenRequestW(HINTERNET connectionHandle, const wchar_t* verb, const wchar_t* objectName,
                           const wchar_t* version, const wchar_t* referrer, const wchar_t** acceptTypes,
                           DWORD flags, ULONG_PTR) {
    auto* connection = HandleAs<CConnectionHandle>(connectionHandle, CInternetHandle::kConnection);
    if (connection == nullptr) return nullptr;
    if (version != nullptr || referrer != nullptr || acceptTypes != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string target = objectName != nullptr ? WideToUtf8(objectName) : std::string();
    if (target.empty() || target[0] != '/') target.insert(0, "/");
    auto request = std::make_unique<CRequestHandle>();
    request->agent = connection->agent;
    request->verb = (verb != nullptr && *verb != 0) ? WideToUtf8(verb) : std::string("GET");
    const bool secure = (flags & INTERNET_FLAG_SECURE) != 0;
    request->url = std::string(secure ? "https://" : "http://") + connection->host + ":" +
                   std::to_string(connection->port) + target;
    request->multi = curl_multi_init();
    request->easy = curl_easy_init();
    if (request->multi == nullptr || request->easy == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // A fresh reply every time: nothing is cached here.
    request->headers = curl_slist_append(request->headers, "Cache-Control: no-cache");
    request->headers = curl_slist_append(request->headers, "Pragma: no-cache");
    return request.release();
}

BOOL HttpAddRequestHeadersW(HINTERNET handle, const wchar_t* headers, DWORD length, DWORD) {
    auto* request = HandleAs<CRequestHandle>(handle, CInternetHandle::kRequest);
    if (request == nullptr) return FALSE;
    if (headers == nullptr || request->sent) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring_view text = length == DWORD(-1) ? std::wstring_view(headers) : std::wstring_view(headers, length);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring_view::npos) end = text.size();
        if (end > start) {
            const std::string line = WideToUtf8(text.substr(start, end - start));
            if (line.find(':') == std::string::npos) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            request->headers = curl_slist_append(request->headers, line.c_str());
        }
        start = end + 1;
    }
    return TRUE;
}

BOOL HttpSendRequestW(HINTERNET handle, const wchar_t* headers, DWORD headersLength, const void* optional,
                      DWORD optionalLength) {
    auto* request = HandleAs<CRequestHandle>(handle, CInternetHandle::kRequest);
    if (request == nullptr) return FALSE;
    if (request->sent) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (headers != nullptr && headersLength != 0 && !HttpAddRequestHeadersW(handle, headers, headersLength, 0)) {
        return FALSE;
    }
    if (!SetUpTransfer(request, optional, optionalLength) ||
        curl_multi_add_handle(request->multi, request->easy) != CURLM_OK) {
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
        return FALSE;
    }
    request->sent = true;
    Drive(request, [request] { return request->headersComplete; });
    if (request->done && request->result != CURLE_OK && !request->headersComplete) {
        SetLastError(WinInetErrorFromCurl(request->result));
        return FALSE;
    }
    return TRUE;
}

BOOL HttpQueryInfoW(HINTERNET handle, DWORD infoLevel, void* buffer, DWORD* bufferLength, DWORD*) {
    auto* request = HandleAs<CRequestHandle>(handle, CInternetHandle::kRequest);
    if (request == nullptr) return FALSE;
    if ((infoLevel & HTTP_QUERY_FLAG_NUMBER) == 0 || buffer == nullptr || bufferLength == nullptr ||
        *bufferLength < sizeof(DWORD)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!request->sent || !request->headersComplete) {
        SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
        return FALSE;
    }
    DWORD value = 0;
    switch (infoLevel & ~HTTP_QUERY_FLAG_NUMBER) {
    case HTTP_QUERY_STATUS_CODE: {
        long status = 0;
        curl_easy_getinfo(request->easy, CURLINFO_RESPONSE_CODE, &status);
        if (status <= 0) {
            SetLastError(ERROR_HTTP_INVALID_SERVER_RESPONSE);
            return FALSE;
        }
        value = DWORD(status);
        break;
    }
    case HTTP_QUERY_CONTENT_LENGTH: {
        curl_off_t length = -1;
        curl_easy_getinfo(request->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (length < 0 || length > curl_off_t(0xFFFFFFFF)) {
            SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
            return FALSE;
        }
        value = DWORD(length);
        break;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memcpy(buffer, &value, sizeof(value));
    *bufferLength = sizeof(value);
    return TRUE;
}

BOOL InternetQueryDataAvailable(HINTERNET handle, DWORD* bytesAvailable, DWORD, ULONG_PTR) {
    auto* request = HandleAs<CRequestHandle>(handle, CInternetHandle::kRequest);
    if (request == nullptr) return FALSE;
    if (!request->sent) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Drive(request, [request] { return request->Buffered() > 0; });
    if (bytesAvailable != nullptr) *bytesAvailable = DWORD(std::min<size_t>(request->Buffered(), 0xFFFFFFFF));
    return TRUE;
}

BOOL InternetReadFile(HINTERNET handle, void* buffer, DWORD toRead, DWORD* read) {
    auto* request = HandleAs<CRequestHandle>(handle, CInternetHandle::kRequest);
    if (request == nullptr) return FALSE;
    if (read == nullptr || (buffer == nullptr && toRead > 0) || !request->sent) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *read = 0;
    Drive(request, [request, toRead] { return request->Buffered() >= toRead; });
    const size_t n = std::min<size_t>(toRead, request->Buffered());
    if (n == 0 && toRead > 0 && request->done && request->result != CURLE_OK) {
        SetLastError(request->result == CURLE_OPERATION_TIMEDOUT ? ERROR_INTERNET_TIMEOUT
                                                                 : ERROR_INTERNET_CONNECTION_ABORTED);
        return FALSE;
    }
    if (n > 0) std::memcpy(buffer, request->received.data() + request->readOffset, n);
    request->readOffset += n;
    if (request->readOffset == request->received.size()) {
        request->received.clear();
        request->readOffset = 0;
    } else if (request->readOffset >= kPauseThreshold) {
        request->received.erase(0, request->readOffset);
        request->readOffset = 0;
    }
    *read = DWORD(n);
    return TRUE;
}

BOOL InternetCloseHandle(HINTERNET handle) {
    auto* base = static_cast<CInternetHandle*>(handle);
    if (base == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete base;
    return TRUE;
}
