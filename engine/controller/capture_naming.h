// The capture controller's naming and mapping rules: output and snapshot file names,
// container names, x264 setting names and the recording toolbar's button mask.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>

namespace zovi::engine {

// "mp4", "mkv", "flv", "avi" for the container option 0-3; "mp4" otherwise.
std::wstring ContainerExtension(uint32_t muxFmt);
// "matroska", "flv", "avi" for 1-3; "mp4" otherwise.
std::string ContainerName(uint32_t muxFmt);

// x264 names for the option values; out-of-range values give "medium", "zerolatency"
// and "main".
std::string X264PresetName(uint32_t value);
std::string X264TuneName(uint32_t value);
std::string X264ProfileName(uint32_t value);

// The folder less one trailing '\' or '/'.
std::wstring TrimOneSeparator(const std::wstring& folder);
// "<folder>/Zovi录屏-YYYYMMDD-HHMMSS.<ext>" at the local time `local`.
std::wstring FormatOutputFileName(const std::wstring& folder, const std::tm& local,
                                  uint32_t muxFmt);
// "<folder>/Zovi-Snapshot-YYYYMMDD-HHMMSS.png".
std::wstring FormatSnapshotFileName(const std::wstring& folder, const std::tm& local);
// `path` when no file exists there, else the first free "<stem>-N<ext>" (N from 1), so an
// existing recording is never replaced.
std::wstring MakeUniqueFileName(const std::wstring& path);
// The local time now.
std::tm LocalTimeNow();

// Recording toolbar buttons: 0x1E3 for screen sources (types 1 and 2), else 0x1C3; the
// camera button (0x8) when the camera shows and the source is not the camera itself; the
// microphone button (0x10) with sound; minus the bits of the "toolbar_mask" option.
uint32_t ToolbarMask(int32_t sourceType, bool cameraShowing, bool hasSound,
                     uint32_t optionMask);

}  // namespace zovi::engine
