#include "core/log/log_file.h"

#include <cstdarg>
#include <cstdio>

#include "platform/base/last_error.h"
#include "platform/base/utf8.h"
#include "platform/base/wformat.h"
#include "platform/fs/folders.h"
#include "platform/fs/win_file.h"

CLogFile::~CLogFile() { Close(); }

bool CLogFile::IsOpen() {
    std::lock_guard lock(lock_);
    return owns_;
}

int CLogFile::GetError() {
    std::lock_guard lock(lock_);
    return owns_ ? error_ : 0;
}

void CLogFile::SetPath(const std::wstring& path) {
    if (path.empty()) {
        SetDefaultPath();
        return;
    }
    std::lock_guard lock(lock_);
    path_ = path;
}

void CLogFile::SetDefaultPath() {
    wchar_t buffer[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path = (length > 0 && length < MAX_PATH) ? std::wstring(buffer, length) : L"";
    if (path.empty()) {
        path = L"LogFile.log";
    } else {
        size_t slash = path.find_last_of(L"/\\");
        size_t dot = path.rfind(L'.');
        if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) path.resize(dot);
        path += L".log";
    }
    std::lock_guard lock(lock_);
    path_ = path;
}

std::wstring CLogFile::GetPath() {
    std::lock_guard lock(lock_);
    return path_;
}

bool CLogFile::Open(const std::wstring& path) {
    std::lock_guard lock(lock_);
    Close();
    path_ = path;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    file_ = file;
    owns_ = true;
    error_ = 0;
    return true;
}

void CLogFile::Close() {
    std::lock_guard lock(lock_);
    if (owns_) CloseHandle(file_);
    file_ = nullptr;
    owns_ = false;
    error_ = 0;
}

void CLogFile::Write(const std::wstring& text) {
    std::string bytes = zovi::platform::WideToUtf8(text);
    bytes += '\n';
    std::lock_guard lock(lock_);
    if (!owns_) {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        std::fflush(stdout);
        return;
    }
    // Other processes append to the same file: each line is one write at its end.
    DWORD written = 0;
    if (!WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        error_ = static_cast<int>(GetLastError());
    }
}

void CLogFile::WriteV(const wchar_t* format, va_list args) {
    Write(zovi::platform::FormatWideV(format, args));
}

void CLogFile::WriteF(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    WriteV(format, args);
    va_end(args);
}
