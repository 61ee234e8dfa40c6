#include "core/log/log_retention.h"

#include "platform/fs/find_file.h"

namespace {

constexpr std::int64_t kKeepSeconds = 14 * 24 * 60 * 60;

std::int64_t UnixSecondsFromFileTime(const FILETIME& time) {
    const std::uint64_t ticks = (std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10'000'000ull) - 11'644'473'600ll;
}

std::wstring WithSlash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'/' && folder.back() != L'\\') folder += L'/';
    return folder;
}

}  // namespace

void DeleteExpiredLogFiles(const std::wstring& folder, std::int64_t nowUnixSeconds) {
    const std::wstring base = WithSlash(folder);
    WIN32_FIND_DATAW data{};
    HANDLE search = FindFirstFileW((base + L"AppLog_*.txt").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (data.dwFileAttributes & 0x10) continue;  // a folder
        if (UnixSecondsFromFileTime(data.ftLastWriteTime) < nowUnixSeconds - kKeepSeconds) {
            DeleteFileW((base + data.cFileName).c_str());
        }
    } while (FindNextFileW(search, &data));
    FindClose(search);
}
