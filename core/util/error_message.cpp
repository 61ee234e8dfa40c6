#include "core/util/error_message.h"

#include "platform/base/wformat.h"
#include "platform/fs/error_text.h"

std::wstring FormatErrorMessage(DWORD code) {
    wchar_t buffer[1024];
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const void* source = nullptr;
    if (code >= 12000 && code <= 12999) {
        flags |= FORMAT_MESSAGE_FROM_HMODULE;
        source = HttpErrorMessageModule();
    }
    DWORD length = FormatMessageW(flags, source, code, 0, buffer, 1024, nullptr);
    if (length == 0) return zovi::platform::FormatWide(L"%u", static_cast<unsigned>(code));
    while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n')) --length;
    return std::wstring(buffer, length);
}
