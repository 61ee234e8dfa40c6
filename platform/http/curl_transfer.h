// Inside the HTTP layer: what every libcurl transfer is built from. The shared session (a
// share of cookies, DNS answers and TLS sessions, held by each transfer while it uses it),
// the options every transfer gets, the progress hook that ends stalled transfers and
// aborts all of them once the layer is shutting down, and the cookie file's update.
#pragma once
#include <curl/curl.h>

#include <chrono>
#include <memory>

namespace zovi::platform {

class CHttpShare;

// The session transfers start from now; keep it until the easy handle is cleaned up.
std::shared_ptr<CHttpShare> AcquireHttpShare();
CURLSH* ShareHandle(const CHttpShare& share);

// The progress hook's record of one transfer.
struct CTransferWatch {
    std::chrono::steady_clock::time_point lastMoved = std::chrono::steady_clock::now();
    curl_off_t lastDown = 0;
    curl_off_t lastUp = 0;
    bool paused = false;   // the reader holds the transfer: waiting is no stall
    bool stalled = false;  // no byte moved for the stall time
    bool aborted = false;  // the layer is shutting down
};

// Protocols (http, https, also after redirects), no signals, TLS verified (with the test
// CA when set), the connect time-out, the share and the progress hook.
bool ApplyTransferOptions(CURL* easy, const CHttpShare& share, CTransferWatch& watch);
// The transfer's result with the hook's aborts told apart: a stall is a time-out.
CURLcode TransferResult(const CTransferWatch& watch, CURLcode code);
// Runs the transfer to its end on this thread, aborting at once when the layer is
// shutting down.
CURLcode PerformTransfer(CURL* easy, CTransferWatch& watch);
// Writes the share's cookies to the cookie file when they changed since the last write.
void SaveHttpCookies(CURL* easy);

}  // namespace zovi::platform
