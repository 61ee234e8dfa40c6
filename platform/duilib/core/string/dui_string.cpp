#include "platform/duilib/core/string/dui_string.h"

#include <cstdarg>
#include <cwchar>

#include "platform/base/wformat.h"

namespace DuiLib {

int CDuiString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    text_ = zovi::platform::FormatWideV(format, args);
    va_end(args);
    return GetLength();
}

int CDuiString::Compare(const wchar_t* other) const { return std::wcscmp(text_.c_str(), other ? other : L""); }

}  // namespace DuiLib
