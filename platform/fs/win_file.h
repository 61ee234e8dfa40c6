// Files and folders through Win32-shaped calls over POSIX. Every path may use "\" or "/"
// as separator; the last error is set from errno on failure (Win32 codes).
#pragma once
#include <string>

#include "platform/base/last_error.h"
#include "platform/base/wintypes.h"
#include "platform/fs/handle.h"

inline constexpr DWORD ERROR_INVALID_DATA = 13;
inline constexpr DWORD ERROR_BAD_PATHNAME = 161;
inline constexpr DWORD ERROR_MORE_DATA = 234;

inline constexpr DWORD MAX_PATH = 260;

inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
// Write access where every write lands at the end of the file (one atomic append each).
inline constexpr DWORD FILE_APPEND_DATA = 0x0004;
inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD FILE_SHARE_DELETE = 0x4;

inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
};

// Opens or creates a file. Share modes hold across processes and between opens in one
// process: an open whose access another open does not share, or that refuses to share an
// access another open holds, fails with ERROR_SHARING_VIOLATION (and empties nothing). A
// folder cannot be opened (ERROR_ACCESS_DENIED). CREATE_NEW on an existing file fails
// with ERROR_FILE_EXISTS; CREATE_ALWAYS and OPEN_ALWAYS on an existing file succeed with
// the last error ERROR_ALREADY_EXISTS. INVALID_HANDLE_VALUE on failure.
HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security,
                   DWORD disposition, DWORD attributes, HANDLE templateFile);

// With an OVERLAPPED record, a read or write happens at its Offset/OffsetHigh and leaves
// the file position alone (so threads sharing a handle never share a position). The
// call still completes before it returns; hEvent is not used.
struct OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};

// Reads up to `toRead` bytes; *read is 0 at the end of the file (still TRUE).
BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped);
// Writes all bytes unless the device fails (a full disk: ERROR_DISK_FULL, *written
// holding what was written).
BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
               OVERLAPPED* overlapped);
BOOL SetFilePointerEx(HANDLE file, LONGLONG distance, LONGLONG* newPosition, DWORD method);
BOOL GetFileSizeEx(HANDLE file, LONGLONG* size);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);

// mkdir with the default mode; an existing path fails with ERROR_ALREADY_EXISTS.
BOOL CreateDirectoryW(const wchar_t* path, void* security);
BOOL RemoveDirectoryW(const wchar_t* path);
BOOL DeleteFileW(const wchar_t* path);
// Moves or renames; never replaces an existing target (ERROR_ALREADY_EXISTS).
BOOL MoveFileW(const wchar_t* from, const wchar_t* to);

// MoveFileW, or with MOVEFILE_REPLACE_EXISTING a move that replaces an existing file in
// one atomic step (the target is the old file or the new one, never missing). A folder
// is never replaced (ERROR_ACCESS_DENIED). Other flags are not offered here
// (ERROR_INVALID_PARAMETER).
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
BOOL MoveFileExW(const wchar_t* from, const wchar_t* to, DWORD flags);

DWORD GetFileAttributesW(const wchar_t* path);
BOOL GetFileAttributesExW(const wchar_t* path, int infoLevel, WIN32_FILE_ATTRIBUTE_DATA* data);
inline constexpr int GetFileExInfoStandard = 0;

namespace zovi::platform {

// The path as the system takes it: "\" turned into "/", UTF-8 in the lossless form (a
// name byte that is not UTF-8 comes back as it was read).
std::string ToSystemPath(const std::wstring& path);
// A path in wide form with every "\" turned into "/" (for paths that leave the process).
std::wstring NormalizeSeparators(std::wstring path);

// FILETIME arithmetic: 100-ns intervals since 1601-01-01.
FILETIME FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds);

}  // namespace zovi::platform
