#include "engine/video/cap_video_dxgi.h"

#include <cinttypes>
#include <cstring>

#include "engine/util/av_log.h"
#include "platform/screen/monitors.h"
#include "platform/screen/rect_ops.h"
#include "platform/screen/screen_grab.h"
#include "platform/screen/top_windows.h"

namespace zovi::engine {

CCapVideoMultMonitorDXGI::CCapVideoMultMonitorDXGI()
    : CCapVideoPump({"CCapVideoMultMonitorDXGI::CapTick Fail!!", "CCapVideoMultMonitorDXGI::Stop()"},
                    ConvertFailure::DropFrame) {}

CCapVideoMultMonitorDXGI::~CCapVideoMultMonitorDXGI() {
    StopThreads();
    AvLogInfo("CCapVideoMultMonitorDXGI::dtor: %08" PRIxPTR, reinterpret_cast<uintptr_t>(this));
    memoryDC_.reset();
    duplication_.reset();
    monitors_.clear();
    connection_.reset();
}

bool CCapVideoMultMonitorDXGI::Prepare() {
    connection_ = platform::CScreenConnection::Open();
    if (!connection_) return false;
    memoryDC_ = std::make_unique<platform::CMemoryDC>();
    return UpdateMonitors() && CaptureFrame(true, 0);
}

bool CCapVideoMultMonitorDXGI::UpdateMonitors() {
    monitors_.clear();
    std::vector<RECT> rects;
    for (const auto& info : MonitorsTouchingArea(*connection_, source_)) {
        monitors_.push_back(std::make_shared<CapMonitor>(CapMonitor{info}));
        rects.push_back(info.rcMonitor);
    }
    if (monitors_.empty()) return false;
    duplication_ = platform::CScreenDuplication::Create(*connection_, rects);
    if (!duplication_) monitors_.clear();
    return !monitors_.empty();
}

bool CCapVideoMultMonitorDXGI::AcquireMonitorFrame(size_t index) {
    return duplication_->AcquireMonitor(index) != platform::CScreenDuplication::Acquire::AccessLost;
}

bool CCapVideoMultMonitorDXGI::CaptureFrame(bool probe, int64_t pts) {
    auto frame = std::make_shared<CapVideo>();
    RECT area{};
    if (!ReadCaptureArea(*connection_, source_, &area)) return false;
    frame->width = area.right - area.left;
    frame->height = area.bottom - area.top;
    if (static_cast<int64_t>(frame->width) * frame->height * 4 < 1) return true;
    bool reused = false;
    frame->bitmap = bitmaps_->Get(frame->width, frame->height, &reused);
    if (!frame->bitmap) return false;
    frame->pts = pts;
    platform::CDibSection& bitmap = *frame->bitmap;
    // Pixels that no monitor covers are black.
    if (reused && !CoversWholeArea(area, monitors_)) bitmap.Clear();
    for (size_t i = 0; i < monitors_.size(); ++i) {
        if (!AcquireMonitorFrame(i)) return false;
        // Until every monitor has delivered a picture, ticks queue nothing.
        if (!duplication_->HasImage(i)) return true;
        const RECT& mon = monitors_[i]->info.rcMonitor;
        RECT common{};
        if (!platform::IntersectRect(&common, area, mon)) continue;
        const uint8_t* data = duplication_->Data(i);
        const int pitch = duplication_->Pitch(i);
        const size_t rowBytes = static_cast<size_t>(common.right - common.left) * 4;
        bitmap.BeginDirectAccess();
        for (LONG y = common.top; y < common.bottom; ++y) {
            std::memcpy(bitmap.Bits() + static_cast<size_t>(y - area.top) * bitmap.Stride() +
                            static_cast<size_t>(common.left - area.left) * 4,
                        data + static_cast<size_t>(y - mon.top) * pitch +
                            static_cast<size_t>(common.left - mon.left) * 4,
                        rowBytes);
        }
        bitmap.EndDirectAccess();
    }
    if (probe) return true;
    DrawCursor(*frame, area);
    RunSnapshotStep(bitmap.Bits(), frame->width, frame->height, bitmap.Stride(), AV_PIX_FMT_BGRA);
    QueueFrame(frame);
    return true;
}

void CCapVideoMultMonitorDXGI::DrawCursor(CapVideo& frame, const RECT& area) {
    platform::HBITMAP previous = memoryDC_->SelectObject(frame.bitmap);
    DrawOverlayText(*memoryDC_, area);
    if (captureCursor_) platform::DrawCursorImage(*connection_, *frame.bitmap, area);
    memoryDC_->SelectObject(previous);
}

}  // namespace zovi::engine
