// Writes a minidump in the standard layout that existing readers open: header "MDMP",
// thread list with contexts and stack memory, module list (UTF-16LE names, CodeView
// build-id records, version information), memory list, exception stream, system
// information (platform Linux) and the Linux process streams. Signal-safe.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/crash/exception_record.h"
#include "platform/crash/process_modules.h"
#include "platform/crash/system_info.h"

namespace zovi::platform {

inline constexpr uint32_t kMinidumpSignature = 0x504D444D;  // "MDMP"
inline constexpr uint32_t kMinidumpVersion = 0xA793;
inline constexpr uint32_t kCodeViewElfSignature = 0x4270454C;  // 'BpEL' as readers test it
inline constexpr uint32_t kPlatformLinux = 0x8201;
inline constexpr size_t kMaxDumpStack = 256 * 1024;

enum MinidumpStreamType : uint32_t {
    kThreadListStream = 3,
    kModuleListStream = 4,
    kMemoryListStream = 5,
    kExceptionStream = 6,
    kSystemInfoStream = 7,
    kMiscInfoStream = 15,
    kLinuxProcStatus = 0x47670003,
    kLinuxCmdLine = 0x47670006,
    kLinuxAuxv = 0x47670008,
    kLinuxMaps = 0x47670009,
};

struct DumpThread {
    uint32_t tid;
    const CONTEXT* context;
};

// The fault in the Linux convention readers apply: the signal number, its si_code and
// the faulting address.
struct DumpException {
    uint32_t tid;
    uint32_t signal;
    uint32_t signalCode;
    uint64_t address;
};

// Writes the dump to `fd` (an empty, writable file). `threads[0]` is the faulting thread
// when `exception` is given. False when a write fails.
bool WriteMinidump(int fd, const CProcessModules& modules, const CrashSystemInfo& system,
                   const DumpThread* threads, size_t threadCount, const DumpException* exception,
                   uint32_t timestamp);

}  // namespace zovi::platform
