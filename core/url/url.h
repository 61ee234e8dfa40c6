// URL services for HTTP work: splitting a URL into its parts with its query parameters,
// and percent-escaping and unescaping in the manner of the system's shell functions.
#pragma once
#include <map>
#include <string>

#include "platform/base/wintypes.h"

enum INTERNET_SCHEME : int {
    INTERNET_SCHEME_UNKNOWN = -1,
    INTERNET_SCHEME_FTP = 1,
    INTERNET_SCHEME_HTTP = 3,
    INTERNET_SCHEME_HTTPS = 4,
    INTERNET_SCHEME_FILE = 5,
};

// The largest text each part may hold (characters, without the terminator).
inline constexpr size_t kUrlSchemeMax = 31;
inline constexpr size_t kUrlHostMax = 255;
inline constexpr size_t kUrlUserMax = 127;
inline constexpr size_t kUrlPasswordMax = 127;
inline constexpr size_t kUrlPathMax = 2047;
inline constexpr size_t kUrlExtraMax = 2047;
// The buffer of the unescaping (characters, with the terminator).
inline constexpr size_t kUrlBufferLength = 2084;

struct UrlParts {
    INTERNET_SCHEME schemeNumber = INTERNET_SCHEME_UNKNOWN;
    std::wstring scheme;
    std::wstring host;
    WORD port = 0;
    std::wstring user;
    std::wstring password;
    std::wstring path;
    std::wstring extra;  // the query (with its "?") and any fragment
    std::map<std::wstring, std::wstring> query;
};

// Splits "scheme://[user[:password]@]host[:port][/path][?query][#fragment]" after
// unescaping it. A missing port is the scheme's default (ftp 21, http 80, https 443).
// False when the URL has no "scheme://", a bad port, a part longer than its buffer, or
// (for http and https) no host.
bool CrackUrl(const std::wstring& url, UrlParts& parts);

// Parses query text into `query`: a leading "?" is dropped, the text is cut at "&"
// (empty items skipped), each item split at its first "="; later names replace earlier ones.
void ParseQuery(const std::wstring& text, std::map<std::wstring, std::wstring>& query);

// Percent-escapes the unsafe characters (space, controls, < > " # { } | \ ^ ~ [ ] `) up
// to the first "?" or "#"; characters above 0x7F stay as they are. Mode 1 treats the
// whole text as one segment: "/", "?", "#" and "%" are escaped too, and "=" becomes
// "%3D". The result has any length.
std::wstring UrlEscape(const std::wstring& text, int mode);

// Turns every "%XX" into the one character with that code; other text stays. Empty when
// the result does not fit the 2084-character buffer.
std::wstring UrlUnescape(const std::wstring& text);
