// Small engine services: the system version test, encode-size names.
#pragma once
#include <string>

namespace zovi::engine {

// True when the system is version 6.<minor> with service pack <spMajor> or later. This
// platform reports itself as version 10.0, so every 6.x test passes.
bool IsWindows6OrGreater(int minor, int spMajor);

// "360P", "480P", "720P", "1080P", "2K" for the levels 0 to 4; "ERROR" otherwise.
std::wstring GetEncSizeName(int level);

}  // namespace zovi::engine
