// Share modes of open files, held across processes (and between opens in one process) by
// open-file-description locks on bytes far past any real file end. Each open takes a
// shared lock on one byte per access it has and one per access it refuses to share;
// an open conflicts with another when one holds an access the other refuses.
#pragma once
#include "platform/base/wintypes.h"

namespace zovi::platform {

// Takes the locks of an open on `lockFd` (a descriptor open for reading on the file).
// False with ERROR_SHARING_VIOLATION when another open of the file conflicts; then no
// lock is left held. Both of two racing conflicting opens may fail; never both succeed.
bool AcquireShareLocks(int lockFd, bool reads, bool writes, DWORD share);

}  // namespace zovi::platform
