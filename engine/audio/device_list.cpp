#include "engine/audio/device_list.h"

#include "engine/util/av_log.h"
#include "engine/util/engine_misc.h"
#include "platform/camera/video_devices.h"
#include "platform/sound/source_list.h"

namespace zovi::engine {

bool EnumMicrophones(std::vector<DeviceEntry>* devices) {
    std::vector<platform::SoundSourceInfo> sources;
    if (!platform::ListSoundSources(&sources)) return false;
    for (const auto& source : sources) {
        // A sink's monitor is playback sound, and an unplugged port is not active.
        if (source.isMonitor || source.unplugged || source.name.empty()) continue;
        devices->push_back({Utf8ToWide(source.description), Utf8ToWide(source.name)});
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
    for (const auto& camera : cameras) devices->push_back({Utf8ToWide(camera.card), Utf8ToWide(camera.path)});
}

std::wstring FindCameraByName(const std::wstring& name, const char* devDir) {
    for (const auto& camera : platform::ListVideoCaptureDevices(devDir))
        if (Utf8ToWide(camera.card) == name) return Utf8ToWide(camera.path);
    return {};
}

}  // namespace zovi::engine
