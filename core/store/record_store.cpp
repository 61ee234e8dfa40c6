#include "core/store/record_store.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>

#include "core/digest/crc32.h"
#include "core/log/logger.h"
#include "platform/fs/win_file.h"

namespace {

// Views of 64 times the allocation granularity (64 KiB), as the system gives it.
constexpr size_t kAllocationGranularity = 65536;
constexpr size_t kDefaultViewSize = 64 * kAllocationGranularity;
// Compaction writes its copy in batches of about 4 MiB.
constexpr size_t kCompactionFlushSize = 4194305;

std::atomic<size_t> g_viewSize{kDefaultViewSize};
std::mutex g_hookLock;
std::function<void(int)> g_compactionHook;

void CompactionStep(int step) {
    std::function<void(int)> hook;
    {
        std::lock_guard guard(g_hookLock);
        hook = g_compactionHook;
    }
    if (hook) hook(step);
}

ULONGLONG PaddedSize(ULONGLONG payload) { return (payload + 7) & ~ULONGLONG(7); }

void PutLe32(BYTE* out, DWORD value) {
    for (int i = 0; i < 4; ++i) out[i] = BYTE(value >> (8 * i));
}

DWORD GetLe32(const BYTE* in) {
    return DWORD(in[0]) | (DWORD(in[1]) << 8) | (DWORD(in[2]) << 16) | (DWORD(in[3]) << 24);
}

// Reads byte ranges of a mapped file through views of a fixed size, mapping the view
// that holds each range (and the next one for a range that crosses a view end).
class CViewReader {
public:
    CViewReader(HANDLE file, ULONGLONG fileSize) : m_fileSize(fileSize), m_viewSize(g_viewSize.load()) {
        m_ok = m_mapping.Create(file, PAGE_READONLY);
    }
    bool Ok() const { return m_ok; }

    bool Copy(ULONGLONG offset, BYTE* out, size_t n) {
        while (n > 0) {
            const ULONGLONG viewStart = offset / m_viewSize * m_viewSize;
            if (!m_view.Data() || m_view.Offset() != viewStart) {
                const size_t length = size_t(std::min<ULONGLONG>(m_viewSize, m_fileSize - viewStart));
                if (!m_view.Map(m_mapping, FILE_MAP_READ, viewStart, length)) return false;
            }
            const size_t inView = size_t(std::min<ULONGLONG>(n, viewStart + m_view.Length() - offset));
            std::memcpy(out, static_cast<const BYTE*>(m_view.Data()) + (offset - viewStart), inView);
            out += inView;
            offset += inView;
            n -= inView;
        }
        return true;
    }

    void Close() {
        m_view.Unmap();
        m_mapping.Close();
    }

private:
    ULONGLONG m_fileSize;
    size_t m_viewSize;
    CFileMapping m_mapping;
    CMappedView m_view;
    bool m_ok = false;
};

}  // namespace

CRecordStore::CRecordStore(DWORD identityWord) : m_identity(identityWord) {}

CRecordStore::~CRecordStore() { Close(0); }

void CRecordStore::SetViewSizeForTesting(size_t bytes) { g_viewSize = bytes == 0 ? kDefaultViewSize : bytes; }

void CRecordStore::SetCompactionStepHookForTesting(std::function<void(int)> hook) {
    std::lock_guard guard(g_hookLock);
    g_compactionHook = std::move(hook);
}

bool CRecordStore::Open(const std::wstring& path, DWORD flags) {
    std::lock_guard guard(m_mutex);
    Close(0);
    DWORD disposition;
    if (flags & kRecordStoreMustExist) {
        disposition = (flags & kRecordStoreEmpty) ? TRUNCATE_EXISTING : OPEN_EXISTING;
    } else {
        disposition = (flags & kRecordStoreEmpty) ? CREATE_ALWAYS : OPEN_ALWAYS;
    }
    if (!m_file.Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, disposition, FILE_ATTRIBUTE_NORMAL)) {
        return false;
    }
    CWriteLockGuard write(m_lock);
    m_index = std::make_unique<Index>();
    m_index->identity = m_identity;
    Load();
    return true;
}

void CRecordStore::IndexRecord(const IndexEntry& entry) {
    auto range = m_index->entries.equal_range(entry.key);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second.column == entry.column) {
            it->second = entry;
            return;
        }
    }
    m_index->entries.emplace(entry.key, entry);
}

void CRecordStore::Load() {
    m_index->entries.clear();
    m_tornAt = kNoTornTail;
    std::uint64_t size = 0;
    if (!m_file.GetSize(size)) {
        GetGlobalLogger().Error(L"CRecordStore::Load: size of %s: %s\n", m_file.Path().c_str(),
                                m_file.LastErrorText().c_str());
        m_fileSize = 0;
        return;
    }
    m_fileSize = size;
    if (size == 0) return;

    CViewReader reader(m_file.Handle(), size);
    if (!reader.Ok()) {
        GetGlobalLogger().Error(L"CRecordStore::Load: cannot map %s\n", m_file.Path().c_str());
        return;
    }
    // A record counts when its identity word, its size (within the file) and the CRC of
    // its payload all hold. Anything else is damage: the walk looks for the next record at
    // every 4-aligned offset, so one bad record costs only itself.
    ULONGLONG offset = 0;
    ULONGLONG validEnd = 0;
    DWORD damagedRegions = 0;
    bool inDamage = false;
    std::vector<BYTE> payload;
    while (size - offset >= kRecordHeaderSize) {
        BYTE header[kRecordHeaderSize];
        if (!reader.Copy(offset, header, kRecordHeaderSize)) {
            GetGlobalLogger().Error(L"CRecordStore::Load: cannot read %s at %I64u\n", m_file.Path().c_str(), offset);
            break;
        }
        if (GetLe32(header) == m_index->identity) {
            IndexEntry entry{GetLe32(header + 4),  GetLe32(header + 8), GetLe32(header + 12),
                             GetLe32(header + 16), GetLe32(header + 20), offset};
            const ULONGLONG recordSize = kRecordHeaderSize + PaddedSize(entry.size);
            if (recordSize <= size - offset) {
                payload.resize(entry.size);
                if (reader.Copy(offset + kRecordHeaderSize, payload.data(), entry.size) &&
                    Crc32(payload.data(), entry.size) == entry.crc) {
                    if (GetLe32(header + kRecordRemovedOffset) & 1) {
                        // A removed record also removes an older value of its pair.
                        auto range = m_index->entries.equal_range(entry.key);
                        for (auto it = range.first; it != range.second; ++it) {
                            if (it->second.column == entry.column) {
                                m_index->entries.erase(it);
                                break;
                            }
                        }
                    } else {
                        IndexRecord(entry);
                    }
                    offset += recordSize;
                    validEnd = offset;
                    inDamage = false;
                    continue;
                }
            }
        }
        if (!inDamage) ++damagedRegions;
        inDamage = true;
        offset += 4;
    }
    if (damagedRegions > 0) {
        GetGlobalLogger().Error(L"CRecordStore::Load: %s: %u damaged region(s) skipped\n", m_file.Path().c_str(),
                                damagedRegions);
    }
    // An incomplete last record (an append cut short) is a torn tail: the next append
    // cuts it, so that no reader ever changes the file. Whole damaged records at the end
    // stay; appends go after them.
    const ULONGLONG tail = size - validEnd;
    if (tail > 0) {
        bool torn = tail < kRecordHeaderSize;
        BYTE header[kRecordHeaderSize];
        if (!torn && reader.Copy(validEnd, header, kRecordHeaderSize) && GetLe32(header) == m_index->identity) {
            torn = kRecordHeaderSize + PaddedSize(GetLe32(header + 16)) > tail;
        }
        if (torn) {
            m_tornAt = validEnd;
            GetGlobalLogger().Error(L"CRecordStore::Load: %s: torn record at %I64u of %I64u\n", m_file.Path().c_str(),
                                    validEnd, ULONGLONG(size));
        }
    }
    reader.Close();
}

bool CRecordStore::Encode(std::vector<BYTE>& staging, std::vector<IndexEntry>& staged, DWORD key, DWORD column,
                          const void* bytes, DWORD size, DWORD user) const {
    const ULONGLONG recordSize = kRecordHeaderSize + PaddedSize(size);
    if (recordSize + staging.size() > std::numeric_limits<DWORD>::max() || (bytes == nullptr && size > 0)) {
        return false;
    }
    const size_t start = staging.size();
    staging.resize(start + size_t(recordSize), 0);
    BYTE* record = staging.data() + start;
    const DWORD crc = Crc32(bytes, size);
    PutLe32(record, m_identity);
    PutLe32(record + 4, key);
    PutLe32(record + 8, column);
    PutLe32(record + 12, crc);
    PutLe32(record + 16, size);
    PutLe32(record + 20, user);
    PutLe32(record + kRecordRemovedOffset, 0);
    if (size > 0) std::memcpy(record + kRecordHeaderSize, bytes, size);
    staged.push_back(IndexEntry{key, column, crc, size, user, start});
    return true;
}

bool CRecordStore::Append(std::vector<BYTE>& staging, std::vector<IndexEntry>& staged) {
    if (staging.empty()) return true;
    ULONGLONG end = m_fileSize;
    if (m_tornAt < end) {
        if (!m_file.Truncate(LONGLONG(m_tornAt))) {
            GetGlobalLogger().Error(L"CRecordStore::Append: cannot cut the torn record of %s: %s\n",
                                    m_file.Path().c_str(), m_file.LastErrorText().c_str());
            staging.clear();
            staged.clear();
            return false;
        }
        GetGlobalLogger().Info(L"CRecordStore::Append: %s: torn record at %I64u cut\n", m_file.Path().c_str(),
                               m_tornAt);
        end = m_fileSize = m_tornAt;
    }
    m_tornAt = kNoTornTail;
    // Records start at 4-aligned offsets, where the load looks for them after damage.
    const size_t gap = size_t(((end + 3) & ~ULONGLONG(3)) - end);
    if (gap > 0) {
        staging.insert(staging.begin(), gap, BYTE(0));
        for (IndexEntry& entry : staged) entry.offset += gap;
    }
    if (!m_file.WriteAt(end, staging.data(), DWORD(staging.size()))) {
        GetGlobalLogger().Error(L"CRecordStore::Append: writing %s: %s\n", m_file.Path().c_str(),
                                m_file.LastErrorText().c_str());
        // Leave no partial record behind for the next append to land inside.
        m_file.Truncate(LONGLONG(end));
        staging.clear();
        staged.clear();
        return false;
    }
    m_fileSize = end + staging.size();
    for (IndexEntry entry : staged) {
        entry.offset += end;
        IndexRecord(entry);
    }
    staging.clear();
    staged.clear();
    return true;
}

bool CRecordStore::Put(DWORD key, DWORD column, const void* bytes, DWORD size, DWORD userWord) {
    std::lock_guard guard(m_mutex);
    CWriteLockGuard write(m_lock);
    if (!m_index) return false;
    const DWORD crc = Crc32(bytes, size);
    auto range = m_index->entries.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        const IndexEntry& entry = it->second;
        if (entry.column == column && entry.size == size && entry.crc == crc) return true;
    }
    std::vector<BYTE> staging;
    std::vector<IndexEntry> staged;
    if (!Encode(staging, staged, key, column, bytes, size, userWord)) return false;
    return Append(staging, staged);
}

bool CRecordStore::ReadPayload(const IndexEntry& entry, zovi::core::CBuffer& buffer) {
    if (entry.size == 0) return true;
    const DWORD before = buffer.Size();
    BYTE* out = buffer.AppendUninitialized(entry.size);
    if (out == nullptr) return false;
    DWORD read = 0;
    if (!m_file.ReadAt(entry.offset + kRecordHeaderSize, out, entry.size, &read) || read != entry.size) {
        buffer.Truncate(before);
        return false;
    }
    // Bytes changed on disk since the load are not handed out as the value.
    if (Crc32(out, entry.size) != entry.crc) {
        GetGlobalLogger().Error(L"CRecordStore::Get: %s: record at %I64u changed on disk\n", m_file.Path().c_str(),
                                entry.offset);
        buffer.Truncate(before);
        return false;
    }
    return true;
}

bool CRecordStore::Get(DWORD key, DWORD column, zovi::core::CBuffer& buffer) {
    CReadLockGuard read(m_lock);
    if (!m_index) return false;
    auto range = m_index->entries.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second.column == column) return ReadPayload(it->second, buffer);
    }
    return false;
}

bool CRecordStore::Delete(const std::vector<DWORD>& keys) {
    std::lock_guard guard(m_mutex);
    CWriteLockGuard write(m_lock);
    if (!m_index) return false;
    bool removed = false;
    BYTE flag[4];
    PutLe32(flag, 1);
    for (DWORD key : keys) {
        auto range = m_index->entries.equal_range(key);
        for (auto it = range.first; it != range.second; ++it) {
            if (!m_file.WriteAt(it->second.offset + kRecordRemovedOffset, flag, sizeof(flag))) {
                GetGlobalLogger().Error(L"CRecordStore::Delete: writing %s: %s\n", m_file.Path().c_str(),
                                        m_file.LastErrorText().c_str());
            }
            removed = true;
        }
        m_index->entries.erase(range.first, range.second);
    }
    return removed;
}

bool CRecordStore::GetKeys(std::vector<DWORD>& keys) {
    CReadLockGuard read(m_lock);
    keys.clear();
    if (!m_index || m_index->entries.empty()) return false;
    for (auto it = m_index->entries.begin(); it != m_index->entries.end();
         it = m_index->entries.upper_bound(it->first)) {
        keys.push_back(it->first);
    }
    return true;
}

DWORD CRecordStore::NextKey() {
    CReadLockGuard read(m_lock);
    if (!m_index) return 0;
    if (m_index->entries.empty()) return 1;
    return m_index->entries.rbegin()->first + 1;
}

ULONGLONG CRecordStore::GetFileSize() {
    CReadLockGuard read(m_lock);
    if (!m_index) return 0;
    std::uint64_t size = 0;
    return m_file.GetSize(size) ? size : 0;
}

bool CRecordStore::Close(DWORD flags) {
    std::lock_guard guard(m_mutex);
    if (flags & kRecordStoreCloseCompact) Compact();
    CWriteLockGuard write(m_lock);
    if (!m_index) return true;
    const bool deleteFile = (flags & kRecordStoreCloseDeleteEmpty) && m_index->entries.empty();
    const std::wstring path = m_file.Path();
    m_index.reset();
    m_file.Close();
    m_fileSize = 0;
    m_tornAt = kNoTornTail;
    if (deleteFile) DeleteFilePath(path);
    return true;
}

void CRecordStore::Compact() {
    std::lock_guard guard(m_mutex);
    if (!m_index || m_fileSize == 0) return;
    const std::wstring path = m_file.Path();
    const std::wstring tmpPath = path + L".tmp";
    CRecordStore copy(m_identity);
    if (!copy.Open(tmpPath, kRecordStoreEmpty)) {
        GetGlobalLogger().Error(L"CRecordStore::Compact: cannot create %s\n", tmpPath.c_str());
        return;
    }
    bool written = true;
    {
        CReadLockGuard read(m_lock);
        CWriteLockGuard copyWrite(copy.m_lock);
        std::vector<BYTE> staging;
        std::vector<IndexEntry> staged;
        zovi::core::CBuffer payload;
        for (const auto& [key, entry] : m_index->entries) {
            payload.Reset();
            if (entry.size == 0 || !ReadPayload(entry, payload) || payload.Size() == 0) continue;
            if (!copy.Encode(staging, staged, entry.key, entry.column, payload.Data(), payload.Size(), entry.user)) {
                continue;
            }
            if (staging.size() >= kCompactionFlushSize && !copy.Append(staging, staged)) {
                written = false;
                break;
            }
        }
        if (written && !copy.Append(staging, staged)) written = false;
    }
    if (!written) {
        // The incomplete copy never replaces the store.
        GetGlobalLogger().Error(L"CRecordStore::Compact: writing %s failed, store kept\n", tmpPath.c_str());
        copy.Close(0);
        DeleteFilePath(tmpPath);
        return;
    }
    CompactionStep(1);

    CWriteLockGuard write(m_lock);
    std::unique_ptr<Index> compacted = std::move(copy.m_index);
    copy.m_file.Close();
    m_file.Close();
    CompactionStep(2);
    // One atomic step: the store is the old file or the new one, never missing.
    const bool replaced = MoveFileExW(tmpPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (replaced) CompactionStep(3);
    if (replaced && m_file.Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS)) {
        std::uint64_t size = 0;
        m_file.GetSize(size);
        m_fileSize = size;
        m_tornAt = kNoTornTail;
        m_index = std::move(compacted);
        return;
    }
    GetGlobalLogger().Error(L"CRecordStore::Compact: replacing %s failed\n", path.c_str());
    m_index.reset();
    Open(path, 0);
    DeleteFilePath(tmpPath);
}
