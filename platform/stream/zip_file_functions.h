// minizip file functions over a CZipStream in memory (opaque = the stream).
#pragma once
#include <minizip/ioapi.h>

#include "platform/stream/buffer_stream.h"

namespace zovi::core {

// The 64-bit file-function table for `stream` (null: every function fails and sets the
// thread's last error to ERROR_INVALID_PARAMETER).
zlib_filefunc64_def MemoryZipFileFunctions(CZipStream* stream);

}  // namespace zovi::core
