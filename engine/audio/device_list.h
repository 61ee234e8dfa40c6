// The microphones and cameras that the capture window offers, and the record of one
// sound device to record.
#pragma once
#include <string>
#include <vector>

namespace zovi::engine {

// One entry of a device list, in the order the system lists them.
struct DeviceEntry {
    std::wstring name;        // display name
    std::wstring identifier;  // microphone: the source name; camera: the device path
};

// One sound device to record or test.
struct SoundDeviceRecord {
    std::wstring name;
    std::wstring identifier;    // empty: the system's default device
    bool isMicrophone = false;  // false: the playback sound, recorded as loopback
};

// The microphones (sources that are not monitors of a sink). False when the sound
// server cannot be reached.
bool EnumMicrophones(std::vector<DeviceEntry>* devices);

// The video capture devices under `devDir` ("/dev" normally); logs
// "CreateClassEnumerator null pointer, h=%u" when there is none.
void EnumCameras(std::vector<DeviceEntry>* devices, const char* devDir = "/dev");

// The path of the first camera named `name` (a camera is opened by its name); empty
// when none is.
std::wstring FindCameraByName(const std::wstring& name, const char* devDir = "/dev");

}  // namespace zovi::engine
