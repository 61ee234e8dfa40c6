#include "engine/camera/video_decoder.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

#include "engine/camera/mirror.h"
#include "engine/util/av_log.h"
#include "engine/video/sws_context.h"
#include "platform/base/thread.h"

namespace zovi::engine {
namespace {

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof(text));
    return text;
}

void RegisterDevicesOnce() {
    static std::once_flag once;
    std::call_once(once, [] { avdevice_register_all(); });
}

}  // namespace

std::string MakeDShowCameraUrl(const std::string& cameraName) {
    std::string url = "video=" + cameraName;
    if (url.size() > 1023) url.resize(1023);
    std::replace(url.begin(), url.end(), ':', '_');
    return url;
}

std::string FindV4L2CameraPath(const std::string& cameraName) {
    if (cameraName.rfind("/dev/", 0) == 0) return cameraName;
    RegisterDevicesOnce();
    const AVInputFormat* v4l2 = av_find_input_format("v4l2");
    if (!v4l2) return {};
    AVDeviceInfoList* list = nullptr;
    std::string path;
    if (avdevice_list_input_sources(v4l2, nullptr, nullptr, &list) >= 0 && list) {
        for (int i = 0; i < list->nb_devices && path.empty(); ++i) {
            const AVDeviceInfo* device = list->devices[i];
            if (device->device_description && cameraName == device->device_description)
                path = device->device_name ? device->device_name : "";
        }
    }
    avdevice_free_list_devices(&list);
    return path;
}

CVideoDecoder::CVideoDecoder(uint32_t tag, std::string inputFormat, std::string fixedUrl)
    : tag_(tag), inputFormat_(std::move(inputFormat)), fixedUrl_(std::move(fixedUrl)) {}

CVideoDecoder::~CVideoDecoder() { Destroy(); }

void CVideoDecoder::AddOutput(const std::shared_ptr<IDecVideoOutput>& output) {
    std::lock_guard lock(outputsLock_);
    outputs_.push_back(output);
}

std::string CVideoDecoder::MakeUrl(const std::string& cameraName) const {
    if (!fixedUrl_.empty()) return fixedUrl_;
    if (inputFormat_ == "dshow") return MakeDShowCameraUrl(cameraName);
    // V4L2 devices are opened by path; "/dev/v4l/by-path/..." names hold ':'.
    return FindV4L2CameraPath(cameraName);
}

bool CVideoDecoder::OpenDShowCamera(const std::string& cameraName, bool mirror) {
    Close();
    stop_ = false;
    RegisterDevicesOnce();

    format_ = avformat_alloc_context();
    const AVInputFormat* input = av_find_input_format(inputFormat_.c_str());
    if (!format_ || !input) {
        Close();
        return false;
    }
    const std::string url = MakeUrl(cameraName);
    int ret = avformat_open_input(&format_, url.c_str(), input, nullptr);
    if (ret < 0) {
        AvLogError("OpenDShowCamera input  fail, ret=%d, %s", ret, ErrorText(ret).c_str());
        Close();
        return false;
    }
    ret = avformat_find_stream_info(format_, nullptr);
    if (ret < 0) {
        AvLogError("OpenDShowCamera find_stream fail, ret=%d, %s", ret, ErrorText(ret).c_str());
        Close();
        return false;
    }
    const AVCodec* codec = nullptr;
    ret = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        const AVCodecParameters* par = format_->streams[i]->codecpar;
        const char* type = av_get_media_type_string(par->codec_type);
        AvLogInfo("OpenDShowCamera stream:%d codecid=%d(%s) type=%s", static_cast<int>(i),
                  static_cast<int>(par->codec_id), avcodec_get_name(par->codec_id),
                  type ? type : "unknown");
    }
    if (ret < 0) {
        AvLogError("OpenDShowCamera av_find_best_stream fail, ret=%d, %s", ret,
                   ErrorText(ret).c_str());
        Close();
        return false;
    }
    videoIndex_ = ret;
    decoder_ = avcodec_alloc_context3(codec);
    if (!decoder_ ||
        avcodec_parameters_to_context(decoder_, format_->streams[videoIndex_]->codecpar) < 0 ||
        avcodec_open2(decoder_, codec, nullptr) < 0) {
        Close();
        return false;
    }
    width_ = decoder_->width;
    height_ = decoder_->height;
    std::vector<std::weak_ptr<IDecVideoOutput>> outputs;
    {
        std::lock_guard lock(outputsLock_);
        outputs = outputs_;
    }
    for (auto& weak : outputs)
        if (auto output = weak.lock()) output->OnVideoOpened(width_, height_);

    name_ = cameraName;
    mirror_ = mirror;
    thread_ = zovi::platform::StartThread([this] { DecodeThread(); });
    return true;
}

void CVideoDecoder::Close() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    avcodec_free_context(&decoder_);
    avcodec_free_context(&decoder2_);
    if (format_) avformat_close_input(&format_);
    avformat_free_context(format_);  // a context that never opened an input
    format_ = nullptr;
    videoIndex_ = -1;
    width_ = 0;
    height_ = 0;
}

void CVideoDecoder::Destroy() {
    Close();
    {
        std::lock_guard lock(outputsLock_);
        outputs_.clear();
    }
    name_.clear();
}

void CVideoDecoder::GetFrameSize(int& width, int& height) const {
    width = width_;
    height = height_;
}

void CVideoDecoder::DeliverFrame(const uint8_t* data, int width, int stride, int height,
                                 int format) {
    // A copy of the list, so outputs may be added while a frame is delivered.
    std::vector<std::weak_ptr<IDecVideoOutput>> outputs;
    {
        std::lock_guard lock(outputsLock_);
        outputs = outputs_;
    }
    for (auto& weak : outputs)
        if (auto output = weak.lock())
            output->OnDecodedFrame(data, width, stride, height, format, tag_);
}

void CVideoDecoder::DecodeThread() {
    // (OLE initialisation has no counterpart here.)
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::shared_ptr<CSWSContext> converter;
    while (packet && frame && !stop_) {
        if (av_read_frame(format_, packet) < 0) break;
        if (packet->stream_index != videoIndex_ ||
            avcodec_send_packet(decoder_, packet) < 0) {
            av_packet_unref(packet);
            continue;
        }
        av_packet_unref(packet);
        while (avcodec_receive_frame(decoder_, frame) >= 0) {
            const int w = decoder_->width, h = decoder_->height;
            const auto fmt = decoder_->pix_fmt;
            if (!converter || !converter->Matches(w, h, fmt, w, h, AV_PIX_FMT_BGR24)) {
                converter = std::make_shared<CSWSContext>();
                if (!converter->Init(w, h, fmt, w, h, AV_PIX_FMT_BGR24)) {
                    converter.reset();
                    av_frame_unref(frame);
                    continue;
                }
            }
            const bool scaled = converter->Scale(frame->data, frame->linesize);
            av_frame_unref(frame);
            if (!scaled) continue;
            AVFrame* bgr = converter->Frame();
            if (mirror_) MirrorBgr24Rows(bgr->data[0], w, bgr->linesize[0], h);
            DeliverFrame(bgr->data[0], w, bgr->linesize[0], h, AV_PIX_FMT_BGR24);
        }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    converter.reset();
}

}  // namespace zovi::engine
