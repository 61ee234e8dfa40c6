// Thumbnail grabber throughput: asks for a file's pictures at 100 x 75 in 10 s blocks,
// as the cut view's picture ruler does, answering HasShot as the view does (one picture
// per whole second), and times until every second has its picture.
// Usage: zovi_thumbs_bench FILE SECONDS. Prints "thumbs_per_s=<n>".
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "engine/player/thumbnail_grabber.h"
#include "platform/base/utf8.h"

namespace {

constexpr int kWidth = 100, kHeight = 75;
constexpr int64_t kBlockMs = 10000;

class CRuler : public zovi::engine::IFFTakeShotCallback {
public:
    bool HasShot(int64_t ms) override {
        std::lock_guard guard(lock_);
        return seconds_.count(ms / 1000) > 0;
    }
    void OnTakeShot(int64_t ms, int, int, int, const uint8_t*) override {
        std::lock_guard guard(lock_);
        seconds_.insert(ms / 1000);
        changed_.notify_all();
    }
    bool WaitForSeconds(size_t count, std::chrono::seconds patience) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, patience, [&] { return seconds_.size() >= count; });
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::set<int64_t> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zovi_thumbs_bench FILE SECONDS\n");
        return 2;
    }
    const std::string file = argv[1];
    const int seconds = std::atoi(argv[2]);
    auto ruler = std::make_shared<CRuler>();
    zovi::engine::CFFTakeShoter grabber(ruler);
    const auto start = std::chrono::steady_clock::now();
    if (!grabber.Open(zovi::platform::Utf8ToWide(file))) {
        std::fprintf(stderr, "cannot open %s\n", file.c_str());
        return 1;
    }
    // Oldest block first, so the newest-first worker ends with the file's start, as
    // when the user scrolls back to it; at most six blocks are alive at once.
    for (int64_t block = 0; block * 1000 < seconds * int64_t(1000); block += kBlockMs / 1000)
        grabber.RequestShots(zovi::engine::CFFTakeShoter::kKindPictures, block * 1000, block * 1000 + kBlockMs,
                             kWidth, kHeight);
    if (!ruler->WaitForSeconds(size_t(seconds), std::chrono::seconds(600))) {
        std::fprintf(stderr, "not every second got its picture\n");
        return 1;
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("thumbs_per_s=%.1f\n", seconds / elapsed);
    return 0;
}
