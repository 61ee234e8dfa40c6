#include "platform/camera/video_devices.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

namespace zovi::platform {

namespace {

namespace fs = std::filesystem;

// The node's card name when it captures video.
std::optional<std::string> QueryCaptureCard(const fs::path& node) {
    const int fd = open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    v4l2_capability caps{};
    const int result = ioctl(fd, VIDIOC_QUERYCAP, &caps);
    close(fd);
    if (result < 0) return std::nullopt;
    const uint32_t kinds =
        (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    if (!(kinds & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE))) return std::nullopt;
    const char* card = reinterpret_cast<const char*>(caps.card);
    return std::string(card, strnlen(card, sizeof(caps.card)));
}

// A by-id link that points at `node`, when there is one.
std::string StableLink(const fs::path& devDir, const fs::path& node) {
    std::error_code error;
    const fs::path byId = devDir / "v4l" / "by-id";
    for (const auto& link : fs::directory_iterator(byId, error)) {
        std::error_code linkError;
        if (fs::equivalent(link.path(), node, linkError)) return link.path().string();
    }
    return node.string();
}

}  // namespace

std::vector<VideoDeviceInfo> ListVideoCaptureDevices(const std::string& devDir) {
    std::vector<std::pair<long, fs::path>> nodes;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(devDir, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("video", 0) != 0 || name.size() == 5) continue;
        char* end = nullptr;
        const long number = std::strtol(name.c_str() + 5, &end, 10);
        if (*end != '\0') continue;
        nodes.emplace_back(number, entry.path());
    }
    std::sort(nodes.begin(), nodes.end());
    std::vector<VideoDeviceInfo> devices;
    for (const auto& [number, node] : nodes) {
        if (auto card = QueryCaptureCard(node))
            devices.push_back({std::move(*card), StableLink(devDir, node)});
    }
    return devices;
}

}  // namespace zovi::platform
