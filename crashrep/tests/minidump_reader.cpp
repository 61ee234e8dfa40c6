#include "minidump_reader.h"

#include <cstring>
#include <fstream>
#include <iterator>

template <typename T>
T CMinidumpFile::At(uint64_t offset) const {
    T value{};
    if (offset + sizeof(T) <= bytes_.size()) std::memcpy(&value, bytes_.data() + offset, sizeof(T));
    return value;
}

bool CMinidumpFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), {});
    if (bytes_.size() < 32) return false;
    signature = At<uint32_t>(0);
    version = At<uint32_t>(4) & 0xFFFF;
    uint32_t count = At<uint32_t>(8);
    uint32_t directory = At<uint32_t>(12);
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t entry = directory + 12ull * i;
        streams[At<uint32_t>(entry)] = {At<uint32_t>(entry + 4), At<uint32_t>(entry + 8)};
    }
    auto contextRip = [&](uint32_t rva) { return At<uint64_t>(rva + 0xF8); };
    if (streams.count(3)) {
        uint32_t rva = streams[3].second;
        uint32_t n = At<uint32_t>(rva);
        for (uint32_t i = 0; i < n; ++i) {
            uint64_t t = rva + 4 + 48ull * i;
            DumpThreadInfo thread;
            thread.tid = At<uint32_t>(t);
            thread.stackStart = At<uint64_t>(t + 24);
            thread.stackSize = At<uint32_t>(t + 32);
            uint32_t context = At<uint32_t>(t + 44);
            thread.contextFlags = At<uint32_t>(context + 0x30);
            thread.rip = contextRip(context);
            thread.rsp = At<uint64_t>(context + 0x98);
            threads.push_back(thread);
        }
    }
    if (streams.count(4)) {
        uint32_t rva = streams[4].second;
        uint32_t n = At<uint32_t>(rva);
        for (uint32_t i = 0; i < n; ++i) {
            uint64_t m = rva + 4 + 108ull * i;
            DumpModuleInfo module;
            module.base = At<uint64_t>(m);
            module.size = At<uint32_t>(m + 8);
            uint32_t nameRva = At<uint32_t>(m + 20);
            uint32_t nameBytes = At<uint32_t>(nameRva);
            for (uint32_t b = 0; b + 1 < nameBytes; b += 2) {
                module.name.push_back(static_cast<char>(At<uint16_t>(nameRva + 4 + b)));
            }
            module.versionSignature = At<uint32_t>(m + 24);
            module.fileVersionMS = At<uint32_t>(m + 32);
            module.fileVersionLS = At<uint32_t>(m + 36);
            uint32_t cvSize = At<uint32_t>(m + 76);
            uint32_t cvRva = At<uint32_t>(m + 80);
            if (cvSize >= 4) {
                module.cvSignature = At<uint32_t>(cvRva);
                for (uint32_t b = 4; b < cvSize; ++b) module.buildId.push_back(At<uint8_t>(cvRva + b));
            }
            modules.push_back(module);
        }
    }
    if (streams.count(6)) {
        uint32_t rva = streams[6].second;
        hasException = true;
        exceptionTid = At<uint32_t>(rva);
        exceptionCode = At<uint32_t>(rva + 8);
        exceptionRip = contextRip(At<uint32_t>(rva + 164));
    }
    if (streams.count(7)) {
        uint32_t rva = streams[7].second;
        architecture = At<uint16_t>(rva);
        platformId = At<uint32_t>(rva + 20);
    }
    return signature == 0x504D444D;
}
