// The settings store: the current user's registry hive through Win32-shaped calls, kept
// in one human-readable file under $XDG_CONFIG_HOME (default ~/.config).
//
// Keys are paths of names joined by "\"; key and value names match without regard to
// case and keep the case they were made with. Every write is a locked read-modify-write
// of the file as it is now (never of a copy read earlier), committed with a temporary
// file, fsync and rename before the call returns, so several processes can share the
// store; every read sees the last committed state. A file that cannot be read as a store
// is moved aside, reported, and the store starts empty. Usable during static
// construction and destruction.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/base/wintypes.h"
#include "platform/fs/win_file.h"  // ERROR_MORE_DATA

struct RegistryKey;
using HKEY = RegistryKey*;
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_QWORD = 11;

inline constexpr DWORD KEY_QUERY_VALUE = 0x0001;
inline constexpr DWORD KEY_SET_VALUE = 0x0002;
inline constexpr DWORD KEY_READ = 0x20019;
inline constexpr DWORD KEY_WRITE = 0x20006;
inline constexpr DWORD KEY_ALL_ACCESS = 0xF003F;
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Results are Win32 codes: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (no such key or value),
// ERROR_MORE_DATA (buffer too small; *cbData holds the size needed), ERROR_INVALID_HANDLE,
// ERROR_INVALID_PARAMETER, ERROR_ACCESS_DENIED or ERROR_WRITE_FAULT (the store file could
// not be written). Access masks are accepted and not enforced.

// Opens `subKey` below `key`, creating it and its parents when missing.
LONG RegCreateKeyExW(HKEY key, const wchar_t* subKey, DWORD reserved, wchar_t* keyClass,
                     DWORD options, DWORD access, void* security, HKEY* result,
                     DWORD* disposition);
// Opens an existing key (a null or empty `subKey` opens `key` itself again).
LONG RegOpenKeyExW(HKEY key, const wchar_t* subKey, DWORD options, DWORD access, HKEY* result);
LONG RegCloseKey(HKEY key);

// Value data is the raw form: REG_DWORD 4 bytes and REG_QWORD 8 bytes little-endian;
// REG_SZ and REG_EXPAND_SZ wchar_t units with the terminating zero; REG_BINARY bytes.
// With `data` null only the type and size are returned.
LONG RegQueryValueExW(HKEY key, const wchar_t* name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* cbData);
// Stores the value (a null or empty name is the key's default value).
LONG RegSetValueExW(HKEY key, const wchar_t* name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD cbData);
LONG RegDeleteValueW(HKEY key, const wchar_t* name);
// Deletes `subKey` with everything below it; a null `subKey` deletes the values and
// subkeys of `key` itself.
LONG RegDeleteTreeW(HKEY key, const wchar_t* subKey);

namespace zovi::platform {

// The store file in use (follows $XDG_CONFIG_HOME at each call).
std::string RegistryStorePath();

// How many values this process has written to the store (RegSetValueExW calls that
// committed), so callers can show that an unchanged value was not written again.
std::uint64_t RegistryValueWriteCount();

// Reports of damaged store files moved aside since the last call, oldest first (each
// says where the file was moved). Also written to standard error when they happen.
std::vector<std::wstring> TakeRegistryDamageReports();

}  // namespace zovi::platform
