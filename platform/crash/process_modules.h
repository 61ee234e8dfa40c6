// The modules (ELF files) mapped into the process and the address ranges of its
// mappings, read from /proc/self/maps and the ELF headers in memory with signal-safe
// calls only, into fixed storage.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zovi::platform {

inline constexpr size_t kMaxCrashModules = 512;
inline constexpr size_t kMaxMappings = 4096;
inline constexpr size_t kMaxBuildId = 64;

// The version our binaries carry as an ELF note (name "Zovi", type 1): the file and the
// product version as two 32-bit words each (major << 16 | minor, build << 16 | revision).
struct ModuleVersion {
    bool present = false;
    uint32_t fileMS = 0, fileLS = 0, productMS = 0, productLS = 0;
};

struct CrashModule {
    char path[1024] = {};
    uint64_t base = 0;           // the lowest mapped address of the file
    uint64_t size = 0;           // up to the end of its last mapping
    uint64_t preferredBase = 0;  // the lowest PT_LOAD address, page-aligned (0 for PIE and .so)
    uint32_t timestamp = 0;      // the file's modification time
    ModuleVersion version;
    uint8_t buildId[kMaxBuildId] = {};
    uint32_t buildIdSize = 0;
};

struct MemoryRange {
    uint64_t start, end;
};

class CProcessModules {
public:
    // Reads the mappings and the modules anew. False when /proc/self/maps cannot be read.
    bool Read();

    size_t Count() const { return moduleCount_; }
    const CrashModule& Module(size_t i) const { return modules_[i]; }
    // The module whose range holds the address, or null.
    const CrashModule* ModuleAt(uint64_t address) const;
    // The mapping that holds the address; false when none does.
    bool MappingAt(uint64_t address, MemoryRange* range) const;

private:
    void AddMapping(uint64_t start, uint64_t end, uint64_t offset, bool readable, const char* path);

    CrashModule modules_[kMaxCrashModules];
    size_t moduleCount_ = 0;
    MemoryRange mappings_[kMaxMappings];
    size_t mappingCount_ = 0;
};

// The version note of the ELF image loaded at `base` (its headers in memory).
ModuleVersion ReadVersionNote(uintptr_t base);
// The version note of the main program (the first object the dynamic loader reports).
ModuleVersion ReadMainProgramVersion();

}  // namespace zovi::platform
