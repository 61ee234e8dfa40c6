// The capture main window's small rules, kept apart so they can be checked alone.
#pragma once
#include <cstdint>
#include <string>

#include "platform/window/window_types.h"

namespace DuiLib {

// Resolution levels 0..4 and their row texts.
inline constexpr int kQualityLevelCount = 5;
const wchar_t* QualityLevelName(int level);  // "360P" … "2K"; null outside 0..4
const char* QualityLevelNameA(int level);    // the same in 8-bit text, for analytics
// The recommended level for a source `height` pixels high.
int QualityClassFromHeight(int32_t height);

// Cameras the combo leaves out: a name that, compared over its own length without regard
// to ASCII letter case, equals the beginning of "screen-capture-recorder" or of
// "NewTek NDI Video" (so an empty name is left out too).
bool IsHiddenCameraName(const std::wstring& name);

// A meter level from the sound test: its absolute value, at most 1.
float MeterLevelFromTest(float level);

// The WM_COMMAND wParam a "ZVK_SHOWCAPTURE" with `wParam` is re-posted as.
inline WPARAM ShowCaptureCommandWParam(WPARAM wParam) {
    return (WPARAM{1} << 16) | (wParam & 0xFFFF);
}

}  // namespace DuiLib
