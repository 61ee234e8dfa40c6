// Named mutexes shared by all processes of the user (CreateMutexW, ReleaseMutex). A
// mutex is a pair of lock files in the per-user runtime folder: one that every process
// with a handle holds shared (so a later CreateMutexW learns that the mutex exists) and
// one held exclusively by the owner. Inside a process a recursive owner lock pairs with
// them, as flock does not exclude two threads of one process. The lock files are
// close-on-exec, so children never hold a mutex; the kernel drops the locks of a
// process that dies.
#pragma once
#include <string>

#include "platform/base/wintypes.h"
#include "platform/window/wait.h"

inline constexpr DWORD ERROR_NOT_OWNER = 288;

// Opens or creates the mutex `name`; the last error is ERROR_ALREADY_EXISTS when any
// process (this one included) already had it, ERROR_SUCCESS otherwise. `initialOwner`
// takes ownership when the mutex is new (ignored when it already existed). Null with
// the last error set when the lock files cannot be made. `attributes` must be null.
HANDLE CreateMutexW(void* attributes, BOOL initialOwner, const wchar_t* name);
// Gives up one level of ownership; FALSE (ERROR_NOT_OWNER) when the calling thread does
// not own the mutex.
BOOL ReleaseMutex(HANDLE mutex);

namespace zovi::platform {

// The folder for lock files, private to the user and the X display (":1" of DISPLAY
// ":1.0"), so programs of one desktop session meet and other sessions stay apart:
// $ZOVI_RUNTIME_DIR when set (tests), else "$XDG_RUNTIME_DIR/zovi/<display>", else
// "/tmp/zovi-<uid>/<display>". Folders are made 0700; one not owned by the user (or not
// a folder) gives an empty result. UTF-8, no trailing slash.
std::string RuntimeLockFolder();

}  // namespace zovi::platform
