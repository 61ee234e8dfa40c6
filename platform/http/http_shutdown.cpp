#include "platform/http/http_shutdown.h"

#include <atomic>

namespace zovi::platform {

namespace {

std::atomic<bool> g_shuttingDown{false};

}  // namespace

void SetHttpShuttingDown(bool shuttingDown) { g_shuttingDown.store(shuttingDown); }

bool IsHttpShuttingDown() { return g_shuttingDown.load(); }

}  // namespace zovi::platform
