// Single values under the program's settings key, "Software\Larnet\Zovik" (+ "\" and a
// subkey) of the current user. Each helper opens the key with read and write access,
// creating it when missing, handles one value and closes the key. They log nothing and
// return false when the key cannot be opened or the operation fails.
#pragma once
#include <cstdint>
#include <string>

#include "platform/base/wintypes.h"
#include "platform/registry/registry.h"

inline constexpr const wchar_t* kProgramKey = L"Software\\Larnet\\Zovik";
inline constexpr const wchar_t* kUpdateInfoSubkey = L"UpdateInfo";
// A window placement is stored as exactly this many bytes (a WINDOWPLACEMENT).
inline constexpr DWORD kWindowPlacementSize = 44;

// The program key, or program key + "\" + subkey (a null or empty subkey: the key itself).
std::wstring ProgramKeyPath(const wchar_t* subkey);

// True only when a 4-byte REG_DWORD was read into `value`. Otherwise `value` keeps what
// the caller put there, and with `writeDefault` set that value is written as REG_DWORD.
bool ReadRegDword(DWORD& value, const wchar_t* name, const wchar_t* subkey, bool writeDefault);
// True when a value of any type is stored under `name` (so a failed typed read means a
// value of the wrong type or shape, not a missing one).
bool RegValueExists(const wchar_t* name, const wchar_t* subkey);
// Writes a REG_DWORD unless an equal REG_DWORD is stored; true when skipped or written.
bool WriteRegDword(DWORD value, const wchar_t* name, const wchar_t* subkey);
// Writes a REG_QWORD under "UpdateInfo" unless an equal one is stored; true when skipped
// or written.
bool WriteUpdateInfoQword(std::uint64_t value, const wchar_t* name);
// Reads a 64-bit value from "UpdateInfo"; true only for an 8-byte REG_QWORD.
bool ReadUpdateInfoQword(std::uint64_t& value, const wchar_t* name);
// Reads a REG_SZ or REG_EXPAND_SZ value that ends in its terminating zero; `value` is
// untouched on failure.
bool ReadRegString(std::wstring& value, const wchar_t* name, const wchar_t* subkey);
// Writes REG_SZ (with its terminating zero) unless an equal string is stored; true when
// skipped or written.
bool WriteRegString(const std::wstring& value, const wchar_t* name, const wchar_t* subkey);
// True only for a REG_BINARY of exactly 44 bytes, copied into `placement`.
bool ReadRegWindowPlacement(BYTE (&placement)[kWindowPlacementSize], const wchar_t* name,
                            const wchar_t* subkey);
bool WriteRegWindowPlacement(const BYTE (&placement)[kWindowPlacementSize], const wchar_t* name,
                             const wchar_t* subkey);
// Writes the 44-byte REG_BINARY unless the stored value is a REG_BINARY of 44 equal bytes.
bool WriteRegBinaryIfChanged(HKEY key, const wchar_t* name,
                             const BYTE (&placement)[kWindowPlacementSize]);
// Deletes one value / a subkey with everything below it; true when it is gone (also when
// it was not there).
bool DeleteRegValue(const wchar_t* name, const wchar_t* subkey);
bool DeleteRegTree(const wchar_t* subkey);
