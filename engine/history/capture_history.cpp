#include "engine/history/capture_history.h"

#include <chrono>
#include <cstring>
#include <ctime>
#include <random>
#include <thread>

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

// A column's payload when it is present and exactly `size` bytes long (any length when
// `size` is 0).
bool GetColumn(CRecordStore& store, uint32_t key, uint32_t column, size_t size, std::string& out) {
    zovi::core::CBuffer buffer;
    if (!store.Get(key, column, buffer) || (size != 0 && buffer.Size() != size)) return false;
    out.assign(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
    return true;
}

template <typename T>
bool GetValue(CRecordStore& store, uint32_t key, uint32_t column, T& value) {
    std::string bytes;
    if (!GetColumn(store, key, column, sizeof(T), bytes)) return false;
    std::memcpy(&value, bytes.data(), sizeof(T));
    return true;
}

// The entry of `key` when every column is present and sound: an add cut short, or a
// damaged record, leaves an entry that is not listed.
bool ReadItem(CRecordStore& store, uint32_t key, CaptureHistoryItem& item) {
    item.key = key;
    return GetColumn(store, key, kColumnName, 0, item.name) && GetColumn(store, key, kColumnPath, 0, item.path) &&
           !item.path.empty() && GetValue(store, key, kColumnSize, item.size) &&
           GetValue(store, key, kColumnDuration, item.duration) && GetValue(store, key, kColumnTime, item.time) &&
           GetValue(store, key, kColumnKind, item.kind) &&
           (item.kind == kHistoryRecording || item.kind == kHistorySnapshot);
}

// How long an open waits for another process that holds the history for writing.
constexpr std::chrono::seconds kWriterWait{10};

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
    // The store shares read access only, so a second process adding to the same history
    // cannot open it while the first writes: wait for it instead of losing the entry.
    const std::wstring path = StorePath();
    const auto deadline = std::chrono::steady_clock::now() + kWriterWait;
    std::minstd_rand jitter(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this) ^ uintptr_t(std::time(nullptr))));
    while (!store_.Open(path, flags)) {
        if (store_.LastError() != ERROR_SHARING_VIOLATION) return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            GetGlobalLogger().Error(L"CCaptureHistory::Open: %s stayed in use by another writer\n", path.c_str());
            return false;
        }
        // Two openers racing may both step back; a random pause lets one of them win.
        std::this_thread::sleep_for(std::chrono::milliseconds(2 + jitter() % 19));
    }
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
    // A column that cannot be written leaves an incomplete entry, which is never listed;
    // the caller hears of it and the store has logged the write error.
    const bool written =
        key != 0 && store_.Put(key, kColumnName, name.data(), static_cast<uint32_t>(name.size()), 0) &&
        store_.Put(key, kColumnPath, fullPath.data(), static_cast<uint32_t>(fullPath.size()), 0) &&
        PutValue<uint64_t>(store_, key, kColumnSize, size) && PutValue<int32_t>(store_, key, kColumnDuration, duration) &&
        PutValue<int64_t>(store_, key, kColumnTime, now) && PutValue<int32_t>(store_, key, kColumnKind, kind);
    if (!written) GetGlobalLogger().Error(L"CCaptureHistory::AddRecord: %s not added\n", path.c_str());
    return written;
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
    uint32_t leftOut = 0;
    for (uint32_t key : keys) {
        auto item = std::make_shared<CaptureHistoryItem>();
        if (ReadItem(store_, key, *item)) {
            out.push_back(std::move(item));
        } else {
            ++leftOut;
        }
    }
    if (leftOut > 0)
        GetGlobalLogger().Error(L"CCaptureHistory::LoadAll: %u incomplete entries left out\n", leftOut);
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
