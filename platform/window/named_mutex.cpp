#include "platform/window/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/base/last_error.h"
#include "platform/base/utf8.h"

namespace zovi::platform {

namespace {

// One named mutex as this process sees it; shared by all its handles.
class NamedMutexEntry {
public:
    NamedMutexEntry(int presenceFd, int ownerFd) : presenceFd_(presenceFd), ownerFd_(ownerFd) {}
    ~NamedMutexEntry() {
        close(ownerFd_);  // also drops a lock still held
        close(presenceFd_);
    }

    DWORD Acquire(DWORD milliseconds) {
        using Clock = std::chrono::steady_clock;
        const bool forever = milliseconds == INFINITE;
        const auto deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : milliseconds);
        std::unique_lock lock(mutex_);
        const auto self = std::this_thread::get_id();
        if (depth_ > 0 && owner_ == self) {
            ++depth_;
            return WAIT_OBJECT_0;
        }
        auto free = [&] { return depth_ == 0 && !claiming_; };
        if (forever) {
            changed_.wait(lock, free);
        } else if (!changed_.wait_until(lock, deadline, free)) {
            return WAIT_TIMEOUT;
        }
        // This thread now holds the in-process side; take the cross-process side.
        claiming_ = true;
        lock.unlock();
        bool got = false;
        for (;;) {
            if (flock(ownerFd_, LOCK_EX | LOCK_NB) == 0) {
                got = true;
                break;
            }
            if (!forever && Clock::now() >= deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        lock.lock();
        claiming_ = false;
        if (got) {
            owner_ = self;
            depth_ = 1;
        }
        changed_.notify_all();
        return got ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }

    bool Release() {
        std::lock_guard lock(mutex_);
        if (depth_ == 0 || owner_ != std::this_thread::get_id()) return false;
        if (--depth_ == 0) {
            flock(ownerFd_, LOCK_UN);
            owner_ = {};
            changed_.notify_all();
        }
        return true;
    }

private:
    int presenceFd_;
    int ownerFd_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread::id owner_;
    int depth_ = 0;
    bool claiming_ = false;
};

class MutexHandle : public WaitableObject {
public:
    explicit MutexHandle(std::shared_ptr<NamedMutexEntry> entry) : entry_(std::move(entry)) {}
    DWORD Wait(DWORD milliseconds) override { return entry_->Acquire(milliseconds); }
    NamedMutexEntry& Entry() { return *entry_; }

private:
    std::shared_ptr<NamedMutexEntry> entry_;
};

// Open mutexes of this process by name; entries live while a handle holds them. Never
// destroyed, so handles closed during static destruction still find it.
struct MutexTable {
    std::mutex lock;
    std::map<std::wstring, std::weak_ptr<NamedMutexEntry>> entries;
};
MutexTable& Table() {
    static auto* table = new MutexTable;
    return *table;
}

// Makes `path` when missing and checks it is a folder of ours that nobody else may
// enter (a folder left with looser rights is closed to 0700).
bool PrivateFolder(const std::string& path) {
    mkdir(path.c_str(), 0700);
    struct stat st{};
    if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return false;
    return (st.st_mode & 077) == 0 || chmod(path.c_str(), 0700) == 0;
}

// The X display without its screen number (":1.0" and ":1" are one session), usable as
// a folder name.
std::string DisplayFolderName() {
    const char* display = std::getenv("DISPLAY");
    std::string name = display && *display ? display : "no-display";
    const size_t colon = name.rfind(':');
    const size_t dot = name.find('.', colon == std::string::npos ? 0 : colon);
    if (colon != std::string::npos && dot != std::string::npos) name.erase(dot);
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    return name;
}

std::string LockFileStem(const wchar_t* name) {
    std::string stem = EncodeUtf8Lossless(name);
    for (char& c : stem) {
        if (c == '/' || c == '\\') c = '_';
    }
    const std::string folder = RuntimeLockFolder();
    return folder.empty() ? std::string() : folder + "/zovi-mutex-" + stem;
}

int OpenLockFile(const std::string& path) {
    return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

}  // namespace

std::string RuntimeLockFolder() {
    const char* overridden = std::getenv("ZOVI_RUNTIME_DIR");
    if (overridden && *overridden) return PrivateFolder(overridden) ? overridden : std::string();
    std::string base;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st{};
    if (runtime && *runtime && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
        base = std::string(runtime) + "/zovi";
    } else {
        base = "/tmp/zovi-" + std::to_string(getuid());
    }
    const std::string folder = base + "/" + DisplayFolderName();
    return PrivateFolder(base) && PrivateFolder(folder) ? folder : std::string();
}

}  // namespace zovi::platform

HANDLE CreateMutexW(void* attributes, BOOL initialOwner, const wchar_t* name) {
    using namespace zovi::platform;
    if (attributes || !name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    MutexTable& table = Table();
    std::unique_lock lock(table.lock);
    std::shared_ptr<NamedMutexEntry> entry = table.entries[name].lock();
    bool existed = entry != nullptr;
    if (!entry) {
        const std::string stem = LockFileStem(name);
        if (stem.empty()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        int presence = OpenLockFile(stem + ".present");
        if (presence < 0) {
            SetLastErrorFromErrno();
            return nullptr;
        }
        int owner = OpenLockFile(stem + ".owner");
        if (owner < 0) {
            SetLastErrorFromErrno();
            close(presence);
            return nullptr;
        }
        // Nobody else holds the presence file when an exclusive probe succeeds.
        if (flock(presence, LOCK_EX | LOCK_NB) != 0) existed = true;
        flock(presence, LOCK_SH);
        entry = std::make_shared<NamedMutexEntry>(presence, owner);
        table.entries[name] = entry;
    }
    lock.unlock();
    auto* handle = new MutexHandle(entry);
    if (initialOwner && !existed) handle->Wait(INFINITE);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReleaseMutex(HANDLE mutex) {
    if (!mutex) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto* handle = dynamic_cast<zovi::platform::MutexHandle*>(
        zovi::platform::ObjectFromHandle(mutex));
    if (!handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!handle->Entry().Release()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}
