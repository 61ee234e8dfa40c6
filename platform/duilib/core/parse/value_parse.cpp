#include "platform/duilib/core/parse/value_parse.h"

#include <climits>
#include <cwctype>
#include <string_view>

namespace DuiLib {
namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool ParseIntView(std::wstring_view text, int* value) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && text.front() == L'-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    long long result = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        result = result * 10 + (c - L'0');
        if (result > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) result = -result;
    if (result > INT_MAX || result < INT_MIN) return false;
    *value = static_cast<int>(result);
    return true;
}

// Comma-separated integers; false when any of them does not parse.
bool ParseIntList(const wchar_t* text, std::vector<int>* numbers) {
    if (!text) return false;
    std::wstring_view rest(text);
    while (true) {
        const size_t comma = rest.find(L',');
        int number = 0;
        if (!ParseIntView(rest.substr(0, comma), &number)) return false;
        numbers->push_back(number);
        if (comma == std::wstring_view::npos) return true;
        rest.remove_prefix(comma + 1);
    }
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

std::wstring SlashPath(std::wstring_view path) {
    std::wstring result(path);
    for (wchar_t& c : result) {
        if (c == L'\\') c = L'/';
    }
    return result;
}

// One key='value' (or key="value") pair from `rest`, which is advanced past it.
bool NextPair(std::wstring_view* rest, std::wstring_view* key, std::wstring_view* value) {
    std::wstring_view text = *rest;
    const size_t equals = text.find(L'=');
    if (equals == std::wstring_view::npos) return false;
    *key = Trim(text.substr(0, equals));
    if (key->empty()) return false;
    for (wchar_t c : *key) {
        if (IsSpace(c) || c == L'\'' || c == L'"') return false;
    }
    text.remove_prefix(equals + 1);
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    if (text.empty() || (text.front() != L'\'' && text.front() != L'"')) return false;
    const wchar_t quote = text.front();
    text.remove_prefix(1);
    const size_t close = text.find(quote);
    if (close == std::wstring_view::npos) return false;
    *value = text.substr(0, close);
    text.remove_prefix(close + 1);
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    *rest = text;
    return true;
}

bool ParseRectView(std::wstring_view text, RECT* rect) {
    const std::wstring copy(text);
    return ParseRect(copy.c_str(), rect);
}

// Whether the reference is written as key='value' pairs rather than a plain path.
bool IsPairList(std::wstring_view text) {
    text = Trim(text);
    size_t i = 0;
    while (i < text.size() && std::iswalpha(static_cast<wint_t>(text[i]))) ++i;
    if (i == 0) return false;
    while (i < text.size() && IsSpace(text[i])) ++i;
    return i < text.size() && text[i] == L'=';
}

}  // namespace

bool ParseInt(const wchar_t* text, int* value) { return text && value && ParseIntView(text, value); }

bool ParseBool(const wchar_t* text, bool* value) {
    if (!text || !value) return false;
    const std::wstring_view word = Trim(text);
    if (word == L"true") {
        *value = true;
        return true;
    }
    if (word == L"false") {
        *value = false;
        return true;
    }
    return false;
}

bool ParseColor(const wchar_t* text, DWORD* argb) {
    if (!text || !argb) return false;
    std::wstring_view digits = Trim(text);
    if (!digits.empty() && digits.front() == L'#') digits.remove_prefix(1);
    if (digits.size() != 6 && digits.size() != 8) return false;
    DWORD result = 0;
    for (wchar_t c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        result = (result << 4) | static_cast<DWORD>(digit);
    }
    if (digits.size() == 6) result |= 0xFF000000u;
    *argb = result;
    return true;
}

bool ParseRect(const wchar_t* text, RECT* rect, bool allowSingle) {
    std::vector<int> numbers;
    if (!rect || !ParseIntList(text, &numbers)) return false;
    if (numbers.size() == 1 && allowSingle) {
        *rect = {numbers[0], numbers[0], numbers[0], numbers[0]};
        return true;
    }
    if (numbers.size() != 4) return false;
    *rect = {numbers[0], numbers[1], numbers[2], numbers[3]};
    return true;
}

bool ParseSize(const wchar_t* text, SIZE* size, bool allowSingle) {
    std::vector<int> numbers;
    if (!size || !ParseIntList(text, &numbers)) return false;
    if (numbers.size() == 1) {
        if (!allowSingle) return false;
        *size = {numbers[0], numbers[0]};
        return true;
    }
    *size = {numbers[0], numbers[1]};
    return true;
}

bool ParseImageRef(const wchar_t* text, TImageRef* ref) {
    if (!text || !ref) return false;
    std::wstring_view rest = Trim(text);
    if (rest.empty()) return false;
    TImageRef result;
    if (!IsPairList(rest)) {
        result.file = SlashPath(rest);
        *ref = std::move(result);
        return true;
    }
    while (!rest.empty()) {
        std::wstring_view key, value;
        if (!NextPair(&rest, &key, &value)) return false;
        if (key == L"file") {
            result.file = SlashPath(Trim(value));
        } else if (key == L"source") {
            if (!ParseRectView(value, &result.source)) return false;
            result.hasSource = true;
        } else if (key == L"dest") {
            if (!ParseRectView(value, &result.dest)) return false;
            result.hasDest = true;
        } else if (key == L"corner") {
            if (!ParseRectView(value, &result.corner)) return false;
            result.hasCorner = true;
        } else {
            return false;
        }
    }
    if (result.file.empty()) return false;
    *ref = std::move(result);
    return true;
}

bool ParseAttributeList(const wchar_t* text, std::vector<std::pair<std::wstring, std::wstring>>* pairs) {
    if (!text || !pairs) return false;
    std::wstring_view rest = Trim(text);
    while (!rest.empty()) {
        std::wstring_view name, value;
        if (!NextPair(&rest, &name, &value)) return false;
        pairs->emplace_back(std::wstring(name), std::wstring(value));
    }
    return true;
}

}  // namespace DuiLib
