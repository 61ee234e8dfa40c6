#include "engine/controller/capture_naming.h"

#include <mutex>

#include "core/files/file.h"
#include "engine/codec/codec_param.h"
#include "platform/base/wformat.h"

namespace zovi::engine {

namespace {

std::string NameOr(const std::vector<std::string>& table, uint32_t value, const char* other) {
    return value < table.size() ? table[value] : other;
}

bool FileExists(const std::wstring& path) { return PathExists(path, false); }

}  // namespace

std::wstring ContainerExtension(uint32_t muxFmt) {
    switch (muxFmt) {
        case 1: return L"mkv";
        case 2: return L"flv";
        case 3: return L"avi";
        default: return L"mp4";
    }
}

std::string ContainerName(uint32_t muxFmt) {
    switch (muxFmt) {
        case 1: return "matroska";
        case 2: return "flv";
        case 3: return "avi";
        default: return "mp4";
    }
}

std::string X264PresetName(uint32_t value) { return NameOr(X264PresetNames(), value, "medium"); }

std::string X264TuneName(uint32_t value) {
    // Values 7 and above all mean "zerolatency".
    return value >= 7 ? "zerolatency" : NameOr(X264TuneNames(), value, "zerolatency");
}

std::string X264ProfileName(uint32_t value) {
    // Values above 5 all mean "main".
    return NameOr(X264ProfileNames(), value, "main");
}

std::wstring TrimOneSeparator(const std::wstring& folder) {
    if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
        return folder.substr(0, folder.size() - 1);
    return folder;
}

namespace {

// "YYYYMMDD-HHMMSS".
std::wstring DateStamp(const std::tm& t) {
    return platform::FormatWide(L"%04u%02u%02u-%02u%02u%02u",
                                static_cast<unsigned>(t.tm_year + 1900),
                                static_cast<unsigned>(t.tm_mon + 1),
                                static_cast<unsigned>(t.tm_mday),
                                static_cast<unsigned>(t.tm_hour),
                                static_cast<unsigned>(t.tm_min),
                                static_cast<unsigned>(t.tm_sec));
}

}  // namespace

std::wstring FormatOutputFileName(const std::wstring& folder, const std::tm& local,
                                  uint32_t muxFmt) {
    return TrimOneSeparator(folder) + L"/Zovi录屏-" + DateStamp(local) + L"." +
           ContainerExtension(muxFmt);
}

std::wstring FormatSnapshotFileName(const std::wstring& folder, const std::tm& local) {
    return TrimOneSeparator(folder) + L"/Zovi-Snapshot-" + DateStamp(local) + L".png";
}

std::wstring MakeUniqueFileName(const std::wstring& path) {
    if (!FileExists(path)) return path;
    const size_t slash = path.find_last_of(L"\\/");
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        dot = path.size();
    const std::wstring stem = path.substr(0, dot), extension = path.substr(dot);
    for (unsigned n = 1;; ++n) {
        std::wstring candidate = stem + L"-" + std::to_wstring(n) + extension;
        if (!FileExists(candidate)) return candidate;
    }
}

std::tm LocalTimeNow() {
    static std::mutex lock;  // std::localtime shares one result
    std::lock_guard guard(lock);
    const std::time_t now = std::time(nullptr);
    return *std::localtime(&now);
}

uint32_t ToolbarMask(int32_t sourceType, bool cameraShowing, bool hasSound,
                     uint32_t optionMask) {
    uint32_t mask = (sourceType == 1 || sourceType == 2) ? 0x1E3 : 0x1C3;
    if (cameraShowing && sourceType != 3) mask |= 0x8;
    if (hasSound) mask |= 0x10;
    return mask & ~optionMask;
}

}  // namespace zovi::engine
