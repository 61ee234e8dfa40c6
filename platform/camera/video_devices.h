// Video capture devices (V4L2 nodes that capture video; metadata nodes are left out).
#pragma once
#include <string>
#include <vector>

namespace zovi::platform {

struct VideoDeviceInfo {
    std::string card;  // the driver's name for the device
    std::string path;  // a stable /dev/v4l/by-id link when one exists, else the node
};

// Scans `devDir` for "video<N>" nodes in number order.
std::vector<VideoDeviceInfo> ListVideoCaptureDevices(const std::string& devDir = "/dev");

}  // namespace zovi::platform
