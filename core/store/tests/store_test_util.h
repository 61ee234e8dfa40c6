// Helpers shared by the record store tests: a temporary folder and raw file access.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/store/record_store.h"

namespace zovi::testing {

inline constexpr DWORD kHistoryIdentity = 0x3150564F;  // "OVP1" in file order

class CTempFolder {
public:
    CTempFolder() {
        char pattern[] = "/tmp/zovi-store-test-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~CTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    std::wstring WideFile(const std::string& name) const {
        const std::string narrow = File(name);
        return std::wstring(narrow.begin(), narrow.end());
    }

private:
    std::string path_;
};

inline std::string ReadRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteRaw(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string GetString(CRecordStore& store, DWORD key, DWORD column, bool* found = nullptr) {
    zovi::core::CBuffer buffer;
    const bool ok = store.Get(key, column, buffer);
    if (found != nullptr) *found = ok;
    return ok ? std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size()) : std::string();
}

}  // namespace zovi::testing
