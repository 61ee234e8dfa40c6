// The process-wide "shutting down" flag of the HTTP layer. Once it is set, every transfer
// in progress (REST requests, uploads, downloads, connectivity probes) aborts through its
// progress callback, and new transfers fail at once. Set at exit, before waiting for the
// request threads.
#pragma once

namespace zovi::platform {

void SetHttpShuttingDown(bool shuttingDown);
bool IsHttpShuttingDown();

}  // namespace zovi::platform
