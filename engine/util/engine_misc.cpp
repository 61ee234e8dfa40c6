#include "engine/util/engine_misc.h"

namespace zovi::engine {

namespace {

// The version this platform reports: major, minor, service-pack major.
constexpr int kSystemMajor = 10;
constexpr int kSystemMinor = 0;
constexpr int kSystemServicePack = 0;

}  // namespace

bool IsWindows6OrGreater(int minor, int spMajor) {
    // Major, minor and service pack each compared "greater or equal", in that order.
    if (kSystemMajor != 6) return kSystemMajor > 6;
    if (kSystemMinor != minor) return kSystemMinor > minor;
    return kSystemServicePack >= spMajor;
}

std::wstring GetEncSizeName(int level) {
    switch (level) {
        case 0:
            return L"360P";
        case 1:
            return L"480P";
        case 2:
            return L"720P";
        case 3:
            return L"1080P";
        case 4:
            return L"2K";
        default:
            return L"ERROR";
    }
}

}  // namespace zovi::engine
