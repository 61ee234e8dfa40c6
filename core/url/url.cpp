#include "core/url/url.h"

#include <cwctype>

#include "platform/base/last_error.h"

namespace {

constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

bool IsUnsafe(wchar_t c) {
    if (c < 0x20 || c == 0x7F) return true;
    switch (c) {
    case L' ': case L'<': case L'>': case L'"': case L'#': case L'{': case L'}':
    case L'|': case L'\\': case L'^': case L'~': case L'[': case L']': case L'`':
        return true;
    default:
        return false;
    }
}

void AppendEscaped(std::wstring& out, wchar_t c) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    out.push_back(L'%');
    out.push_back(kDigits[(c >> 4) & 15]);
    out.push_back(kDigits[c & 15]);
}

bool Fail(DWORD code) {
    SetLastError(code);
    return false;
}

std::wstring Lower(std::wstring text) {
    for (auto& c : text) c = wchar_t(std::towlower(wint_t(c)));
    return text;
}

}  // namespace

void ParseQuery(const std::wstring& text, std::map<std::wstring, std::wstring>& query) {
    query.clear();
    size_t start = (!text.empty() && text[0] == L'?') ? 1 : 0;
    while (start <= text.size()) {
        size_t end = text.find(L'&', start);
        if (end == std::wstring::npos) end = text.size();
        if (end > start) {
            std::wstring item = text.substr(start, end - start);
            size_t eq = item.find(L'=');
            if (eq == std::wstring::npos) {
                query[item] = L"";
            } else {
                query[item.substr(0, eq)] = item.substr(eq + 1);
            }
        }
        start = end + 1;
    }
}

bool CrackUrl(const std::wstring& url, UrlParts& parts) {
    parts = UrlParts();
    const std::wstring text = UrlUnescape(url);
    if (text.empty()) return Fail(ERROR_INTERNET_INVALID_URL);

    const size_t colon = text.find(L"://");
    if (colon == std::wstring::npos || colon == 0) return Fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    for (size_t i = 0; i < colon; ++i) {
        wchar_t c = text[i];
        if (!(std::iswalnum(wint_t(c)) || c == L'+' || c == L'-' || c == L'.')) {
            return Fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
        }
    }
    if (colon > kUrlSchemeMax) return Fail(ERROR_INSUFFICIENT_BUFFER);
    parts.scheme = text.substr(0, colon);
    const std::wstring scheme = Lower(parts.scheme);
    WORD defaultPort = 0;
    if (scheme == L"http") {
        parts.schemeNumber = INTERNET_SCHEME_HTTP;
        defaultPort = 80;
    } else if (scheme == L"https") {
        parts.schemeNumber = INTERNET_SCHEME_HTTPS;
        defaultPort = 443;
    } else if (scheme == L"ftp") {
        parts.schemeNumber = INTERNET_SCHEME_FTP;
        defaultPort = 21;
    } else if (scheme == L"file") {
        parts.schemeNumber = INTERNET_SCHEME_FILE;
    }

    const size_t authorityStart = colon + 3;
    size_t authorityEnd = text.find_first_of(L"/?#", authorityStart);
    if (authorityEnd == std::wstring::npos) authorityEnd = text.size();
    std::wstring authority = text.substr(authorityStart, authorityEnd - authorityStart);

    const size_t at = authority.rfind(L'@');
    if (at != std::wstring::npos) {
        std::wstring userInfo = authority.substr(0, at);
        authority.erase(0, at + 1);
        const size_t sep = userInfo.find(L':');
        parts.user = userInfo.substr(0, sep);
        if (sep != std::wstring::npos) parts.password = userInfo.substr(sep + 1);
    }

    std::wstring portText;
    if (!authority.empty() && authority[0] == L'[') {
        const size_t close = authority.find(L']');
        if (close == std::wstring::npos) return Fail(ERROR_INTERNET_INVALID_URL);
        parts.host = authority.substr(0, close + 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != L':') return Fail(ERROR_INTERNET_INVALID_URL);
            portText = authority.substr(close + 2);
        }
    } else {
        const size_t sep = authority.rfind(L':');
        parts.host = authority.substr(0, sep);
        if (sep != std::wstring::npos) portText = authority.substr(sep + 1);
    }

    parts.port = defaultPort;
    if (!portText.empty()) {
        unsigned long value = 0;
        for (wchar_t c : portText) {
            if (c < L'0' || c > L'9') return Fail(ERROR_INTERNET_INVALID_URL);
            value = value * 10 + unsigned(c - L'0');
            if (value > 65535) return Fail(ERROR_INTERNET_INVALID_URL);
        }
        parts.port = WORD(value);
    }

    size_t extraStart = text.find_first_of(L"?#", authorityEnd);
    if (extraStart == std::wstring::npos) extraStart = text.size();
    parts.path = text.substr(authorityEnd, extraStart - authorityEnd);
    parts.extra = text.substr(extraStart);

    if ((parts.schemeNumber == INTERNET_SCHEME_HTTP || parts.schemeNumber == INTERNET_SCHEME_HTTPS) &&
        parts.host.empty()) {
        return Fail(ERROR_INTERNET_INVALID_URL);
    }
    if (parts.host.size() > kUrlHostMax || parts.user.size() > kUrlUserMax ||
        parts.password.size() > kUrlPasswordMax || parts.path.size() > kUrlPathMax ||
        parts.extra.size() > kUrlExtraMax) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    ParseQuery(parts.extra, parts.query);
    return true;
}

std::wstring UrlEscape(const std::wstring& text, int mode) {
    const bool segmentOnly = (mode == 1);
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (!segmentOnly && (c == L'?' || c == L'#')) break;
        if (c > 0x7F) {
            out.push_back(c);
        } else if (IsUnsafe(c) || (segmentOnly && (c == L'/' || c == L'?' || c == L'%'))) {
            AppendEscaped(out, c);
        } else if (segmentOnly && c == L'=') {
            out += L"%3D";
        } else {
            out.push_back(c);
        }
    }
    out.append(text, i, std::wstring::npos);
    return out;
}

std::wstring UrlUnescape(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out.push_back(wchar_t(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    if (out.size() >= kUrlBufferLength) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return {};
    }
    return out;
}
