#include "core/util/screen_scale.h"

#include <algorithm>
#include <atomic>

#include "core/util/numbers.h"
#include "platform/screen/device_caps.h"

namespace {

std::atomic<int> g_measured{0};  // 0: not measured yet

}  // namespace

int ScalePercentFromDpi(int dpi) {
    return static_cast<int>(RoundHalfAwayFromZero(dpi / 96.0 * 100.0));
}

int GetScreenDpiScalePercent() {
    if (const int kept = g_measured.load(); kept > 0) return kept;
    const int dpi = std::max(zovi::platform::GetDeviceCaps(nullptr, zovi::platform::LOGPIXELSX),
                             zovi::platform::GetDeviceCaps(nullptr, zovi::platform::LOGPIXELSY));
    if (dpi <= 0) return 100;
    int expected = 0;
    g_measured.compare_exchange_strong(expected, ScalePercentFromDpi(dpi));
    return g_measured.load();
}

void ResetScreenScaleForTesting() { g_measured = 0; }
