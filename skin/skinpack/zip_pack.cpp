#include "skin/skinpack/zip_pack.h"

#include <minizip/zip.h>

#include <algorithm>
#include <cstdio>

#include "skin/skinpack/file_bytes.h"

namespace zovi::skinpack {

namespace {

constexpr int kLevel = 9;
constexpr int kMemLevel = 8;

bool StoreEntry(zipFile zip, const PackEntry& entry, std::string* error) {
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(entry.path, &bytes, error)) return false;
    if (bytes.size() >= 0xFFFFFFFFu) {
        *error = entry.path + " is too large for the skin";
        return false;
    }
    zip_fileinfo info{};
    info.dosDate = kFixedDosDate;
    int result = zipOpenNewFileInZip3_64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                         Z_DEFLATED, kLevel, 0, -MAX_WBITS, kMemLevel, Z_DEFAULT_STRATEGY,
                                         nullptr, 0, 0);
    if (result == ZIP_OK && !bytes.empty()) {
        result = zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
    }
    const int closed = zipCloseFileInZip(zip);
    if (result != ZIP_OK || closed != ZIP_OK) {
        *error = "minizip failed on " + entry.name + " (" + std::to_string(result != ZIP_OK ? result : closed) + ")";
        return false;
    }
    return true;
}

}  // namespace

bool IsValidEntryName(const std::string& name) {
    if (name.empty() || name.find('\\') != std::string::npos) return false;
    size_t start = 0;
    for (;;) {
        const size_t slash = name.find('/', start);
        const std::string segment = name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (segment.empty() || segment == "." || segment == "..") return false;
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}

bool PackArchive(std::vector<PackEntry> entries, const std::string& outPath, std::string* error) {
    for (const PackEntry& entry : entries) {
        if (!IsValidEntryName(entry.name)) {
            *error = "invalid entry name \"" + entry.name + "\"";
            return false;
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const PackEntry& a, const PackEntry& b) { return a.name < b.name; });
    for (size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].name == entries[i - 1].name) {
            *error = "entry \"" + entries[i].name + "\" listed twice";
            return false;
        }
    }

    const std::string partial = PartialPath(outPath);
    zipFile zip = zipOpen64(partial.c_str(), APPEND_STATUS_CREATE);
    if (!zip) {
        *error = "cannot create " + partial;
        return false;
    }
    bool ok = true;
    for (const PackEntry& entry : entries) {
        if (!StoreEntry(zip, entry, error)) {
            ok = false;
            break;
        }
    }
    if (zipClose(zip, nullptr) != ZIP_OK && ok) {
        *error = "cannot finish " + partial;
        ok = false;
    }
    if (!ok) {
        std::remove(partial.c_str());
        return false;
    }
    return CommitPartial(outPath, error);
}

}  // namespace zovi::skinpack
