#include "platform/http/xml_http_request.h"

#include "platform/base/utf8.h"
#include "platform/http/curl_transfer.h"
#include "platform/http/http_session.h"

namespace zovi::platform {

namespace {

constexpr long kMaxRedirects = 10;

HRESULT ResultFromCurl(CURLcode code) {
    switch (code) {
    case CURLE_OK: return S_OK;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST: return kHttpErrorNameNotResolved;
    case CURLE_COULDNT_CONNECT: return kHttpErrorCannotConnect;
    case CURLE_OPERATION_TIMEDOUT: return kHttpErrorTimeout;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_CRL_BADFILE: return kHttpErrorInvalidCa;
    case CURLE_SSL_CONNECT_ERROR: return kHttpErrorSecureChannel;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE: return kHttpErrorConnectionAborted;
    default: return E_FAIL;
    }
}

bool HasLineBreak(const std::wstring& text) { return text.find_first_of(L"\r\n") != std::wstring::npos; }

using HeaderList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

HeaderList BuildHeaderList(const std::vector<std::string>& lines, const char* last) {
    curl_slist* list = nullptr;
    auto append = [&list](const char* line) {
        curl_slist* extended = curl_slist_append(list, line);
        if (extended != nullptr) list = extended;
        return extended != nullptr;
    };
    bool ok = true;
    for (const std::string& line : lines) ok = ok && append(line.c_str());
    ok = ok && append(last);
    if (!ok) {
        curl_slist_free_all(list);
        list = nullptr;
    }
    return HeaderList(list, curl_slist_free_all);
}

size_t OnReplyData(char* data, size_t size, size_t count, void* user) {
    auto* reply = static_cast<std::vector<uint8_t>*>(user);
    reply->insert(reply->end(), data, data + size * count);
    return size * count;
}

}  // namespace

struct CXmlHttpRequest::Impl {
    ~Impl() { curl_easy_cleanup(easy); }

    void ForgetReply() {
        replied = false;
        status = 0;
        reply.clear();
    }

    CURL* easy = nullptr;
    bool used = false;                  // a transfer ran on `easy`
    std::shared_ptr<CHttpShare> share;  // kept while the handle may use it
    std::string method;
    std::string url;
    std::vector<std::string> headers;  // "Name: value" lines in the order given
    bool opened = false;
    std::string body;  // must live until the transfer ends
    CTransferWatch watch;
    bool replied = false;
    int32_t status = 0;
    std::vector<uint8_t> reply;
};

std::unique_ptr<CXmlHttpRequest> CXmlHttpRequest::Create() {
    InitHttpLibrary();  // before the first handle; the share is taken by Send
    CURL* easy = curl_easy_init();
    if (easy == nullptr) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->easy = easy;
    return std::unique_ptr<CXmlHttpRequest>(new CXmlHttpRequest(std::move(impl)));
}

CXmlHttpRequest::CXmlHttpRequest(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

CXmlHttpRequest::~CXmlHttpRequest() = default;

HRESULT CXmlHttpRequest::Open(const std::wstring& method, const std::wstring& url) {
    if (method.empty() || url.empty() || HasLineBreak(method)) return E_INVALIDARG;
    impl_->ForgetReply();
    impl_->headers.clear();
    impl_->method = WideToUtf8(method);
    impl_->url = WideToUtf8(url);
    impl_->opened = true;
    return S_OK;
}

HRESULT CXmlHttpRequest::SetRequestHeader(const std::wstring& name, const std::wstring& value) {
    if (!impl_->opened) return E_UNEXPECTED;
    if (name.empty() || name.find(L':') != std::wstring::npos || HasLineBreak(name) || HasLineBreak(value)) {
        return E_INVALIDARG;
    }
    // "Name;" is how libcurl sends a header with an empty value ("Name:" would drop it).
    impl_->headers.push_back(WideToUtf8(name) + (value.empty() ? ";" : ": " + WideToUtf8(value)));
    return S_OK;
}

HRESULT CXmlHttpRequest::Send(const std::wstring& body) {
    Impl& r = *impl_;
    if (!r.opened) return E_UNEXPECTED;
    r.ForgetReply();
    r.body = WideToUtf8(body);

    // A fresh handle for every transfer; the used one lets go of its share first.
    if (r.used) {
        curl_easy_cleanup(r.easy);
        r.easy = curl_easy_init();
        if (r.easy == nullptr) return E_OUTOFMEMORY;
    }
    r.used = true;
    r.share = AcquireHttpShare();
    CURL* easy = r.easy;
    bool ok = ApplyTransferOptions(easy, *r.share, r.watch);
    auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
    set(curl_easy_setopt(easy, CURLOPT_URL, r.url.c_str()));
    set(curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L));
    set(curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects));
    set(curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnReplyData));
    set(curl_easy_setopt(easy, CURLOPT_WRITEDATA, &r.reply));
    if (r.method == "HEAD") {
        set(curl_easy_setopt(easy, CURLOPT_NOBODY, 1L));
    } else if (r.method != "GET" || !r.body.empty()) {
        set(curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(r.body.size())));
        set(curl_easy_setopt(easy, CURLOPT_POSTFIELDS, r.body.data()));
        if (r.method != "POST") set(curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, r.method.c_str()));
    }
    // The caller's headers in its order, and no "Expect: 100-continue" round trip.
    HeaderList headers = BuildHeaderList(r.headers, "Expect:");
    if (!headers) return E_OUTOFMEMORY;
    set(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get()));
    if (!ok) return E_FAIL;

    const CURLcode result = PerformTransfer(easy, r.watch);
    SaveHttpCookies(easy);
    if (result != CURLE_OK) return ResultFromCurl(result);
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    r.status = int32_t(status);
    r.replied = true;
    return S_OK;
}

HRESULT CXmlHttpRequest::GetStatus(int32_t& status) const {
    if (!impl_->replied) return E_UNEXPECTED;
    status = impl_->status;
    return S_OK;
}

HRESULT CXmlHttpRequest::GetResponseBody(std::vector<uint8_t>& body) const {
    if (!impl_->replied) return E_UNEXPECTED;
    body = impl_->reply;
    return S_OK;
}

}  // namespace zovi::platform
