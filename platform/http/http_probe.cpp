// The connectivity probe: one HEAD request on the shared session, bounded in time.
#include "platform/http/curl_transfer.h"
#include "platform/http/http_session.h"

namespace zovi::platform {

bool ProbeHttpServer(const std::string& url, DWORD timeoutMs) {
    const auto share = AcquireHttpShare();
    CURL* easy = curl_easy_init();
    if (easy == nullptr) return false;
    CTransferWatch watch;
    bool ok = ApplyTransferOptions(easy, *share, watch);
    ok = ok && curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_NOBODY, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long(timeoutMs)) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(timeoutMs)) == CURLE_OK;
    bool reached = false;
    if (ok) {
        switch (PerformTransfer(easy, watch)) {
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_ABORTED_BY_CALLBACK:
        case CURLE_URL_MALFORMAT:
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_OUT_OF_MEMORY:
        case CURLE_FAILED_INIT:
            break;
        default:
            reached = true;  // a reply, or a server that spoke (TLS refused, reply cut)
            break;
        }
    }
    curl_easy_cleanup(easy);
    return reached;
}

}  // namespace zovi::platform
