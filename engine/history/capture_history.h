// The list of the user's finished recordings and snapshots: one record store per user
// ("<data root>/Storage/<user number>.history"), one key per entry, six columns.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/deferred/singleton.h"
#include "core/store/record_store.h"

namespace zovi::engine {

// One history entry as the history window lists it.
struct CaptureHistoryItem {
    uint32_t key = 0;
    std::string name;      // file name (UTF-8)
    std::string path;      // full path (UTF-8)
    uint64_t size = 0;     // bytes when added
    int32_t duration = 0;  // whole seconds; 0 for a snapshot
    int64_t time = 0;      // when added, seconds since 1970 UTC
    int32_t kind = 0;      // 0 recording, 1 snapshot
};

enum CaptureHistoryKind : int32_t { kHistoryRecording = 0, kHistorySnapshot = 1 };

// The columns of one entry.
enum CaptureHistoryColumn : uint32_t {
    kColumnName = 0, kColumnPath, kColumnSize, kColumnDuration, kColumnTime, kColumnKind
};

// The store's identity word: the bytes "OVP1" in file order.
inline constexpr uint32_t kHistoryIdentity = 0x3150564F;

// The store file's name for a signed-in user id: the low 32 bits as a signed decimal
// plus ".history" ("0.history" when signed out, "-1.history" for 0xFFFFFFFF).
std::wstring HistoryFileName(uint64_t userId);

class CCaptureHistory : public CSingletonT<CCaptureHistory> {
public:
    ~CCaptureHistory();

    // Opens the current user's store (flags of the record store: 0 opens or creates, 2
    // requires an existing file). True when open already. While another process writes
    // the store, waits for it (up to 10 s, then fails and logs).
    bool Open(uint32_t flags);
    // Adds one entry for the file at `path`; false (and logged) when the store cannot be
    // opened or a column cannot be written.
    bool AddRecord(const std::wstring& path, int32_t duration, int32_t kind);
    // The keys of the existing store, ascending; false when there is no history.
    bool GetKeys(std::vector<uint32_t>& keys);
    // Appends one item per key whose six columns are all present and sound, in the order
    // given; an incomplete entry is left out (and logged).
    bool LoadAll(const std::vector<uint32_t>& keys,
                 std::vector<std::shared_ptr<CaptureHistoryItem>>& out);
    // Removes the entries of `keys`; true when something was removed.
    bool Delete(const std::vector<uint32_t>& keys);
    // Closes the store (compacting it, and deleting it when empty, after removals), so
    // the next Open uses the then signed-in user's file. Call when the user changes.
    bool Flush();

    // The full path of the current user's store file.
    std::wstring StorePath() const;

    // Where the signed-in user's 64-bit id comes from (the account side attaches here);
    // without one the user is signed out (id 0).
    static void SetUserIdSource(std::function<uint64_t()> source);

private:
    friend class CSingletonT<CCaptureHistory>;
    CCaptureHistory();
    bool OpenLocked(uint32_t flags);
    bool CloseLocked();

    mutable std::recursive_mutex lock_;  // one add, listing, removal or flush at a time
    CRecordStore store_{kHistoryIdentity};
    bool open_ = false;
    bool removed_ = false;
};

}  // namespace zovi::engine
