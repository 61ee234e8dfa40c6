#include "platform/gdi/prepared_text.h"

#include "platform/base/utf8.h"

namespace zovi::platform {

namespace {

bool IsHan(wchar_t c) {
    return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0x20000 && c <= 0x3FFFF);
}

}  // namespace

CPreparedText::CPreparedText(const std::wstring& text) : utf8_(WideToUtf8(text)) {
    for (wchar_t c : text)
        if (IsHan(c)) {
            hasHan_ = true;
            break;
        }
}

}  // namespace zovi::platform
