#include "platform/camera/video_devices.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace zovi::platform {
namespace {

namespace fs = std::filesystem;

TEST(VideoDevicesTest, NodesThatAreNotCapturingDevicesAreLeftOut) {
    const fs::path dir = fs::temp_directory_path() / ("zovi-dev-" + std::to_string(getpid()));
    fs::create_directories(dir);
    for (const char* name : {"video0", "video12", "videoX", "video", "media0"})
        std::ofstream(dir / name) << "not a device";
    EXPECT_TRUE(ListVideoCaptureDevices(dir.string()).empty());
    fs::remove_all(dir);
}

TEST(VideoDevicesTest, AMissingFolderGivesNoDevice) {
    EXPECT_TRUE(ListVideoCaptureDevices("/nonexistent-zovi-dev").empty());
}

TEST(VideoDevicesTest, ListedDevicesHaveNamesAndPaths) {
    // Whatever this machine has (usually nothing): every entry is complete.
    for (const auto& device : ListVideoCaptureDevices()) {
        EXPECT_FALSE(device.card.empty());
        EXPECT_TRUE(fs::exists(device.path)) << device.path;
    }
}

}  // namespace
}  // namespace zovi::platform
