// What every libcurl transfer of the program shares: the library's one-time start, one
// share (cookies, DNS answers, TLS sessions) used by all threads, the cookie file it is
// kept in, and the settings every transfer gets (protocols, TLS verification, time-outs,
// the abort hook of the shutting-down flag). Every call may come from any thread.
#pragma once
#include <string>

#include "platform/base/wintypes.h"

namespace zovi::platform {

// Starts libcurl once; call at program start before any thread. Later calls do nothing.
void InitHttpLibrary();

// The file the cookies are kept in (UTF-8 path; created mode 0600, replaced atomically
// after every request). The next transfer loads the cookies it holds into a new share; an empty
// path keeps cookies in memory only.
void SetHttpCookieFile(const std::string& path);
std::string GetHttpCookieFile();

// Tests only: a "restart" of the session: the share is dropped (cookies, DNS, TLS
// sessions) and made again from the cookie file.
void ReloadHttpSessionForTesting();
// Tests only: the CA bundle that verifies servers (empty: the system's store).
void SetHttpCaFileForTesting(const std::string& path);
// Tests only: the connect time-out and the stall time (no byte moved for that long) in ms.
// Defaults: 60 s and 60 s.
void SetHttpTimeoutsForTesting(DWORD connectMs, DWORD stallMs);

// A HEAD request to `url` that must finish within `timeoutMs`: true when a reply (any
// status) or a TLS answer came back, false when the name does not resolve, the connect
// is refused, or the time ran out.
bool ProbeHttpServer(const std::string& url, DWORD timeoutMs);

}  // namespace zovi::platform
