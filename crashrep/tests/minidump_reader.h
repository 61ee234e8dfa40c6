// A small reader of minidump files for the tests: the header, the stream directory and
// the streams the crash library writes.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct DumpModuleInfo {
    uint64_t base = 0;
    uint32_t size = 0;
    std::string name;  // from the UTF-16LE name
    uint32_t cvSignature = 0;
    std::vector<uint8_t> buildId;
    uint32_t versionSignature = 0;
    uint32_t fileVersionMS = 0, fileVersionLS = 0;
};

struct DumpThreadInfo {
    uint32_t tid = 0;
    uint64_t stackStart = 0;
    uint32_t stackSize = 0;
    uint64_t rip = 0, rsp = 0;
    uint32_t contextFlags = 0;
};

class CMinidumpFile {
public:
    // Reads the file; false when it is not a minidump.
    bool Load(const std::string& path);

    uint32_t signature = 0;
    uint32_t version = 0;
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> streams;  // type -> (size, rva)
    std::vector<DumpThreadInfo> threads;
    std::vector<DumpModuleInfo> modules;
    bool hasException = false;
    uint32_t exceptionTid = 0;
    uint32_t exceptionCode = 0;
    uint64_t exceptionRip = 0;
    uint16_t architecture = 0;
    uint32_t platformId = 0;

private:
    template <typename T>
    T At(uint64_t offset) const;
    std::vector<uint8_t> bytes_;
};
