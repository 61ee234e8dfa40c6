// Special folders, the temporary folder, the environment, the program's own file and the
// machine's volume serial number.
#pragma once
#include <string>

#include "platform/fs/win_file.h"

inline constexpr int CSIDL_MYVIDEO = 0x000e;
inline constexpr int CSIDL_WINDOWS = 0x0024;
inline constexpr int CSIDL_PROFILE = 0x0028;

// The folder for `csidl` into `path` (MAX_PATH characters), created when `create` is set
// and it is missing. The profile is $HOME (else the passwd entry); "My Videos" is the XDG
// videos folder (XDG_VIDEOS_DIR of user-dirs.dirs, else $HOME/Videos); the Windows
// folder is "/". FALSE when unknown or too long.
BOOL SHGetSpecialFolderPathW(void* owner, wchar_t* path, int csidl, BOOL create);

// $TMPDIR (else "/tmp/") with a trailing "/"; the length copied, or the size needed
// (with the terminating zero) when `size` is too small.
DWORD GetTempPathW(DWORD size, wchar_t* buffer);

// The value of an environment variable: its length, or the size needed (with the
// terminating zero) when `size` is too small; 0 with ERROR_ENVVAR_NOT_FOUND when unset.
DWORD GetEnvironmentVariableW(const wchar_t* name, wchar_t* buffer, DWORD size);
inline constexpr DWORD ERROR_ENVVAR_NOT_FOUND = 203;

// The running program's own path (module must be null). Copies at most size - 1
// characters and a zero; when the path is cut, the result is `size` and the last error
// ERROR_INSUFFICIENT_BUFFER. 0 on failure.
DWORD GetModuleFileNameW(void* module, wchar_t* buffer, DWORD size);

// The volume serial number of `root`'s volume. There is one system volume here: the
// serial is a stable 32-bit value per machine, derived from /etc/machine-id (else the
// root file system's id). Only the serial is filled; the other outputs must be null.
BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                           DWORD* serialNumber, DWORD* maxComponentLength, DWORD* flags,
                           wchar_t* fileSystemName, DWORD fileSystemNameSize);
