// Reads one media file on its own worker thread and serves the cut view's timeline:
// small BGR24 pictures at the frames' times (kind 0) and a sound-level curve, one level
// per 10 ms (kind 1). Requests pile up while the user scrolls, so the worker serves the
// newest first and keeps only five waiting; a discarded request may be asked again.
//
// Threads: Open, RequestShots and Destroy belong to the owner's thread (RequestShots is
// safe from any thread). The callback is called on the worker thread; it is held weakly.
#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/player/media_decoder.h"
#include "engine/video/sws_context.h"

struct AVCodecContext;

namespace zovi::engine {

class IFFTakeShotCallback {
public:
    // True when a picture for the time `ms` is already held, so it is not converted.
    virtual bool HasShot(int64_t /*ms*/) { return false; }
    // A picture of the frame at `ms`: `height` rows of `stride` bytes, BGR24, valid only
    // during the call.
    virtual void OnTakeShot(int64_t /*ms*/, int /*stride*/, int /*width*/, int /*height*/,
                            const uint8_t* /*bgr24*/) {}
    // The levels (each in [0, 1], one per 10 ms) from the request's start to the end
    // of the file. `startMs` is the request's start.
    virtual void OnShotList(int64_t /*startMs*/, const std::vector<float>& /*levels*/) {}

protected:
    virtual ~IFFTakeShotCallback() = default;
};

class CFFTakeShoter {
public:
    static constexpr int kKindPictures = 0;
    static constexpr int kKindSoundLevels = 1;
    // Requests waiting besides the one being served; older ones are discarded.
    static constexpr size_t kMaxWaiting = 5;

    explicit CFFTakeShoter(std::weak_ptr<IFFTakeShotCallback> callback);
    ~CFFTakeShoter();
    CFFTakeShoter(const CFFTakeShoter&) = delete;
    CFFTakeShoter& operator=(const CFFTakeShoter&) = delete;

    // Opens `path` with its best video and sound streams and starts the worker. False
    // when the file cannot be read or neither stream opens.
    bool Open(const std::wstring& path);
    // Queues a request as the newest. Ignored when a request of this kind with this
    // start is waiting or was served. `endMs` < 0: up to the end of the file.
    void RequestShots(int kind, int64_t startMs, int64_t endMs, int width, int height);
    void Destroy();

    // Splits mono samples into groups of 80 (10 ms at 8000 Hz) and gives each full
    // group's mean absolute value, kept in [0, 1].
    static std::vector<float> LevelsOf(const std::vector<float>& samples);

private:
    struct Request {
        int kind;
        int64_t startMs;
        int64_t endMs;
        int width;
        int height;
    };

    void StopWorker();
    void FreeContexts();
    bool TakeNewest(Request* request);
    void WorkerLoop();
    void ServePictures(const Request& request, IFFTakeShotCallback& callback);
    void ServeSoundLevels(const Request& request, IFFTakeShotCallback& callback);
    // Seeks stream `index` back to `ms` and empties `decoder`.
    void SeekBack(int index, AVCodecContext* decoder, int64_t ms);

    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::mutex requestLock_;
    std::deque<Request> requests_;
    std::set<int64_t> queuedStarts_[2];
    const std::weak_ptr<IFFTakeShotCallback> callback_;
    MediaInput input_;
    CSWSContext converter_;
};

}  // namespace zovi::engine
