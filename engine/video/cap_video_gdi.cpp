#include "engine/video/cap_video_gdi.h"

#include <cinttypes>

#include "engine/util/av_log.h"
#include "platform/screen/monitors.h"
#include "platform/screen/rect_ops.h"
#include "platform/screen/screen_grab.h"
#include "platform/screen/top_windows.h"

namespace zovi::engine {

CCapVideoMultMonitorGDI::CCapVideoMultMonitorGDI()
    : CCapVideoPump({"CCapVideoMultMonitorGDI::CapTick Fail!!", "CCapVideoMultMonitorGDI::Stop()"},
                    ConvertFailure::EndVideo) {
    fps_ = 30;
}

CCapVideoMultMonitorGDI::~CCapVideoMultMonitorGDI() {
    StopThreads();
    ReleaseMonitor();
    AvLogInfo("CCapVideoMultMonitorGDI::dtor: %08" PRIxPTR, reinterpret_cast<uintptr_t>(this));
    monitors_.clear();
}

bool CCapVideoMultMonitorGDI::Prepare() {
    // The source's own connection: used here on the caller's thread, then only by the
    // tick thread.
    connection_ = platform::CScreenConnection::Open();
    return connection_ && InitMonitors() && CaptureFrame(true, 0);
}

bool CCapVideoMultMonitorGDI::InitMonitors() {
    if (!connection_) return false;
    memoryDC_ = std::make_unique<platform::CMemoryDC>();
    monitors_.clear();
    for (const auto& info : MonitorsTouchingArea(*connection_, source_)) {
        auto monitor = std::make_shared<CapMonitor>();
        monitor->info = info;
        monitor->ok = platform::GetDisplayMode(*connection_, info.device, &monitor->mode);
        if (monitor->ok) monitors_.push_back(monitor);
    }
    return !monitors_.empty();
}

void CCapVideoMultMonitorGDI::ReleaseMonitor() { memoryDC_.reset(); }

bool CCapVideoMultMonitorGDI::CaptureFrame(bool probe, int64_t pts) {
    auto frame = std::make_shared<CapVideo>();
    RECT area{};
    if (!ReadCaptureArea(*connection_, source_, &area)) return false;
    frame->width = area.right - area.left;
    frame->height = area.bottom - area.top;
    if (static_cast<int64_t>(frame->width) * frame->height * 4 <= 0) return true;
    if (!memoryDC_) return false;
    bool reused = false;
    frame->bitmap = bitmaps_->Get(frame->width, frame->height, &reused);
    if (!frame->bitmap) return false;
    frame->pts = pts;
    // Pixels that no monitor covers are black.
    if (reused && !CoversWholeArea(area, monitors_)) frame->bitmap->Clear();
    platform::HBITMAP previous = memoryDC_->SelectObject(frame->bitmap);
    for (const auto& monitor : monitors_) {
        RECT common{};
        if (!platform::IntersectRect(&common, area, monitor->info.rcMonitor)) continue;
        platform::GrabScreenRect(*connection_, common, *frame->bitmap,
                                 POINT{common.left - area.left, common.top - area.top});
    }
    if (!probe) {
        DrawCursor();
        RunSnapshotStep(frame->bitmap->Bits(), frame->width, frame->height,
                        frame->bitmap->Stride(), AV_PIX_FMT_BGRA);
        QueueFrame(frame);
    }
    memoryDC_->SelectObject(previous);
    return true;
}

void CCapVideoMultMonitorGDI::DrawCursor() {
    RECT area{};
    if (!ReadCaptureArea(*connection_, source_, &area)) area = {0, 0, 0, 0};
    DrawOverlayText(*memoryDC_, area);
    if (captureCursor_ && memoryDC_->Bitmap())
        platform::DrawCursorImage(*connection_, *memoryDC_->Bitmap(), area);
}

}  // namespace zovi::engine
