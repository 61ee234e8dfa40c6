#include "core/files/file.h"

#include <vector>

#include "platform/fs/error_text.h"

bool CFile::Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                 DWORD attributes) {
    Close();
    path_ = path;
    handle_ = CreateFileW(path.c_str(), access, share, nullptr, disposition, attributes, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        SetError(GetLastError());
        return false;
    }
    return true;
}

void CFile::Close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    path_.clear();
}

bool CFile::Read(void* buffer, DWORD n, DWORD* read) {
    if (read != nullptr) *read = 0;
    if (n == 0) return true;
    if (!ReadFile(handle_, buffer, n, read, nullptr)) {
        SetError(GetLastError());
        return false;
    }
    return true;
}

bool CFile::Write(const void* buffer, DWORD n, DWORD* written) {
    DWORD done = 0;
    const bool ok = WriteFile(handle_, buffer, n, &done, nullptr);
    return FinishWrite(ok, done, n, written);
}

bool CFile::FinishWrite(bool ok, DWORD done, DWORD n, DWORD* written) {
    if (written != nullptr) *written = done;
    if (!ok || done < n) {
        SetError(ok ? ERROR_DISK_FULL : GetLastError());
        SetLastError(lastError_);
        return false;
    }
    return true;
}

namespace {

OVERLAPPED At(ULONGLONG offset) {
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return overlapped;
}

}  // namespace

bool CFile::ReadAt(ULONGLONG offset, void* buffer, DWORD n, DWORD* read) {
    if (read != nullptr) *read = 0;
    if (n == 0) return true;
    OVERLAPPED overlapped = At(offset);
    if (!ReadFile(handle_, buffer, n, read, &overlapped)) {
        SetError(GetLastError());
        return false;
    }
    return true;
}

bool CFile::WriteAt(ULONGLONG offset, const void* buffer, DWORD n, DWORD* written) {
    DWORD done = 0;
    OVERLAPPED overlapped = At(offset);
    const bool ok = WriteFile(handle_, buffer, n, &done, &overlapped);
    return FinishWrite(ok, done, n, written);
}

bool CFile::Seek(LONGLONG offset, DWORD origin, LONGLONG* position) {
    if (!SetFilePointerEx(handle_, offset, position, origin)) {
        SetError(GetLastError());
        return false;
    }
    return true;
}

bool CFile::GetSize(std::uint64_t& size) {
    LONGLONG value = 0;
    if (!GetFileSizeEx(handle_, &value)) {
        SetError(GetLastError());
        return false;
    }
    size = static_cast<std::uint64_t>(value);
    return true;
}

bool CFile::Truncate(LONGLONG offset) {
    if (!Seek(offset, FILE_BEGIN)) return false;
    if (!SetEndOfFile(handle_)) {
        SetError(GetLastError());
        return false;
    }
    return true;
}

void CFile::SetError(DWORD code) {
    lastError_ = code;
    std::vector<wchar_t> text(1024);
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       text.data(), static_cast<DWORD>(text.size()), nullptr);
    lastErrorText_.assign(text.data(), length);
}

bool CFileMapping::Create(HANDLE file, DWORD protect, const wchar_t* name) {
    Close();
    mapping_ = CreateFileMappingW(file, nullptr, protect, 0, 0, name);
    return mapping_ != nullptr;
}

void CFileMapping::Close() {
    if (mapping_ != nullptr) CloseHandle(mapping_);
    mapping_ = nullptr;
}

bool CMappedView::Map(const CFileMapping& mapping, DWORD access, std::uint64_t offset,
                      std::size_t length) {
    Unmap();
    view_ = MapViewOfFile(mapping.Handle(), access, static_cast<DWORD>(offset >> 32),
                          static_cast<DWORD>(offset & 0xFFFFFFFFu), length);
    if (view_ == nullptr) return false;
    offset_ = offset;
    length_ = length;
    return true;
}

void CMappedView::Unmap() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
    view_ = nullptr;
    length_ = 0;
    offset_ = 0;
}

bool ReadWholeFile(const std::wstring& path, std::unique_ptr<std::uint8_t[]>& buffer,
                   std::size_t& length) {
    CFile file;
    if (!file.Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)) return false;
    std::uint64_t size = 0;
    if (!file.GetSize(size)) return false;
    if (size >= (std::uint64_t{1} << 31)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    auto data = std::make_unique<std::uint8_t[]>(size > 0 ? size : 1);
    DWORD read = 0;
    if (!file.Read(data.get(), static_cast<DWORD>(size), &read) || read != size) return false;
    buffer = std::move(data);
    length = static_cast<std::size_t>(size);
    return true;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t length = 0;
    if (!ReadWholeFile(path, buffer, length)) return false;
    bytes.assign(reinterpret_cast<const char*>(buffer.get()), length);
    return true;
}

bool WriteWholeFile(const std::wstring& path, const void* bytes, std::size_t n) {
    if (n > 0xFFFFFFFFu) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    CFile file;
    if (!file.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS)) return false;
    return file.Write(bytes, static_cast<DWORD>(n));
}

bool ReplaceFile(const std::wstring& source, const std::wstring& target, bool keepExisting) {
    if (!keepExisting) {
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            !DeleteFileW(target.c_str()))
            return false;
    }
    return MoveFileW(source.c_str(), target.c_str());
}

bool DeleteFilePath(const std::wstring& path) { return DeleteFileW(path.c_str()); }

bool PathExists(const std::wstring& path, bool filesOnly) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    return !filesOnly || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool GetFileSizeByPath(const std::wstring& path, std::uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}
