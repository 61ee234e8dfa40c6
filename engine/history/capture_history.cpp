#include "engine/history/capture_history.h"

#include <cstring>
#include <ctime>

#include "core/files/data_folder.h"
#include "core/files/directories.h"
#include "core/files/file.h"
#include "core/log/logger.h"
#include "platform/base/utf8.h"

namespace zovi::engine {

namespace {

std::mutex gUserIdLock;
std::function<uint64_t()> gUserIdSource;

uint64_t CurrentUserId() {
    std::lock_guard lock(gUserIdLock);
    return gUserIdSource ? gUserIdSource() : 0;
}

// The part of a path after its last '\', '/' or ':'.
std::wstring FileNamePart(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"\\/:");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

uint64_t FileSizeOrZero(const std::wstring& path) {
    uint64_t size = 0;
    GetFileSizeByPath(path, size);
    return size;
}

template <typename T>
bool PutValue(CRecordStore& store, uint32_t key, uint32_t column, T value) {
    return store.Put(key, column, &value, sizeof(value), 0);
}

template <typename T>
T GetValue(CRecordStore& store, uint32_t key, uint32_t column) {
    zovi::core::CBuffer buffer;
    T value{};
    if (store.Get(key, column, buffer) && buffer.Size() >= sizeof(T))
        std::memcpy(&value, buffer.Data(), sizeof(T));
    return value;
}

std::string GetText(CRecordStore& store, uint32_t key, uint32_t column) {
    zovi::core::CBuffer buffer;
    if (!store.Get(key, column, buffer)) return {};
    return std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
}

}  // namespace

std::wstring HistoryFileName(uint64_t userId) {
    const int32_t number = static_cast<int32_t>(static_cast<uint32_t>(userId & 0xFFFFFFFFu));
    return std::to_wstring(number) + L".history";
}

CCaptureHistory::CCaptureHistory() {
    GetGlobalLogger().Info(L"CCaptureHistory::ctor: %08llx\n",
                           static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(this)));
}

CCaptureHistory::~CCaptureHistory() {
    {
        std::lock_guard lock(lock_);
        CloseLocked();
    }
    GetGlobalLogger().Info(L"CCaptureHistory::dtor: %08llx\n",
                           static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(this)));
}

void CCaptureHistory::SetUserIdSource(std::function<uint64_t()> source) {
    std::lock_guard lock(gUserIdLock);
    gUserIdSource = std::move(source);
}

std::wstring CCaptureHistory::StorePath() const {
    const std::wstring folder = GetStorageDirectory();
    return folder + L"/" + HistoryFileName(CurrentUserId());
}

bool CCaptureHistory::OpenLocked(uint32_t flags) {
    if (open_) return true;
    if (!store_.Open(StorePath(), flags)) return false;
    open_ = true;
    removed_ = false;
    return true;
}

bool CCaptureHistory::CloseLocked() {
    if (!open_) return false;
    store_.Close(removed_ ? 3 : 0);
    open_ = false;
    return true;
}

bool CCaptureHistory::Open(uint32_t flags) {
    std::lock_guard lock(lock_);
    return OpenLocked(flags);
}

bool CCaptureHistory::AddRecord(const std::wstring& path, int32_t duration, int32_t kind) {
    const std::string name = platform::EncodeUtf8Lossless(FileNamePart(path));
    const std::string fullPath = platform::EncodeUtf8Lossless(path);
    const uint64_t size = FileSizeOrZero(path);
    const int64_t now = static_cast<int64_t>(std::time(nullptr));

    std::lock_guard lock(lock_);
    if (!OpenLocked(0)) return false;
    const uint32_t key = store_.NextKey();
    store_.Put(key, kColumnName, name.data(), static_cast<uint32_t>(name.size()), 0);
    store_.Put(key, kColumnPath, fullPath.data(), static_cast<uint32_t>(fullPath.size()), 0);
    PutValue<uint64_t>(store_, key, kColumnSize, size);
    PutValue<int32_t>(store_, key, kColumnDuration, duration);
    PutValue<int64_t>(store_, key, kColumnTime, now);
    PutValue<int32_t>(store_, key, kColumnKind, kind);
    return key != 0;
}

bool CCaptureHistory::GetKeys(std::vector<uint32_t>& keys) {
    std::lock_guard lock(lock_);
    std::vector<DWORD> found;
    if (!OpenLocked(2) || !store_.GetKeys(found)) return false;
    keys.assign(found.begin(), found.end());
    return true;
}

bool CCaptureHistory::LoadAll(const std::vector<uint32_t>& keys,
                              std::vector<std::shared_ptr<CaptureHistoryItem>>& out) {
    std::lock_guard lock(lock_);
    if (!OpenLocked(2)) return false;
    for (uint32_t key : keys) {
        auto item = std::make_shared<CaptureHistoryItem>();
        item->key = key;
        item->name = GetText(store_, key, kColumnName);
        item->path = GetText(store_, key, kColumnPath);
        item->size = GetValue<uint64_t>(store_, key, kColumnSize);
        item->duration = GetValue<int32_t>(store_, key, kColumnDuration);
        item->time = GetValue<int64_t>(store_, key, kColumnTime);
        item->kind = GetValue<int32_t>(store_, key, kColumnKind);
        out.push_back(std::move(item));
    }
    return true;
}

bool CCaptureHistory::Delete(const std::vector<uint32_t>& keys) {
    std::lock_guard lock(lock_);
    if (!OpenLocked(2)) return false;
    const std::vector<DWORD> storeKeys(keys.begin(), keys.end());
    if (!store_.Delete(storeKeys)) return false;
    removed_ = true;
    return true;
}

bool CCaptureHistory::Flush() {
    std::lock_guard lock(lock_);
    return CloseLocked();
}

}  // namespace zovi::engine
