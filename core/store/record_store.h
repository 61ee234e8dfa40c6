// CRecordStore: small records of raw bytes in one append-only file, addressed by (key,
// column), with an index in memory. New values are appended, removals mark records in
// place, and closing with compaction rewrites the file without dead records. The file is
// opened sharing read access only, so one writer at a time, in any process, holds it.
// Loading takes a record only when its identity word, size and payload CRC all hold, and
// looks for the next record (at 4-aligned offsets) past any damage.
//
// Record layout (little-endian, no file header): identity word, key, column, CRC-32 of
// the payload, payload size, user word, removed flag (each u32), the payload, zero bytes
// up to the next multiple of 8 of the payload size.
#pragma once
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/files/file.h"
#include "core/lock/lock.h"
#include "platform/stream/buffer.h"
#include "platform/base/wintypes.h"

// Open flags: with kRecordStoreMustExist the file must exist; kRecordStoreEmpty empties
// it (or creates a new empty one). Close flags: compact first; delete the file when no
// record is left.
inline constexpr DWORD kRecordStoreEmpty = 1;
inline constexpr DWORD kRecordStoreMustExist = 2;
inline constexpr DWORD kRecordStoreCloseCompact = 1;
inline constexpr DWORD kRecordStoreCloseDeleteEmpty = 2;

inline constexpr DWORD kRecordHeaderSize = 28;
inline constexpr DWORD kRecordRemovedOffset = 24;

class CRecordStore {
public:
    explicit CRecordStore(DWORD identityWord);
    ~CRecordStore();
    CRecordStore(const CRecordStore&) = delete;
    CRecordStore& operator=(const CRecordStore&) = delete;

    // Closes what is open, opens the file (read and write, sharing read only) and loads its
    // index. True when the file opened, whatever the load found. The load skips damaged
    // records and changes no byte; a torn last record is cut by the next Put.
    bool Open(const std::wstring& path, DWORD flags);
    bool Close(DWORD flags);
    bool Put(DWORD key, DWORD column, const void* bytes, DWORD size, DWORD userWord);
    // Appends the payload to `buffer`; on a failed read the buffer keeps its old length.
    bool Get(DWORD key, DWORD column, zovi::core::CBuffer& buffer);
    // True when at least one record was removed.
    bool Delete(const std::vector<DWORD>& keys);
    // The distinct keys, ascending; false when closed or empty.
    bool GetKeys(std::vector<DWORD>& keys);
    // The largest key + 1; 1 when empty; 0 when closed.
    DWORD NextKey();
    ULONGLONG GetFileSize();
    // The error of the last failed file operation (ERROR_SHARING_VIOLATION when Open met
    // another writer of the file).
    DWORD LastError() const { return m_file.LastError(); }

    // Tests only: the size of the views the load maps (a multiple of the page size; 0
    // restores 64 x 64 KiB), and a call made at each step of the compaction's file
    // exchange (1: the new file is written, 2: both files are closed, 3: it replaced the
    // store).
    static void SetViewSizeForTesting(size_t bytes);
    static void SetCompactionStepHookForTesting(std::function<void(int)> hook);

private:
    struct IndexEntry {
        DWORD key;
        DWORD column;
        DWORD crc;
        DWORD size;
        DWORD user;
        ULONGLONG offset;
    };
    struct Index {
        DWORD identity;
        std::multimap<DWORD, IndexEntry> entries;
    };

    void Load();
    // Adds one encoded record to `staging` and its entry (offset relative to the staging
    // start) to `staged`. False when the record would be too large.
    bool Encode(std::vector<BYTE>& staging, std::vector<IndexEntry>& staged, DWORD key, DWORD column,
                const void* bytes, DWORD size, DWORD user) const;
    // Appends the staged records at the end of the file with one write and indexes them;
    // a failed write cuts the file back to its former size.
    bool Append(std::vector<BYTE>& staging, std::vector<IndexEntry>& staged);
    void IndexRecord(const IndexEntry& entry);
    bool ReadPayload(const IndexEntry& entry, zovi::core::CBuffer& buffer);
    void Compact();

    const DWORD m_identity;
    CFile m_file;
    CLock m_lock;
    std::recursive_mutex m_mutex;
    std::unique_ptr<Index> m_index;
    ULONGLONG m_fileSize = 0;
    // Where an incomplete last record starts, for the next append to cut it.
    static constexpr ULONGLONG kNoTornTail = ~ULONGLONG(0);
    ULONGLONG m_tornAt = kNoTornTail;
};
