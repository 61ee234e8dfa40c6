#include "platform/duilib/core/resources/skin_archive.h"

#include <minizip/unzip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/base/utf8.h"
#include "platform/duilib/core/resources/image_cache.h"
#include "platform/duilib/core/string/dui_log.h"
#include "platform/stream/buffer_stream.h"
#include "platform/stream/zip_file_functions.h"

namespace DuiLib {
namespace {

// The open archive. Like every library object it is used on the UI thread only.
struct SkinArchive {
    const unsigned char* data = nullptr;
    size_t size = 0;
    zovi::core::CZipStream* stream = nullptr;  // a copy of the bytes minizip reads through
    unzFile zip = nullptr;
    bool openFailed = false;

    void Close() {
        if (zip) unzClose(zip);
        zip = nullptr;
        if (stream) stream->Release();
        stream = nullptr;
        openFailed = false;
    }
    ~SkinArchive() { Close(); }
};

SkinArchive& Archive() {
    static SkinArchive archive;
    return archive;
}

// Skin paths use "/"; a leading "/" is dropped.
std::string EntryName(const std::wstring& path) {
    std::wstring name = path;
    for (wchar_t& c : name) {
        if (c == L'\\') c = L'/';
    }
    const size_t start = name.find_first_not_of(L'/');
    return zovi::platform::EncodeUtf8Lossless(start == std::wstring::npos ? std::wstring() : name.substr(start));
}

// ZOVI_SKIN_DIR: a development aid, honoured in every build. A skin author points it at
// the skin's source folder and sees changes without rebuilding the program.
const char* SkinDir() {
    const char* dir = std::getenv("ZOVI_SKIN_DIR");
    if (!dir || !*dir) return nullptr;
    static const bool announced = [dir] {
        LogInfo(L"skin read from ZOVI_SKIN_DIR " + zovi::platform::DecodeUtf8Lossless(dir));
        return true;
    }();
    (void)announced;
    return dir;
}

unzFile OpenArchive() {
    SkinArchive& archive = Archive();
    if (archive.zip || archive.openFailed || !archive.data) return archive.zip;
    archive.stream = new zovi::core::CZipStream();
    if (archive.size > UINT32_MAX || !archive.stream->Append(archive.data, static_cast<uint32_t>(archive.size))) {
        LogOnce(L"skin:open", L"the skin archive is too large to open");
        archive.openFailed = true;
        return nullptr;
    }
    zlib_filefunc64_def functions = zovi::core::MemoryZipFileFunctions(archive.stream);
    archive.zip = unzOpen2_64("skin", &functions);
    if (!archive.zip) {
        LogOnce(L"skin:open", L"the skin archive is not a zip archive");
        archive.openFailed = true;
    }
    return archive.zip;
}

bool ReadEntry(unzFile zip, const std::string& name, std::vector<unsigned char>* bytes) {
    if (unzLocateFile(zip, name.c_str(), 1) != UNZ_OK) return false;
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    if (info.uncompressed_size > UINT32_MAX || unzOpenCurrentFile(zip) != UNZ_OK) return false;
    std::vector<unsigned char> data(static_cast<size_t>(info.uncompressed_size));
    size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
        const int read = unzReadCurrentFile(zip, data.data() + done, static_cast<unsigned>(data.size() - done));
        if (read <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(read);
    }
    // Closing checks the CRC of a fully read entry.
    if (unzCloseCurrentFile(zip) != UNZ_OK) ok = false;
    if (ok) *bytes = std::move(data);
    return ok;
}

bool ReadDirFile(const char* dir, const std::string& name, std::vector<unsigned char>* bytes) {
    std::ifstream file(std::filesystem::path(dir) / name, std::ios::binary);
    if (!file) return false;
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return false;
    *bytes = std::move(data);
    return true;
}

bool Read(const std::wstring& path, std::vector<unsigned char>* bytes) {
    const std::string name = EntryName(path);
    if (name.empty()) return false;
    if (const char* dir = SkinDir()) return ReadDirFile(dir, name, bytes);
    unzFile zip = OpenArchive();
    return zip && ReadEntry(zip, name, bytes);
}

}  // namespace

void SetSkinArchive(const unsigned char* data, size_t size) {
    SkinArchive& archive = Archive();
    archive.Close();
    archive.data = data;
    archive.size = data ? size : 0;
    // Images decoded from an earlier archive are stale now.
    ClearImageCache();
}

bool ReadSkinFile(const std::wstring& path, std::vector<unsigned char>* bytes) {
    if (!bytes) return false;
    if (Read(path, bytes)) return true;
    LogOnce(L"skin:" + path, L"skin file missing: " + path);
    return false;
}

bool SkinFileExists(const std::wstring& path) {
    const std::string name = EntryName(path);
    if (name.empty()) return false;
    if (const char* dir = SkinDir()) {
        std::error_code error;
        return std::filesystem::is_regular_file(std::filesystem::path(dir) / name, error);
    }
    unzFile zip = OpenArchive();
    return zip && unzLocateFile(zip, name.c_str(), 1) == UNZ_OK;
}

std::vector<std::wstring> ListSkinFiles() {
    std::vector<std::wstring> paths;
    if (const char* dir = SkinDir()) {
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(dir, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->is_regular_file(error)) {
                const std::string relative = std::filesystem::relative(it->path(), dir, error).generic_string();
                paths.push_back(zovi::platform::DecodeUtf8Lossless(relative));
            }
        }
        return paths;
    }
    unzFile zip = OpenArchive();
    if (!zip) return paths;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        char name[1024];
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK) break;
        const std::string entry(name);
        if (!entry.empty() && entry.back() != '/') paths.push_back(zovi::platform::DecodeUtf8Lossless(entry));
    }
    return paths;
}

}  // namespace DuiLib
