#include "engine/player/video_renderer.h"

#include <SDL2/SDL.h>

#include <algorithm>

#include "engine/player/render_timing.h"
#include "engine/util/av_log.h"
#include "engine/util/clock_ns.h"
#include "platform/base/clock.h"
#include "platform/base/thread.h"
#include "platform/window/window.h"

namespace zovi::engine {

CVideoRenderer::CVideoRenderer(int streamIndex, std::weak_ptr<IPlayerRendererCallback> callback,
                               std::shared_ptr<const ISoundClock> soundClock)
    : streamIndex_(streamIndex), callback_(std::move(callback)), soundClock_(std::move(soundClock)) {}

CVideoRenderer::~CVideoRenderer() { Stop(); }

bool CVideoRenderer::Start(HWND window) {
    Stop();
    stop_ = false;
    std::promise<bool> started;
    auto result = started.get_future();
    thread_ = platform::StartThread([this, window, &started] { RenderLoop(window, &started); });
    if (result.get()) return true;
    thread_.join();
    return false;
}

void CVideoRenderer::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void CVideoRenderer::ResetRenderer() { redraw_ = true; }

CVideoRenderer::Presentation CVideoRenderer::LastPresented() const {
    std::lock_guard guard(presentedLock_);
    return presented_;
}

int64_t CVideoRenderer::PictureClockAt(uint64_t nowNs) const {
    // Before the sound of a new position is queued (a seek, above all a paused one) the
    // video clock stands in.
    if (soundClock_)
        if (const auto sound = soundClock_->SoundClockAt(nowNs)) return *sound;
    return ClockAt(nowNs);
}

void CVideoRenderer::RenderLoop(HWND window, std::promise<bool>* started) {
    native_ = window;
    window_ = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<uintptr_t>(window)));
    if (!window_) {
        AvLogError("CVideoRenderer SDL_CreateWindowFrom failed: %s\n", SDL_GetError());
        started->set_value(false);
        return;
    }
    SDL_SetWindowResizable(window_, SDL_TRUE);
    started->set_value(true);
    while (!stop_) RenderOne();
    ReleaseSdl();
}

void CVideoRenderer::RenderOne() {
    if (redraw_.exchange(false) && lastFrame_) {
        FollowNativeSize();
        std::lock_guard guard(renderLock_);
        if (DrawFrame(*lastFrame_)) ++drawn_;
    }
    std::optional<int64_t> nextTs;
    auto frame = PeekOldest(&nextTs);
    if (!frame) {
        Sleep(1);
        return;
    }
    const int64_t clock = PictureClockAt(GetClockNs());
    switch (DecideRender(clock, frame->ts, nextTs)) {
    case RenderDecision::kDrop:
        if (RemoveOldest(frame)) ++dropped_;
        return;
    case RenderDecision::kWait:
        // Until it is due, and no longer than 5 ms, so a picture a seek puts in front
        // is not kept waiting.
        Sleep(static_cast<DWORD>(std::clamp<int64_t>(frame->ts - clock, 1, 5)));
        return;
    case RenderDecision::kDraw:
        break;
    }
    // A seek may have emptied the cache since the peek: then the picture is stale.
    if (!RemoveOldest(frame)) return;
    {
        std::lock_guard guard(renderLock_);
        DrawFrame(*frame);
        lastFrame_ = frame;
    }
    const uint64_t shownNs = GetClockNs();
    const int64_t shownClock = PictureClockAt(shownNs);
    {
        std::lock_guard guard(presentedLock_);
        presented_ = {frame->ts, shownNs, shownClock};
    }
    ++drawn_;
    if (auto callback = callback_.lock()) callback->OnRendererPosition(streamIndex_, frame->ts);
}

void CVideoRenderer::FollowNativeSize() {
    // SDL does not watch a window it did not make, so it learns a new size from us.
    RECT rect{};
    if (!GetWindowRect(native_, &rect)) return;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    int known = 0, knownHeight = 0;
    SDL_GetWindowSize(window_, &known, &knownHeight);
    if (width > 0 && height > 0 && (width != known || height != knownHeight))
        SDL_SetWindowSize(window_, width, height);
}

bool CVideoRenderer::DrawFrame(const UIYUVVideoFrame& frame) {
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_) {
        AvLogError("CVideoRenderer SDL_CreateRenderer failed: %s\n", SDL_GetError());
        return false;
    }
    if (texture_ && (textureWidth_ != frame.width || textureHeight_ != frame.height)) {
        SDL_DestroyTexture(texture_);
        texture_ = nullptr;
    }
    if (!texture_) {
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING,
                                     frame.width, frame.height);
        if (!texture_) return false;
        textureWidth_ = frame.width;
        textureHeight_ = frame.height;
    }
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderFillRect(renderer_, nullptr);
    SDL_UpdateTexture(texture_, nullptr, frame.data.data(), frame.width);
    int windowWidth = 0, windowHeight = 0;
    SDL_GetWindowSize(window_, &windowWidth, &windowHeight);
    const FitRect fit = FitPicture(windowWidth, windowHeight, frame.width, frame.height);
    const SDL_Rect target{fit.x, fit.y, fit.width, fit.height};
    SDL_RenderCopy(renderer_, texture_, nullptr, &target);
    SDL_RenderPresent(renderer_);
    return true;
}

void CVideoRenderer::ReleaseSdl() {
    std::lock_guard guard(renderLock_);
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    // A window made from a native one leaves the native window alive.
    if (window_) SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    textureWidth_ = textureHeight_ = 0;
    lastFrame_.reset();
}

}  // namespace zovi::engine
