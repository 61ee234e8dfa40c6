// The options and the progress hook every transfer gets, and the loop that runs one
// transfer on the caller's thread.
#include <atomic>
#include <mutex>
#include <string>

#include "platform/http/curl_transfer.h"
#include "platform/http/http_session.h"
#include "platform/http/http_shutdown.h"

namespace zovi::platform {

namespace {

// How long the transfer loop waits for its sockets before it looks at the flag again.
constexpr long kPollMs = 50;

std::mutex g_settingsLock;
std::string g_caFile;
std::atomic<DWORD> g_connectTimeoutMs{60000};
std::atomic<DWORD> g_stallMs{60000};

std::string CaFile() {
    std::lock_guard guard(g_settingsLock);
    return g_caFile;
}

int OnTransferProgress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
    auto* watch = static_cast<CTransferWatch*>(user);
    if (IsHttpShuttingDown()) {
        watch->aborted = true;
        return 1;
    }
    const auto now = std::chrono::steady_clock::now();
    if (down != watch->lastDown || up != watch->lastUp || watch->paused) {
        watch->lastDown = down;
        watch->lastUp = up;
        watch->lastMoved = now;
        return 0;
    }
    if (now - watch->lastMoved > std::chrono::milliseconds(g_stallMs.load())) {
        watch->stalled = true;
        return 1;
    }
    return 0;
}

}  // namespace

bool ApplyTransferOptions(CURL* easy, const CHttpShare& share, CTransferWatch& watch) {
    bool ok = true;
    auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
    set(curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L));
    set(curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L));
    const std::string caFile = CaFile();
    if (!caFile.empty()) set(curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.c_str()));
    set(curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(g_connectTimeoutMs.load())));
    if (ShareHandle(share) != nullptr) set(curl_easy_setopt(easy, CURLOPT_SHARE, ShareHandle(share)));
    // Turns the cookie engine on (the share holds the cookies; no file is read here).
    set(curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""));
    watch = CTransferWatch();
    set(curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnTransferProgress));
    set(curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &watch));
    set(curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L));
    return ok;
}

CURLcode TransferResult(const CTransferWatch& watch, CURLcode code) {
    if (code == CURLE_ABORTED_BY_CALLBACK && watch.stalled && !watch.aborted) return CURLE_OPERATION_TIMEDOUT;
    return code;
}

CURLcode PerformTransfer(CURL* easy, CTransferWatch& watch) {
    if (IsHttpShuttingDown()) {
        watch.aborted = true;
        return CURLE_ABORTED_BY_CALLBACK;
    }
    CURLM* multi = curl_multi_init();
    if (multi == nullptr) return CURLE_OUT_OF_MEMORY;
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        curl_multi_cleanup(multi);
        return CURLE_FAILED_INIT;
    }
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        bool done = false;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                done = true;
                result = message->data.result;
            }
        }
        if (done) break;
        if (IsHttpShuttingDown()) {
            watch.aborted = true;
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
    }
    curl_multi_remove_handle(multi, easy);
    curl_multi_cleanup(multi);
    return TransferResult(watch, result);
}

void SetHttpCaFileForTesting(const std::string& path) {
    std::lock_guard guard(g_settingsLock);
    g_caFile = path;
}

void SetHttpTimeoutsForTesting(DWORD connectMs, DWORD stallMs) {
    g_connectTimeoutMs = connectMs;
    g_stallMs = stallMs;
}

}  // namespace zovi::platform
