// The shared session: one libcurl share for every thread, and the cookie file it is kept
// in (replaced in one step, private to the user). Cookie values are never logged.
#include "platform/http/http_session.h"

#include <array>
#include <fstream>
#include <mutex>

#include "platform/base/last_error.h"
#include "platform/base/utf8.h"
#include "platform/fs/private_file.h"
#include "platform/http/curl_transfer.h"

namespace zovi::platform {

class CHttpShare {
public:
    CHttpShare() {
        handle = curl_share_init();
        if (handle == nullptr) return;
        curl_share_setopt(handle, CURLSHOPT_LOCKFUNC, Lock);
        curl_share_setopt(handle, CURLSHOPT_UNLOCKFUNC, Unlock);
        curl_share_setopt(handle, CURLSHOPT_USERDATA, this);
        curl_share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        curl_share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }
    ~CHttpShare() {
        if (handle != nullptr) curl_share_cleanup(handle);
    }
    CHttpShare(const CHttpShare&) = delete;
    CHttpShare& operator=(const CHttpShare&) = delete;

    CURLSH* handle = nullptr;

private:
    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<CHttpShare*>(user)->locks_[Slot(data)].lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<CHttpShare*>(user)->locks_[Slot(data)].unlock();
    }
    static size_t Slot(curl_lock_data data) {
        return data >= 0 && data < CURL_LOCK_DATA_LAST ? size_t(data) : size_t(CURL_LOCK_DATA_SHARE);
    }

    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
};

CURLSH* ShareHandle(const CHttpShare& share) { return share.handle; }

namespace {

struct SessionState {
    std::mutex lock;  // held while the share is replaced and while the cookie file is written
    std::shared_ptr<CHttpShare> share;
    std::string cookieFile;
    std::string savedCookies;  // the text last written, so unchanged cookies are not rewritten
};

// Never destroyed: request threads may still finish while the program's statics go.
SessionState& State() {
    static SessionState* state = new SessionState();
    return *state;
}

constexpr char kCookieFileHeader[] = "# Netscape HTTP Cookie File\n";

bool IsCookieLine(const std::string& line) {
    if (line.empty()) return false;
    return line[0] != '#' || line.rfind("#HttpOnly_", 0) == 0;
}

void LoadCookies(const CHttpShare& share, const std::string& path) {
    if (path.empty() || share.handle == nullptr) return;
    std::ifstream file(path);
    if (!file) return;
    CURL* easy = curl_easy_init();
    if (easy == nullptr) return;
    curl_easy_setopt(easy, CURLOPT_SHARE, share.handle);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (IsCookieLine(line)) curl_easy_setopt(easy, CURLOPT_COOKIELIST, line.c_str());
    }
    curl_easy_cleanup(easy);
}

void ResetShareLocked(SessionState& state) {
    state.share = std::make_shared<CHttpShare>();
    state.savedCookies.clear();
    LoadCookies(*state.share, state.cookieFile);
}

}  // namespace

void InitHttpLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::shared_ptr<CHttpShare> AcquireHttpShare() {
    InitHttpLibrary();
    SessionState& state = State();
    std::lock_guard guard(state.lock);
    if (!state.share) ResetShareLocked(state);
    return state.share;
}

void SaveHttpCookies(CURL* easy) {
    SessionState& state = State();
    // Listing and writing under one lock keeps the newest list the last one written.
    std::lock_guard guard(state.lock);
    if (state.cookieFile.empty()) return;
    curl_slist* cookies = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &cookies) != CURLE_OK) return;
    std::string text = kCookieFileHeader;
    for (curl_slist* item = cookies; item != nullptr; item = item->next) {
        text += item->data;
        text += '\n';
    }
    curl_slist_free_all(cookies);
    if (text == state.savedCookies) return;
    // The caller's last error stays what its transfer left.
    const DWORD lastError = GetLastError();
    if (ReplacePrivateFile(DecodeUtf8Lossless(state.cookieFile), text.data(), text.size())) {
        state.savedCookies = std::move(text);
    }
    SetLastError(lastError);
}

void SetHttpCookieFile(const std::string& path) {
    InitHttpLibrary();
    SessionState& state = State();
    std::lock_guard guard(state.lock);
    state.cookieFile = path;
    // The first transfer loads the file, so start-up pays nothing in modes that never
    // go online.
    state.share.reset();
    state.savedCookies.clear();
}

std::string GetHttpCookieFile() {
    SessionState& state = State();
    std::lock_guard guard(state.lock);
    return state.cookieFile;
}

void ReloadHttpSessionForTesting() {
    InitHttpLibrary();
    SessionState& state = State();
    std::lock_guard guard(state.lock);
    ResetShareLocked(state);
}

}  // namespace zovi::platform
