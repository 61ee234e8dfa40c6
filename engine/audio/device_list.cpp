#include "engine/audio/device_list.h"

#include "engine/util/av_log.h"
#include "platform/base/utf8.h"
#include "platform/camera/video_devices.h"
#include "platform/sound/source_list.h"

namespace zovi::engine {

bool EnumMicrophones(std::vector<DeviceEntry>* devices) {
    std::vector<platform::SoundSourceInfo> sources;
    if (!platform::ListSoundSources(&sources)) return false;
    for (const auto& source : sources) {
        // A sink's monitor is playback sound, and an unplugged port is not active.
        if (source.isMonitor || source.unplugged || source.name.empty()) continue;
        devices->push_back({platform::Utf8ToWide(source.description), platform::DecodeUtf8Lossless(source.name)});
    }
    return true;
}

void EnumCameras(std::vector<DeviceEntry>* devices, const char* devDir) {
    const auto cameras = platform::ListVideoCaptureDevices(devDir);
    if (cameras.empty()) {
        // The code the system's enumerator gives for an empty category.
        AvLogError("CreateClassEnumerator null pointer, h=%u", 1u);
        return;
    }
    for (const auto& camera : cameras)
        devices->push_back({platform::DecodeUtf8Lossless(camera.card), platform::DecodeUtf8Lossless(camera.path)});
}

std::wstring FindCameraByName(const std::wstring& name, const char* devDir) {
    for (const auto& camera : platform::ListVideoCaptureDevices(devDir))
        if (platform::DecodeUtf8Lossless(camera.card) == name) return platform::DecodeUtf8Lossless(camera.path);
    return {};
}

}  // namespace zovi::engine
