#include "ui/recording/capture_main/capture_main_rules.h"

#include <cmath>

namespace DuiLib {

namespace {

constexpr const wchar_t* kLevelNames[kQualityLevelCount] = {L"360P", L"480P", L"720P", L"1080P", L"2K"};
constexpr const char* kLevelNamesA[kQualityLevelCount] = {"360P", "480P", "720P", "1080P", "2K"};

// Virtual cameras that record the screen or a network feed, not a camera.
constexpr const wchar_t* kHiddenCameraNames[] = {L"screen-capture-recorder", L"NewTek NDI Video"};

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// Whether `name`, over its own length, equals the beginning of `prefixOf`.
bool IsBeginningOf(const std::wstring& name, const wchar_t* prefixOf) {
    const std::wstring whole(prefixOf);
    if (name.size() > whole.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (AsciiLower(name[i]) != AsciiLower(whole[i])) return false;
    return true;
}

}  // namespace

const wchar_t* QualityLevelName(int level) {
    return (level >= 0 && level < kQualityLevelCount) ? kLevelNames[level] : nullptr;
}

const char* QualityLevelNameA(int level) {
    return (level >= 0 && level < kQualityLevelCount) ? kLevelNamesA[level] : nullptr;
}

int QualityClassFromHeight(int32_t height) {
    if (height <= 360) return 0;
    if (height <= 480) return 1;
    if (height <= 720) return 2;
    if (height <= 1080) return 3;
    return 4;
}

bool IsHiddenCameraName(const std::wstring& name) {
    for (const wchar_t* hidden : kHiddenCameraNames)
        if (IsBeginningOf(name, hidden)) return true;
    return false;
}

float MeterLevelFromTest(float level) {
    if (std::isnan(level)) return 0.0f;
    return std::fmin(std::fabs(level), 1.0f);
}

}  // namespace DuiLib
