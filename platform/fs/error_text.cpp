#include "platform/fs/error_text.h"

#include <cwchar>
#include <iterator>

#include "platform/base/last_error.h"

namespace {

struct Text {
    DWORD code;
    const wchar_t* text;
};

constexpr Text kSystemTexts[] = {
    {0, L"The operation completed successfully."},
    {2, L"The system cannot find the file specified."},
    {3, L"The system cannot find the path specified."},
    {4, L"The system cannot open the file."},
    {5, L"Access is denied."},
    {6, L"The handle is invalid."},
    {8, L"Not enough memory resources are available to process this command."},
    {13, L"The data is invalid."},
    {18, L"There are no more files."},
    {29, L"The system cannot write to the specified device."},
    {30, L"The system cannot read from the specified device."},
    {32, L"The process cannot access the file because it is being used by another process."},
    {38, L"Reached the end of the file."},
    {50, L"The request is not supported."},
    {80, L"The file exists."},
    {87, L"The parameter is incorrect."},
    {109, L"The pipe has been ended."},
    {112, L"There is not enough space on the disk."},
    {122, L"The data area passed to a system call is too small."},
    {145, L"The directory is not empty."},
    {161, L"The specified path is invalid."},
    {183, L"Cannot create a file when that file already exists."},
    {203, L"The system could not find the environment option that was entered."},
    {206, L"The filename or extension is too long."},
    {234, L"More data is available."},
    {259, L"No more data is available."},
    {1460, L"This operation returned because the timeout period expired."},
};

constexpr Text kHttpTexts[] = {
    {12001, L"No more handles could be generated at this time."},
    {12002, L"The operation timed out."},
    {12004, L"An internal error occurred."},
    {12005, L"The URL is invalid."},
    {12006, L"The URL does not use a recognized protocol."},
    {12007, L"The server name or address could not be resolved."},
    {12017, L"The operation was canceled."},
    {12029, L"A connection with the server could not be established."},
    {12030, L"The connection with the server was terminated abnormally."},
    {12031, L"The connection with the server was reset."},
    {12152, L"The server returned an invalid or unrecognized response."},
    {12175, L"A security error occurred."},
};

const wchar_t* Find(const Text* table, size_t count, DWORD code) {
    for (size_t i = 0; i < count; ++i)
        if (table[i].code == code) return table[i].text;
    return nullptr;
}

const char kHttpModule = 0;

}  // namespace

const void* HttpErrorMessageModule() { return &kHttpModule; }

DWORD FormatMessageW(DWORD flags, const void* source, DWORD code, DWORD /*languageId*/,
                     wchar_t* buffer, DWORD size, va_list* /*arguments*/) {
    const wchar_t* text = nullptr;
    if ((flags & FORMAT_MESSAGE_FROM_HMODULE) != 0 && source == HttpErrorMessageModule())
        text = Find(kHttpTexts, std::size(kHttpTexts), code);
    if (text == nullptr && (flags & FORMAT_MESSAGE_FROM_SYSTEM) != 0)
        text = Find(kSystemTexts, std::size(kSystemTexts), code);
    if (text == nullptr) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    const size_t length = std::wcslen(text) + 2;  // with "\r\n"
    if (buffer == nullptr || size <= length) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::swprintf(buffer, size, L"%ls\r\n", text);
    return static_cast<DWORD>(length);
}
