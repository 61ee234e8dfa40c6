#include "online/http/wininet_http_request.h"

#include <algorithm>
#include <random>

#include "core/url/url.h"
#include "platform/base/wformat.h"

namespace {

constexpr DWORD kReadBufferSize = 524288;

// The request target as the URL gives it, still escaped: from the path to the end,
// without a fragment.
std::wstring RequestTarget(const std::wstring& url) {
    const size_t schemeEnd = url.find(L"://");
    const size_t start = schemeEnd == std::wstring::npos ? std::wstring::npos : url.find_first_of(L"/?#", schemeEnd + 3);
    if (start == std::wstring::npos) return L"/";
    std::wstring target = url.substr(start, url.find(L'#', start) - start);
    if (target.empty() || target[0] != L'/') target.insert(0, L"/");
    return target;
}

}  // namespace

CWinINetHttpRequest::CWinINetHttpRequest(const wchar_t* agent, const std::shared_ptr<IWinINetReadProgress>& progress)
    : m_agent(agent != nullptr ? agent : L""), m_progress(progress) {}

CWinINetHttpRequest::~CWinINetHttpRequest() {
    if (m_request != nullptr) InternetCloseHandle(m_request);
    if (m_connection != nullptr) InternetCloseHandle(m_connection);
    if (m_internet != nullptr) InternetCloseHandle(m_internet);
}

void CWinINetHttpRequest::SetError(const std::wstring& text, DWORD code) {
    m_errorText = text;
    m_errorCode = code;
}

bool CWinINetHttpRequest::Open(const wchar_t* url, const wchar_t* verb,
                               const std::map<std::wstring, std::wstring>& headers) {
    m_verb = verb != nullptr ? verb : L"";
    const std::wstring urlText = url != nullptr ? url : L"";
    UrlParts parts;
    if (!CrackUrl(urlText, parts)) {
        SetError(L"cracking url", GetLastError());
        return false;
    }
    // Only http and https are spoken.
    if (parts.schemeNumber != INTERNET_SCHEME_HTTP && parts.schemeNumber != INTERNET_SCHEME_HTTPS) {
        SetError(L"cracking url", ERROR_INTERNET_UNRECOGNIZED_SCHEME);
        return false;
    }
    m_internet = InternetOpenW(m_agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (m_internet == nullptr) {
        SetError(L"opening internet", GetLastError());
        return false;
    }
    m_connection = InternetConnectW(m_internet, parts.host.c_str(), parts.port, nullptr, nullptr,
                                    INTERNET_SERVICE_HTTP, 0, 0);
    if (m_connection == nullptr) {
        SetError(L"connecting to host", GetLastError());
        return false;
    }
    // TLS exactly when the scheme asks for it, on any port; the target keeps its query
    // and its escapes.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
    if (parts.schemeNumber == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    m_request = HttpOpenRequestW(m_connection, m_verb.c_str(), RequestTarget(urlText).c_str(), nullptr, nullptr,
                                 nullptr, flags, 0);
    if (m_request == nullptr) {
        SetError(L"opening request", GetLastError());
        return false;
    }
    for (const auto& [name, value] : headers) {
        const std::wstring line = zovi::platform::FormatWide(L"%s: %s", name.c_str(), value.c_str());
        HttpAddRequestHeadersW(m_request, line.c_str(), DWORD(line.size()), 0);
    }
    // Certificate name, date and chain checks stay on: nothing is added to the request's
    // security flags.
    return true;
}

std::string CWinINetHttpRequest::MakeBoundary() {
    static const char kAlphabet[] = "1234567890abcdefghijklmnopqrstuvwxyz--";
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, 37);
    std::string boundary;
    for (int i = 0; i < 16; ++i) boundary.push_back(kAlphabet[pick(generator)]);
    return boundary;
}

std::string CWinINetHttpRequest::BuildMultipartBody(const std::vector<MultipartFormPart>& parts,
                                                    const std::string& boundary) {
    std::string body;
    for (const auto& part : parts) {
        body += "--" + boundary + "\r\n";
        if (part.isFile) {
            body += "Content-Disposition: form-data; name=\"file\"; filename=\"" + part.fileName +
                    "\"\r\nContent-Type: " + part.contentType + "\r\n\r\n";
            body += part.data;
            body += "\r\n";
        } else {
            body += "Content-Disposition: form-data; name=\"" + part.name + "\"\r\n\r\n" + part.value + "\r\n";
        }
    }
    body += "--" + boundary + "--\r\n";
    return body;
}

bool CWinINetHttpRequest::SendMultipart(const std::vector<MultipartFormPart>& parts) {
    if (parts.empty() || m_request == nullptr) return false;
    const std::string boundary = MakeBoundary();
    const std::string body = BuildMultipartBody(parts, boundary);
    if (body.size() > 0xFFFFFFFFu) return false;
    const std::wstring header = zovi::platform::FormatWide(L"Content-Type: multipart/form-data; boundary=%S",
                                                           boundary.c_str());
    if (!HttpAddRequestHeadersW(m_request, header.c_str(), DWORD(header.size()), 0)) return false;
    return HttpSendRequestW(m_request, nullptr, 0, body.data(), DWORD(body.size())) != FALSE;
}

bool CWinINetHttpRequest::QueryStatusCode(DWORD& status) {
    if (m_request == nullptr) return false;
    DWORD length = sizeof(status);
    return HttpQueryInfoW(m_request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr) !=
           FALSE;
}

bool CWinINetHttpRequest::QueryContentLength(DWORD& contentLength) {
    if (m_request == nullptr) return false;
    DWORD length = sizeof(contentLength);
    return HttpQueryInfoW(m_request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &contentLength, &length,
                          nullptr) != FALSE;
}

bool CWinINetHttpRequest::ReceiveToMemory(zovi::core::CBuffer& buffer) { return Receive(&buffer, nullptr); }

bool CWinINetHttpRequest::ReceiveWithProgress(const std::shared_ptr<IWinINetReadProgressDelegate>& sink) {
    if (!sink) return false;
    return Receive(nullptr, sink.get());
}

bool CWinINetHttpRequest::Receive(zovi::core::CBuffer* buffer, IWinINetReadProgressDelegate* sink) {
    if (m_request == nullptr) return false;
    DWORD status = 0;
    if (!QueryStatusCode(status)) {
        SetError(L"retrieving status code", GetLastError());
        return false;
    }
    if (status < 200 || status > 299) {
        SetError(L"checking status code", 1);
        return false;
    }
    DWORD contentLength = 0;
    if (!QueryContentLength(contentLength) || contentLength == 0) {
        SetError(L"retrieving content length", GetLastError());
        return m_verb == L"DELETE";
    }
    std::vector<BYTE> readBuffer(kReadBufferSize);
    DWORD soFar = 0;
    while (soFar < contentLength) {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(m_request, &available, 0, 0)) {
            SetError(L"retrieving data", GetLastError());
            return false;
        }
        DWORD read = 0;
        const DWORD want = std::min(contentLength - soFar, kReadBufferSize);
        if (!InternetReadFile(m_request, readBuffer.data(), want, &read)) {
            SetError(L"reading data", GetLastError());
            return false;
        }
        if (read == 0) {
            SetError(L"reading data", ERROR_INTERNET_CONNECTION_ABORTED);
            return false;
        }
        soFar += read;
        if (buffer != nullptr) {
            if (!buffer->Append(readBuffer.data(), read)) {
                SetError(L"reading data", ERROR_NOT_ENOUGH_MEMORY);
                return false;
            }
        } else {
            sink->OnReadData(readBuffer.data(), read);
        }
        if (auto progress = m_progress.lock()) progress->OnReadProgress(contentLength, soFar);
    }
    return true;
}
