// Starts a program with an argv built directly, from a crashed process: only
// async-signal-safe calls (pipe2, _Fork, close_range, execve); every inherited descriptor
// is closed on exec, and an exec-status pipe tells whether the program started.
#pragma once
#include <cstddef>

namespace zovi::platform {

// Starts `path` with `argv` (null-terminated; argv[0] is passed as given) and `envp`.
// `detach`: fork twice so the started program is not left a child of a caller that goes
// on living. True when execve succeeded. The started program is not waited for.
bool StartProgramSignalSafe(const char* path, char* const argv[], char* const envp[], bool detach);

// The process's environment as it is now with `extra` ("NAME=value") after it, into
// out[0..capacity) as a null-terminated list for StartProgramSignalSafe; entries that
// do not fit before `extra` are left out. The entries are not copied. Returns how many
// there are (without the null). `capacity` must be at least 2.
size_t EnvironmentWith(char* extra, char** out, size_t capacity);

}  // namespace zovi::platform
