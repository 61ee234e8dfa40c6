#include "platform/crash/system_info.h"

#include <cpuid.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>

namespace zovi::platform {

namespace {

uint32_t g_processorCount = 1;

uint32_t ParseNumber(const char*& p) {
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10 + static_cast<uint32_t>(*p++ - '0');
    if (*p == '.') ++p;
    return value;
}

}  // namespace

void TakeProcessorCount() {
    long count = sysconf(_SC_NPROCESSORS_ONLN);
    g_processorCount = count > 0 ? static_cast<uint32_t>(count) : 1;
}

void ReadCrashSystemInfo(CrashSystemInfo* info) {
    std::memset(info, 0, sizeof *info);
    info->processorCount = g_processorCount;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(0, &a, &b, &c, &d)) {
        std::memcpy(info->vendor, &b, 4);
        std::memcpy(info->vendor + 4, &d, 4);
        std::memcpy(info->vendor + 8, &c, 4);
    }
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        uint32_t family = (a >> 8) & 0xF;
        uint32_t model = (a >> 4) & 0xF;
        if (family == 0xF) family += (a >> 20) & 0xFF;
        if (family == 0x6 || family >= 0xF) model |= ((a >> 16) & 0xF) << 4;
        info->level = static_cast<uint16_t>(family);
        info->revision = static_cast<uint16_t>((model << 8) | (a & 0xF));
        info->versionInformation = a;
        info->featureInformation = d;
    }
    if (__get_cpuid(0x80000001, &a, &b, &c, &d)) info->extendedFeatures = d;
    struct utsname name{};
    if (uname(&name) == 0) {
        std::memcpy(info->release, name.release, sizeof info->release - 1);
        std::memcpy(info->version, name.version, sizeof info->version - 1);
        const char* p = name.release;
        info->major = ParseNumber(p);
        info->minor = ParseNumber(p);
        info->build = ParseNumber(p);
    }
}

}  // namespace zovi::platform
