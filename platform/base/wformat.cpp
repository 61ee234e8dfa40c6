#include "platform/base/wformat.h"

#include <cerrno>
#include <clocale>
#include <cwchar>
#include <locale.h>
#include <vector>

namespace zovi::platform {

namespace {

bool IsFlagOrWidth(wchar_t c) {
    return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0' || c == L'.' ||
           c == L'*' || c == L'\'' || (c >= L'1' && c <= L'9');
}

// Narrow arguments are UTF-8 whatever the process locale is.
locale_t Utf8Locale() {
    static locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    }();
    return locale;
}

constexpr size_t kMaxResultChars = 64u << 20;

}  // namespace

std::wstring ToGlibcWideFormat(const wchar_t* format) {
    std::wstring out;
    if (!format) return out;
    for (const wchar_t* p = format; *p;) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        out += *p++;
        if (*p == L'%') {
            out += *p++;
            continue;
        }
        while (*p && IsFlagOrWidth(*p)) out += *p++;
        // Length modifiers, with the system's I64 / I32 / I forms.
        std::wstring length;
        for (;;) {
            if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
                length += L"ll";
                p += 3;
            } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
                p += 3;
            } else if (p[0] == L'I') {
                length += L"z";
                p += 1;
            } else if (*p == L'h' || *p == L'l' || *p == L'L' || *p == L'q' || *p == L'j' ||
                       *p == L'z' || *p == L't' || *p == L'w') {
                length += (*p == L'w') ? L'l' : *p;
                ++p;
            } else {
                break;
            }
        }
        wchar_t conversion = *p;
        if (!conversion) {
            out += length;
            break;
        }
        ++p;
        if (conversion == L's' || conversion == L'c') {
            if (length == L"h")
                out += conversion;  // narrow
            else {
                out += L'l';
                out += conversion;  // wide
            }
        } else if (conversion == L'S' || conversion == L'C') {
            out += (length == L"l") ? L"l" : L"";
            out += conversion == L'S' ? L's' : L'c';
        } else {
            out += length;
            out += conversion;
        }
    }
    return out;
}

std::wstring FormatWide(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring result = FormatWideV(format, args);
    va_end(args);
    return result;
}

std::wstring FormatWideV(const wchar_t* format, va_list args) {
    if (!format) return {};
    const std::wstring glibcFormat = ToGlibcWideFormat(format);
    locale_t previous = uselocale(Utf8Locale());
    std::vector<wchar_t> buffer(256);
    std::wstring result;
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        errno = 0;
        int written = vswprintf(buffer.data(), buffer.size(), glibcFormat.c_str(), copy);
        va_end(copy);
        if (written >= 0) {
            result.assign(buffer.data(), static_cast<size_t>(written));
            break;
        }
        // -1 is either "too small" (grow until the cap) or an encoding error (EILSEQ).
        if (errno == EILSEQ || buffer.size() >= kMaxResultChars) break;
        buffer.resize(buffer.size() * 4);
    }
    uselocale(previous);
    return result;
}

}  // namespace zovi::platform
