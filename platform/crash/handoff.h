// Starts a program with an argv built directly, from a crashed process: only
// async-signal-safe calls (pipe2, _Fork, close_range, execve); every inherited descriptor
// is closed on exec, and an exec-status pipe tells whether the program started.
#pragma once

namespace zovi::platform {

// Starts `path` with `argv` (null-terminated; argv[0] is passed as given) and `envp`.
// `detach`: fork twice so the started program is not left a child of a caller that goes
// on living. True when execve succeeded. The started program is not waited for.
bool StartProgramSignalSafe(const char* path, char* const argv[], char* const envp[], bool detach);

}  // namespace zovi::platform
