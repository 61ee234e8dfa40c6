// File mappings and views (mmap) over open file handles.
#pragma once
#include "platform/fs/win_file.h"

inline constexpr DWORD PAGE_READONLY = 0x02;
inline constexpr DWORD PAGE_READWRITE = 0x04;
inline constexpr DWORD FILE_MAP_WRITE = 0x0002;
inline constexpr DWORD FILE_MAP_READ = 0x0004;

// A mapping of the whole file (sizes 0) or of the given size, which grows the file when
// it is larger. Names are not supported (a named mapping fails with
// ERROR_NOT_SUPPORTED). Null on failure.
HANDLE CreateFileMappingW(HANDLE file, void* security, DWORD protect, DWORD sizeHigh,
                          DWORD sizeLow, const wchar_t* name);
// A view of `length` bytes from `offset` (a multiple of the page size); length 0 maps to
// the end of the file. Null on failure.
void* MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                    std::size_t length);
BOOL UnmapViewOfFile(const void* address);
