// Descriptor-level helpers for talking to a child over pipes, for the muxer program's
// own input, and the write check that creates no file in the place of another.
#pragma once
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace zovi::platform {

// Writes all `size` bytes to `fd`, across short writes and interruptions. False (last
// error set; ERROR_BROKEN_PIPE when the reader is gone) on failure.
bool WriteAll(int fd, const void* data, size_t size);

// Reads up to `size` bytes once, retrying interruptions: the count, 0 at end of input,
// -1 on error.
ssize_t ReadSome(int fd, void* buffer, size_t size);

// Reads until `size` bytes arrived or the input ended or failed: the count read.
size_t ReadFull(int fd, void* buffer, size_t size);

// True when `path` is a regular file this process may execute.
bool IsExecutableFile(const std::string& path);

// Proves that a new file can be made at `path`: creates it (failing when anything
// already exists there, which is never touched), then removes it again. False with the
// last error set (ERROR_FILE_EXISTS, ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND...).
bool ProbeNewFile(const std::string& path);

// A write to a pipe whose reader has gone fails with an error instead of ending the
// process.
void IgnoreBrokenPipeSignal();

// For a program reading its standard input to the end: SIGTERM, SIGHUP and SIGINT
// replace the standard input by /dev/null, so the reader sees end of input and can
// finish its work normally. Also ignores SIGPIPE.
bool TreatTerminationAsEndOfInput();
// True once one of those signals arrived (its input may then end inside a message).
bool TerminationRequested();

// CPU seconds (user and system) used by this process's children that have ended and
// been waited for. For measurements.
double EndedChildrenCpuSeconds();

}  // namespace zovi::platform
