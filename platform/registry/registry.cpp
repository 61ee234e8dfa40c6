// The store file ("<config>/zovi/registry.json", with "registry.lock" beside it for the
// writers' lock) is JSON:
//   { "store": "Zovi settings store",
//     "keys": { "Software\\Larnet\\Zovik\\x264": { "FPS": { "type": "REG_DWORD", "value": 25 } } } }
// Keys are listed by their whole path (parents too). A value is {"type", "value"}: a number
// for REG_DWORD/REG_QWORD, text for REG_SZ/REG_EXPAND_SZ; other data (binary, odd sizes)
// is {"type", "hex"}. A value entry of the wrong shape reads as missing.
#include "platform/registry/registry.h"

#include <fcntl.h>
#include <json/json.h>
#include <pwd.h>
#include <dirent.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string_view>

#include "platform/base/utf8.h"

struct RegistryKey {
    std::string path;  // UTF-8, names joined by "\", "" for the hive itself
};

namespace zovi::platform {
namespace {

constexpr const char* kStoreTag = "Zovi settings store";

std::atomic<std::uint64_t> g_valueWrites{0};

struct DamageReports {
    std::mutex lock;
    std::vector<std::wstring> reports;
};

DamageReports& Damage() {
    static auto* reports = new DamageReports;  // never destroyed: usable at static exit
    return *reports;
}

std::string ConfigFolder() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/')
        return config;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0)
        return std::string(home) + "/.config";
    std::vector<char> buffer(16384);
    passwd entry;
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir != nullptr)
        return std::string(found->pw_dir) + "/.config";
    return "/tmp";
}

std::string StoreFolder() { return ConfigFolder() + "/zovi"; }

bool MakeFolderChain(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

// ---- Names ----------------------------------------------------------------------

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

// The stored name of the member of `object` named `name` without regard to case. An
// exact match is a map lookup; only a miss walks the names (without copying them).
bool FindMember(const Json::Value& object, const std::string& name, std::string& found) {
    if (!object.isObject()) return false;
    if (object.find(name.data(), name.data() + name.size()) != nullptr) {
        found = name;
        return true;
    }
    for (auto it = object.begin(); it != object.end(); ++it) {
        const char* end = nullptr;
        const char* member = it.memberName(&end);
        if (member != nullptr && SameName(std::string_view(member, size_t(end - member)), name)) {
            found.assign(member, end);
            return true;
        }
    }
    return false;
}

bool IsBelow(const std::string& path, const std::string& ancestor) {
    if (ancestor.empty()) return !path.empty();
    return path.size() > ancestor.size() && path[ancestor.size()] == '\\' &&
           SameName(path.substr(0, ancestor.size()), ancestor);
}

// A key path in canonical form: names joined by single "\", none at either end.
std::string CanonicalPath(const wchar_t* subKey) {
    std::string out;
    if (subKey == nullptr) return out;
    const std::string text = WideToUtf8(subKey);
    for (char c : text) {
        if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
        out.push_back(c);
    }
    if (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

std::string Join(const std::string& parent, const std::string& child) {
    if (parent.empty()) return child;
    if (child.empty()) return parent;
    return parent + "\\" + child;
}

// ---- Values ---------------------------------------------------------------------

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

const char* TypeName(DWORD type) {
    switch (type) {
        case REG_SZ: return "REG_SZ";
        case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
        case REG_BINARY: return "REG_BINARY";
        case REG_DWORD: return "REG_DWORD";
        case REG_QWORD: return "REG_QWORD";
        default: return nullptr;
    }
}

bool TypeFromJson(const Json::Value& value, DWORD& type) {
    if (value.isString()) {
        for (DWORD t : {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_QWORD})
            if (value.asString() == TypeName(t)) return type = t, true;
        return false;
    }
    if (value.isUInt()) return type = value.asUInt(), true;
    return false;
}

std::string ToHex(const std::vector<BYTE>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (BYTE b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

bool FromHex(const std::string& text, std::vector<BYTE>& bytes) {
    if (text.size() % 2 != 0) return false;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes.push_back(static_cast<BYTE>(hi * 16 + lo));
    }
    return true;
}

// Strings are stored as text when they are whole wchar_t units ending in one zero.
bool AsText(const std::vector<BYTE>& data, std::wstring& text) {
    if (data.empty() || data.size() % sizeof(wchar_t) != 0) return false;
    text.assign(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    if (text.back() != 0) return false;
    text.pop_back();
    if (text.find(L'\0') != std::wstring::npos) return false;
    for (wchar_t c : text)
        if ((c >= 0xD800 && c <= 0xDFFF) || static_cast<std::uint32_t>(c) > 0x10FFFF) return false;
    return true;
}

Json::Value EncodeValue(const RawValue& raw) {
    Json::Value out(Json::objectValue);
    const char* name = TypeName(raw.type);
    out["type"] = name != nullptr ? Json::Value(name) : Json::Value(raw.type);
    std::wstring text;
    if (raw.type == REG_DWORD && raw.data.size() == 4) {
        std::uint32_t v;
        std::memcpy(&v, raw.data.data(), 4);
        out["value"] = Json::Value(v);
    } else if (raw.type == REG_QWORD && raw.data.size() == 8) {
        std::uint64_t v;
        std::memcpy(&v, raw.data.data(), 8);
        out["value"] = Json::Value(static_cast<Json::UInt64>(v));
    } else if ((raw.type == REG_SZ || raw.type == REG_EXPAND_SZ) && AsText(raw.data, text)) {
        out["value"] = WideToUtf8(text);
    } else {
        out["hex"] = ToHex(raw.data);
    }
    return out;
}

// False for a value entry of the wrong shape (it then counts as missing).
bool DecodeValue(const Json::Value& entry, RawValue& raw) {
    if (!entry.isObject() || !TypeFromJson(entry["type"], raw.type)) return false;
    raw.data.clear();
    if (entry.isMember("hex")) return entry["hex"].isString() && FromHex(entry["hex"].asString(), raw.data);
    const Json::Value& value = entry["value"];
    if (raw.type == REG_DWORD && value.isUInt()) {
        const std::uint32_t v = value.asUInt();
        raw.data.resize(4);
        std::memcpy(raw.data.data(), &v, 4);
        return true;
    }
    if (raw.type == REG_QWORD && value.isUInt64()) {
        const std::uint64_t v = value.asUInt64();
        raw.data.resize(8);
        std::memcpy(raw.data.data(), &v, 8);
        return true;
    }
    if ((raw.type == REG_SZ || raw.type == REG_EXPAND_SZ) && value.isString()) {
        std::wstring text = Utf8ToWide(value.asString());
        text.push_back(0);
        raw.data.resize(text.size() * sizeof(wchar_t));
        std::memcpy(raw.data.data(), text.data(), raw.data.size());
        return true;
    }
    return false;
}

// ---- The file -------------------------------------------------------------------

enum class ReadResult { kOk, kMissing, kDamaged, kError };

// Larger files are not settings: they count as damaged instead of filling memory.
constexpr off_t kMaxStoreSize = 16 << 20;

bool ValidStore(const Json::Value& doc) {
    if (!doc.isObject() || !doc["keys"].isObject()) return false;
    for (const auto& name : doc["keys"].getMemberNames())
        if (!doc["keys"][name].isObject()) return false;
    return true;
}

// A file by its identity: every commit renames a new file into place, so an unchanged
// identity means unchanged contents.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{}, changed{};
    bool operator==(const FileIdentity& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

FileIdentity IdentityOf(const struct stat& info) {
    return FileIdentity{info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

// The committed state as last parsed. Readers use it in place under its lock; it is
// parsed again only when the file on disk changed. Never destroyed.
struct ParsedCache {
    std::mutex lock;
    std::string path;
    FileIdentity identity;
    bool loaded = false;  // `doc` holds the file at `path` with `identity`
    Json::Value doc;
};

ParsedCache& Cache() {
    static auto* cache = new ParsedCache;
    return *cache;
}

// Brings the cache up to the file on disk (caller holds Cache().lock). A file that is not
// a regular file (a FIFO would hang the read, a link to a device would never end) or is
// larger than the limit is damaged, as is one that does not parse as a store.
ReadResult RefreshLocked(const std::string& path) {
    ParsedCache& cache = Cache();
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        cache.loaded = false;
        return errno == ENOENT ? ReadResult::kMissing : ReadResult::kError;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
        close(fd);
        cache.loaded = false;
        return ReadResult::kError;
    }
    if (!S_ISREG(info.st_mode) || info.st_size > kMaxStoreSize) {
        close(fd);
        cache.loaded = false;
        return ReadResult::kDamaged;
    }
    const FileIdentity identity = IdentityOf(info);
    if (cache.loaded && cache.path == path && cache.identity == identity) {
        close(fd);
        return ReadResult::kOk;
    }
    cache.loaded = false;
    std::string text;
    text.reserve(size_t(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return ReadResult::kError;
        }
        text.append(buffer, static_cast<size_t>(n));
        if (text.size() > size_t(kMaxStoreSize)) {
            close(fd);
            return ReadResult::kDamaged;
        }
    }
    close(fd);
    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    builder["failIfExtra"] = true;
    builder["rejectDupKeys"] = true;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    Json::Value doc;
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &doc, &errors)) return ReadResult::kDamaged;
    } catch (const std::exception&) {
        return ReadResult::kDamaged;
    }
    if (!ValidStore(doc)) return ReadResult::kDamaged;
    cache.path = path;
    cache.identity = identity;
    cache.doc = std::move(doc);
    cache.loaded = true;
    return ReadResult::kOk;
}

Json::Value EmptyStore() {
    Json::Value doc(Json::objectValue);
    doc["store"] = kStoreTag;
    doc["keys"] = Json::Value(Json::objectValue);
    return doc;
}

const Json::Value& EmptyStoreValue() {
    static const auto* empty = new Json::Value(EmptyStore());
    return *empty;
}

void Report(const std::wstring& text) {
    std::fprintf(stderr, "%s\n", WideToUtf8(text).c_str());
    std::lock_guard<std::mutex> guard(Damage().lock);
    Damage().reports.push_back(text);
}

// Moves a damaged store file aside (caller holds the lock). False when it stays.
bool MoveAside(const std::string& path) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local;
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M%S", &local);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string aside = path + ".damaged-" + stamp;
        if (attempt > 0) aside += "-" + std::to_string(attempt);
        if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
            Report(L"Settings store \"" + Utf8ToWide(path) +
                   L"\" was damaged; it was moved aside to \"" + Utf8ToWide(aside) +
                   L"\" and the settings start from their defaults");
            return true;
        }
        if (errno != EEXIST) break;
    }
    Report(L"Settings store \"" + Utf8ToWide(path) + L"\" is damaged and could not be moved aside");
    return false;
}

// The exclusive lock of the store, on a lock file beside it.
class StoreLock {
public:
    StoreLock() {
        const std::string folder = StoreFolder();
        if (!MakeFolderChain(folder)) return;
        fd_ = open((folder + "/registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        while (flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~StoreLock() {
        if (fd_ >= 0) close(fd_);  // releases the lock
    }
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Temporary files of writers that died before their rename ("registry.json.<pid>.tmp"
// of a process that no longer runs), removed once per process under the writers' lock.
void RemoveDeadWritersFiles() {
    const std::string folder = StoreFolder();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    const std::string prefix = "registry.json.";
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(digits));
        if (pid == getpid() || pid <= 0 || kill(pid, 0) == 0 || errno != ESRCH) continue;
        unlinkat(dirfd(dir), name.c_str(), 0);
    }
    closedir(dir);
}

// The state to change under the writers' lock (caller holds it and Cache().lock): the
// committed file, or an empty store when there is none or a damaged one was moved aside.
// False when the file cannot be read (or a damaged one cannot be moved aside).
bool ReadLocked(Json::Value& doc) {
    const std::string path = RegistryStorePath();
    switch (RefreshLocked(path)) {
        case ReadResult::kOk: doc = Cache().doc; return true;
        case ReadResult::kMissing: doc = EmptyStore(); return true;
        case ReadResult::kDamaged:
            if (!MoveAside(path)) return false;
            doc = EmptyStore();
            return true;
        case ReadResult::kError: return false;
    }
    return false;
}

// Calls `use` with the committed state, in place under the cache's lock (no copy of the
// document per read). Commits are atomic renames, so readers take no writers' lock; a
// damaged file is moved aside under it.
template <class Use>
auto WithStore(Use&& use) {
    static std::once_flag cleaned;
    std::call_once(cleaned, RemoveDeadWritersFiles);
    {
        std::lock_guard<std::mutex> guard(Cache().lock);
        const ReadResult result = RefreshLocked(RegistryStorePath());
        if (result == ReadResult::kOk) return use(Cache().doc);
        if (result != ReadResult::kDamaged) return use(EmptyStoreValue());
    }
    StoreLock lock;  // the writers' lock comes before the cache's lock
    std::lock_guard<std::mutex> guard(Cache().lock);
    Json::Value ignored;
    if (lock.Held() && ReadLocked(ignored) && Cache().loaded) return use(Cache().doc);
    return use(EmptyStoreValue());
}

bool Commit(const Json::Value& doc) {
    const std::string path = RegistryStorePath();
    const std::string temp = path + "." + std::to_string(getpid()) + ".tmp";
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    builder["emitUTF8"] = true;
    const std::string text = Json::writeString(builder, doc) + "\n";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    const int folder = open(StoreFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

// A locked read-modify-write: `change` edits the current state and says whether it
// changed anything; a change is committed before returning.
LONG Modify(const std::function<LONG(Json::Value& keys, bool& changed)>& change) {
    static std::once_flag cleaned;
    std::call_once(cleaned, RemoveDeadWritersFiles);
    StoreLock lock;
    if (!lock.Held()) return ERROR_ACCESS_DENIED;
    std::lock_guard<std::mutex> guard(Cache().lock);
    Json::Value doc;
    if (!ReadLocked(doc)) return ERROR_ACCESS_DENIED;
    bool changed = false;
    const LONG result = change(doc["keys"], changed);
    if (result != ERROR_SUCCESS || !changed) return result;
    if (!Commit(doc)) return ERROR_WRITE_FAULT;
    // The committed document becomes the cache, so readers need not parse it again.
    const std::string path = RegistryStorePath();
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        Cache().path = path;
        Cache().identity = IdentityOf(info);
        Cache().doc = std::move(doc);
        Cache().loaded = true;
    }
    return ERROR_SUCCESS;
}

// The stored key name matching `path`.
bool FindKey(const Json::Value& keys, const std::string& path, std::string& found) {
    return FindMember(keys, path, found);
}

bool KeyExists(const Json::Value& keys, const std::string& path) {
    std::string found;
    return path.empty() || FindKey(keys, path, found);
}

// Creates the key and its parents; true when anything was added.
bool CreateKeyChain(Json::Value& keys, const std::string& path) {
    bool added = false;
    for (size_t slash = path.find('\\');; slash = path.find('\\', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (!KeyExists(keys, prefix)) {
            keys[prefix] = Json::Value(Json::objectValue);
            added = true;
        }
        if (slash == std::string::npos) return added;
    }
}

bool ValidHandle(HKEY key) { return key != nullptr; }

const std::string& KeyPath(HKEY key) {
    static const std::string* hive = new std::string;
    return key == HKEY_CURRENT_USER ? *hive : key->path;
}

}  // namespace

std::string RegistryStorePath() { return StoreFolder() + "/registry.json"; }

std::uint64_t RegistryValueWriteCount() { return g_valueWrites.load(); }

std::vector<std::wstring> TakeRegistryDamageReports() {
    std::lock_guard<std::mutex> guard(Damage().lock);
    std::vector<std::wstring> out;
    out.swap(Damage().reports);
    return out;
}

}  // namespace zovi::platform

using namespace zovi::platform;

LONG RegCreateKeyExW(HKEY key, const wchar_t* subKey, DWORD /*reserved*/, wchar_t* /*keyClass*/,
                     DWORD /*options*/, DWORD /*access*/, void* /*security*/, HKEY* result,
                     DWORD* disposition) {
    if (!ValidHandle(key) || result == nullptr) return ERROR_INVALID_HANDLE;
    const std::string path = Join(KeyPath(key), CanonicalPath(subKey));
    bool created = false;
    if (!path.empty() && !WithStore([&](const Json::Value& doc) { return KeyExists(doc["keys"], path); })) {
        const LONG status = Modify([&](Json::Value& keys, bool& changed) {
            changed = created = CreateKeyChain(keys, path);
            return ERROR_SUCCESS;
        });
        if (status != ERROR_SUCCESS) return status;
    }
    *result = new RegistryKey{path};
    if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegOpenKeyExW(HKEY key, const wchar_t* subKey, DWORD /*options*/, DWORD /*access*/,
                   HKEY* result) {
    if (!ValidHandle(key) || result == nullptr) return ERROR_INVALID_HANDLE;
    const std::string path = Join(KeyPath(key), CanonicalPath(subKey));
    if (!WithStore([&](const Json::Value& doc) { return KeyExists(doc["keys"], path); })) return ERROR_FILE_NOT_FOUND;
    *result = new RegistryKey{path};
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (!ValidHandle(key)) return ERROR_INVALID_HANDLE;
    if (key != HKEY_CURRENT_USER) delete key;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY key, const wchar_t* name, DWORD* /*reserved*/, DWORD* type, BYTE* data,
                      DWORD* cbData) {
    if (!ValidHandle(key)) return ERROR_INVALID_HANDLE;
    if (data != nullptr && cbData == nullptr) return ERROR_INVALID_PARAMETER;
    const std::string valueName = name ? WideToUtf8(name) : std::string();
    return WithStore([&](const Json::Value& doc) -> LONG {
        const Json::Value& keys = doc["keys"];
        std::string keyName;
        if (!FindKey(keys, KeyPath(key), keyName)) return ERROR_FILE_NOT_FOUND;
        const Json::Value& values = keys[keyName];
        std::string storedName;
        RawValue raw;
        if (!FindMember(values, valueName, storedName) || !DecodeValue(values[storedName], raw))
            return ERROR_FILE_NOT_FOUND;
        if (type != nullptr) *type = raw.type;
        const auto size = static_cast<DWORD>(raw.data.size());
        if (data != nullptr) {
            if (*cbData < size) {
                *cbData = size;
                return ERROR_MORE_DATA;
            }
            std::memcpy(data, raw.data.data(), size);
        }
        if (cbData != nullptr) *cbData = size;
        return ERROR_SUCCESS;
    });
}

LONG RegSetValueExW(HKEY key, const wchar_t* name, DWORD /*reserved*/, DWORD type, const BYTE* data,
                    DWORD cbData) {
    if (!ValidHandle(key)) return ERROR_INVALID_HANDLE;
    if (data == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
    if (KeyPath(key).empty()) return ERROR_ACCESS_DENIED;  // no values at the hive itself
    RawValue raw;
    raw.type = type;
    if (cbData != 0) raw.data.assign(data, data + cbData);
    const std::string valueName = name ? WideToUtf8(name) : std::string();
    const LONG status = Modify([&](Json::Value& keys, bool& changed) {
        CreateKeyChain(keys, KeyPath(key));
        std::string keyName;
        FindKey(keys, KeyPath(key), keyName);
        Json::Value& values = keys[keyName];
        std::string existing;
        values[FindMember(values, valueName, existing) ? existing : valueName] = EncodeValue(raw);
        changed = true;
        return ERROR_SUCCESS;
    });
    if (status == ERROR_SUCCESS) ++g_valueWrites;
    return status;
}

LONG RegDeleteValueW(HKEY key, const wchar_t* name) {
    if (!ValidHandle(key)) return ERROR_INVALID_HANDLE;
    const std::string valueName = name ? WideToUtf8(name) : std::string();
    return Modify([&](Json::Value& keys, bool& changed) -> LONG {
        std::string keyName;
        if (!FindKey(keys, KeyPath(key), keyName)) return ERROR_FILE_NOT_FOUND;
        Json::Value& values = keys[keyName];
        std::string existing;
        if (!FindMember(values, valueName, existing)) return ERROR_FILE_NOT_FOUND;
        values.removeMember(existing);
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteTreeW(HKEY key, const wchar_t* subKey) {
    if (!ValidHandle(key)) return ERROR_INVALID_HANDLE;
    const std::string path = Join(KeyPath(key), CanonicalPath(subKey));
    const bool keepKey = subKey == nullptr;
    return Modify([&](Json::Value& keys, bool& changed) -> LONG {
        if (!KeyExists(keys, path)) return ERROR_FILE_NOT_FOUND;
        for (const auto& name : keys.getMemberNames()) {
            if (IsBelow(name, path)) {
                keys.removeMember(name);
                changed = true;
            } else if (SameName(name, path)) {
                if (keepKey) {
                    changed = changed || keys[name].size() != 0;
                    keys[name] = Json::Value(Json::objectValue);
                } else {
                    keys.removeMember(name);
                    changed = true;
                }
            }
        }
        return ERROR_SUCCESS;
    });
}
