// Files and folders for the crash path: thin wrappers over the system calls that
// allocate nothing and take no lock, so they may run inside a fault handler. Paths are
// UTF-8 with "/" separators. Every descriptor is opened close-on-exec (a started
// uploader inherits none); interrupted calls are retried. A descriptor is an int, -1
// when there is none.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zovi::platform {

// The standard error stream's descriptor.
inline constexpr int kStandardErrorFd = 2;

enum class SafeCreate {
    kNew,      // fails when the name is taken
    kReplace,  // an existing file is emptied
    kAppend,   // an existing file is kept and every write lands at its end
};

// Creates (or opens, per `how`) the file at `path` for writing, readable and writable by
// its owner alone when new. -1 on failure; `nameTaken` (optional) tells whether the
// failure was a name already taken.
int SafeCreateFile(const char* path, SafeCreate how, bool* nameTaken = nullptr);

// Creates a new file under a name made from `path`, "<prefix>XXXXXX<suffix>": the six
// "X" are replaced in place by characters that make the name unused. `suffixLength` is
// the length of <suffix>. -1 on failure (the path's "X" may then be changed).
int SafeCreateUniqueFile(char* path, size_t suffixLength);

// Opens an existing file for reading; -1 on failure.
int SafeOpenToRead(const char* path);

// Reads up to `size` bytes once: the count, 0 at the end of the file, -1 on failure.
std::ptrdiff_t SafeRead(int fd, void* buffer, size_t size);

// Writes all `size` bytes across short writes. False when a write fails (a full disk, a
// pipe with no reader) or makes no progress.
bool SafeWriteAll(int fd, const void* data, size_t size);

void SafeClose(int fd);

// Removes the file (not a folder) at `path`.
bool SafeDeleteFile(const char* path);

// What the crash files need to know of a file or folder (links followed).
struct SafeFileFacts {
    bool folder;
    bool ownerCanWrite;
    uint64_t size;
    int64_t modified;  // seconds since 1970-01-01 UTC
};
// False when `path` cannot be examined (missing, a folder above it not searchable).
bool SafeExamine(const char* path, SafeFileFacts* facts);

// Creates the missing folders above the file at `path` (absolute paths only; folders
// readable by all, writable by the owner). False when one cannot be made; a name taken
// by something else is left alone (creating the file below it then fails).
bool SafeCreateParentFolders(const char* path);

}  // namespace zovi::platform
