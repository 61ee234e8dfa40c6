// A small XEmbed notification area for tests: it owns _NET_SYSTEM_TRAY_S<screen> of an
// X server, docks the icon windows that ask for it into a panel of its own (24×24 each,
// side by side) and tells which are docked. Also the pixels of a window, read back from
// the server, to check what an icon shows.
//
// Threads: the host serves either on the thread that calls Serve, or on a thread of its
// own (ServeInBackground). DockedIcons and WaitForDocked may be called from any thread.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct _XDisplay;
union _XEvent;

namespace zovi::test {

class CXEmbedTestHost {
public:
    // Called on the serving thread when an icon window docks (true) or leaves (false).
    using Observer = std::function<void(bool docked, unsigned long icon)>;
    // The size the host gives every icon window.
    static constexpr int kIconSize = 24;

    // Opens `display` (empty: $DISPLAY) and takes the tray selection of its default
    // screen from a mapped panel window; Owning() tells whether that worked. The panel
    // offers its icons the default visual, or a 32-bit ARGB one with `offerArgbVisual`
    // (when the server has one).
    explicit CXEmbedTestHost(const std::string& display = {}, Observer observer = {}, bool offerArgbVisual = false);
    // Stops serving and closes the connection: the docked icons go back to the root
    // window, as with a panel that ends.
    ~CXEmbedTestHost();
    CXEmbedTestHost(const CXEmbedTestHost&) = delete;
    CXEmbedTestHost& operator=(const CXEmbedTestHost&) = delete;

    bool Owning() const { return panel_ != 0; }
    // The panel window, which owns the selection (0 when not owning).
    unsigned long Panel() const { return panel_; }

    // Serves on the calling thread until `stopFd` becomes readable or the connection is
    // lost.
    void Serve(int stopFd);
    // Serves on a thread of its own until destroyed.
    void ServeInBackground();

    // The docked icon windows, in docking order.
    std::vector<unsigned long> DockedIcons() const;
    // Waits up to `timeoutMs` until `condition` holds for the docked icons.
    bool WaitForDocked(const std::function<bool(const std::vector<unsigned long>&)>& condition,
                       int timeoutMs) const;

private:
    bool TakeSelection(bool offerArgbVisual);
    void HandleEvent(_XEvent& event);
    void Dock(unsigned long icon);
    void Undock(unsigned long icon);
    void ApplyMapFlag(unsigned long icon);
    bool IsDocked(unsigned long icon) const;

    _XDisplay* display_ = nullptr;
    unsigned long panel_ = 0;
    Observer observer_;
    int nextSlot_ = 0;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<unsigned long> docked_;  // guarded by mutex_
    int stopFd_ = -1;                     // ServeInBackground's wake-up
    std::thread thread_;
};

// A window's pixels as 0xRRGGBB, row by row (a depth-24 TrueColor window as the
// server holds it, children included).
struct WindowImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// Reads a viewable window of the server `display` (empty: $DISPLAY); empty when it
// cannot be read (gone, unmapped).
WindowImage ReadWindowImage(const std::string& display, unsigned long window);
// Writes the image as a PNG file.
bool SaveWindowImagePng(const WindowImage& image, const std::string& path);

}  // namespace zovi::test
