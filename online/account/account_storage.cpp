#include "online/account/account_storage.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/digest/md5.h"
#include "core/digest/rc2.h"
#include "core/files/data_folder.h"
#include "core/files/directories.h"
#include "core/files/file.h"
#include "core/log/logger.h"
#include "online/json/json_text.h"
#include "platform/fs/private_file.h"
#include "platform/stream/buffer.h"
#include "platform/stream/zip_writer.h"

namespace {

using zovi::core::CBuffer;
using zovi::core::CZipWriter;

// The file's key, used with an effective length of 1024 bits (no reduction step).
constexpr BYTE kFileKey[16] = {0x5a, 0x3c, 0x9e, 0x17, 0xb2, 0xd8, 0x4f, 0x60,
                               0xa1, 0xc7, 0xe9, 0x3b, 0x08, 0xd2, 0x6f, 0x4e};
constexpr UINT kEffectiveKeyBits = 1024;
constexpr size_t kBlock = 8;
constexpr size_t kLengthSize = 4;

// The expanded key, cleared from memory when it goes.
class FileCipher {
public:
    FileCipher() { Rc2SetKey(context_, kFileKey, sizeof(kFileKey), kEffectiveKeyBits); }
    ~FileCipher() {
        volatile WORD* words = context_.key;
        for (size_t i = 0; i < std::size(context_.key); ++i) words[i] = 0;
    }
    FileCipher(const FileCipher&) = delete;
    FileCipher& operator=(const FileCipher&) = delete;

    void Encrypt(uint8_t* data, size_t n) const { Rc2Encrypt(context_, data, n); }
    void Decrypt(uint8_t* data, size_t n) const { Rc2Decrypt(context_, data, n); }

private:
    Rc2Context context_{};
};

std::array<uint8_t, 16> Md5Of(const void* bytes, size_t n) {
    Md5Context context;
    Md5Digest(context, bytes, n);
    std::array<uint8_t, 16> digest;
    std::memcpy(digest.data(), context.Digest(), digest.size());
    return digest;
}

uint32_t ReadLittleEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The entry's bytes from a zip archive in memory.
bool ReadArchiveEntry(const uint8_t* archive, uint32_t n, std::string& entry) {
    CZipWriter zip;
    if (zip.Stream().Write(archive, n, nullptr) != S_OK || !zip.OpenReader()) return false;
    CBuffer bytes;
    if (!zip.ReadEntry(bytes)) return false;
    entry.assign(reinterpret_cast<const char*>(bytes.Data()), bytes.Size());
    return true;
}

// A zip archive in memory holding `text` as the one entry.
bool BuildArchive(const std::string& text, CBuffer& archive) {
    CZipWriter zip;
    if (!zip.CreateArchive(&archive) || !zip.WriteEntry(text.data(), static_cast<uint32_t>(text.size())))
        return false;
    zip.CloseArchive();
    return zip.LastResult() == ZIP_OK && archive.Size() > 0;
}

}  // namespace

CAccountStorageController::CAccountStorageController() : digest_(Md5Of("", 0)) {
    GetGlobalLogger().Info(L"CAccountStorageController::ctor: %08llx\n",
                           static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(this)));
}

CAccountStorageController::~CAccountStorageController() {
    Save();
    GetGlobalLogger().Info(L"CAccountStorageController::dtor: %08llx\n",
                           static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(this)));
}

bool CAccountStorageController::Load() {
    digest_ = Md5Of("", 0);
    path_.clear();
    document_ = Json::Value();
    const std::wstring folder = GetAccountDataPath();
    EnsureDirectory(folder);
    path_ = folder + L"/" + kAccountStorageFileName;

    std::string file;
    if (!ReadWholeFile(path_, file) || file.empty()) return false;
    // Only whole blocks can come from Save; deciphering a tail would run past the end.
    if (file.size() % kBlock != 0) return false;
    auto* bytes = reinterpret_cast<uint8_t*>(file.data());
    FileCipher().Decrypt(bytes, file.size());
    const uint32_t n = ReadLittleEndian32(bytes);
    if (static_cast<uint64_t>(n) + kLengthSize > file.size()) return false;

    std::string entry;
    if (!ReadArchiveEntry(bytes + kLengthSize, n, entry)) return false;
    // Parsed aside, so a text that fails part-way leaves no partial document to save.
    Json::Value document;
    if (!ParseJsonText(entry, document)) return false;
    document_ = std::move(document);
    digest_ = Md5Of(entry.data(), entry.size());
    return true;
}

bool CAccountStorageController::Save() {
    std::lock_guard lock(lock_);
    if (document_.isNull() || path_.empty()) return false;
    const std::string text = WriteCompactJson(document_, JsonNonAscii::kRawUtf8);
    if (Md5Of(text.data(), text.size()) == digest_) return true;

    CBuffer archive;
    if (!BuildArchive(text, archive)) return false;
    const size_t used = kLengthSize + archive.Size();
    std::vector<uint8_t> plain((used + kBlock - 1) / kBlock * kBlock, 0);
    const uint32_t n = archive.Size();
    for (size_t i = 0; i < kLengthSize; ++i) plain[i] = static_cast<uint8_t>(n >> (8 * i));
    std::memcpy(plain.data() + kLengthSize, archive.Data(), archive.Size());
    FileCipher().Encrypt(plain.data(), plain.size());
    return zovi::platform::ReplacePrivateFile(path_, plain.data(), plain.size());
}
