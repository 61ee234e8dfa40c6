// Thin wrappers over files, file mappings and views, and whole-file helpers. Every CFile
// failure keeps the system's error code and its text for the caller to log.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/fs/file_mapping.h"
#include "platform/fs/win_file.h"

class CFile {
public:
    CFile() = default;
    ~CFile() { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Closes an open handle first and remembers the path.
    bool Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
              DWORD attributes = FILE_ATTRIBUTE_NORMAL);
    void Close();
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    // n = 0 succeeds at once; success does not depend on the count read.
    bool Read(void* buffer, DWORD n, DWORD* read);
    // A short write sets ERROR_DISK_FULL and fails.
    bool Write(const void* buffer, DWORD n, DWORD* written = nullptr);
    // Reads or writes at `offset` without moving the file position, so threads may share
    // one open file. Same results as Read and Write.
    bool ReadAt(ULONGLONG offset, void* buffer, DWORD n, DWORD* read);
    bool WriteAt(ULONGLONG offset, const void* buffer, DWORD n, DWORD* written = nullptr);
    bool Seek(LONGLONG offset, DWORD origin, LONGLONG* position = nullptr);
    bool GetSize(std::uint64_t& size);
    // Cuts (or extends) the file at `offset`.
    bool Truncate(LONGLONG offset);
    // Stores `code` and its system text (at most 1024 characters).
    void SetError(DWORD code);

    HANDLE Handle() const { return handle_; }
    DWORD LastError() const { return lastError_; }
    const std::wstring& LastErrorText() const { return lastErrorText_; }
    const std::wstring& Path() const { return path_; }

private:
    // A short write counts as a full disk.
    bool FinishWrite(bool ok, DWORD done, DWORD n, DWORD* written);

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DWORD lastError_ = ERROR_SUCCESS;
    std::wstring lastErrorText_;
    std::wstring path_;
};

class CFileMapping {
public:
    CFileMapping() = default;
    ~CFileMapping() { Close(); }
    CFileMapping(const CFileMapping&) = delete;
    CFileMapping& operator=(const CFileMapping&) = delete;
    // Maps the whole of an open file; an existing mapping is closed first.
    bool Create(HANDLE file, DWORD protect, const wchar_t* name = nullptr);
    void Close();
    HANDLE Handle() const { return mapping_; }

private:
    HANDLE mapping_ = nullptr;
};

class CMappedView {
public:
    CMappedView() = default;
    ~CMappedView() { Unmap(); }
    CMappedView(const CMappedView&) = delete;
    CMappedView& operator=(const CMappedView&) = delete;
    // An existing view is unmapped first. Length 0 maps to the end of the file (Length()
    // then stays 0).
    bool Map(const CFileMapping& mapping, DWORD access, std::uint64_t offset, std::size_t length);
    void Unmap();
    void* Data() const { return view_; }
    std::size_t Length() const { return length_; }
    std::uint64_t Offset() const { return offset_; }

private:
    void* view_ = nullptr;
    std::size_t length_ = 0;
    std::uint64_t offset_ = 0;
};

// Reads a whole file (refusing files of 2 GiB or more) into a new buffer.
bool ReadWholeFile(const std::wstring& path, std::unique_ptr<std::uint8_t[]>& buffer,
                   std::size_t& length);
bool ReadWholeFile(const std::wstring& path, std::string& bytes);
// Creates or replaces the file with `n` bytes; a short write sets ERROR_DISK_FULL.
bool WriteWholeFile(const std::wstring& path, const void* bytes, std::size_t n);
// Unless `keepExisting`, deletes an existing target that is not a folder; then moves.
bool ReplaceFile(const std::wstring& source, const std::wstring& target, bool keepExisting);
bool DeleteFilePath(const std::wstring& path);
// The path's attributes are readable and, when `filesOnly`, it is not a folder.
bool PathExists(const std::wstring& path, bool filesOnly);
// The size from the file's attributes; `size` untouched when the file is missing.
bool GetFileSizeByPath(const std::wstring& path, std::uint64_t& size);
