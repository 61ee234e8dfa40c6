#include "engine/video/cap_video.h"

#include <cinttypes>

#include "engine/util/av_log.h"
#include "engine/video/snapshot_writer.h"

namespace zovi::engine {

CCapVideo::~CCapVideo() {
    overlayFont_.reset();
    AvLogInfo("CCapVideo::dtor: %08" PRIxPTR, reinterpret_cast<uintptr_t>(this));
}

bool CCapVideo::TakeSnapshot(const std::string& path, void* cookie) {
    std::lock_guard<std::mutex> lock(snapshotLock_);
    snapshotRequests_.push_back({path, cookie});
    return true;
}

bool CCapVideo::IsSnapshotPending() const {
    std::lock_guard<std::mutex> lock(snapshotLock_);
    return snapshotWriting_ || !snapshotRequests_.empty();
}

void CCapVideo::SetOverlayText(const wchar_t* text, const wchar_t* face, int heightPx,
                               int periodFrames) {
    // A face name holds at most 31 characters.
    std::wstring faceName = face ? face : L"";
    if (faceName.size() > 31) faceName.resize(31);
    platform::HFONT font = platform::CFont::Create(faceName, heightPx, true);
    platform::CPreparedText prepared(text ? text : L"");
    std::lock_guard<std::mutex> lock(overlayLock_);
    overlayFont_ = std::move(font);
    overlayText_ = std::move(prepared);
    overlayPeriod_ = periodFrames < 1 ? 1 : periodFrames;
}

void CCapVideo::SetCallback(const std::shared_ptr<ICapVideoCallback>& callback) {
    std::lock_guard<std::mutex> lock(callbackLock_);
    callback_ = callback;
}

void CCapVideo::DrawOverlayText(platform::CMemoryDC& dc, const RECT& area) {
    std::lock_guard<std::mutex> lock(overlayLock_);
    if (overlayText_.Empty()) return;
    dc.SetTextColor(255, 255, 0);
    const LONG width = area.right - area.left;
    const LONG height = area.bottom - area.top;
    RECT band{50, 50, width, 170};
    if ((overlayCounter_ / static_cast<uint64_t>(overlayPeriod_)) % 2 == 1) {
        band.top = height - 170;
        band.bottom = height - 50;
    }
    ++overlayCounter_;
    platform::HFONT previous = dc.SelectObject(overlayFont_);
    dc.DrawTextW(overlayText_, band, platform::DT_SINGLELINE | platform::DT_VCENTER);
    dc.SelectObject(previous);
}

void CCapVideo::RunSnapshotStep(const uint8_t* pixels, int width, int height, int stride,
                                AVPixelFormat pixelFormat) {
    SnapshotRequest request;
    {
        std::lock_guard<std::mutex> lock(snapshotLock_);
        if (snapshotRequests_.empty()) return;
        request = snapshotRequests_.front();
        snapshotRequests_.pop_front();
        snapshotWriting_ = true;
    }
    SnapshotWriterContext writer;
    const bool ok =
        SaveFrameAsImage(writer, pixels, width, height, stride, pixelFormat, request.path);
    writer.Release();
    std::shared_ptr<ICapVideoCallback> callback;
    {
        std::lock_guard<std::mutex> lock(callbackLock_);
        callback = callback_.lock();
    }
    if (callback) callback->OnSnapshotTaken(request.path, ok);
    std::lock_guard<std::mutex> lock(snapshotLock_);
    snapshotWriting_ = false;
}

}  // namespace zovi::engine
