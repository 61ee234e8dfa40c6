// The camera reader: opens one camera through FFmpeg's device input, decodes it on a
// thread of its own, converts every picture to BGR24 (mirrored on request) and hands it
// to every registered IDecVideoOutput.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/camera/dec_video_output.h"

struct AVFormatContext;
struct AVCodecContext;

namespace zovi::engine {

// The URL of a camera for FFmpeg's DirectShow-style input: "video=" plus the name, at
// most 1023 characters, with every ':' replaced by '_'.
std::string MakeDShowCameraUrl(const std::string& cameraName);

// The device path of the V4L2 camera whose card name is `cameraName` (a name that is
// already a "/dev/" path is returned as it is); empty when no camera has that name.
std::string FindV4L2CameraPath(const std::string& cameraName);

class CVideoDecoder {
public:
    // `tag` is passed with every frame. The input format is FFmpeg's name of the device
    // input ("v4l2" for cameras). A non-empty `fixedUrl` is opened instead of the URL
    // made from the camera name (tests open FFmpeg's "lavfi" test source this way).
    explicit CVideoDecoder(uint32_t tag, std::string inputFormat = "v4l2",
                           std::string fixedUrl = {});
    virtual ~CVideoDecoder();
    CVideoDecoder(const CVideoDecoder&) = delete;
    CVideoDecoder& operator=(const CVideoDecoder&) = delete;

    // Registers an output, held weakly. Safe while the decode thread runs.
    void AddOutput(const std::shared_ptr<IDecVideoOutput>& output);
    // Opens the camera (closing one opened before) and starts the decode thread; the
    // name is the camera's friendly name in UTF-8.
    bool OpenDShowCamera(const std::string& cameraName, bool mirror);
    // Stops and joins the decode thread, frees the decoder and the input. Idempotent.
    void Close();
    // Close, then forget the outputs and the name.
    void Destroy();

    // Width and height of the open camera; 0, 0 when closed.
    void GetFrameSize(int& width, int& height) const;
    // True when no camera is open or the decode thread was told to stop.
    bool IsStopped() const { return stop_.load() || !thread_.joinable(); }

private:
    void DecodeThread();
    void DeliverFrame(const uint8_t* data, int width, int stride, int height, int format);
    std::string MakeUrl(const std::string& cameraName) const;

    std::string name_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* decoder_ = nullptr;
    AVCodecContext* decoder2_ = nullptr;  // never opened; freed with the other
    int videoIndex_ = -1;
    int videoIndex2_ = -1;
    const uint32_t tag_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex outputsLock_;
    std::vector<std::weak_ptr<IDecVideoOutput>> outputs_;
    std::atomic<int> width_{0};
    std::atomic<int> height_{0};
    bool mirror_ = false;

    const std::string inputFormat_;
    const std::string fixedUrl_;
};

}  // namespace zovi::engine
