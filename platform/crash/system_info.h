// The processor and system facts the crash files carry, gathered with signal-safe calls
// (cpuid, uname); the processor count is taken once by TakeProcessorCount at load.
#pragma once
#include <cstdint>

namespace zovi::platform {

struct CrashSystemInfo {
    uint32_t processorCount;
    uint16_t level;     // the CPU family
    uint16_t revision;  // (model << 8) | stepping
    char vendor[13];
    uint32_t versionInformation, featureInformation, extendedFeatures;
    uint32_t major, minor, build;  // from the kernel release "major.minor.build-..."
    char release[65];
    char version[65];
};

// Call at load (not in a signal handler): remembers the number of online processors.
void TakeProcessorCount();
void ReadCrashSystemInfo(CrashSystemInfo* info);

}  // namespace zovi::platform
