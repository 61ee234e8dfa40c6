// The WinINet calls the HTTP client makes, over libcurl: a session (agent), a connection
// (host and port), a request (verb, object name, headers); send, status, content length,
// reads in chunks. TLS is used exactly when the request is opened with
// INTERNET_FLAG_SECURE, certificates are always verified with the host name checked,
// only http and https are spoken, and connects and stalled transfers time out.
// Failures set the last error to the WinINet code (12000-12999).
#pragma once
#include <string>

#include "platform/base/last_error.h"
#include "platform/base/wintypes.h"
#include "platform/http/http_session.h"  // the session and its test settings
#include "platform/http/internet_errors.h"

using HINTERNET = void*;
using INTERNET_PORT = WORD;

inline constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
inline constexpr DWORD INTERNET_SERVICE_HTTP = 3;
inline constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
inline constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000;
inline constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000;
inline constexpr DWORD INTERNET_FLAG_PRAGMA_NOCACHE = 0x00000100;

inline constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
inline constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
inline constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000;

// The agent is sent as User-Agent; the proxy comes from the environment (http_proxy,
// https_proxy, no_proxy), as the system's configuration would give it.
HINTERNET InternetOpenW(const wchar_t* agent, DWORD accessType, const wchar_t* proxy,
                        const wchar_t* proxyBypass, DWORD flags);
HINTERNET InternetConnectW(HINTERNET internet, const wchar_t* serverName, INTERNET_PORT port,
                           const wchar_t* userName, const wchar_t* password, DWORD service, DWORD flags,
                           ULONG_PTR context);
// objectName is the request target (path and query) as sent, already escaped. Version,
// referrer and accept types must be null (HTTP/1.1, none).
HINTERNET HttpOpenRequestW(HINTERNET connection, const wchar_t* verb, const wchar_t* objectName,
                           const wchar_t* version, const wchar_t* referrer, const wchar_t** acceptTypes,
                           DWORD flags, ULONG_PTR context);
// Adds "Name: value" lines (CR LF separated); a header of the same name replaces the
// library's own (Content-Type, User-Agent). length -1 means NUL-terminated.
BOOL HttpAddRequestHeadersW(HINTERNET request, const wchar_t* headers, DWORD length, DWORD modifiers);
// Sends the request with an optional body (sent with a Content-Length) and waits until
// the final reply's headers are in. Redirects are followed for GET.
BOOL HttpSendRequestW(HINTERNET request, const wchar_t* headers, DWORD headersLength, const void* optional,
                      DWORD optionalLength);
// STATUS_CODE or CONTENT_LENGTH with FLAG_NUMBER into a DWORD. ERROR_HTTP_HEADER_NOT_FOUND
// when the reply has no Content-Length.
BOOL HttpQueryInfoW(HINTERNET request, DWORD infoLevel, void* buffer, DWORD* bufferLength, DWORD* index);
// Waits until reply bytes are buffered or the reply ended; the count may be 0 at the end.
BOOL InternetQueryDataAvailable(HINTERNET request, DWORD* bytesAvailable, DWORD flags, ULONG_PTR context);
// Reads up to toRead bytes, waiting for them or for the end. At a clean end TRUE with 0
// bytes; a reply cut short fails with ERROR_INTERNET_CONNECTION_ABORTED.
BOOL InternetReadFile(HINTERNET file, void* buffer, DWORD toRead, DWORD* read);
BOOL InternetCloseHandle(HINTERNET handle);
