// Draws the cached pictures into a window of ours through SDL, paced by the sound clock
// when the file has sound and it is known, else by the video clock.
//
// Threads: Start, Stop and the destructor belong to the owner's thread. The render
// thread owns every SDL video object: it makes the SDL window from the native one,
// the renderer and the texture, draws, and releases them all before it ends, so Stop
// (which joins it) leaves no SDL call behind while the native window still lives.
// ResetRenderer, the cache's members and the counters are safe from any thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <future>
#include <mutex>
#include <thread>

#include "engine/player/frame_cache.h"
#include "engine/player/player_interfaces.h"
#include "platform/screen/screen_types.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace zovi::engine {

class CVideoRenderer : public CAVFrameSafeCache {
public:
    // `soundClock` is null for a file without sound.
    CVideoRenderer(int streamIndex, std::weak_ptr<IPlayerRendererCallback> callback,
                   std::shared_ptr<const ISoundClock> soundClock = nullptr);
    ~CVideoRenderer() override;

    // Makes the SDL window from `window` (resizable) and starts the render thread.
    // False when SDL cannot take the window.
    bool Start(HWND window);
    // Stops and joins the render thread, which first releases the SDL objects.
    void Stop();
    // Asks the render thread to draw the last picture again, fitted to the window's
    // current size (the owner calls it when the window changed size: SDL does not see
    // the size of a window it did not make).
    void ResetRenderer();

    // Pictures presented since Start, redraws included.
    uint64_t DrawnCount() const { return drawn_.load(); }
    // Pictures dropped for being too late or too early.
    uint64_t DroppedCount() const { return dropped_.load(); }

    struct Presentation {
        int64_t ts = -1;       // the picture's time, ms; -1 before the first
        uint64_t ns = 0;       // when it was on screen, engine clock
        int64_t clockMs = -1;  // the clock it follows at that moment
    };
    // The picture presented last by the clock (redraws aside).
    Presentation LastPresented() const;
    // The clock the pictures follow, in ms at `nowNs`.
    int64_t PictureClockAt(uint64_t nowNs) const;

private:
    void RenderLoop(HWND window, std::promise<bool>* started);
    void RenderOne();
    // Draws `frame` (render lock held); false when SDL failed.
    bool DrawFrame(const UIYUVVideoFrame& frame);
    // Tells SDL the native window's current size.
    void FollowNativeSize();
    void ReleaseSdl();

    HWND native_ = 0;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0, textureHeight_ = 0;
    std::mutex renderLock_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> redraw_{false};
    std::shared_ptr<const UIYUVVideoFrame> lastFrame_;  // render thread only
    const int streamIndex_;
    const std::weak_ptr<IPlayerRendererCallback> callback_;
    const std::shared_ptr<const ISoundClock> soundClock_;
    mutable std::mutex presentedLock_;
    Presentation presented_;
    std::atomic<uint64_t> drawn_{0};
    std::atomic<uint64_t> dropped_{0};
    std::thread thread_;
};

}  // namespace zovi::engine
